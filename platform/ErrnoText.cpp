#include "platform/ErrnoText.h"

#include <cstring>

namespace corvane {

QString ErrnoText(int error) {
    char buffer[256];
    // GNU strerror_r: may return a static string instead of filling the buffer.
    return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

}  // namespace corvane
