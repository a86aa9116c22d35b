// GIO must come before any Qt header: its "signals" member clashes with Qt's keyword.
#include <gio/gio.h>

#include "platform/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace corvane {

namespace {

QString ErrnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char* cwd = getcwd(nullptr, 0);
    std::string result = cwd ? std::string(cwd) + "/" + path : path;
    std::free(cwd);
    return result;
}

// mkdir -p with owner-only folders, as freedesktop.org trash wants for the home trash.
bool MakeFolders(const std::string& path) {
    std::string sofar;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto slash = path.find('/', start);
        const auto end = slash == std::string::npos ? path.size() : slash;
        sofar = path.substr(0, end);
        if (!sofar.empty() && mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A name for the trash of at most kLongTrashName bytes plus a clash counter:
// the start of the stem, cut on a UTF-8 boundary, and a short extension kept.
std::string ShortTrashName(const std::string& base, int counter) {
    std::string ext;
    const auto dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0 && base.size() - dot <= 16) {
        ext = base.substr(dot);
    }
    std::size_t cut = kLongTrashName - ext.size() - 12;
    while (cut > 0 && (static_cast<unsigned char>(base[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    std::string name = base.substr(0, cut);
    if (counter > 1) {
        name += "~" + std::to_string(counter);
    }
    return name + ext;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Renames without ever replacing an existing entry of the trash.
int RenameNoReplace(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    // File systems without RENAME_NOREPLACE: a hard link fails on an existing name too.
    if (link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    if (unlink(from.c_str()) != 0) {
        const int error = errno;
        unlink(to.c_str());
        return error;
    }
    return 0;
}

TrashResult Refused(const QString& reason) {
    return TrashResult{false, reason};
}

TrashResult TrashWithGio(const std::string& path) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* error = nullptr;
    const bool moved = g_file_trash(file, nullptr, &error);
    g_object_unref(file);
    if (moved) {
        return TrashResult{true, {}};
    }
    QString reason = error ? QString::fromUtf8(error->message) : QStringLiteral("unknown error");
    if (error && g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED)) {
        reason = QStringLiteral("this drive has no trash, so the file was left in place (%1)")
                     .arg(reason);
    }
    if (error) {
        g_error_free(error);
    }
    return Refused(reason);
}

}  // namespace

std::string TrashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size() * 3);
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                           (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' || b == '~' ||
                           b == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

TrashResult MoveToHomeTrash(const std::string& rawPath, const std::string& dataHome) {
    const std::string path = Absolute(rawPath);
    struct stat file {};
    if (lstat(path.c_str(), &file) != 0) {
        return Refused(ErrnoText(errno));
    }
    const std::string trash = dataHome + "/Trash";
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!MakeFolders(files) || !MakeFolders(info)) {
        return Refused(
            QStringLiteral("the trash folder cannot be made (%1)").arg(ErrnoText(errno)));
    }
    struct stat trashStat {};
    if (lstat(files.c_str(), &trashStat) != 0 || trashStat.st_dev != file.st_dev) {
        return Refused(QStringLiteral("its name is too long for the trash on this drive"));
    }

    char date[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string entry =
        "[Trash Info]\nPath=" + TrashInfoPath(path) + "\nDeletionDate=" + date + "\n";

    const std::string base = BaseName(path);
    for (int counter = 1; counter < 10000; ++counter) {
        const std::string name = ShortTrashName(base, counter);
        const std::string infoFile = info + "/" + name + ".trashinfo";
        // The exclusive info file reserves the name before the file moves in.
        const int fd = open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return Refused(ErrnoText(errno));
        }
        const bool written = WriteAll(fd, entry) && fsync(fd) == 0;
        const int writeError = errno;
        if (close(fd) != 0 || !written) {
            unlink(infoFile.c_str());
            return Refused(ErrnoText(written ? errno : writeError));
        }
        const int error = RenameNoReplace(path, files + "/" + name);
        if (error == 0) {
            return TrashResult{true, {}};
        }
        unlink(infoFile.c_str());
        if (error != EEXIST) {
            return Refused(ErrnoText(error));
        }
    }
    return Refused(QStringLiteral("the trash holds too many files of this name"));
}

std::vector<TrashResult> DesktopTrash::MoveToTrash(const std::vector<std::string>& paths) {
    std::vector<TrashResult> results;
    results.reserve(paths.size());
    for (const auto& path : paths) {
        if (BaseName(path).size() > kLongTrashName) {
            results.push_back(MoveToHomeTrash(path, g_get_user_data_dir()));
        } else {
            results.push_back(TrashWithGio(path));
        }
    }
    return results;
}

}  // namespace corvane
