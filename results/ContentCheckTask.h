// The content check of the results list, on a thread of its own: the window
// stays responsive and hears of it through queued signals.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/StopToken.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

// Threading: Start, Stop and the accessors on the GUI thread; the check runs
// on its own thread (which starts the check's two readers). progressed() and
// finished() arrive on the GUI thread. Destroying the task stops a running
// check and waits for it.
class ContentCheckTask final : public QObject {
    Q_OBJECT

  public:
    explicit ContentCheckTask(QObject* parent = nullptr);
    ~ContentCheckTask() override;

    bool Running() const { return running_; }
    // Compares the contents of the rows `rows` (ascending) of `list`, the
    // results list of generation `generation`. The list is only read, and
    // only by the check, until finished() has been emitted.
    void Start(std::shared_ptr<const ResultRows> list, std::vector<int> rows,
               std::uint64_t generation);
    // Ends a running check soon; finished() still follows.
    void Stop() { stop_.Stop(); }

    // After finished(): the rows whose contents were compared, their
    // verdicts (Result().rows, one per row, in the same order) and the
    // generation of the list they belong to.
    const std::vector<int>& ComparedRows() const { return rows_; }
    const ContentCheckResult& Result() const { return result_; }
    std::uint64_t Generation() const { return generation_; }

  signals:
    void progressed(int percent);
    void finished(bool stopped);

  private:
    std::thread thread_;
    StopToken stop_;
    bool running_ = false;
    std::shared_ptr<const ResultRows> list_;
    std::vector<int> rows_;
    std::uint64_t generation_ = 0;
    ContentCheckResult result_;
};

}  // namespace corvane
