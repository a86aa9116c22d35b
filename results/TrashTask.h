// Sending the ticked files to the trash, and undoing the last send, on a
// thread of their own: the window stays responsive and hears of them through
// queued signals.
#pragma once

#include <QObject>
#include <thread>

#include "actions/SendRows.h"
#include "platform/StopToken.h"

namespace corvane {

// Threading: the Start calls, Stop and the accessors on the GUI thread; the
// work runs on the task's thread, which uses `trash` alone until finished()
// (the caller does not touch it meanwhile). progressed() and finished()
// arrive on the GUI thread. Destroying the task stops the work after the
// file in hand and waits for it.
class TrashTask final : public QObject {
    Q_OBJECT

  public:
    explicit TrashTask(QObject* parent = nullptr);
    ~TrashTask() override;

    enum class Job { kSend, kUndo };

    bool Running() const { return running_; }
    Job CurrentJob() const { return job_; }
    // Sends the plan's files (SendRows); does nothing while a job runs.
    void StartSend(Trash& trash, SendPlan plan);
    // Puts the last batch back; does nothing while a job runs.
    void StartUndo(Trash& trash);
    // Ends the job after the file in hand; finished() still follows.
    void Stop() { stop_.Stop(); }

    // After finished(): what the last job did.
    const SendPlan& Plan() const { return plan_; }
    const SendReport& Report() const { return report_; }
    const UndoOutcome& Undone() const { return undone_; }

  signals:
    void progressed(int percent);
    void finished(corvane::TrashTask::Job job);

  private:
    template <typename Work>
    void Start(Job job, Work work);
    std::function<void(std::size_t, std::size_t)> Progress();

    std::thread thread_;
    StopToken stop_;
    bool running_ = false;
    Job job_ = Job::kSend;
    int percent_ = -1;  // the last percentage posted, on the task's thread
    SendPlan plan_;
    SendReport report_;
    UndoOutcome undone_;
};

}  // namespace corvane
