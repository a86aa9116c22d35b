#include "results/Form4.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QTreeView>

#include "shell/HoverPointer.h"
#include "shell/ImageButton.h"

namespace corvane {

namespace {

const QString kProductName = QStringLiteral("Corvane");

// The banner picture, drawn at whatever size it is given.
class Banner final : public QWidget {
  public:
    explicit Banner(QWidget* parent)
        : QWidget(parent), picture_(QStringLiteral(":/corvane/banner.svg")) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        picture_.render(&painter, QRectF(rect()));
    }

  private:
    QSvgRenderer picture_;
};

ImageButton* MakeButton(const QString& face, QWidget* parent) {
    return new ImageButton(QStringLiteral(":/corvane/buttons/%1.svg").arg(face),
                           QStringLiteral(":/corvane/buttons/%1-pressed.svg").arg(face), parent);
}

void PlaceInTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                        TwipsToPixels(height));
}

RecyclePrompts MessageBoxPrompts(QWidget* parent) {
    return RecyclePrompts{[parent](const QString& title, const QString& text) {
                              return QMessageBox::question(parent, title, text,
                                                           QMessageBox::Yes | QMessageBox::No,
                                                           QMessageBox::Yes) == QMessageBox::Yes;
                          },
                          [parent](const QString& title, const QString& text) {
                              QMessageBox::warning(parent, title, text);
                          }};
}

}  // namespace

Form4::Form4(std::optional<QCursor> hoverPointer, QWidget* parent)
    : QWidget(parent, Qt::Window),
      trash_(std::make_unique<DesktopTrash>()),
      prompts_(MessageBoxPrompts(this)),
      closeAction_([] { QCoreApplication::quit(); }) {
    setWindowTitle(kProductName);
    setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);
    setCursor(Qt::ArrowCursor);

    banner_ = new Banner(this);
    banner_->setCursor(Qt::ArrowCursor);
    backButton_ = MakeButton(QStringLiteral("back-to-main"), this);
    sendButton_ = MakeButton(QStringLiteral("send-to-recycling"), this);
    uncheckButton_ = MakeButton(QStringLiteral("uncheck-all"), this);
    backButton_->setObjectName(QStringLiteral("Check2"));
    sendButton_->setObjectName(QStringLiteral("Check1"));
    uncheckButton_->setObjectName(QStringLiteral("Check3"));
    sendButton_->setToolTip(QStringLiteral("Delete checked files."));
    uncheckButton_->setToolTip(QStringLiteral("Clear out all checkmarks."));
    backButton_->setAccessibleName(QStringLiteral("Back to Main"));
    sendButton_->setAccessibleName(QStringLiteral("Send to Recycling"));
    uncheckButton_->setAccessibleName(QStringLiteral("Uncheck All"));

    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("ListView1"));
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

    connect(sendButton_, &ImageButton::activated, this, &Form4::SendToRecycling);
    connect(backButton_, &ImageButton::activated, this, &Form4::BackToMain);
    connect(uncheckButton_, &ImageButton::activated, this, &Form4::UncheckAll);

    // The designed client area; a search gives the window the main window's place.
    resize(TwipsToPixels(12450), TwipsToPixels(7230));
}

Form4::~Form4() = default;

void Form4::ShowInPlaceOf(QWidget* mainWindow) {
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

void Form4::SendToRecycling() {
    SendToRecycleBin(model_, *trash_, prompts_);
}

void Form4::UncheckAll() {
    model_.UncheckAll();
}

void Form4::BackToMain() {
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

void Form4::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutList();
}

void Form4::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // The window manager's frame is known only after the first show, and the
    // rules measure the outer size, so lay out again once it has arrived.
    LayOutList();
}

// Six assignments, each skipped on its own when its value would be negative
// (a minimised or very small window); the buttons and banner never move.
void Form4::LayOutList() {
    const QSize outer = frameGeometry().size();
    const int listWidth = TwipsToPixels(outer.width() * 15 - 360);
    if (listWidth >= 0) {
        list_->resize(listWidth, list_->height());
    }
    const int listHeight = TwipsToPixels(outer.height() * 15 - 1900);
    if (listHeight >= 0) {
        list_->resize(list_->width(), listHeight);
    }
    QHeaderView* header = list_->header();
    const int filenameWidth = TwipsToPixels(list_->width() * 15 - 4500);
    if (filenameWidth >= 0) {
        header->resizeSection(ResultsModel::FilenameColumn, filenameWidth);
    }
    header->resizeSection(ResultsModel::SizeColumn, TwipsToPixels(1100));
    header->resizeSection(ResultsModel::ModifiedColumn, TwipsToPixels(2300));
    header->resizeSection(ResultsModel::TypeColumn, TwipsToPixels(700));
}

void Form4::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closeAction_) {
        closeAction_();
    }
}

}  // namespace corvane
