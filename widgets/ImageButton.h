// A picture button drawn from two SVG faces that acts once per click.
#pragma once

#include <QAbstractButton>
#include <QSvgRenderer>

namespace corvane {

// A two-state checkable button used as a push button: a click checks it, the
// handler unchecks it at once and emits activated(), so each click acts once
// and the button never stays pressed. The pressed face shows while the mouse
// button is held (and during the instant the box is checked).
class ImageButton : public QAbstractButton {
    Q_OBJECT

  public:
    // Faces are SVG resource paths such as ":/corvane/buttons/add-folder.svg".
    ImageButton(const QString& releasedSvgResource, const QString& pressedSvgResource,
                QWidget* parent = nullptr);

    QSize sizeHint() const override;

  signals:
    // Once per click (mouse, Space, or click()).
    void activated();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnToggled(bool checked);

    QSvgRenderer released_;
    QSvgRenderer pressed_;
};

// A button with the faces ":/corvane/buttons/STEM.svg" and "STEM-pressed.svg";
// `name` is the words on its picture, for screen readers.
ImageButton* MakeFaceButton(const char* stem, const QString& name, QWidget* parent);

}  // namespace corvane
