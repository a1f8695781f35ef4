// The rules every pxc command keeps about the files it is given.
#include "command.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "driver/diagnostics.h"

namespace pxc {

namespace {

// What a build writes, what each is called in a message, and whether it is
// named after the program, as the object file is.
struct build_output {
    const char* extension;
    const char* what;
    bool beside_object;
};
const build_output build_outputs[] = {
    {".dso", "an object file", true},        {".lst", "a listing", true}, {".err", "an error file", true},
    {".xrf", "a cross-reference map", true}, {".log", "a build log", false},
};

struct fd_closer {
    int fd;
    bool owned;
    ~fd_closer() {
        if (owned && fd >= 0) ::close(fd);
    }
};

}  // namespace

bool write_all(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int usage_error(const std::string& name, const std::string& what) {
    std::cerr << name << ": " << what << "\n" << "Try '" << name << " --help'.\n";
    return 2;
}

bool refuse_build_output(const std::string& name, const std::string& path) {
    std::filesystem::path p(path);
    std::string extension = p.extension().string();
    for (const build_output& output : build_outputs) {
        if (strcasecmp(extension.c_str(), output.extension) != 0) continue;
        std::string object = output.beside_object ? p.replace_extension(".dso").string() : "FILE.dso";
        std::cerr << name << ": " << path << ": " << output.what << ", an output of a build, not a source\n"
                  << name << ": to read an object file, use: pxc dump " << object << "\n";
        return true;
    }
    return false;
}

bool read_input(const std::string& path, std::size_t limit, std::string& bytes, std::string& why) {
    bytes.clear();
    why.clear();
    // Opened without waiting, so that a named pipe nobody writes to is
    // refused at once rather than waited for.
    bool standard_input = path == "-";
    fd_closer in{standard_input ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC),
                 !standard_input};
    if (in.fd < 0) return false;
    struct stat info;
    if (::fstat(in.fd, &info) != 0) {
        why = std::strerror(errno);
        return false;
    }
    if (!standard_input && !S_ISREG(info.st_mode)) {
        why = S_ISDIR(info.st_mode) ? "a folder, not a file" : "not a regular file";
        return false;
    }
    char block[65536];
    for (;;) {
        std::size_t room = limit - bytes.size() + 1;  // one byte past the limit tells a file too large
        ssize_t got = ::read(in.fd, block, room < sizeof block ? room : sizeof block);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) {
            // Standard input that would block: wait for it.
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(in.fd, &ready);
            ::select(in.fd + 1, &ready, nullptr, nullptr, nullptr);
            continue;
        }
        if (got < 0) {
            why = std::strerror(errno);
            return false;
        }
        if (got == 0) return true;
        bytes.append(block, static_cast<std::size_t>(got));
        if (bytes.size() > limit) {
            why = "larger than " + std::to_string(limit) + " bytes";
            bytes.clear();
            return false;
        }
    }
}

std::string line_of(const std::string& text, uint32_t number) {
    std::size_t start = 0;
    for (uint32_t line = 1; line < number; ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return {};
        start = end + 1;
    }
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

shown_diagnostic shown_from(const px::diagnostic& d, const std::string& file) {
    shown_diagnostic s;
    s.severity = d.level == px::LOG_WARNING ? "warning" : d.level == px::LOG_PANIC ? "fatal error" : "error";
    s.compile_error = d.compile_error;
    s.message = d.message;
    s.file = file;
    s.line = d.where.line;
    s.column = d.where.column;
    s.length = d.length;
    s.step = d.step;
    s.step_as_written = d.step_as_written;
    return s;
}

bool wants_colour(const std::string& when) {
    if (when == "always") return true;
    if (when == "never") return false;
    const char* no_colour = std::getenv("NO_COLOR");
    if (no_colour && *no_colour) return false;
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace pxc
