// A short note in a window's caption that gives way to the caption again.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QWidget;

namespace corvane {

// Owns what a window's caption shows. The window writes its caption through
// SetCaption(); a note shown with Show() stands in its place for a few
// seconds and then the latest caption comes back. Someone else writing the
// caption meanwhile ends the note early: its end then changes nothing.
//
// Threading: the GUI thread only.
class CaptionNote final : public QObject {
    Q_OBJECT

  public:
    static constexpr int kShownMs = 4000;

    // The window's note, made on first use.
    static CaptionNote& Of(QWidget* window);

    void SetCaption(const QString& caption);
    void Show(const QString& note, int milliseconds = kShownMs);
    // Ends a note now, giving the caption back.
    void Clear();
    bool Showing() const { return timer_.isActive(); }

  private:
    explicit CaptionNote(QWidget* window);
    void End();

    QWidget* window_;
    QString caption_;
    QString note_;
    QTimer timer_;
};

}  // namespace corvane
