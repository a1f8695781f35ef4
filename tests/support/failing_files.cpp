#include "failing_files.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace pxtest {

namespace {

bool writes(const char* mode) { return mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr; }

// A stdio stream over the real one, so that each buffered flush and the
// close pass the count.
struct watched_stream {
    std::FILE* real;
    std::string name;
    failing_files* files;
};

ssize_t watched_read(void* cookie, char* bytes, std::size_t count) {
    return static_cast<ssize_t>(std::fread(bytes, 1, count, static_cast<watched_stream*>(cookie)->real));
}

ssize_t watched_write(void* cookie, const char* bytes, std::size_t count) {
    auto* stream = static_cast<watched_stream*>(cookie);
    if (stream->files->turn_fails(stream->name)) return 0;
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
    bool fails = stream->files->turn_fails(stream->name);
    int result = std::fclose(stream->real);
    if (fails) errno = ENOSPC;
    return fails ? -1 : result;
}

}  // namespace

bool failing_files::turn_fails(const std::string& name) {
    if (++counted_ != to_fail_) return false;
    failed_ = name;
    errno = ENOSPC;
    return true;
}

std::FILE* failing_files::open(const std::string& path, const char* mode) {
    if (!writes(mode)) return file_system::open(path, mode);
    std::FILE* real = file_system::open(path, mode);
    if (!real) return nullptr;
    std::setvbuf(real, nullptr, _IONBF, 0);
    auto* stream = new watched_stream{real, path, this};
    std::FILE* watched =
        ::fopencookie(stream, mode, cookie_io_functions_t{watched_read, watched_write, watched_seek, watched_close});
    if (!watched) {
        std::fclose(real);
        delete stream;
    }
    return watched;
}

int failing_files::create(const std::string& path) {
    int fd = file_system::create(path);
    if (fd >= 0) descriptors_[fd] = path;
    return fd;
}

ssize_t failing_files::write(int fd, const void* bytes, std::size_t count) {
    auto watched = descriptors_.find(fd);
    if (watched != descriptors_.end() && turn_fails(watched->second)) return -1;
    return file_system::write(fd, bytes, count);
}

// The pieces before the one that fails go out; a write that fails at its
// first piece writes nothing.
ssize_t failing_files::write_pieces(int fd, const struct iovec* pieces, int count) {
    auto watched = descriptors_.find(fd);
    if (watched == descriptors_.end()) return file_system::write_pieces(fd, pieces, count);
    for (int i = 0; i < count; ++i) {
        if (!turn_fails(watched->second)) continue;
        if (i == 0) return -1;
        return file_system::write_pieces(fd, pieces, i);
    }
    return file_system::write_pieces(fd, pieces, count);
}

int failing_files::close(int fd) {
    auto watched = descriptors_.find(fd);
    bool fails = false;
    if (watched != descriptors_.end()) {
        fails = turn_fails(watched->second);
        descriptors_.erase(watched);
    }
    int result = file_system::close(fd);
    if (fails) errno = ENOSPC;
    return fails ? -1 : result;
}

}  // namespace pxtest
