#include "widgets/ImageButton.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace corvane {

ImageButton::ImageButton(const QString& releasedSvgResource, const QString& pressedSvgResource,
                         QWidget* parent)
    : QAbstractButton(parent), released_(releasedSvgResource), pressed_(pressedSvgResource) {
    setCheckable(true);
    // Keyboard users reach the buttons with Tab; a mouse click should not leave a focus ring.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::toggled, this, &ImageButton::OnToggled);
}

QSize ImageButton::sizeHint() const {
    const QSize face = released_.defaultSize();
    return face.isValid() ? face : QSize(97, 73);
}

void ImageButton::OnToggled(bool checked) {
    if (!checked) {
        return;  // the uncheck below comes back here and does nothing
    }
    setChecked(false);
    emit activated();
}

void ImageButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer& face = (isDown() || isChecked()) ? pressed_ : released_;
    face.render(&painter, QRectF(rect()));
    if (underMouse() && !isDown()) {
        // A faint lift under the mouse, so the picture reads as clickable.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(255, 255, 255, 28));
        painter.drawRoundedRect(QRectF(rect()).adjusted(3, 3, -3, -3), 8, 8);
    }
    if (hasFocus()) {
        QPen pen(QColor(0x1d, 0x4e, 0xd8), 2, Qt::DotLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 9, 9);
    }
}

ImageButton* MakeFaceButton(const char* stem, const QString& name, QWidget* parent) {
    const QString face = QStringLiteral(":/corvane/buttons/%1").arg(QLatin1String(stem));
    auto* button = new ImageButton(face + QStringLiteral(".svg"),
                                   face + QStringLiteral("-pressed.svg"), parent);
    button->setAccessibleName(name);
    return button;
}

}  // namespace corvane
