// The file-name layer under every file the library opens, creates or
// deletes. The old platform's file system ignored letter case and programs
// rely on that: a name that exists exactly is used as it is; otherwise each
// existing component of the path is matched without regard to case (an exact
// match wins over a case-folded one). A file that is created keeps the case of
// its own name, in the directory found that way.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace px {

// The path on disk that name stands for.
std::string resolve_path(std::string_view name);

// When set, the build leaves the disk as it is (a check): every open for
// writing goes to this function instead, the object file goes nowhere, and
// nothing is deleted. Reading is unchanged.
using write_redirect = std::FILE* (*)(const char* name, const char* mode);
extern write_redirect redirected_writes;

// fopen through the layer. Text mode does no translation here; the readers
// take CR LF as LF themselves. For reading, only a regular file opens: a
// folder, a named pipe or a device is null, like a file that does not exist.
std::FILE* open_file(const char* name, const char* mode);
// open(2) through the layer, creating with read and write for the owner.
int open_binary_for_write(const char* name);
// write(2) and close(2) of a file from open_binary_for_write, so that every
// byte the library writes passes the layer.
ssize_t write_binary(int fd, const void* bytes, std::size_t count);
// write_binary in two halves, for a writer that holds bytes back and writes
// them later in one piece: write_turn_fails stands for one write at the
// moment it would have been made (true when that write is to fail, as
// write_binary would have made it fail), and write_held writes bytes whose
// turns have all been taken.
bool write_turn_fails(int fd);
ssize_t write_held(int fd, const void* bytes, std::size_t count);
int close_binary(int fd);
// remove(3) through the layer. 0 on success.
int delete_file(const char* name);

}  // namespace px
