// Shared helpers of the test suites: a scratch folder that is also the
// working directory (the build log lands there), the build log captured,
// a full disk in small, a build's state without a build, file access and hex
// dumps.
#pragma once

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/build_context.h"

namespace pxtest {

// Creates a fresh folder, makes it the working directory, and removes it
// (restoring the old working directory) at the end of the scope.
class scratch_dir {
public:
    scratch_dir();
    ~scratch_dir();
    scratch_dir(const scratch_dir&) = delete;
    scratch_dir& operator=(const scratch_dir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};

// Routes the build log into "pxlinker.log" of the working directory while it
// lives. The big buffer keeps log writes clear of a file_size_limit.
class log_capture {
public:
    log_capture();
    ~log_capture();
    log_capture(const log_capture&) = delete;
    log_capture& operator=(const log_capture&) = delete;

    // What was logged so far.
    std::string text();
    // One entry per log line, without its CR LF. Lines of the configuration
    // writer (its messages all end in a line feed of their own) are left out.
    std::vector<std::string> lines();

private:
    std::vector<char> buffer_;
    std::filesystem::path path_;
    std::FILE* file_;
};

// Lets the process write files only up to `bytes` while it lives: a full
// disk, in small. Writes past the limit fail instead of raising SIGXFSZ.
class file_size_limit {
public:
    explicit file_size_limit(rlim_t bytes);
    ~file_size_limit();
    file_size_limit(const file_size_limit&) = delete;
    file_size_limit& operator=(const file_size_limit&) = delete;

private:
    rlimit saved_{};
    void (*old_handler_)(int);
};

// A build's state without a build while it lives: a fresh pool, an empty
// program named `name` (no name when null), no errors, no bytes counted, no
// step or instruction at hand. Throws, failing the test, when the pool cannot
// be created.
class memory_build {
public:
    explicit memory_build(const char* name = nullptr);
    ~memory_build();
    memory_build(const memory_build&) = delete;
    memory_build& operator=(const memory_build&) = delete;
    // The build the pool serves.
    px::build_context& build() const { return build_; }

private:
    mutable px::build_context build_;
};

void write_file(const std::string& name, const std::string& content);
std::string read_file(const std::string& name);
std::vector<uint8_t> read_bytes(const std::string& name);
bool file_exists(const std::string& name);
// "EF BE 00 ..." upper-case hex, one blank between bytes.
std::string hex(const std::vector<uint8_t>& bytes);
std::string hex(const uint8_t* bytes, std::size_t count);
// Bytes written as hex words; '#' starts a comment that runs to the line end.
std::vector<uint8_t> parse_hex(const std::string& text);
// Converts LF line ends to CR LF.
std::string crlf(const std::string& text);
// The text with every CR taken out.
std::string without_cr(const std::string& text);
// A file under tests/golden.
std::string golden(const std::string& relative);

// Puts the library-wide state back as it is when the library is loaded:
// initial configuration, no program, pauses off, no pool cap.
void reset_library();

}  // namespace pxtest
