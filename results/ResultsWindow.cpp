#include "results/ResultsWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <cerrno>
#include <cstdio>

#include "catalogue/PathParts.h"
#include "platform/ErrnoText.h"
#include "results/ContentCheckTask.h"
#include "results/ResultsListView.h"
#include "search/RowExport.h"
#include "search/RowFormat.h"
#include "search/SearchTexts.h"
#include "widgets/HoverPointer.h"
#include "widgets/ImageButton.h"
#include "widgets/SvgPicture.h"
#include "widgets/Twips.h"

namespace corvane {

namespace {

const QString kProductName = QStringLiteral("Corvane");
constexpr int kContentTwips = 1200;  // "Unreadable" in the list's font

TrashPrompts MessageBoxPrompts(QWidget* parent) {
    return TrashPrompts{[parent](const QString& title, const QString& text, bool yesByDefault) {
                            return QMessageBox::question(
                                       parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                       yesByDefault ? QMessageBox::Yes : QMessageBox::No) ==
                                   QMessageBox::Yes;
                        },
                        [parent](const QString& title, const QString& text) {
                            QMessageBox::warning(parent, title, text);
                        }};
}

}  // namespace

ResultsWindow::ResultsWindow(std::optional<QCursor> hoverPointer, QWidget* parent)
    : QWidget(parent, Qt::Window),
      trash_(std::make_unique<DesktopTrash>()),
      prompts_(MessageBoxPrompts(this)),
      closeAction_([] { QCoreApplication::quit(); }),
      desktop_(Desktop::System()) {
    setWindowTitle(kProductName);
    setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);

    banner_ = new SvgPicture(QStringLiteral(":/corvane/banner.svg"), this);
    banner_->setCursor(Qt::ArrowCursor);
    backButton_ = MakeFaceButton("back-to-main", QStringLiteral("Back to Main"), this);
    sendButton_ = MakeFaceButton("send-to-recycling", QStringLiteral("Send to Recycling"), this);
    uncheckButton_ = MakeFaceButton("uncheck-all", QStringLiteral("Uncheck All"), this);
    backButton_->setObjectName(QStringLiteral("backButton"));
    sendButton_->setObjectName(QStringLiteral("sendButton"));
    uncheckButton_->setObjectName(QStringLiteral("uncheckButton"));
    sendButton_->setToolTip(QStringLiteral("Delete checked files."));
    uncheckButton_->setToolTip(QStringLiteral("Clear out all checkmarks."));

    list_ = new ResultsListView(this);
    list_->setObjectName(QStringLiteral("resultsList"));
    list_->setModel(&model_);
    list_->setFont(QFont(QStringLiteral("Liberation Sans"), 9, QFont::Bold));
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);  // what keeps 100,000 rows quick
    list_->setSortingEnabled(false);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setAllColumnsShowFocus(true);
    list_->setTextElideMode(Qt::ElideMiddle);  // a long path keeps its file name in view
    list_->header()->setSectionsClickable(false);
    list_->header()->setSectionsMovable(false);
    list_->header()->setStretchLastSection(false);
    list_->header()->setMinimumSectionSize(0);
    list_->setColumnHidden(ResultsModel::ContentColumn, true);  // until a content check

    PlaceInTwips(banner_, -60, -60, 4740, 1380);
    PlaceInTwips(backButton_, 4680, 120, 2055, 1095);
    PlaceInTwips(sendButton_, 6840, 120, 2175, 1095);
    PlaceInTwips(uncheckButton_, 9120, 120, 2175, 1095);
    PlaceInTwips(list_, 120, 1320, 10095, 4455);

    const QCursor hover = HoverPointerOrHand(hoverPointer);
    for (QWidget* widget : {static_cast<QWidget*>(backButton_), static_cast<QWidget*>(sendButton_),
                            static_cast<QWidget*>(uncheckButton_), static_cast<QWidget*>(list_),
                            list_->viewport(), static_cast<QWidget*>(list_->header())}) {
        widget->setCursor(hover);
    }

    connect(sendButton_, &ImageButton::activated, this, &ResultsWindow::SendTickedToTrash);
    connect(backButton_, &ImageButton::activated, this, &ResultsWindow::BackToMain);
    connect(uncheckButton_, &ImageButton::activated, this, &ResultsWindow::UncheckAll);
    BuildCommands();

    // The designed client area; a search gives the window the main window's place.
    resize(PixelsFromTwips(12450), PixelsFromTwips(7230));
}

ResultsWindow::~ResultsWindow() = default;

void ResultsWindow::ShowInPlaceOf(QWidget* mainWindow) {
    mainWindow_ = mainWindow;
    // Both are plain top-level windows with the same frame, so equal client
    // sizes give equal outer sizes; pos() is the frame's corner.
    resize(mainWindow->size());
    move(mainWindow->pos());
    setWindowState(mainWindow->windowState() &
                   (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    show();
    mainWindow->hide();
}

void ResultsWindow::SendTickedToTrash() {
    SendToTrash(model_, *trash_, prompts_);
}

void ResultsWindow::UndoLastSend() {
    if (!CanUndoLastSend(*trash_)) {
        prompts_.tell(kProductName, UndoProblemText(UndoProblem::kNoBatch));
        return;
    }
    const UndoOutcome outcome = corvane::UndoLastSend(*trash_, prompts_);
    std::vector<FileId> back;
    for (const UndoResult& file : outcome.files) {
        if (file.restored) {
            back.push_back(file.stamp.id);
        }
    }
    model_.PutBack(back);
}

void ResultsWindow::UncheckAll() {
    model_.UncheckAll();
}

void ResultsWindow::BackToMain() {
    if (mainWindow_ == nullptr) {
        return;
    }
    mainWindow_->show();
    // Top and left, then height and width; the main window keeps its own state.
    const QPoint corner = pos();
    mainWindow_->move(corner);
    mainWindow_->resize(size());
    hide();
}

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
    menu_->addSeparator();
    AddCommand(QStringLiteral("Save list..."), QKeySequence::Save, &ResultsWindow::SaveList);
    undoAction_ = AddCommand(QStringLiteral("Undo last send"), QKeySequence::Undo,
                             &ResultsWindow::UndoLastSend);

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
        ++listGeneration_;
        checkTask_->Stop();
        list_->setColumnHidden(ResultsModel::ContentColumn, true);
        LayOutList();
    });

    checkTask_ = new ContentCheckTask(this);
    connect(checkTask_, &ContentCheckTask::progressed, this, [this](int percent) {
        checkPercent_ = percent;
        ShowSummary();
    });
    connect(checkTask_, &ContentCheckTask::finished, this, &ResultsWindow::ContentChecked);
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
    undoAction_->setEnabled(CanUndoLastSend(*trash_));  // the list may be empty by then
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
            kProductName,
            QStringLiteral("No program could open %1.").arg(DisplayPath(model_.RowAt(row).path)));
    }
}

void ResultsWindow::ShowRowInFolder(int row) {
    if (row < 0 || row >= model_.rowCount()) {
        return;
    }
    const QByteArray path = QByteArray::fromStdString(model_.RowAt(row).path);
    if (!desktop_.showInFolder(path)) {
        prompts_.tell(kProductName, QStringLiteral("No file manager could show %1.")
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
        model_.SetChecked(model_.RowsInFolderOf(row), true);
    }
}

void ResultsWindow::UntickGroupOfCurrentRow() {
    const int row = CurrentRow();
    if (row >= 0 && row < model_.rowCount()) {
        model_.SetChecked(model_.RowsInGroupOf(row), false);
    }
}

void ResultsWindow::TickAllButOne(KeepRule rule) {
    const std::vector<ResultRow> rows = model_.Rows();
    std::vector<RowContent> content;
    if (model_.HasContent()) {
        for (int r = 0; r < model_.rowCount(); ++r) {
            content.push_back(model_.ContentAt(r));
        }
    }
    const std::vector<bool> marked =
        MarkForTrash(rows, rule, model_.HasContent() ? &content : nullptr);
    std::vector<int> tick, untick;
    for (std::size_t r = 0; r < marked.size(); ++r) {
        (marked[r] ? tick : untick).push_back(static_cast<int>(r));
    }
    model_.SetChecked(untick, false);
    model_.SetChecked(tick, true);
}

void ResultsWindow::CheckContents() {
    if (checkTask_->Running() || model_.rowCount() == 0) {
        return;
    }
    checkPercent_ = 0;
    checkGeneration_ = listGeneration_;
    stopCheckAction_->setEnabled(true);
    checkTask_->Start(model_.Rows());
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
    if (checkGeneration_ != listGeneration_) {
        ShowSummary();
        return;
    }
    model_.SetContent(checkTask_->CheckedRows(), checkTask_->Result().rows);
    list_->setColumnHidden(ResultsModel::ContentColumn, false);
    LayOutList();
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
    const std::vector<ResultRow> rows = model_.Rows();
    std::vector<RowContent> content;
    RowExtras extras;
    if (model_.HasContent()) {
        for (int r = 0; r < model_.rowCount(); ++r) {
            content.push_back(model_.ContentAt(r));
        }
        extras.content = &content;
    }
    std::FILE* out = std::fopen(file.constData(), "wb");
    int error = out == nullptr ? errno : 0;
    if (out != nullptr) {
        (file.endsWith(".json") ? WriteJson : WriteTsv)(rows, out, extras);
        const bool written = std::ferror(out) == 0;
        if (std::fclose(out) != 0 || !written) {
            error = errno != 0 ? errno : EIO;
        }
    }
    if (error != 0) {
        prompts_.tell(kProductName, QStringLiteral("The list could not be saved to %1:\n%2")
                                        .arg(DisplayPath(file.toStdString()), ErrnoText(error)));
    }
}

void ResultsWindow::ShowSummary() {
    if (checkTask_ != nullptr && checkTask_->Running()) {
        setWindowTitle(kProductName +
                       QStringLiteral(" [Checking contents: %1%]").arg(checkPercent_));
        return;
    }
    const QLocale locale = QLocale::system();
    const auto count = [&](std::size_t n) { return locale.toString(static_cast<qulonglong>(n)); };
    if (model_.rowCount() == 0) {
        setWindowTitle(kProductName);
        return;
    }
    QString summary =
        QStringLiteral("%1 files in %2 groups")
            .arg(count(static_cast<std::size_t>(model_.rowCount())), count(model_.GroupCount()));
    if (model_.CheckedCount() > 0) {
        const QString size = SizeText(model_.CheckedBytes(), locale);
        summary += QStringLiteral("; %1 ticked, %2")
                       .arg(count(model_.CheckedCount()),
                            size.isEmpty() ? QStringLiteral("0 Bytes") : size);
    }
    setWindowTitle(kProductName + QStringLiteral(" [") + summary + QLatin1Char(']'));
}

void ResultsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutList();
}

void ResultsWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The window manager's frame is known only after the first show, and the
    // rules measure the outer size, so lay out again once it has arrived.
    LayOutList();
}

// Six assignments, each skipped on its own when its value would be negative
// (a minimised or very small window); the buttons and banner never move.
void ResultsWindow::LayOutList() {
    const QSize outer = frameGeometry().size();
    const int listWidth = PixelsFromTwips(TwipsFromPixels(outer.width()) - 360);
    if (listWidth >= 0) {
        list_->resize(listWidth, list_->height());
    }
    const int listHeight = PixelsFromTwips(TwipsFromPixels(outer.height()) - 1900);
    if (listHeight >= 0) {
        list_->resize(list_->width(), listHeight);
    }
    QHeaderView* header = list_->header();
    // The Content column, once shown, takes its width from the Filename column.
    const int contentTwips = list_->isColumnHidden(ResultsModel::ContentColumn) ? 0 : kContentTwips;
    const int filenameWidth =
        PixelsFromTwips(TwipsFromPixels(list_->width()) - 4500 - contentTwips);
    if (filenameWidth >= 0) {
        header->resizeSection(ResultsModel::FilenameColumn, filenameWidth);
    }
    header->resizeSection(ResultsModel::SizeColumn, PixelsFromTwips(1100));
    header->resizeSection(ResultsModel::ModifiedColumn, PixelsFromTwips(2300));
    header->resizeSection(ResultsModel::TypeColumn, PixelsFromTwips(700));
    header->resizeSection(ResultsModel::ContentColumn, PixelsFromTwips(kContentTwips));
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closeAction_) {
        closeAction_();
    }
}

}  // namespace corvane
