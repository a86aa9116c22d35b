// A saved result list from anyone: never a crash, and a list that is
// accepted holds only plausible rows.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "actions/SavedList.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const corvane::SavedRows saved =
        corvane::ReadSavedListText(std::string(reinterpret_cast<const char*>(data), size));
    if (!saved.error.isEmpty() && !saved.rows.empty()) {
        std::abort();  // a rejected list is rejected whole
    }
    for (const corvane::ResultRow& row : saved.rows) {
        if (row.path.empty() || row.path.front() != '/' ||
            row.path.find('\0') != std::string::npos || row.stamp.size < 0 || row.group == 0) {
            std::abort();
        }
    }
    return 0;
}
