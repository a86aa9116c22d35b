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
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>
#include <QTimer>

#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"
#include "platform/ProductName.h"
#include "platform/SettingsStore.h"
#include "shell/FolderDrop.h"
#include "shell/FolderListModel.h"
#include "shell/FolderListView.h"
#include "shell/StoredSettings.h"
#include "widgets/CaptionNote.h"
#include "widgets/HoverPointer.h"
#include "widgets/ImageButton.h"
#include "widgets/SvgPicture.h"
#include "widgets/Twips.h"
#include "widgets/WindowPlacement.h"

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
    desktop.availableScreens = AvailableScreens;
    desktop.chooseFolder = ChooseFolders;
    desktop.chooseList = [](QWidget* owner) {
        return QFile::encodeName(QFileDialog::getOpenFileName(
            owner, QStringLiteral("Open a saved result list"), QDir::homePath(),
            QStringLiteral("Result lists (*.tsv *.json);;All files (*)")));
    };
    desktop.prompts = Prompts::MessageBoxes(PromptIcons::kNone);
    return desktop;
}

MainWindow::MainWindow(SettingsStore& store, MainWindowDesktop desktop, QWidget* parent)
    : QWidget(parent), store_(store), desktop_(std::move(desktop)) {
    CaptionNote::Of(this).SetCaption(ProductCaption());
    setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, kGreyText);
    setPalette(palette);
    setAutoFillBackground(true);

    BuildControls();
    SetFocusOrder();
    resize(PixelsFromTwips(kInitialClientWidth), PixelsFromTwips(kInitialClientHeight));
    setMinimumSize(PixelsFromTwips(kMinimumClientWidth), PixelsFromTwips(kMinimumClientHeight));
    StartUp();
}

MainWindow::~MainWindow() = default;

void MainWindow::BuildControls() {
    banner_ = new SvgPicture(QStringLiteral(":/corvane/banner.svg"), this);
    banner_->setObjectName(QStringLiteral("banner"));
    PlaceInTwips(banner_, -60, -60, 4740, 1380);
    BuildButtons();
    BuildOptions();
    AddSameContentsBox();
    BuildFolderList();
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    PlaceInTwips(progressBar_, 360, 4920, 3015, 375);
    StyleControls();
    ConnectControls();
    BuildCommands();

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

// The picture buttons, in the window's stacking order; Stop Find starts hidden.
void MainWindow::BuildButtons() {
    struct Face {
        const char* stem;   // the faces' resource names
        const char* words;  // what the picture says
        const char* name;
        QRect twips;
        ImageButton* MainWindow::*button;
        const char* tip;
    };
    static const Face kFaces[] = {
        {"add-folder",
         "Add Folder",
         "addFolderButton",
         {4680, 120, 1455, 1095},
         &MainWindow::addFolderButton_,
         "Choose folders to add to the list."},
        {"find-dupes",
         "Find Dupes",
         "findButton",
         {6240, 120, 1455, 1095},
         &MainWindow::findButton_,
         "Search the listed folders for duplicates."},
        {"clear-list",
         "Clear List",
         "clearListButton",
         {7800, 120, 1455, 1095},
         &MainWindow::clearListButton_,
         "Remove every folder from the list."},
        {"stop-find",
         "Stop Find",
         "stopButton",
         {9000, 1440, 1695, 1095},
         &MainWindow::stopButton_,
         "Stop the search."},
    };
    for (const Face& face : kFaces) {
        ImageButton* button = MakeFaceButton(face.stem, QString::fromLatin1(face.words), this);
        button->setObjectName(QLatin1String(face.name));
        PlaceInTwips(button, face.twips.x(), face.twips.y(), face.twips.width(),
                     face.twips.height());
        button->setToolTip(QString::fromLatin1(face.tip));
        this->*face.button = button;
    }
    stopButton_->hide();
}

// Exact Matches, Close Matches, the slider and its two end labels.
void MainWindow::BuildOptions() {
    struct Box {
        const char* text;
        const char* name;
        QRect twips;
        QCheckBox* MainWindow::*box;
        const char* tip;
    };
    static const Box kBoxes[] = {
        {"Exact Matches",
         "exactBox",
         {9360, 120, 1575, 255},
         &MainWindow::exactBox_,
         "Exact Matches: files with the same name. Their contents are not compared; \"Check "
         "contents\" in the results does that."},
        {"Close Matches",
         "closeBox",
         {9360, 480, 1695, 255},
         &MainWindow::closeBox_,
         "Close Matches: files of the same size whose names share most of their words."},
    };
    for (const Box& design : kBoxes) {
        auto* box = new QCheckBox(QString::fromLatin1(design.text), this);
        box->setObjectName(QLatin1String(design.name));
        PlaceInTwips(box, design.twips.x(), design.twips.y(), design.twips.width(),
                     design.twips.height());
        box->setToolTip(QString::fromLatin1(design.tip));
        this->*design.box = box;
    }
    BuildSlider();
}

void MainWindow::BuildSlider() {
    strictnessSlider_ = new QSlider(Qt::Horizontal, this);
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

    struct Label {
        const char* text;
        const char* name;
        QRect twips;
        QLabel* MainWindow::*label;
        Qt::Alignment alignment;
    };
    static const Label kLabels[] = {
        {"Many",
         "manyLabel",
         {9360, 1005, 615, 255},
         &MainWindow::manyLabel_,
         Qt::AlignLeft | Qt::AlignTop},
        {"Few",
         "fewLabel",
         {10680, 1005, 495, 255},
         &MainWindow::fewLabel_,
         Qt::AlignRight | Qt::AlignTop},
    };
    for (const Label& design : kLabels) {
        auto* label = new QLabel(QString::fromLatin1(design.text), this);
        label->setObjectName(QLatin1String(design.name));
        PlaceInTwips(label, design.twips.x(), design.twips.y(), design.twips.width(),
                     design.twips.height());
        label->setAlignment(design.alignment);
        this->*design.label = label;
    }
}

void MainWindow::BuildFolderList() {
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
}

// Grey bold labels on white; the list's rows in plain dark text.
void MainWindow::StyleControls() {
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
}

void MainWindow::ConnectControls() {
    connect(addFolderButton_, &ImageButton::activated, this, &MainWindow::AddFolder);
    connect(findButton_, &ImageButton::activated, this, &MainWindow::findDupesRequested);
    connect(clearListButton_, &ImageButton::activated, this, &MainWindow::ClearList);
    connect(stopButton_, &ImageButton::activated, this, &MainWindow::StopFindPressed);
    connect(exactBox_, &QCheckBox::toggled, this, &MainWindow::ExactMatchesChanged);
    connect(closeBox_, &QCheckBox::toggled, this, &MainWindow::CloseMatchesChanged);
    connect(strictnessSlider_, &QSlider::valueChanged, this, &MainWindow::SliderChanged);
    connect(folderList_, &FolderListView::urlsDropped, this, &MainWindow::AddDroppedUrls);
}

// Beyond the designed controls: the folder list's context menu, Ctrl+Z and
// Ctrl+Q, so the designed layout never moves.
void MainWindow::BuildCommands() {
    folderMenu_ = new QMenu(this);
    folderMenu_->addAction(QStringLiteral("Add Folder..."), this, &MainWindow::AddFolder);
    // The menu names the keys; the keys themselves work without it.
    const auto withKey = [](const char* text, QKeySequence::StandardKey key) {
        return QString::fromLatin1(text) + QLatin1Char('\t') +
               QKeySequence(key).toString(QKeySequence::NativeText);
    };
    removeAction_ = folderMenu_->addAction(withKey("Remove", QKeySequence::Delete), folderList_,
                                           &FolderListView::DeleteSelectedRows);
    protectAction_ = folderMenu_->addAction(QStringLiteral("Protect files in this folder"), this,
                                            &MainWindow::ToggleProtection);
    protectAction_->setCheckable(true);
    folderMenu_->addSeparator();
    folderMenu_->addAction(QStringLiteral("Open list..."), this, &MainWindow::OpenList);
    undoAction_ = folderMenu_->addAction(withKey("Undo last send", QKeySequence::Undo), this,
                                         &MainWindow::undoLastSendRequested);
    // Ctrl+Q spelled out: some platforms' key schemes have no Quit key.
    const std::pair<QKeySequence, void (MainWindow::*)()> keys[] = {
        {QKeySequence(QKeySequence::Undo), &MainWindow::undoLastSendRequested},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), &MainWindow::CloseWindow},
    };
    for (const auto& [key, command] : keys) {
        auto* action = new QAction(this);
        action->setShortcut(key);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        connect(action, &QAction::triggered, this, command);
    }

    folderList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(folderList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        FolderMenu(folderList_->indexAt(at).row())->popup(folderList_->viewport()->mapToGlobal(at));
    });
    connect(folderMenu_, &QMenu::aboutToHide, this, [this] {
        // Triggered actions run before the menu's row is forgotten.
        QTimer::singleShot(0, this, [this] { menuRow_ = -1; });
    });
}

void MainWindow::SetFocusOrder() {
    setTabOrder(addFolderButton_, findButton_);
    setTabOrder(findButton_, clearListButton_);
    setTabOrder(clearListButton_, folderList_);
    setTabOrder(folderList_, exactBox_);
    setTabOrder(exactBox_, closeBox_);
    setTabOrder(closeBox_, strictnessSlider_);
    setTabOrder(strictnessSlider_, sameBox_);
    setTabOrder(sameBox_, stopButton_);
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
    RestoreFolderList();
    // 9, 10. State, then width and height. A minimised window no longer
    //    takes a size, so it is minimised once its size is set.
    const bool minimised = ApplyStoredState() == StoredWindowState::Minimised;
    ApplyStoredSize();
    // A size stored on a larger screen, or a corner off every screen, would
    // leave part of the window out of reach.
    if (desktop_.availableScreens) {
        KeepOnScreens(this, desktop_.availableScreens());
    }
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
    // A fresh install finds identical files at once.
    const QString same = store_.Read(keys::SameContents);
    sameBox_->setChecked(same.isEmpty() || CheckedFromText(same));
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
        case QEvent::WindowActivate:
            folderModel_->RecheckMissing();
            CorrectForFrame();
            break;
        case QEvent::Move:
        case QEvent::Show:
        case QEvent::UpdateRequest:
            CorrectForFrame();
            break;
        default:
            break;
    }
    return handled;
}

void MainWindow::CloseWindow() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    SaveFolderList();
    emit closed();
}

void MainWindow::WatchPointer(QWidget* widget) {
    widget->installEventFilter(this);
}

MainWindow::Pointer MainWindow::PointerOver(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == findButton_ || w == addFolderButton_ || w == clearListButton_ ||
            w == stopButton_ || w == exactBox_ || w == closeBox_ || w == sameBox_ ||
            w == strictnessSlider_ || w == folderList_) {
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
    for (ListedFolder& folder : folderModel_->Folders()) {
        paths.push_back(std::move(folder.path));
    }
    return paths;
}

std::vector<ListedFolder> MainWindow::Folders() const {
    return folderModel_->Folders();
}

SearchOptions MainWindow::Options() const {
    return {exactBox_->isChecked(), closeBox_->isChecked(), strictnessSlider_->value(),
            sameBox_->isChecked()};
}

void MainWindow::SetCaption(const QString& caption) {
    CaptionNote::Of(this).SetCaption(caption);
}

void MainWindow::ShowNote(const QString& note) {
    CaptionNote::Of(this).Show(ProductCaption() + QStringLiteral(" [") + note + QLatin1Char(']'));
}

void MainWindow::SetProgress(int percent) {
    progressBar_->setValue(std::clamp(percent, 0, 100));
}

void MainWindow::ShowSearchRunning(bool running) {
    stopButton_->setVisible(running);
    findButton_->setVisible(!running);
    if (running) {
        stopButton_->raise();
        CaptionNote::Of(this).Clear();  // the search's progress takes the caption
    }
}

void MainWindow::AddFolder() {
    if (!desktop_.chooseFolder) {
        return;
    }
    std::vector<QByteArray> rows;
    for (const QByteArray& chosen : desktop_.chooseFolder(this, kAddFolderTitle)) {
        const std::string_view row =
            WithoutTrailingSlash(std::string_view(chosen.constData(), chosen.size()));
        if (!row.empty()) {
            rows.emplace_back(row.data(), static_cast<qsizetype>(row.size()));
        }
    }
    AddFolders(rows);
}

void MainWindow::AddFolders(const std::vector<QByteArray>& rows, bool tell) {
    QStringList notes;
    for (const QByteArray& row : rows) {
        const std::string path = row.toStdString();
        const FolderOverlap overlap = FindOverlap(folderModel_->Folders(), path);
        if (overlap.kind != Overlap::Same) {
            folderModel_->Append(row);
        }
        const QString note = OverlapText(path, overlap);
        if (!note.isEmpty() && !notes.contains(note)) {
            notes << note;
        }
    }
    if (tell && !notes.isEmpty() && desktop_.prompts.tell) {
        desktop_.prompts.tell(this, ProductCaption(), notes.join(QLatin1Char('\n')));
    }
}

void MainWindow::RestoreFolderList() {
    folderModel_->SetFolders(FolderListFromText(store_.Read(keys::FolderList)));
}

void MainWindow::SaveFolderList() {
    store_.Write(keys::FolderList, FolderListText(folderModel_->Folders()));
}

QMenu* MainWindow::FolderMenu(int row) {
    menuRow_ = row;
    const bool onRow = row >= 0 && row < folderModel_->rowCount();
    QItemSelectionModel* selection = folderList_->selectionModel();
    if (onRow && !selection->isRowSelected(row, {})) {
        folderList_->setCurrentIndex(folderModel_->index(row));
    }
    removeAction_->setEnabled(selection->hasSelection());
    protectAction_->setEnabled(onRow);
    protectAction_->setChecked(
        onRow && folderModel_->index(row).data(FolderListModel::ProtectedRole).toBool());
    undoAction_->setEnabled(canUndo_ && canUndo_());
    return folderMenu_;
}

// The row the menu was opened on, and the other selected rows with it, take
// the mark that row did not have.
void MainWindow::ToggleProtection() {
    const int row = menuRow_ >= 0 ? menuRow_ : folderList_->currentIndex().row();
    if (row < 0 || row >= folderModel_->rowCount()) {
        return;
    }
    const bool mark = !folderModel_->index(row).data(FolderListModel::ProtectedRole).toBool();
    QItemSelectionModel* selection = folderList_->selectionModel();
    if (!selection->isRowSelected(row, {})) {
        folderModel_->SetProtected(row, mark);
        return;
    }
    for (const QModelIndex& selected : selection->selectedRows()) {
        folderModel_->SetProtected(selected.row(), mark);
    }
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
    AddFolders(drop.rows);
    if (drop.failed && desktop_.prompts.tell) {
        desktop_.prompts.tell(this, kDropErrorTitle, kDropErrorText);
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

// Beyond the designed controls: a third option box in the free strip at the
// right end of the frame caption's row, in the option boxes' font, colours
// and column, clear of the frame's line. It starts ticked (StartUp).
void MainWindow::AddSameContentsBox() {
    sameBox_ = new QCheckBox(QStringLiteral("Same Contents"), this);
    sameBox_->setObjectName(QStringLiteral("sameBox"));
    sameBox_->setChecked(true);
    PlaceInTwips(sameBox_, 9360, 1305, 1695, 255);
    UseGreyText(sameBox_);
    sameBox_->setToolTip(
        QStringLiteral("Same Contents: files whose bytes are identical, whatever their names. "
                       "They are listed first, and the other options then look only at the "
                       "files left."));
    connect(sameBox_, &QCheckBox::toggled, this, &MainWindow::SameContentsChanged);
}

void MainWindow::SameContentsChanged() {
    store_.Write(keys::SameContents,
                 sameBox_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
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
