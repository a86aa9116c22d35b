#include "widgets/CaptionNote.h"

#include <QWidget>

namespace corvane {

CaptionNote& CaptionNote::Of(QWidget* window) {
    auto* note = window->findChild<CaptionNote*>(QString(), Qt::FindDirectChildrenOnly);
    return note != nullptr ? *note : *new CaptionNote(window);
}

CaptionNote::CaptionNote(QWidget* window)
    : QObject(window), window_(window), caption_(window->windowTitle()) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CaptionNote::End);
}

void CaptionNote::SetCaption(const QString& caption) {
    caption_ = caption;
    if (!Showing()) {
        window_->setWindowTitle(caption);
    }
}

void CaptionNote::Show(const QString& note, int milliseconds) {
    note_ = note;
    window_->setWindowTitle(note);
    timer_.start(milliseconds);
}

void CaptionNote::Clear() {
    if (Showing()) {
        timer_.stop();
        End();
    }
}

void CaptionNote::End() {
    if (window_->windowTitle() == note_) {
        window_->setWindowTitle(caption_);
    }
    note_.clear();
}

}  // namespace corvane
