#include "widgets/SvgPicture.h"

#include <QPainter>

namespace corvane {

SvgPicture::SvgPicture(const QString& svgResource, QWidget* parent)
    : QWidget(parent), renderer_(svgResource) {}

QSize SvgPicture::sizeHint() const {
    return renderer_.defaultSize();
}

void SvgPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_.render(&painter, QRectF(rect()));
}

}  // namespace corvane
