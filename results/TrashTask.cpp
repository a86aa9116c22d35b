#include "results/TrashTask.h"

namespace corvane {

TrashTask::TrashTask(QObject* parent) : QObject(parent) {}

TrashTask::~TrashTask() {
    stop_.Stop();
    if (thread_.joinable()) {
        thread_.join();
    }
}

template <typename Work>
void TrashTask::Start(Job job, Work work) {
    if (thread_.joinable()) {
        thread_.join();
    }
    running_ = true;
    job_ = job;
    percent_ = -1;
    stop_.Reset();
    thread_ = std::thread([this, work = std::move(work)]() mutable {
        // plan_, report_ and undone_ belong to this thread until finished() is posted.
        work();
        QMetaObject::invokeMethod(
            this,
            [this] {
                thread_.join();
                running_ = false;
                emit finished(job_);
            },
            Qt::QueuedConnection);
    });
}

// Posts the share done whenever its whole percentage moves.
std::function<void(std::size_t, std::size_t)> TrashTask::Progress() {
    return [this](std::size_t done, std::size_t total) {
        const int percent = total == 0 ? 100 : static_cast<int>(100 * done / total);
        if (percent != percent_) {
            percent_ = percent;
            QMetaObject::invokeMethod(
                this, [this, percent] { emit progressed(percent); }, Qt::QueuedConnection);
        }
    };
}

void TrashTask::StartSend(Trash& trash, SendPlan plan) {
    if (running_) {
        return;
    }
    plan_ = std::move(plan);
    report_ = {};
    Start(Job::kSend, [this, &trash] {
        report_ = SendRows(plan_, trash, SendControl{&stop_, Progress()});
    });
}

void TrashTask::StartUndo(Trash& trash) {
    if (running_) {
        return;
    }
    undone_ = {};
    Start(Job::kUndo, [this, &trash] {
        undone_ = UndoLastSend(trash, UndoControl{&stop_, Progress()});
    });
}

}  // namespace corvane
