#include "shell/Form1.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEnterEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QSlider>

#include "platform/SettingsStore.h"
#include "shell/FolderDrop.h"
#include "shell/FolderListModel.h"
#include "shell/FolderListView.h"
#include "shell/HoverPointer.h"
#include "shell/ImageButton.h"
#include "shell/StoredSettings.h"
#include "shell/SvgPicture.h"
#include "shell/Twips.h"

namespace corvane {
namespace {

const QString kAddFolderTitle = QStringLiteral("Please select folder to add:");
const QString kDropErrorTitle = QStringLiteral("Error");
const QString kDropErrorText = QStringLiteral(
    "You can not drag and drop virtual folders like Trash or Network. Instead browse to the "
    "folder on disk, for example /home/your-name/Documents, or drag and drop subfolders within "
    "it");
const QColor kGreyText(128, 128, 128);

// Places a control by its designed twips.
void Place(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(PixelsFromTwips(left), PixelsFromTwips(top), PixelsFromTwips(width),
                        PixelsFromTwips(height));
}

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

ImageButton* MakeButton(const char* stem, const QString& name, QWidget* parent) {
    const QString face = QStringLiteral(":/corvane/buttons/%1").arg(QLatin1String(stem));
    auto* button = new ImageButton(face + QStringLiteral(".svg"),
                                   face + QStringLiteral("-pressed.svg"), parent);
    button->setAccessibleName(name);  // the picture's words, for screen readers
    return button;
}

}  // namespace

Form1Desktop Form1Desktop::System() {
    Form1Desktop desktop;
    desktop.workAreaWidth = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->availableGeometry().width() : 0;
    };
    desktop.screenSize = [] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? screen->geometry().size() : QSize();
    };
    desktop.chooseFolder = ChooseFolder;
    desktop.showMessage = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
        box.exec();
    };
    return desktop;
}

Form1::Form1(SettingsStore& store, Form1Desktop desktop, QWidget* parent)
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

Form1::~Form1() = default;

void Form1::BuildControls() {
    image6_ = new SvgPicture(QStringLiteral(":/corvane/banner.svg"), this);
    image6_->setObjectName(QStringLiteral("Image6"));
    Place(image6_, -60, -60, 4740, 1380);

    check2_ = MakeButton("add-folder", QStringLiteral("Add Folder"), this);
    check2_->setObjectName(QStringLiteral("Check2"));
    Place(check2_, 4680, 120, 1455, 1095);
    check1_ = MakeButton("find-dupes", QStringLiteral("Find Dupes"), this);
    check1_->setObjectName(QStringLiteral("Check1"));
    Place(check1_, 6240, 120, 1455, 1095);
    check3_ = MakeButton("clear-list", QStringLiteral("Clear List"), this);
    check3_->setObjectName(QStringLiteral("Check3"));
    Place(check3_, 7800, 120, 1455, 1095);
    check6_ = MakeButton("stop-find", QStringLiteral("Stop Find"), this);
    check6_->setObjectName(QStringLiteral("Check6"));
    Place(check6_, 9000, 1440, 1695, 1095);
    check6_->hide();

    check4_ = new QCheckBox(QStringLiteral("Exact Matches"), this);
    check4_->setObjectName(QStringLiteral("Check4"));
    Place(check4_, 9360, 120, 1575, 255);
    check5_ = new QCheckBox(QStringLiteral("Close Matches"), this);
    check5_->setObjectName(QStringLiteral("Check5"));
    Place(check5_, 9360, 480, 1695, 255);

    slider1_ = new QSlider(Qt::Horizontal, this);
    slider1_->setObjectName(QStringLiteral("Slider1"));
    slider1_->setRange(0, 5);
    slider1_->setSingleStep(1);
    slider1_->setPageStep(1);
    slider1_->setTickPosition(QSlider::TicksBelow);
    slider1_->setTickInterval(1);
    slider1_->setValue(kInitialSliderValue);
    Place(slider1_, 9280, 750, 1695, 255);

    label1_ = new QLabel(QStringLiteral("Many"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    Place(label1_, 9360, 1005, 615, 255);
    label2_ = new QLabel(QStringLiteral("Few"), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    Place(label2_, 10680, 1005, 495, 255);
    label2_->setAlignment(Qt::AlignRight | Qt::AlignTop);
    label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    frame2_ = new QGroupBox(QStringLiteral("Folders to Find File Duplicates In:"), this);
    frame2_->setObjectName(QStringLiteral("Frame2"));
    Place(frame2_, 120, 1320, 8535, 2295);
    folders_ = new FolderListModel(this);
    listView3_ = new FolderListView(frame2_);
    listView3_->setObjectName(QStringLiteral("ListView3"));
    listView3_->setModel(folders_);
    Place(listView3_, 120, 240, 8295, 1695);
    listView3_->setToolTip(QStringLiteral("Drag and drop folders or click 'Add Folder' button."));

    progressBar1_ = new QProgressBar(this);
    progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
    progressBar1_->setRange(0, 100);
    progressBar1_->setValue(0);
    progressBar1_->setTextVisible(false);
    Place(progressBar1_, 360, 4920, 3015, 375);

    for (QWidget* widget : {static_cast<QWidget*>(check4_), static_cast<QWidget*>(check5_),
                            static_cast<QWidget*>(label1_), static_cast<QWidget*>(label2_),
                            static_cast<QWidget*>(frame2_)}) {
        UseGreyText(widget);
    }
    QFont listFont = LabelFont();
    listFont.setBold(false);
    listView3_->setFont(listFont);
    QPalette listPalette = listView3_->palette();
    listPalette.setColor(QPalette::WindowText, Qt::black);
    listPalette.setColor(QPalette::Text, QColor(0x1f, 0x29, 0x37));
    listView3_->setPalette(listPalette);

    connect(check2_, &ImageButton::activated, this, &Form1::AddFolder);
    connect(check1_, &ImageButton::activated, this, &Form1::findDupesRequested);
    connect(check3_, &ImageButton::activated, this, &Form1::ClearList);
    connect(check6_, &ImageButton::activated, this, &Form1::StopFindPressed);
    connect(check4_, &QCheckBox::toggled, this, &Form1::ExactMatchesChanged);
    connect(check5_, &QCheckBox::toggled, this, &Form1::CloseMatchesChanged);
    connect(slider1_, &QSlider::valueChanged, this, &Form1::SliderChanged);
    connect(listView3_, &FolderListView::urlsDropped, this, &Form1::AddDroppedUrls);

    // The pointer is one setting of the whole window, chosen by what the
    // mouse moves over; these elements see moves that reach no child.
    for (QWidget* widget : {static_cast<QWidget*>(this), static_cast<QWidget*>(frame2_),
                            static_cast<QWidget*>(image6_), static_cast<QWidget*>(label1_),
                            static_cast<QWidget*>(label2_)}) {
        widget->setMouseTracking(true);
    }
    WatchPointer(this);
    for (QWidget* child : findChildren<QWidget*>()) {
        WatchPointer(child);
    }
}

void Form1::SetFocusOrder() {
    setTabOrder(check2_, check1_);
    setTabOrder(check1_, check3_);
    setTabOrder(check3_, listView3_);
    setTabOrder(listView3_, check4_);
    setTabOrder(check4_, check5_);
    setTabOrder(check5_, slider1_);
    setTabOrder(slider1_, check6_);
}

void Form1::StartUp() {
    // 1. Placed by the designed size; the stored size later keeps this corner.
    CenterForm();
    // 2. Stop Find covers Find Dupes while a search runs.
    check6_->move(check1_->pos());
    // 3. The hover pointer.
    hoverCursor_ = HoverPointerOrHand(LoadHoverPointer());
    // 4. The slider.
    slider1_->setValue(SliderValueFromText(store_.Read(keys::SliderValue)));
    // 5. The slider sits on the window's own white, whatever the style paints.
    QPalette sliderPalette = slider1_->palette();
    sliderPalette.setColor(QPalette::Window, Qt::white);
    slider1_->setPalette(sliderPalette);
    slider1_->setAutoFillBackground(true);
    // 6. Slider and labels follow Close Matches.
    const bool close = check5_->isChecked();
    slider1_->setVisible(close);
    label1_->setVisible(close);
    label2_->setVisible(close);
    // 7. A small screen starts maximised; the resize rules save "2" at once,
    //    so step 9 keeps it maximised.
    if (desktop_.workAreaWidth && desktop_.workAreaWidth() <= 800) {
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    }
    // 8. The list's single column.
    folders_->SetHeading(QStringLiteral("Folder"));
    // 9, 10. State, then width and height. A minimised window no longer
    //    takes a size, so it is minimised once its size is set.
    const bool minimised = ApplyStoredState() == StoredWindowState::Minimised;
    ApplyStoredSize();
    if (minimised) {
        setWindowState((windowState() & ~Qt::WindowMaximized) | Qt::WindowMinimized);
    }
    // 11. The column is sized once, from the list's width at this moment.
    const int column = PixelsFromTwips(FolderColumnWidth(TwipsFromPixels(listView3_->width())));
    if (column > 0) {
        listView3_->setColumnWidth(0, column);
    }
    // 12, 13. The options, through their handlers like a user's change.
    check4_->setChecked(CheckedFromText(store_.Read(keys::ExactMatches)));
    check5_->setChecked(CheckedFromText(store_.Read(keys::CloseMatches)));
}

void Form1::CenterForm() {
    if (!desktop_.screenSize) {
        return;
    }
    const QSize screen = desktop_.screenSize() * kTwipsPerPixel;
    const QPoint corner = CenterFormPosition(screen, OuterTwips());
    move(PixelsFromTwips(corner.x()), PixelsFromTwips(corner.y()));
}

StoredWindowState Form1::ApplyStoredState() {
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

void Form1::ApplyStoredSize() {
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

void Form1::SetOuterWidth(int twips) {
    const int frame = frameGeometry().width() - width();
    const int client = PixelsFromTwips(twips) - frame;
    if (client >= 1) {
        resize(client, height());
        RunResizeRules();
    }
}

void Form1::SetOuterHeight(int twips) {
    const int frame = frameGeometry().height() - height();
    const int client = PixelsFromTwips(twips) - frame;
    if (client >= 1) {
        resize(width(), client);
        RunResizeRules();
    }
}

void Form1::CorrectForFrame() {
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

QSize Form1::OuterTwips() const {
    return frameGeometry().size() * kTwipsPerPixel;
}

void Form1::RunResizeRules() {
    if (!listView3_) {
        return;
    }
    MainGeometry current;
    current.listWidth = TwipsFromPixels(listView3_->width());
    current.listHeight = TwipsFromPixels(listView3_->height());
    current.frameWidth = TwipsFromPixels(frame2_->width());
    current.frameHeight = TwipsFromPixels(frame2_->height());
    current.barLeft = TwipsFromPixels(progressBar1_->x());
    current.barWidth = TwipsFromPixels(progressBar1_->width());
    current.barTop = TwipsFromPixels(progressBar1_->y());
    const QSize outer = OuterTwips();
    const MainGeometry next = ApplyResizeRules(current, TwipsFromPixels(frame2_->x()), outer);
    listView3_->resize(PixelsFromTwips(next.listWidth), PixelsFromTwips(next.listHeight));
    frame2_->resize(PixelsFromTwips(next.frameWidth), PixelsFromTwips(next.frameHeight));
    progressBar1_->setGeometry(PixelsFromTwips(next.barLeft), PixelsFromTwips(next.barTop),
                               PixelsFromTwips(next.barWidth), progressBar1_->height());

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

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RunResizeRules();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        RunResizeRules();
    }
}

bool Form1::event(QEvent* event) {
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

void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

void Form1::WatchPointer(QWidget* widget) {
    widget->installEventFilter(this);
}

Form1::Pointer Form1::PointerOver(QWidget* widget) const {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == check1_ || w == check2_ || w == check3_ || w == check6_ || w == check4_ ||
            w == check5_ || w == slider1_ || w == listView3_) {
            return Pointer::Hover;
        }
        if (w == progressBar1_) {
            return Pointer::Keep;
        }
        if (w == frame2_ || w == image6_ || w == label1_ || w == label2_ || w == this) {
            return Pointer::Arrow;
        }
    }
    return Pointer::Keep;
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
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

std::vector<std::string> Form1::FolderPaths() const {
    std::vector<std::string> paths;
    paths.reserve(folders_->Paths().size());
    for (const QByteArray& path : folders_->Paths()) {
        paths.emplace_back(path.constData(), static_cast<std::size_t>(path.size()));
    }
    return paths;
}

SearchOptions Form1::Options() const {
    return {check4_->isChecked(), check5_->isChecked(), slider1_->value()};
}

void Form1::SetCaption(const QString& caption) {
    setWindowTitle(caption);
}

void Form1::SetProgress(int percent) {
    progressBar1_->setValue(std::clamp(percent, 0, 100));
}

void Form1::ShowSearchRunning(bool running) {
    check6_->setVisible(running);
    check1_->setVisible(!running);
    if (running) {
        check6_->raise();
    }
}

void Form1::AddFolder() {
    if (!desktop_.chooseFolder) {
        return;
    }
    QByteArray path = desktop_.chooseFolder(this, kAddFolderTitle);
    if (path.isEmpty()) {
        return;
    }
    if (path.size() > 1 && path.endsWith('/')) {
        path.chop(1);
    }
    folders_->Append(path);
}

void Form1::ClearList() {
    folders_->Clear();
}

void Form1::AddDroppedUrls(const QList<QUrl>& urls) {
    const DropRows drop = RowsFromDrop(urls);
    for (const QByteArray& row : drop.rows) {
        folders_->Append(row);
    }
    if (drop.failed && desktop_.showMessage) {
        desktop_.showMessage(this, kDropErrorTitle, kDropErrorText);
    }
}

void Form1::ExactMatchesChanged() {
    store_.Write(keys::ExactMatches,
                 check4_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
}

void Form1::CloseMatchesChanged() {
    store_.Write(keys::CloseMatches,
                 check5_->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    const bool close = check5_->isChecked();
    slider1_->setVisible(close);
    label1_->setVisible(close);
    label2_->setVisible(close);
}

void Form1::SliderChanged() {
    store_.Write(keys::SliderValue, QString::number(slider1_->value()));
}

void Form1::StopFindPressed() {
    store_.Write(keys::Stop, BoolText(true));
}

}  // namespace corvane
