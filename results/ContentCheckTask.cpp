#include "results/ContentCheckTask.h"

namespace corvane {

ContentCheckTask::ContentCheckTask(QObject* parent) : QObject(parent) {}

ContentCheckTask::~ContentCheckTask() {
    stop_.Stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ContentCheckTask::Start(std::vector<ResultRow> rows) {
    if (running_) {
        return;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    stop_.Reset();
    rows_ = std::move(rows);
    result_ = {};
    thread_ = std::thread([this] {
        // rows_ and result_ belong to this thread until finished() is posted.
        ContentCheckResult result =
            CheckContents(rows_, &stop_, [this](const ContentProgress& progress) {
                const int percent =
                    progress.bytesToRead == 0
                        ? 100
                        : static_cast<int>(100 * progress.bytesDone / progress.bytesToRead);
                QMetaObject::invokeMethod(
                    this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
            });
        result_ = std::move(result);
        QMetaObject::invokeMethod(
            this,
            [this] {
                thread_.join();
                running_ = false;
                emit finished(result_.stopped);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace corvane
