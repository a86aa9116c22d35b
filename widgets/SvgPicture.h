// A still picture drawn from an SVG resource, scaled to the widget.
#pragma once

#include <QSvgRenderer>
#include <QWidget>

namespace corvane {

class SvgPicture : public QWidget {
  public:
    explicit SvgPicture(const QString& svgResource, QWidget* parent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QSvgRenderer renderer_;
};

}  // namespace corvane
