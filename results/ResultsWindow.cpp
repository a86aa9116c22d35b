#include "results/ResultsWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLocale>
#include <QTimer>

#include "actions/RowFormat.h"
#include "actions/SearchTexts.h"
#include "actions/SendTexts.h"
#include "catalogue/PathParts.h"
#include "results/ContentCheckTask.h"
#include "results/ResultsListView.h"
#include "results/TrashTask.h"
#include "widgets/CaptionNote.h"
#include "widgets/HoverPointer.h"
#include "widgets/ImageButton.h"
#include "widgets/SvgPicture.h"
#include "widgets/Twips.h"
#include "widgets/WindowPlacement.h"

namespace corvane {

namespace {

constexpr int kContentTwips = 1200;  // "Unreadable" in the list's font
// The smallest client area, in twips: the buttons' faces whole (the main
// window's designed width, so the two can swap places) and a few rows.
constexpr int kMinimumWidth = 11250;
constexpr int kMinimumHeight = 4200;

}  // namespace

ResultsWindow::ResultsWindow(std::optional<QCursor> hoverPointer, QWidget* parent)
    : QWidget(parent, Qt::Window),
      trash_(std::make_unique<DesktopTrash>()),
      prompts_(Prompts::MessageBoxes(PromptIcons::kStandard)),
      closeAction_([] { QCoreApplication::quit(); }),
      desktop_(Desktop::System()) {
    setWindowTitle(ProductCaption());
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
    backButton_->setToolTip(
        QStringLiteral("Back to the folder list; these results stay until the next search."));
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
    connect(uncheckButton_, &ImageButton::activated, this, &ResultsWindow::UntickAll);
    BuildCommands();

    // The designed client area; a search gives the window the main window's place.
    resize(PixelsFromTwips(12450), PixelsFromTwips(7230));
    setMinimumSize(PixelsFromTwips(kMinimumWidth), PixelsFromTwips(kMinimumHeight));
}

ResultsWindow::~ResultsWindow() {
    // A running send or undo uses the trash, which goes before the window's children.
    delete trashTask_;
}

void ResultsWindow::ShowInPlaceOf(QWidget* mainWindow) {
    mainWindow_ = mainWindow;
    // Both are plain top-level windows with the same frame, so equal client
    // sizes give equal outer sizes; pos() is the frame's corner.
    resize(mainWindow->size());
    move(mainWindow->pos());
    setWindowState(mainWindow->windowState() &
                   (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    KeepOnScreens(this, AvailableScreens());
    show();
    mainWindow->hide();
}

void ResultsWindow::ShowNote(const QString& note) {
    QWidget* window = isVisible() || mainWindow_ == nullptr ? this : mainWindow_;
    CaptionNote::Of(window).Show(ProductCaption() + QStringLiteral(" [") + note + QLatin1Char(']'));
}

void ResultsWindow::NoteSent(std::size_t files) {
    ShowNote((files == 1 ? QStringLiteral("1 file sent to the trash")
                         : QStringLiteral("%1 files sent to the trash"))
                 .arg(QLocale::system().toString(static_cast<qulonglong>(files))));
}

void ResultsWindow::NoteUndone(std::size_t files) {
    ShowNote((files == 1 ? QStringLiteral("1 file put back from the trash")
                         : QStringLiteral("%1 files put back from the trash"))
                 .arg(QLocale::system().toString(static_cast<qulonglong>(files))));
}

bool ResultsWindow::CanUndo() {
    return trash_->HasBatchToUndo();
}

void ResultsWindow::UntickAll() {
    model_.UntickAll();
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

void ResultsWindow::ShowSummary() {
    // Ticking rows one by one asks for a summary per row: the caption is
    // written once, after the last of them.
    if (!summaryPending_) {
        summaryPending_ = true;
        QTimer::singleShot(0, this, &ResultsWindow::WriteSummary);
    }
}

void ResultsWindow::WriteSummary() {
    summaryPending_ = false;
    CaptionNote& caption = CaptionNote::Of(this);
    if (checkTask_ != nullptr && checkTask_->Running()) {
        caption.SetCaption(ProductCaption() +
                           QStringLiteral(" [Checking contents: %1%]").arg(checkPercent_));
        return;
    }
    if (trashTask_ != nullptr && trashTask_->Running()) {
        caption.SetCaption(ProductCaption() + (trashTask_->CurrentJob() == TrashTask::Job::kSend
                                                   ? SendingCaption(trashPercent_)
                                                   : UndoingCaption(trashPercent_)));
        return;
    }
    const QLocale locale = QLocale::system();
    const auto count = [&](std::size_t n) { return locale.toString(static_cast<qulonglong>(n)); };
    if (model_.rowCount() == 0) {
        caption.SetCaption(ProductCaption());
        return;
    }
    const auto files = static_cast<std::size_t>(model_.rowCount());
    const std::size_t groups = model_.GroupCount();
    QString summary =
        (files == 1 ? QStringLiteral("%1 file in ") : QStringLiteral("%1 files in "))
            .arg(count(files)) +
        (groups == 1 ? QStringLiteral("%1 group") : QStringLiteral("%1 groups")).arg(count(groups));
    if (model_.TickedCount() > 0) {
        const QString size = SizeText(model_.TickedBytes(), locale);
        summary += QStringLiteral("; %1 ticked, %2")
                       .arg(count(model_.TickedCount()),
                            size.isEmpty() ? QStringLiteral("0 Bytes") : size);
    }
    caption.SetCaption(ProductCaption() + QStringLiteral(" [") + summary + QLatin1Char(']'));
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
