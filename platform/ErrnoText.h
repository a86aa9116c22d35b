// The system's own words for an errno value, in the user's language.
#pragma once

#include <QString>

namespace corvane {

// "Permission denied" for EACCES, and so on (strerror, decoded from the locale).
QString ErrnoText(int error);

}  // namespace corvane
