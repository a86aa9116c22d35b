// An in-memory settings store that remembers the order of its writes.
#pragma once

#include <QString>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/SettingsStore.h"

namespace corvane::testing {

class MemoryStore final : public SettingsStore {
  public:
    MemoryStore() = default;
    MemoryStore(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [key, text] : values) {
            values_[key] = QString::fromUtf8(text);
        }
    }

    QString Read(const char* key) override {
        const std::lock_guard lock(mutex_);
        const auto it = values_.find(key);
        return it == values_.end() ? QString() : it->second;
    }
    void Write(const char* key, const QString& text) override {
        const std::lock_guard lock(mutex_);
        values_[key] = text;
        writes.emplace_back(key, text);
    }
    bool Has(const char* key) {
        const std::lock_guard lock(mutex_);
        return values_.count(key) != 0;
    }

    std::vector<std::pair<std::string, QString>> writes;

  private:
    std::mutex mutex_;
    std::map<std::string, QString> values_;
};

}  // namespace corvane::testing
