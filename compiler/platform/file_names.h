// The file-name layer under every file the library opens, creates or
// deletes. The old platform's file system ignored letter case and programs
// rely on that: a name that exists exactly is used as it is; otherwise each
// existing component of the path is matched without regard to case (an exact
// match wins over a case-folded one). A file that is created keeps the case of
// its own name, in the directory found that way.
#pragma once

#include <sys/types.h>
#include <sys/uio.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace px {

// The path on disk that name stands for.
std::string resolve_path(std::string_view name);

// Everything the library does to a file, as one interface. The base class
// is the disk as it is; a caller that wants something else for a build (a
// check that writes nothing, a test that makes a chosen write fail, an
// editor's unsaved texts) hands the build its own, overriding what it needs
// and passing the rest on. Paths arrive resolved.
class file_system {
public:
    virtual ~file_system() = default;
    // fopen. Text mode does no translation here; the readers take CR LF as
    // LF themselves. For reading, only a regular file opens: a folder, a
    // named pipe or a device is null, like a file that does not exist.
    virtual std::FILE* open(const std::string& path, const char* mode);
    // open(2) for writing, creating with read and write for all (less the
    // umask), truncating what was there.
    virtual int create(const std::string& path);
    // write(2), writev(2), lseek(2) and close(2) of a descriptor from create.
    virtual ssize_t write(int fd, const void* bytes, std::size_t count);
    virtual ssize_t write_pieces(int fd, const struct iovec* pieces, int count);
    virtual off_t seek(int fd, off_t offset, int whence);
    virtual int close(int fd);
    // remove(3). 0 on success.
    virtual int remove(const std::string& path);
};

// The disk, for builds that are given no other file system.
file_system& disk();

// The operations of the file system through the name layer: each resolves
// the name first.
std::FILE* open_file(file_system& files, const char* name, const char* mode);
int open_binary_for_write(file_system& files, const char* name);
int delete_file(file_system& files, const char* name);

}  // namespace px
