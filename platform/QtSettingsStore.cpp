#include "platform/QtSettingsStore.h"

#include "platform/ProductName.h"

namespace corvane {
namespace {
const QString kGroup = QLatin1String(kProductName) + QLatin1Char('/');
}

QtSettingsStore::QtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Quillmark"),
                                            QLatin1String(kProductName))) {}

QtSettingsStore::QtSettingsStore(const QString& fileName)
    : settings_(std::make_unique<QSettings>(fileName, QSettings::IniFormat)) {}

QString QtSettingsStore::Read(const char* key) {
    const std::lock_guard lock(mutex_);
    return settings_->value(kGroup + QLatin1String(key)).toString();
}

void QtSettingsStore::Write(const char* key, const QString& text) {
    const std::lock_guard lock(mutex_);
    settings_->setValue(kGroup + QLatin1String(key), text);
}

}  // namespace corvane
