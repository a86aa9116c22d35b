// The results window's list commands: the context menu and its shortcuts,
// the keep rules, the content check and saving the list.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <numeric>
#include <unordered_set>
#include <utility>

#include "actions/RowExport.h"
#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"
#include "platform/ErrnoText.h"
#include "results/ContentCheckTask.h"
#include "results/ResultsListView.h"
#include "results/ResultsWindow.h"
#include "results/TrashTask.h"
#include "widgets/CaptionNote.h"

namespace corvane {

void ResultsWindow::BuildCommands() {
    menu_ = new QMenu(this);
    rowActions_.push_back(
        menu_->addAction(QStringLiteral("Open"), this, [this] { OpenRow(CurrentRow()); }));
    rowActions_.push_back(AddCommand(QStringLiteral("Open containing folder"),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O), nullptr));
    connect(rowActions_.back(), &QAction::triggered, this,
            [this] { ShowRowInFolder(CurrentRow()); });
    rowActions_.push_back(AddCommand(QStringLiteral("Copy path"), QKeySequence::Copy,
                                     &ResultsWindow::CopySelectedPaths));
    menu_->addSeparator();
    rowActions_.push_back(AddCommand(QStringLiteral("Tick every file in this folder"),
                                     QKeySequence(Qt::CTRL | Qt::Key_T),
                                     &ResultsWindow::TickFolderOfCurrentRow));
    rowActions_.push_back(AddCommand(QStringLiteral("Untick this group"),
                                     QKeySequence(Qt::CTRL | Qt::Key_U),
                                     &ResultsWindow::UntickGroupOfCurrentRow));
    QMenu* keep = menu_->addMenu(QStringLiteral("Tick all but one in each group"));
    const std::pair<QString, KeepRule> rules[] = {
        {QStringLiteral("Keep the first"), KeepRule::First},
        {QStringLiteral("Keep the oldest"), KeepRule::Oldest},
        {QStringLiteral("Keep the newest"), KeepRule::Newest},
        {QStringLiteral("Keep the shortest path"), KeepRule::Shortest},
    };
    for (std::size_t k = 0; k < std::size(rules); ++k) {
        auto* action = new QAction(rules[k].first, this);
        action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + k)));
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        keep->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, rule = rules[k].second] { TickAllButOne(rule); });
    }
    menu_->addSeparator();
    AddCommand(QStringLiteral("Check contents"), QKeySequence(Qt::CTRL | Qt::Key_K),
               &ResultsWindow::CheckContents);
    stopCheckAction_ = AddCommand(QStringLiteral("Stop the check"), QKeySequence(Qt::Key_Escape),
                                  &ResultsWindow::StopCheck);
    stopCheckAction_->setEnabled(false);
    // Not in the menu: Escape also stops a send or an undo, which never run
    // beside a check, so the two shortcuts are never on at once.
    stopSendAction_ = new QAction(this);
    stopSendAction_->setShortcut(QKeySequence(Qt::Key_Escape));
    stopSendAction_->setShortcutContext(Qt::WindowShortcut);
    stopSendAction_->setEnabled(false);
    addAction(stopSendAction_);
    connect(stopSendAction_, &QAction::triggered, this, &ResultsWindow::StopSend);
    menu_->addSeparator();
    AddCommand(QStringLiteral("Save list..."), QKeySequence::Save, &ResultsWindow::SaveList);
    undoAction_ = AddCommand(QStringLiteral("Undo last send"), QKeySequence::Undo,
                             &ResultsWindow::UndoLastSend);
    auto* quit = new QAction(QStringLiteral("Quit"), this);  // ends the program as closing does
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));   // not every key scheme has Quit
    quit->setShortcutContext(Qt::WindowShortcut);
    addAction(quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    ConnectList();
}

void ResultsWindow::ConnectList() {
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        ContextMenu(list_->indexAt(at).row())->popup(list_->viewport()->mapToGlobal(at));
    });
    connect(list_, &ResultsListView::openRequested, this, &ResultsWindow::OpenRow);
    connect(menu_, &QMenu::aboutToHide, this, [this] {
        // Triggered actions run before the menu's row is forgotten.
        QTimer::singleShot(0, this, [this] { menuRow_ = -1; });
    });
    connect(&model_, &ResultsModel::summaryChanged, this, &ResultsWindow::ShowSummary);
    // A new list (a search, an opened list) has no verdicts yet; a check of
    // the old list that is still running no longer applies.
    connect(&model_, &ResultsModel::listReplaced, this, [this] {
        listFromFile_ = false;
        checkTask_->Stop();
        list_->setColumnHidden(ResultsModel::ContentColumn, !model_.ShowsContent());
        LayOutList();
    });
    BuildTasks();
}

void ResultsWindow::BuildTasks() {
    checkTask_ = new ContentCheckTask(this);
    connect(checkTask_, &ContentCheckTask::progressed, this, [this](int percent) {
        checkPercent_ = percent;
        ShowSummary();
    });
    connect(checkTask_, &ContentCheckTask::finished, this, &ResultsWindow::ContentChecked);

    trashTask_ = new TrashTask(this);
    connect(trashTask_, &TrashTask::progressed, this, [this](int percent) {
        trashPercent_ = percent;
        ShowSummary();
    });
    connect(trashTask_, &TrashTask::finished, this, [this](TrashTask::Job job) {
        stopSendAction_->setEnabled(false);
        job == TrashTask::Job::kSend ? Sent() : Undone();
    });
}

QAction* ResultsWindow::AddCommand(const QString& text, const QKeySequence& shortcut,
                                   void (ResultsWindow::*slot)()) {
    auto* action = new QAction(text, this);
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);  // the shortcut works without the menu
    menu_->addAction(action);
    if (slot != nullptr) {
        connect(action, &QAction::triggered, this, slot);
    }
    return action;
}

QMenu* ResultsWindow::ContextMenu(int row) {
    menuRow_ = row;
    const bool onRow = row >= 0 && row < model_.rowCount();
    if (onRow && !list_->selectionModel()->isRowSelected(row, {})) {
        list_->setCurrentIndex(model_.index(row, 0));
    }
    for (QAction* action : rowActions_) {
        action->setEnabled(onRow);
    }
    // The list may be empty by then. While a send or an undo runs, the trash is theirs.
    undoAction_->setEnabled(!Busy() && trash_->HasBatchToUndo());
    return menu_;
}

int ResultsWindow::CurrentRow() const {
    if (menuRow_ >= 0) {
        return menuRow_;
    }
    const QModelIndex current = list_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ResultsWindow::OpenRow(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        return;
    }
    const QByteArray path = QByteArray::fromStdString(model_.RowAt(row).path);
    if (!desktop_.open(path)) {
        prompts_.tell(
            this, ProductCaption(),
            QStringLiteral("No program could open %1.").arg(DisplayPath(model_.RowAt(row).path)));
    }
}

void ResultsWindow::ShowRowInFolder(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        return;
    }
    const QByteArray path = QByteArray::fromStdString(model_.RowAt(row).path);
    if (!desktop_.showInFolder(path)) {
        prompts_.tell(this, ProductCaption(),
                      QStringLiteral("No file manager could show %1.")
                          .arg(DisplayPath(model_.RowAt(row).path)));
    }
}

void ResultsWindow::CopySelectedPaths() {
    QStringList paths;
    for (const int row : list_->SelectedRows()) {
        paths << QFile::decodeName(QByteArray::fromStdString(model_.RowAt(row).path));
    }
    if (!paths.isEmpty()) {
        desktop_.copy(paths.join(QLatin1Char('\n')));
    }
}

void ResultsWindow::TickFolderOfCurrentRow() {
    const int row = CurrentRow();
    if (row >= 0 && row < model_.rowCount()) {
        model_.SetTicked(model_.RowsInFolderOf(row), true);
    }
}

void ResultsWindow::UntickGroupOfCurrentRow() {
    const int row = CurrentRow();
    if (row >= 0 && row < model_.rowCount()) {
        model_.SetTicked(model_.RowsInGroupOf(row), false);
    }
}

void ResultsWindow::TickAllButOne(KeepRule rule) {
    if (checkTask_->Running()) {
        if (checkTask_->Generation() == model_.Generation()) {
            pendingRule_ = rule;  // the running check ends first
        }
        return;
    }
    // Rows of the groups the list has no verdicts for yet, read as a whole.
    const ResultRows& all = model_.Rows();
    const std::vector<RowContent>& contents = model_.Contents();
    std::unordered_set<std::uint32_t> uncompared;
    for (std::size_t r = 0; r < all.size(); ++r) {
        if (contents[r].verdict == ContentVerdict::NotChecked) {
            uncompared.insert(all[r].group);
        }
    }
    if (uncompared.empty()) {
        ApplyKeepRule(rule);
        return;
    }
    std::vector<int> rows;
    for (std::size_t r = 0; r < all.size(); ++r) {
        if (uncompared.contains(all[r].group)) {
            rows.push_back(static_cast<int>(r));
        }
    }
    pendingRule_ = rule;
    StartCheck(std::move(rows));
}

void ResultsWindow::ApplyKeepRule(KeepRule rule) {
    const std::vector<bool> marked = MarkForTrash(model_.Rows(), rule, model_.Contents());
    std::vector<int> tick, untick;
    for (std::size_t r = 0; r < marked.size(); ++r) {
        (marked[r] ? tick : untick).push_back(static_cast<int>(r));
    }
    model_.SetTicked(untick, false);
    model_.SetTicked(tick, true);
}

void ResultsWindow::CheckContents() {
    if (Busy() || model_.rowCount() == 0) {
        return;
    }
    std::vector<int> rows(model_.Rows().size());
    std::iota(rows.begin(), rows.end(), 0);
    StartCheck(std::move(rows));
}

void ResultsWindow::StartCheck(std::vector<int> rows) {
    checkPercent_ = 0;
    stopCheckAction_->setEnabled(true);
    checkTask_->Start(model_.SharedRows(), std::move(rows), model_.Generation());
    CaptionNote::Of(this).Clear();  // the progress shows at once
    ShowSummary();
}

void ResultsWindow::StopCheck() {
    checkTask_->Stop();
}

bool ResultsWindow::Checking() const {
    return checkTask_->Running();
}

void ResultsWindow::ContentChecked() {
    stopCheckAction_->setEnabled(false);
    const std::optional<KeepRule> rule = std::exchange(pendingRule_, std::nullopt);
    // A list replaced, or rows removed or put back meanwhile: the verdicts
    // no longer belong to the rows they were taken for.
    if (checkTask_->Generation() != model_.Generation()) {
        ShowSummary();
        return;
    }
    model_.SetContents(checkTask_->ComparedRows(), checkTask_->Result().rows);
    list_->setColumnHidden(ResultsModel::ContentColumn, false);
    LayOutList();
    if (rule) {
        ApplyKeepRule(*rule);
    }
    ShowSummary();
}

void ResultsWindow::SaveList() {
    if (!desktop_.chooseSaveFile) {
        return;
    }
    const QByteArray file = desktop_.chooseSaveFile(this);
    if (file.isEmpty()) {
        return;
    }
    RowExtras extras;
    if (model_.HasContent()) {
        extras.content = &model_.Contents();
    }
    std::FILE* out = std::fopen(file.constData(), "wb");
    int error = out == nullptr ? errno : 0;
    if (out != nullptr) {
        (file.endsWith(".json") ? WriteJson : WriteTsv)(model_.Rows(), out, extras);
        const bool written = std::ferror(out) == 0;
        if (std::fclose(out) != 0 || !written) {
            error = errno != 0 ? errno : EIO;
        }
    }
    if (error != 0) {
        prompts_.tell(this, ProductCaption(),
                      QStringLiteral("The list could not be saved to %1:\n%2")
                          .arg(DisplayPath(file.toStdString()), ErrnoText(error)));
    }
    const std::string_view name = FileNamePart(std::string_view(file.constData(), file.size()));
    ShowNote(QStringLiteral("List saved to %1").arg(DisplayPath(name)));
}

}  // namespace corvane
