// File names as the old platform understood them.
//
// Programs, makefiles and their companion files were written on a file
// system that ignored letter case and separated folders with '\'. A makefile
// names "C:\work\LINE\Main.pre", the build asks for "MAIN.FIG", and on Linux
// the files are main.pre and main.fig. So before a file is opened, created or
// deleted, its name is resolved against what is on disk: a name that exists
// exactly is used as it is; otherwise the path is walked one component at a
// time, '/' and '\' both separating components, and each component is taken
// as it exists on disk, an exact match before one that differs only in case.
// A component that does not exist keeps its own spelling, so a new file is
// created under its own name in the folder found that way.
#include "platform/file_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "driver/utilities.h"

namespace px {

namespace {

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// folder/name, where "" is the current directory and "/" the root.
std::string join(const std::string& folder, std::string_view name) {
    if (folder.empty()) return std::string(name);
    if (folder.back() == '/') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

struct dir_closer {
    void operator()(DIR* d) const { ::closedir(d); }
};

// The entry of folder that stands for component: the component itself when it
// exists, else the entry that differs from it only in letter case (the
// smallest such, so that the choice does not depend on the order of the
// folder), else the component as written. want_directory passes over entries
// that cannot be walked into.
std::string match_component(const std::string& folder, std::string_view component, bool want_directory) {
    std::string written(component);
    std::string exact = join(folder, written);
    if (want_directory ? is_directory(exact) : exists(exact)) return written;
    if (component == "." || component == "..") return written;

    std::unique_ptr<DIR, dir_closer> dir(::opendir(folder.empty() ? "." : folder.c_str()));
    if (!dir) return written;
    std::string best;
    bool found = false;
    while (dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (!equal_folded(name, component) || (found && name >= best)) continue;
        if (want_directory && !is_directory(join(folder, name))) continue;
        best = name;
        found = true;
    }
    return found ? best : written;
}

}  // namespace

std::string resolve_path(std::string_view name) {
    std::string as_written(name);
    if (name.empty() || exists(as_written)) return as_written;

    std::string resolved;  // "" is the current directory
    std::size_t at = 0;
    if (is_separator(name[0])) resolved = "/";
    for (;;) {
        while (at < name.size() && is_separator(name[at])) ++at;
        if (at == name.size()) break;
        std::size_t end = at;
        while (end < name.size() && !is_separator(name[end])) ++end;
        std::string_view component = name.substr(at, end - at);
        bool last = end == name.size();
        resolved = join(resolved, match_component(resolved, component, !last));
        at = end;
    }
    // A trailing separator names a folder; keep it.
    if (is_separator(name.back()) && !resolved.empty() && resolved.back() != '/') resolved += '/';
    return resolved;
}

namespace {

bool writes(const char* mode) { return mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr; }

}  // namespace

std::FILE* file_system::open(const std::string& path, const char* mode) {
    if (writes(mode)) return std::fopen(path.c_str(), mode);
    // Only a regular file is read. A folder would read as an empty file, and a
    // named pipe would wait for ever for a writer; opening without blocking
    // lets the pipe be seen and refused like a file that cannot be opened.
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return file;
}

int file_system::create(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

ssize_t file_system::write(int fd, const void* bytes, std::size_t count) { return ::write(fd, bytes, count); }

ssize_t file_system::write_pieces(int fd, const struct iovec* pieces, int count) { return ::writev(fd, pieces, count); }

off_t file_system::seek(int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); }

int file_system::close(int fd) { return ::close(fd); }

int file_system::remove(const std::string& path) { return std::remove(path.c_str()); }

file_system& disk() {
    static file_system the_disk;
    return the_disk;
}

std::FILE* open_file(file_system& files, const char* name, const char* mode) {
    return files.open(resolve_path(name), mode);
}

int open_binary_for_write(file_system& files, const char* name) { return files.create(resolve_path(name)); }

int delete_file(file_system& files, const char* name) { return files.remove(resolve_path(name)); }

}  // namespace px
