// Send journals from anyone: never a crash; an accepted one holds only
// entries undo could act on safely (absolute paths, plain names in a trash).
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/TrashJournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const corvane::ParsedJournal parsed = corvane::ParseJournal(text, ::getuid());
    if (parsed.damagedLine != 0 && !parsed.entries.empty()) {
        std::abort();  // a damaged record is refused whole
    }
    for (const corvane::JournalEntry& entry : parsed.entries) {
        const auto plainName = [](const std::string& name) {
            return !name.empty() && name != "." && name != ".." &&
                   name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
        };
        if (entry.path.empty() || entry.path.front() != '/' ||
            entry.path.find('\0') != std::string::npos || entry.trash.empty() ||
            entry.trash.front() != '/' || !plainName(entry.filesName) ||
            !plainName(entry.infoName)) {
            std::abort();
        }
    }
    return 0;
}
