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
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "driver/utilities.h"
#include "test_hooks.h"

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

write_redirect redirected_writes = nullptr;

namespace {

bool writes(const char* mode) { return mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr; }

}  // namespace

// --- the tests' write seam ---------------------------------------------------
//
// While a test watches, every file opened for writing is a stdio stream over
// the real one (fopencookie), so each buffered flush and the close pass one
// counter, as do the binary writes; the counted operation chosen fails as a
// full disk does.
namespace {

long write_to_fail = -1;  // -1: not watching
long writes_counted = 0;
std::string failed_write;
std::map<int, std::string> watched_descriptors;

bool counted_write_fails(const std::string& name) {
    if (write_to_fail < 0 || ++writes_counted != write_to_fail) return false;
    failed_write = name;
    errno = ENOSPC;
    return true;
}

struct watched_stream {
    std::FILE* real;
    std::string name;
};

ssize_t watched_read(void* cookie, char* bytes, std::size_t count) {
    return static_cast<ssize_t>(std::fread(bytes, 1, count, static_cast<watched_stream*>(cookie)->real));
}

ssize_t watched_write(void* cookie, const char* bytes, std::size_t count) {
    auto* stream = static_cast<watched_stream*>(cookie);
    if (counted_write_fails(stream->name)) return 0;
    return static_cast<ssize_t>(std::fwrite(bytes, 1, count, stream->real));
}

int watched_seek(void* cookie, off64_t* offset, int whence) {
    std::FILE* real = static_cast<watched_stream*>(cookie)->real;
    if (::fseeko(real, *offset, whence) != 0) return -1;
    *offset = ::ftello(real);
    return 0;
}

int watched_close(void* cookie) {
    std::unique_ptr<watched_stream> stream(static_cast<watched_stream*>(cookie));
    bool fails = counted_write_fails(stream->name);
    int result = std::fclose(stream->real);
    if (fails) errno = ENOSPC;
    return fails ? -1 : result;
}

std::FILE* watched_open(const char* name, const char* mode) {
    std::FILE* real = std::fopen(resolve_path(name).c_str(), mode);
    if (!real) return nullptr;
    std::setvbuf(real, nullptr, _IONBF, 0);
    auto* stream = new watched_stream{real, name};
    std::FILE* watched =
        ::fopencookie(stream, mode, cookie_io_functions_t{watched_read, watched_write, watched_seek, watched_close});
    if (!watched) {
        std::fclose(real);
        delete stream;
    }
    return watched;
}

}  // namespace

void fail_file_write(long n) {
    write_to_fail = n;
    writes_counted = 0;
    failed_write.clear();
}

long file_writes() { return writes_counted; }

const std::string& failed_file_write() { return failed_write; }

std::FILE* open_file(const char* name, const char* mode) {
    if (writes(mode)) {
        if (redirected_writes) return redirected_writes(name, mode);
        if (write_to_fail >= 0) return watched_open(name, mode);
        return std::fopen(resolve_path(name).c_str(), mode);
    }
    // Only a regular file is read. A folder would read as an empty file, and a
    // named pipe would wait for ever for a writer; opening without blocking
    // lets the pipe be seen and refused like a file that cannot be opened.
    int fd = ::open(resolve_path(name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
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

int open_binary_for_write(const char* name) {
    // A file in memory, so that seeking back to the status byte works as on disk.
    if (redirected_writes) return ::memfd_create("object file", MFD_CLOEXEC);
    int fd = ::open(resolve_path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd >= 0 && write_to_fail >= 0) watched_descriptors[fd] = name;
    return fd;
}

bool write_turn_fails(int fd) {
    auto watched = watched_descriptors.find(fd);
    return watched != watched_descriptors.end() && counted_write_fails(watched->second);
}

ssize_t write_held(int fd, const void* bytes, std::size_t count) { return ::write(fd, bytes, count); }

ssize_t write_binary(int fd, const void* bytes, std::size_t count) {
    return write_turn_fails(fd) ? -1 : write_held(fd, bytes, count);
}

int close_binary(int fd) {
    auto watched = watched_descriptors.find(fd);
    bool fails = false;
    if (watched != watched_descriptors.end()) {
        fails = counted_write_fails(watched->second);
        watched_descriptors.erase(watched);
    }
    int result = ::close(fd);
    if (fails) errno = ENOSPC;
    return fails ? -1 : result;
}

int delete_file(const char* name) {
    if (redirected_writes) return 0;
    return std::remove(resolve_path(name).c_str());
}

}  // namespace px
