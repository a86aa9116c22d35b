// A settings store that lives only as long as the object: for the command-line
// tool (which must not touch the user's store) and for tests.
#pragma once

#include <QHash>
#include <QString>
#include <mutex>

#include "platform/SettingsStore.h"

namespace corvane {

class MemorySettingsStore : public SettingsStore {
  public:
    QString Read(const char* key) override {
        const std::lock_guard lock(mutex_);
        return values_.value(QString::fromLatin1(key));
    }
    void Write(const char* key, const QString& text) override {
        const std::lock_guard lock(mutex_);
        values_.insert(QString::fromLatin1(key), text);
    }

  private:
    std::mutex mutex_;
    QHash<QString, QString> values_;
};

}  // namespace corvane
