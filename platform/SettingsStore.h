// The per-user store of the few values Corvane remembers, and its keys.
#pragma once

#include <QString>

namespace corvane {

namespace keys {
inline constexpr const char* SliderValue = "SliderValue";
inline constexpr const char* WindowState = "WindowState";
inline constexpr const char* FormHeight = "FormHeight";
inline constexpr const char* FormWidth = "FormWidth";
inline constexpr const char* ExactMatches = "ExactMatches";
inline constexpr const char* CloseMatches = "CloseMatches";
inline constexpr const char* SameContents = "SameContents";
inline constexpr const char* Stop = "Stop";
// The folder list and its protection marks, written when the window closes.
inline constexpr const char* FolderList = "FolderList";
}  // namespace keys

inline QString BoolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// Text values by key. Every call goes to the store: nothing is cached by
// callers, which is what lets the Stop button reach a running search.
//
// Threading: Read and Write may be called from any thread; a search reads
// `Stop` on its own thread while the window writes it.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text, or "" for a key never written.
    virtual QString Read(const char* key) = 0;
    virtual void Write(const char* key, const QString& text) = 0;

    bool StopRequested() { return Read(keys::Stop) == QLatin1String("True"); }
};

}  // namespace corvane
