// The content check of the results list, on a thread of its own: the window
// stays responsive and hears of it through queued signals.
#pragma once

#include <QObject>
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
    // Checks `rows` (a copy: the list may change meanwhile).
    void Start(std::vector<ResultRow> rows);
    // Ends a running check soon; finished() still follows.
    void Stop() { stop_.Stop(); }

    // After finished(): the rows checked and their verdicts, one per row.
    const std::vector<ResultRow>& CheckedRows() const { return rows_; }
    const ContentCheckResult& Result() const { return result_; }

  signals:
    void progressed(int percent);
    void finished(bool stopped);

  private:
    std::thread thread_;
    StopToken stop_;
    bool running_ = false;
    std::vector<ResultRow> rows_;
    ContentCheckResult result_;
};

}  // namespace corvane
