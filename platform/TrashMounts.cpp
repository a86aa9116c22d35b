// GIO must come before any Qt header: its "signals" member clashes with Qt's keyword.
#include <gio/gio.h>
#include <gio/gunixmounts.h>

#include "platform/TrashMounts.h"

#include <cstring>

namespace corvane {

std::string UserDataFolder() {
    return g_get_user_data_dir();
}

std::string UserStateFolder() {
    return g_get_user_state_dir();
}

bool DriveHasNoTrash(const std::string& topdir) {
    GUnixMountEntry* mount = g_unix_mount_for(topdir.c_str(), nullptr);
    if (mount == nullptr) {
        return true;
    }
    const char* options = g_unix_mount_get_options(mount);
    const bool refused = g_unix_mount_is_system_internal(mount) ||
                         g_unix_mount_is_readonly(mount) ||
                         (options != nullptr && std::strstr(options, "x-gvfs-notrash") != nullptr);
    g_unix_mount_free(mount);
    return refused;
}

}  // namespace corvane
