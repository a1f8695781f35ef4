// pxc fmt: step files rewritten in the layout the saver writes.
//
// The formatting itself is format_steps (format.h); this file reads the
// files, says what the reader said, and writes the result back. A file is
// replaced whole or not at all: the new text goes to a temporary file beside
// it, which takes the old file's mode and then its name, so a failure at any
// point leaves the original as it was. A file that is already tidy is not
// written at all.
#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "command.h"
#include "format.h"
#include "platform/clock.h"
#include "report.h"
#include "unified_diff.h"

namespace pxc {

const char* const FMT_USAGE =
    "Usage: pxc fmt [--check] [--diff] PATH...\n"
    "Rewrite each step file (.vep, .pre) in place in the layout the saver writes:\n"
    "every step as the desktop builder saves it, comments kept, a data table at the\n"
    "head kept as written. The formatted file builds to the same object file,\n"
    "listing and error file, byte for byte. PATH '-' reads standard input and writes\n"
    "standard output.\n"
    "\n"
    "  --check     write nothing; name each file that would change\n"
    "  --diff      write nothing; print what would change as a unified diff\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "A file the reader refuses (a step [0], steps out of order) is reported at its\n"
    "line and column and left as it is.\n"
    "\n"
    "Exit status: 0 every file is tidy (or was rewritten); 1 a file would change\n"
    "(--check, --diff); 2 a file that cannot be read, formatted or written, or a\n"
    "wrong command line.\n";

namespace {

namespace fs = std::filesystem;

struct fmt_options {
    bool check = false, diff = false;
    std::vector<std::string> paths;
};

bool is_step_file(const std::string& path) {
    std::string extension = fs::path(path).extension().string();
    return strcasecmp(extension.c_str(), ".vep") == 0 || strcasecmp(extension.c_str(), ".pre") == 0;
}

struct fd_closer {
    int fd;
    ~fd_closer() {
        if (fd >= 0) ::close(fd);
    }
};

// Replaces the file at path (a symbolic link's target, not the link) with
// text, keeping its mode and, where allowed, its owner. "" when done, else
// why not; the file is then as it was.
std::string replace_file(const std::string& path, const std::string& text) {
    std::error_code error;
    fs::path target = fs::canonical(path, error);
    if (error) return error.message();
    struct stat info;
    if (::stat(target.c_str(), &info) != 0) return std::strerror(errno);
    // A file its owner made read-only is not written behind his back.
    if (::access(target.c_str(), W_OK) != 0) return std::strerror(errno);
    std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".pxc-fmt-XXXXXX")).string();
    fd_closer out{::mkstemp(temporary.data())};
    if (out.fd < 0) return std::string("cannot make a temporary file beside it: ") + std::strerror(errno);
    std::string why;
    if (!write_all(out.fd, text) || ::fchmod(out.fd, info.st_mode & 07777) != 0 || ::fsync(out.fd) != 0)
        why = std::strerror(errno);
    if (why.empty()) {
        // Only root may hand the file back to its owner; anyone else's
        // rewritten file is his own.
        bool owner_kept = ::fchown(out.fd, info.st_uid, info.st_gid) == 0;
        static_cast<void>(owner_kept);
        int closed = ::close(out.fd);
        out.fd = -1;
        if (closed != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) why = std::strerror(errno);
    }
    if (!why.empty()) ::unlink(temporary.c_str());
    return why;
}

class formatter {
public:
    explicit formatter(const fmt_options& o) : o_(o), colours_{wants_colour("auto")} {}

    // 0 tidy or rewritten, 1 would change, 2 trouble.
    int file(const std::string& path) {
        bool standard = path == "-";
        std::string shown = standard ? "<stdin>" : path;
        std::string bytes, why;
        if (!read_input(path, NO_LIMIT, bytes, why)) {
            std::cerr << "pxc fmt: cannot read '" << path << "': " << (why.empty() ? std::strerror(errno) : why)
                      << "\n";
            return 2;
        }
        formatted f = format_steps(bytes, shown);
        for (const px::diagnostic& d : f.diagnostics) {
            shown_diagnostic s = shown_from(d, shown);
            if (s.line != 0) s.source_line = line_of(bytes, s.line);
            print_text(std::cerr, s, colours_);
        }
        if (f.refused) {
            std::cerr << "pxc fmt: " << shown << ": not formatted; the file is left as it is\n";
            return 2;
        }
        bool changes = f.text != bytes;
        if (o_.check && changes) std::cout << shown << "\n";
        if (o_.diff) std::cout << unified_diff(bytes, f.text, shown, shown);
        if (o_.check || o_.diff) return changes ? 1 : 0;
        if (standard) {
            std::cout << f.text;
            return 0;
        }
        if (!changes) return 0;
        std::string failed = replace_file(path, f.text);
        if (failed.empty()) return 0;
        std::cerr << "pxc fmt: cannot write '" << path << "': " << failed << "; the file is left as it is\n";
        return 2;
    }

private:
    const fmt_options& o_;
    palette colours_;
};

int run_fmt(const fmt_options& o) {
    if (o.paths.empty()) return usage_error("pxc fmt", "no file given");
    // Every path is looked at before any file is touched.
    bool refused = false;
    for (const std::string& path : o.paths) {
        if (path == "-") continue;
        if (refuse_build_output("pxc fmt", path)) {
            refused = true;
        } else if (!is_step_file(path)) {
            std::cerr << "pxc fmt: " << path << ": not a step file (.vep, .pre)\n";
            refused = true;
        }
    }
    if (refused) return 2;
    // Nobody waits at a terminal for the library's pauses.
    px::set_pauses_enabled(false);
    formatter f(o);
    int status = 0;
    for (const std::string& path : o.paths) status = std::max(status, f.file(path));
    if (!std::cout.flush()) {
        std::cerr << "pxc fmt: cannot write to standard output\n";
        return 2;
    }
    return status;
}

}  // namespace

command_body declare_fmt(CLI::App& app) {
    auto o = std::make_shared<fmt_options>();
    app.add_flag("--check", o->check);
    app.add_flag("--diff", o->diff);
    app.add_option("path", o->paths);
    return [o] { return run_fmt(*o); };
}

}  // namespace pxc
