#include "results/ContentCheckTask.h"

namespace corvane {

ContentCheckTask::ContentCheckTask(QObject* parent) : QObject(parent) {}

ContentCheckTask::~ContentCheckTask() {
    stop_.Stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ContentCheckTask::Start(std::shared_ptr<const ResultRows> list, std::vector<int> rows,
                             std::uint64_t generation) {
    if (running_) {
        return;
    }
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    stop_.Reset();
    list_ = std::move(list);
    rows_ = std::move(rows);
    generation_ = generation;
    result_ = {};
    thread_ = std::thread([this] {
        // list_, rows_ and result_ belong to this thread until finished() is
        // posted. The check reads the rows it was given as one list.
        ResultRows some;
        if (rows_.size() != list_->size()) {
            some.reserve(rows_.size());
            for (const int row : rows_) {
                some.push_back((*list_)[static_cast<std::size_t>(row)]);
            }
        }
        const ResultRows& compared = rows_.size() != list_->size() ? some : *list_;
        ContentCheckResult result =
            CheckContents(compared, &stop_, [this](const ContentProgress& progress) {
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
                list_.reset();  // the list may change its rows in place again
                running_ = false;
                emit finished(result_.stopped);
            },
            Qt::QueuedConnection);
    });
}

}  // namespace corvane
