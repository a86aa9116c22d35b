#include "shell/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>

#include "catalogue/PathParts.h"
#include "platform/SettingsStore.h"
#include "shell/FolderDrop.h"
#include "shell/FolderListModel.h"
#include "shell/FolderListView.h"
#include "shell/StoredSettings.h"
#include "widgets/HoverPointer.h"
#include "widgets/ImageButton.h"
#include "widgets/SvgPicture.h"
#include "widgets/Twips.h"

namespace corvane {
namespace {

const QString kAddFolderTitle = QStringLiteral("Please select folder to add:");
const QString kDropErrorTitle = QStringLiteral("Error");
const QString kDropErrorText = QStringLiteral(
    "You can not drag and drop virtual folders like Trash or Network. Instead browse to the "
    "folder on disk, for example /home/your-name/Documents, or drag and drop subfolders within "
    "it");
const QColor kGreyText(128, 128, 128);

QFont LabelFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("sans-serif")});
    font.setPointSize(9);
    font.setBold(true);
    return font;
}

void UseGreyText(QWidget* widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, kGreyText);
    widget->setPalette(palette);
    widget->setFont(LabelFont());
}

}  // namespace

MainWindowDesktop MainWindowDesktop::System() {
    MainWindowDesktop desktop;
    desktop.workAreaWidth = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry().width() : 0;
    };
    desktop.screenSize = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().size() : QSize();
    };
    desktop.chooseFolder = ChooseFolder;
    desktop.chooseList = [](QWidget* owner) {
        return QFile::encodeName(QFileDialog::getOpenFileName(
            owner, QStringLiteral("Open a saved result list"), QDir::homePath(),
            QStringLiteral("Result lists (*.tsv *.json);;All files (*)")));
    };
    desktop.showMessage = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
        box.exec();
    };
    return desktop;
}

MainWindow::MainWindow(SettingsStore& store, MainWindowDesktop desktop, QWidget* parent)
    : QWidget(parent), store_(store), desktop_(std::move(desktop)) {
    setWindowTitle(QStringLiteral("Corvane"));
    setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, kGreyText);
    setPalette(palette);
    setAutoFillBackground(true);

    BuildControls();
    SetFocusOrder();
    resize(PixelsFromTwips(kInitialClientWidth), PixelsFromTwips(kInitialClientHeight));
    StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
    banner_ = new SvgPicture(QStringLiteral(":/corvane/banner.svg"), this);
    banner_->setObjectName(QStringLiteral("banner"));
    PlaceInTwips(banner_, -60, -60, 4740, 1380);

    addFolderButton_ = MakeFaceButton("add-folder", QStringLiteral("Add Folder"), this);
    addFolderButton_->setObjectName(QStringLiteral("addFolderButton"));
    PlaceInTwips(addFolderButton_, 4680, 120, 1455, 1095);
    findButton_ = MakeFaceButton("find-dupes", QStringLiteral("Find Dupes"), this);
    findButton_->setObjectName(QStringLiteral("findButton"));
    PlaceInTwips(findButton_, 6240, 120, 1455, 1095);
    clearListButton_ = MakeFaceButton("clear-list", QStringLiteral("Clear List"), this);
    clearListButton_->setObjectName(QStringLiteral("clearListButton"));
    PlaceInTwips(clearListButton_, 7800, 120, 1455, 1095);
    stopButton_ = MakeFaceButton("stop-find", QStringLiteral("Stop Find"), this);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    PlaceInTwips(stopButton_, 9000, 1440, 1695, 1095);
    stopButton_->hide();

    exactBox_ = new QCheckBox(QStringLiteral("Exact Matches"), this);
    exactBox_->setObjectName(QStringLiteral("exactBox"));
    PlaceInTwips(exactBox_, 9360, 120, 1575, 255);
    closeBox_ = new QCheckBox(QStringLiteral("Close Matches"), this);
    closeBox_->setObjectName(QStringLiteral("closeBox"));
    PlaceInTwips(closeBox_, 9360, 480, 1695, 255);

    strictnessSlider_ = new QSlider(Qt::Horizontal, this);
    exactBox_->setToolTip(
        QStringLiteral("Exact Matches: files with the same name. Their contents are not "
                       "compared; \"Check contents\" in the results does that."));
    closeBox_->setToolTip(QStringLiteral(
        "Close Matches: files of the same size whose names share most of their words."));
    strictnessSlider_->setObjectName(QStringLiteral("strictnessSlider"));
    strictnessSlider_->setToolTip(
        QStringLiteral("How many words two names must share for a close match: toward Many, "
                       "more pairs are listed; toward Few, only names alike in nearly every "
                       "word."));
    strictnessSlider_->setRange(0, 5);
    strictnessSlider_->setSingleStep(1);
    strictnessSlider_->setPageStep(1);
    strictnessSlider_->setTickPosition(QSlider::TicksBelow);
    strictnessSlider_->setTickInterval(1);
    strictnessSlider_->setValue(kInitialSliderValue);
    PlaceInTwips(strictnessSlider_, 9280, 750, 1695, 255);

    manyLabel_ = new QLabel(QStringLiteral("Many"), this);
    manyLabel_->setObjectName(QStringLiteral("manyLabel"));
    PlaceInTwips(manyLabel_, 9360, 1005, 615, 255);
    fewLabel_ = new QLabel(QStringLiteral("Few"), this);
    fewLabel_->setObjectName(QStringLiteral("fewLabel"));
    PlaceInTwips(fewLabel_, 10680, 1005, 495, 255);
    fewLabel_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    manyLabel_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    folderFrame_ = new QGroupBox(QStringLiteral("Folders to Find File Duplicates In:"), this);
    folderFrame_->setObjectName(QStringLiteral("folderFrame"));
    PlaceInTwips(folderFrame_, 120, 1320, 8535, 2295);
    folderModel_ = new FolderListModel(this);
    folderList_ = new FolderListView(folderFrame_);
    folderList_->setObjectName(QStringLiteral("folderList"));
    folderList_->setModel(folderModel_);
    PlaceInTwips(folderList_, 120, 240, 8295, 1695);
    folderList_->setToolTip(QStringLiteral("Drag and drop folders or click 'Add Folder' button.") +
                            QLatin1Char('\n') + UndecodableFolderHint());

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    PlaceInTwips(progressBar_, 360, 4920, 3015, 375);

    for (QWidget* widget : {static_cast<QWidget*>(exactBox_), static_cast<QWidget*>(closeBox_),
                            static_cast<QWidget*>(manyLabel_), static_cast<QWidget*>(fewLabel_),
                            static_cast<QWidget*>(folderFrame_)}) {
        UseGreyText(widget);
    }
    QFont listFont = LabelFont();
    listFont.setBold(false);
    folderList_->setFont(listFont);
    QPalette listPalette = folderList_->palette();
    listPalette.setColor(QPalette::WindowText, Qt::black);
    listPalette.setColor(QPalette::Text, QColor(0x1f, 0x29, 0x37));
    folderList_->setPalette(listPalette);

    connect(addFolderButton_, &ImageButton::activated, this, &MainWindow::AddFolder);
    connect(findButton_, &ImageButton::activated, this, &MainWindow::findDupesRequested);
    connect(clearListButton_, &ImageButton::activated, this, &MainWindow::ClearList);
    connect(stopButton_, &ImageButton::activated, this, &MainWindow::StopFindPressed);
    connect(exactBox_, &QCheckBox::toggled, this, &MainWindow::ExactMatchesChanged);
    connect(closeBox_, &QCheckBox::toggled, this, &MainWindow::CloseMatchesChanged);
    connect(strictnessSlider_, &QSlider::valueChanged, this, &MainWindow::SliderChanged);
    connect(folderList_, &FolderListView::urlsDropped, this, &MainWindow::AddDroppedUrls);
    // Beyond the designed controls: a saved result list opens from the
    // folder list's context menu.
    folderList_->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* openList = new QAction(QStringLiteral("Open list..."), folderList_);
    folderList_->addAction(openList);
    connect(openList, &QAction::triggered, this, &MainWindow::OpenList);

    // The pointer is one setting of the whole window, chosen by what the
    // mouse moves over; these elements see moves that reach no child.
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(folderFrame_),
                            static_cast<QWidget*>(banner_), static_cast<QWidget*>(manyLabel_),
                            static_cast<QWidget*>(fewLabel_)}) {
        widget->setMouseTracking(true);
    }
    WatchPointer(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        WatchPointer(child);
    }
}

void MainWindow::SetFocusOrder() {
    setTabOrder(addFolderButton_, findButton_);
    setTabOrder(findButton_, clearListButton_);
    setTabOrder(clearListButton_, folderList_);
    setTabOrder(folderList_, exactBox_);
    setTabOrder(exactBox_, closeBox_);
    setTabOrder(closeBox_, strictnessSlider_);
    setTabOrder(strictnessSlider_, stopButton_);
}

void MainWindow::StartUp() {
    // 1. Placed by the designed size; the stored size later keeps this corner.
    CenterForm();
    // 2. Stop Find covers Find Dupes while a search runs.
    stopButton_->move(findButton_->pos());
    // 3. The hover pointer.
    hoverCursor_ = HoverPointerOrHand(LoadHoverPointer());
    // 4. The slider.
    strictnessSlider_->setValue(SliderValueFromText(store_.Read(keys::SliderValue)));
    // 5. The slider sits on the window's own white, whatever the style paints.
    QPalette sliderPalette = strictnessSlider_->palette();
    sliderPalette.setColor(QPalette::Window, Qt::white);
    strictnessSlider_->setPalette(sliderPalette);
    strictnessSlider_->setAutoFillBackground(true);
    // 6. Slider and labels follow Close Matches.
    const bool close = closeBox_->isChecked();
    strictnessSlider_->setVisible(close);
    manyLabel_->setVisible(close);
    fewLabel_->setVisible(close);
    // 7. A small screen starts maximised; the resize rules save "2" at once,
    //    so step 9 keeps it maximised.
    if (desktop_.workAreaWidth && desktop_.workAreaWidth() <= 800) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    }
    // 8. The list's single column.
    folderModel_->SetHeading(QStringLiteral("Folder"));
    // 9, 10. State, then width and height. A minimised window no longer
    //    takes a size, so it is minimised once its size is set.
    const bool minimised = ApplyStoredState() == StoredWindowState::Minimised;
    ApplyStoredSize();
    if (minimised) {
        setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
    }
    // 11. The column is sized once, from the list's width at this moment.
    const int column = PixelsFromTwips(FolderColumnWidth(TwipsFromPixels(folderList_->width())));
    if (column > 0) {
        folderList_->setColumnWidth(0, column);
    }
    // 12, 13. The options, through their handlers like a user's change.
    exactBox_->setChecked(CheckedFromText(store_.Read(keys::ExactMatches)));
    closeBox_->setChecked(CheckedFromText(store_.Read(keys::CloseMatches)));
}

void MainWindow::CenterForm() {
    if (!desktop_.screenSize) {
        return;
    }
    const QSize screen = desktop_.screenSize() * kTwipsPerPixel;
    const QPoint corner = CenterFormPosition(screen, OuterTwips());
    move(PixelsFromTwips(corner.x()), PixelsFromTwips(corner.y()));
}

StoredWindowState MainWindow::ApplyStoredState() {
    const Qt::WindowStates others =
        windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
    const StoredWindowState state = WindowStateFromText(store_.Read(keys::WindowState));
    switch (state) {
        case StoredWindowState::Normal:
        case StoredWindowState::Minimised:  // minimised by the caller, after the size
            setWindowState(others);
            break;
        case StoredWindowState::Maximised:
            setWindowState(others | Qt::WindowMaximized);
            break;
    }
    return state;
}

void MainWindow::ApplyStoredSize() {
    // A maximised window stored the screen's size; as the normal size it
    // would leave nothing to restore to, so the designed size stays.
    if (!isMaximized()) {
        const auto width = TwipsFromText(store_.Read(keys::FormWidth));
        const auto height = TwipsFromText(store_.Read(keys::FormHeight));
        if (width) {
            SetOuterWidth(*width);
        }
        if (height) {
            SetOuterHeight(*height);
        }
        frameCorrectionPending_ = (width || height) && frameGeometry().size() == size();
    }
    // Lay out for the size the window now has, stored or designed.
    RunResizeRules();
}

void MainWindow::SetOuterWidth(int twips) {
    const int frame = frameGeometry().width() - width();
    const int client = PixelsFromTwips(twips) - frame;
    if (client >= 1) {
        resize(client, height());
        RunResizeRules();
    }
}

void MainWindow::SetOuterHeight(int twips) {
    const int frame = frameGeometry().height() - height();
    const int client = PixelsFromTwips(twips) - frame;
    if (client >= 1) {
        resize(width(), client);
        RunResizeRules();
    }
}

void MainWindow::CorrectForFrame() {
    if (!frameCorrectionPending_ || !isVisible() || windowState() != Qt::WindowNoState) {
        return;
    }
    const QSize frame = frameGeometry().size() - size();
    if (frame.isNull()) {
        return;
    }
    frameCorrectionPending_ = false;
    resize(size() - frame);
}

QSize MainWindow::OuterTwips() const {
    return frameGeometry().size() * kTwipsPerPixel;
}

void MainWindow::RunResizeRules() {
    if (!folderList_) {
        return;
    }
    MainGeometry current;
    current.listWidth = TwipsFromPixels(folderList_->width());
    current.listHeight = TwipsFromPixels(folderList_->height());
    current.frameWidth = TwipsFromPixels(folderFrame_->width());
    current.frameHeight = TwipsFromPixels(folderFrame_->height());
    current.barLeft = TwipsFromPixels(progressBar_->x());
    current.barWidth = TwipsFromPixels(progressBar_->width());
    current.barTop = TwipsFromPixels(progressBar_->y());
    const QSize outer = OuterTwips();
    const MainGeometry next = ApplyResizeRules(current, TwipsFromPixels(folderFrame_->x()), outer);
    folderList_->resize(PixelsFromTwips(next.listWidth), PixelsFromTwips(next.listHeight));
    folderFrame_->resize(PixelsFromTwips(next.frameWidth), PixelsFromTwips(next.frameHeight));
    progressBar_->setGeometry(PixelsFromTwips(next.barLeft), PixelsFromTwips(next.barTop),
                              PixelsFromTwips(next.barWidth), progressBar_->height());

    StoredWindowState state = StoredWindowState::Normal;
    if (isMinimized()) {
        state = StoredWindowState::Minimised;
    } else if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        state = StoredWindowState::Maximised;
    }
    store_.Write(keys::WindowState, TextFromWindowState(state));
    store_.Write(keys::FormHeight, QString::number(outer.height()));
    store_.Write(keys::FormWidth, QString::number(outer.width()));
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RunResizeRules();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        RunResizeRules();
    }
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::Move:
        case QEvent::Show:
        case QEvent::WindowActivate:
        case QEvent::UpdateRequest:
            CorrectForFrame();
            break;
        default:
            break;
    }
    return handled;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void MainWindow::WatchPointer(QWidget* widget) {
    widget->installEventFilter(this);
}

MainWindow::Pointer MainWindow::PointerOver(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == findButton_ || w == addFolderButton_ || w == clearListButton_ ||
            w == stopButton_ || w == exactBox_ || w == closeBox_ || w == strictnessSlider_ ||
            w == folderList_) {
            return Pointer::Hover;
        }
        if (w == progressBar_) {
            return Pointer::Keep;
        }
        if (w == folderFrame_ || w == banner_ || w == manyLabel_ || w == fewLabel_ || w == this) {
            return Pointer::Arrow;
        }
    }
    return Pointer::Keep;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    QPointF position;
    if (event->type() == QEvent::MouseMove) {
        position = static_cast<QMouseEvent*>(event)->position();
    } else if (event->type() == QEvent::Enter) {
        position = static_cast<QEnterEvent*>(event)->position();
    } else {
        return QWidget::eventFilter(watched, event);
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this) {
        QWidget* under = widget->childAt(position.toPoint());
        switch (PointerOver(under ? under : widget)) {
            case Pointer::Hover:
                setCursor(hoverCursor_);
                break;
            case Pointer::Arrow:
                setCursor(Qt::ArrowCursor);
                break;
            case Pointer::Keep:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

std::vector<std::string> MainWindow::FolderPaths() const {
    std::vector<std::string> paths;
    paths.reserve(folderModel_->Paths().size());
    for (const QByteArray& path : folderModel_->Paths()) {
        paths.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return paths;
}

SearchOptions MainWindow::Options() const {
    return {exactBox_->isChecked(), closeBox_->isChecked(), strictnessSlider_->value()};
}

void MainWindow::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void MainWindow::SetProgress(int percent) {
    progressBar_->setValue(std::clamp(percent, 0, 100));
}

void MainWindow::ShowSearchRunning(bool running) {
    stopButton_->setVisible(running);
    findButton_->setVisible(!running);
    if (running) {
        stopButton_->raise();
    }
}

void MainWindow::AddFolder() {
    if (!desktop_.chooseFolder) {
        return;
    }
    const QByteArray chosen = desktop_.chooseFolder(this, kAddFolderTitle);
    if (chosen.isEmpty()) {
        return;
    }

    const std::string_view row =
        WithoutTrailingSlash(std::string_view(chosen.constData(), chosen.size()));
    folderModel_->Append(QByteArray(row.data(), static_cast<qsizetype>(row.size())));
}

void MainWindow::OpenList() {
    if (!desktop_.chooseList) {
        return;
    }
    const QByteArray chosen = desktop_.chooseList(this);
    if (!chosen.isEmpty()) {
        emit openListRequested(chosen);
    }
}

void MainWindow::ClearList() {
    folderModel_->Clear();
}

void MainWindow::AddDroppedUrls(const QList<QUrl>& urls) {
    const DropRows drop = RowsFromDrop(urls);
    for (const QByteArray& row : drop.rows) {
        folderModel_->Append(row);
    }
    if (drop.failed && desktop_.showMessage) {
        desktop_.showMessage(this, kDropErrorTitle, kDropErrorText);
    }
}

void MainWindow::ExactMatchesChanged() {
    store_.Write(keys::ExactMatches,
                 exactBox_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    emit optionsChanged();
}

void MainWindow::CloseMatchesChanged() {
    store_.Write(keys::CloseMatches,
                 closeBox_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    const bool close = closeBox_->isChecked();
    strictnessSlider_->setVisible(close);
    manyLabel_->setVisible(close);
    fewLabel_->setVisible(close);
    emit optionsChanged();
}

void MainWindow::SliderChanged() {
    store_.Write(keys::SliderValue, QString::number(strictnessSlider_->value()));
    emit optionsChanged();
}

void MainWindow::StopFindPressed() {
    store_.Write(keys::Stop, BoolText(true));
    emit stopFindPressed();
}

}  // namespace corvane
