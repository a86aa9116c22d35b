// SettingsStore over QSettings: ~/.config/Quillmark/Corvane.conf, group "Corvane".
#pragma once

#include <QSettings>
#include <memory>
#include <mutex>

#include "platform/SettingsStore.h"

namespace corvane {

class QtSettingsStore final : public SettingsStore {
  public:
    // The user's store (organisation "Quillmark", application "Corvane").
    QtSettingsStore();
    // A store in an explicit file, for tests and tools.
    explicit QtSettingsStore(const QString& fileName);

    QString Read(const char* key) override;
    void Write(const char* key, const QString& text) override;

  private:
    std::mutex mutex_;  // QSettings is reentrant, not thread-safe
    std::unique_ptr<QSettings> settings_;
};

}  // namespace corvane
