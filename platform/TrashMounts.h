// What GLib knows of the desktop: the user's data and state folders, and which
// mounts get no trash. The only file of the trash that talks to GLib.
#pragma once

#include <string>

namespace corvane {

// XDG_DATA_HOME and XDG_STATE_HOME as GLib reads them (once per process, so
// tests set HOME and both variables before the first call).
std::string UserDataFolder();
std::string UserStateFolder();

// True when the drive mounted at `topdir` gets no trash, as GIO decides it:
// no mount found there, a system-internal mount (tmpfs /tmp, /dev/shm, /proc
// and the like), a read-only mount, or one marked x-gvfs-notrash.
bool DriveHasNoTrash(const std::string& topdir);

}  // namespace corvane
