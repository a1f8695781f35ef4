// pxc: the Plexa compiler for terminals, scripts and CI pipelines.
//
// Every path is built in turn in one process, so that configuration read by
// one build carries over to the next exactly as it does in the desktop
// builder. pxc runs the library's build itself (the compiler's internal
// library, not the shared one) so that it can ask where each message came
// from; the library's own outputs are the same byte for byte.
//
// The library resolves the names inside a project (the step files a makefile
// lists, the .fig and .tab files) against the working folder, and writes its
// log there. A user at a terminal means "beside the project file", so each
// build runs from the folder that holds its path, as make -C would.
#include "pxc.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "driver/build_context.h"
#include "driver/diagnostics.h"
#include "driver/driver.h"
#include "driver/source_places.h"
#include "dump.h"
#include "platform/clock.h"
#include "driver/utilities.h"
#include "platform/file_names.h"
#include "report.h"

#ifndef PXC_VERSION
#define PXC_VERSION "unknown"
#endif

namespace pxc {

namespace {

namespace fs = std::filesystem;

constexpr const char* USAGE =
    "Usage: pxc [OPTION]... PATH...\n"
    "Build each Plexa makefile (.mak) or step file (.vep, .pre) in turn and show\n"
    "every message at its file, line and column. Each build runs from the folder\n"
    "that holds its PATH: the names a makefile lists and the .fig and .tab files\n"
    "are found there, and the outputs (.dso, .lst, .err, .xrf) and the log\n"
    "(pxlinker.log) are written there.\n"
    "\n"
    "Options:\n"
    "  -C, --directory=DIR     change to DIR first; relative PATHs are taken from there\n"
    "      --check             build and report, but write nothing at all\n"
    "      --log               also print each build's log on standard output\n"
    "      --color=WHEN        colour the messages: auto (on a terminal, unless\n"
    "                          NO_COLOR is set), always or never\n"
    "      --diagnostics-format=FORMAT\n"
    "                          text (default, on standard error), json or sarif\n"
    "                          (SARIF 2.1.0), both on standard output\n"
    "  -h, --help              show this help and exit\n"
    "  -V, --version           show the version and exit\n"
    "  --                      treat every following argument as a path\n"
    "\n"
    "pxc dump [--source | --diff] FILE.dso... reads object files back as Plexa;\n"
    "see 'pxc dump --help'.\n"
    "\n"
    "Exit status:\n"
    "  0  every build was clean\n"
    "  1  a build wrote its object file with compile errors\n"
    "  2  a build failed (no object file), or the command line was wrong\n";

enum class format { text, json, sarif };

struct options {
    std::vector<std::string> folders;  // -C, in order: each is taken from the one before
    std::vector<std::string> paths;
    bool check = false;
    bool log = false;
    std::string colour = "auto";
    format shown = format::text;
};

int usage_error(const std::string& what) {
    std::cerr << "pxc: " << what << "\n" << "Try 'pxc --help'.\n";
    return 2;
}

// The value of "--name=VALUE" or of "--name VALUE"; false when arg is
// neither.
bool option_value(const std::string& arg, const char* name, int& i, int argc, char** argv, std::string& value,
                  bool& missing) {
    std::string with = std::string(name) + "=";
    if (arg.rfind(with, 0) == 0) {
        value = arg.substr(with.size());
        return true;
    }
    if (arg != name) return false;
    missing = i + 1 == argc;
    if (!missing) value = argv[++i];
    return true;
}

// 0 to go on, else the exit status.
int parse(int argc, char** argv, options& o) {
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool missing = false;
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            o.paths.push_back(arg);
        } else if (arg == "--") {
            options_done = true;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << USAGE;
            return -1;
        } else if (arg == "-V" || arg == "--version") {
            std::cout << "pxc " PXC_VERSION " (Plexa compiler library pxcompiler " PXC_VERSION ")\n";
            return -1;
        } else if (arg == "--check") {
            o.check = true;
        } else if (arg == "--log") {
            o.log = true;
        } else if (arg.size() > 2 && arg.rfind("-C", 0) == 0) {
            o.folders.push_back(arg.substr(2));
        } else if (option_value(arg, "-C", i, argc, argv, value, missing) ||
                   option_value(arg, "--directory", i, argc, argv, value, missing)) {
            if (missing) return usage_error("option '" + arg + "' needs a folder");
            o.folders.push_back(value);
        } else if (option_value(arg, "--color", i, argc, argv, value, missing) ||
                   option_value(arg, "--colour", i, argc, argv, value, missing)) {
            if (missing || (value != "auto" && value != "always" && value != "never"))
                return usage_error("option '--color' takes auto, always or never");
            o.colour = value;
        } else if (option_value(arg, "--diagnostics-format", i, argc, argv, value, missing)) {
            if (value == "text") o.shown = format::text;
            else if (value == "json") o.shown = format::json;
            else if (value == "sarif") o.shown = format::sarif;
            else return usage_error("option '--diagnostics-format' takes text, json or sarif");
        } else {
            return usage_error("unknown option '" + arg + "'");
        }
    }
    if (o.paths.empty()) return usage_error("no path given");
    return 0;
}

bool change_folder(const std::string& folder) {
    if (::chdir(folder.c_str()) == 0) return true;
    std::cerr << "pxc: cannot change to folder '" << folder << "': " << std::strerror(errno) << "\n";
    return false;
}

std::string read_whole(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The lines of the files that messages point into, each file read once per
// build however many messages it has.
class source_lines {
public:
    // Line `number` (from 1) of a file, without its line end.
    const std::string& line(const fs::path& file, uint32_t number) {
        auto [at, fresh] = files_.try_emplace(file);
        if (fresh) {
            std::istringstream in(read_whole(file));
            for (std::string text; std::getline(in, text);) {
                if (!text.empty() && text.back() == '\r') text.pop_back();
                at->second.push_back(std::move(text));
            }
        }
        static const std::string none;
        return number >= 1 && number <= at->second.size() ? at->second[number - 1] : none;
    }

private:
    std::map<fs::path, std::vector<std::string>> files_;
};

// A check leaves the disk alone: the log goes into memory, every other file
// nowhere, the object file into a file in memory (so that seeking back to
// its status byte works as on disk), and nothing is deleted.
class check_files : public px::file_system {
public:
    ~check_files() override { std::free(log_); }
    std::FILE* open(const std::string& path, const char* mode) override {
        bool writes = mode[0] == 'w' || mode[0] == 'a' || std::strchr(mode, '+') != nullptr;
        if (!writes) return file_system::open(path, mode);
        if (px::equal_folded(fs::path(path).filename().string(), "pxlinker.log")) {
            std::free(log_);
            log_ = nullptr;
            size_ = 0;
            return ::open_memstream(&log_, &size_);
        }
        return std::fopen("/dev/null", mode[0] == 'a' ? "a" : "w");
    }
    int create(const std::string&) override { return ::memfd_create("object file", MFD_CLOEXEC); }
    int remove(const std::string&) override { return 0; }
    std::string log() const { return std::string(log_ ? log_ : "", size_); }

private:
    char* log_ = nullptr;
    std::size_t size_ = 0;
};

class builder {
public:
    builder(const options& o, fs::path start) : o_(o), start_(std::move(start)) {}

    build_report build(const std::string& path) {
        build_report report;
        report.path = path;
        report.checked = o_.check;
        fs::path whole(path);
        std::string folder = whole.parent_path().string();
        std::string name = whole.filename().string();
        if (name.empty()) {  // "dir/": let the library report it from here
            folder.clear();
            name = path;
        }
        if (!folder.empty() && ::chdir(folder.c_str()) != 0) {
            report.status = 2;
            report.diagnostics.push_back({"error", false, "cannot change to folder '" + folder + "': " +
                                          std::strerror(errno), path, 0, 0, 0, 0, {}});
            return report;
        }
        fs::path here = fs::current_path();

        px::build_recording recording;
        check_files nowhere;
        px::build_context build;
        build.recording = &recording;
        if (o_.check) build.files = &nowhere;
        int32_t result = px::run_build(build, name.c_str());

        log_ = o_.check ? nowhere.log() : read_whole("pxlinker.log");

        int compile_errors = 0;
        source_lines sources;
        for (const px::diagnostic& d : recording.diagnostics) {
            shown_diagnostic s;
            s.severity = d.level == px::LOG_WARNING ? "warning" : d.level == px::LOG_PANIC ? "fatal error" : "error";
            s.compile_error = d.compile_error;
            s.message = d.message;
            fs::path file = here / (d.where.file.empty() ? name : d.where.file);
            s.file = shown(file);
            s.line = d.where.line;
            s.column = d.where.column;
            s.length = d.length;
            s.step = d.step;
            s.step_as_written = d.step_as_written;
            if (s.line != 0) s.source_line = sources.line(file, s.line);
            compile_errors += d.compile_error;
            report.diagnostics.push_back(std::move(s));
        }
        if (result == 0 || recording.aborted)
            report.status = 2;
        else
            report.status = compile_errors > 0 ? 1 : 0;
        if (!o_.check && report.status != 2 && !recording.object_file.empty()) {
            fs::path object = here / recording.object_file;
            std::error_code error;
            report.object_size = fs::file_size(object, error);
            if (!error) report.object_file = shown(object);
        }
        return report;
    }

    const std::string& log() const { return log_; }

private:
    // The path as the user can open it from where pxc started: relative to
    // that folder when that is shorter.
    std::string shown(const fs::path& file) const {
        fs::path absolute = file.lexically_normal();
        fs::path relative = absolute.lexically_relative(start_);
        if (!relative.empty() && relative.string().size() <= absolute.string().size()) return relative.string();
        return absolute.string();
    }

    const options& o_;
    fs::path start_;
    std::string log_;
};

bool wants_colour(const std::string& when) {
    if (when == "always") return true;
    if (when == "never") return false;
    const char* no_colour = std::getenv("NO_COLOR");
    if (no_colour && *no_colour) return false;
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace

int run(int argc, char** argv) {
    // "pxc dump" reads object files back; it builds nothing.
    if (argc > 1 && std::strcmp(argv[1], "dump") == 0) return run_dump(argc - 2, argv + 2);
    options o;
    if (int status = parse(argc, argv, o)) return status < 0 ? 0 : status;
    for (const std::string& folder : o.folders)
        if (!change_folder(folder)) return 2;
    std::error_code error;
    fs::path start = fs::current_path(error);
    if (error) {
        std::cerr << "pxc: cannot read the working folder: " << error.message() << "\n";
        return 2;
    }
    // The library waits a few seconds after some warnings so that a person
    // can read them on the screen; here they are printed and nobody waits.
    px::set_pauses_enabled(false);
    palette colours{wants_colour(o.colour)};

    builder b(o, start);
    std::vector<build_report> builds;
    int status = 0;
    for (const std::string& path : o.paths) {
        build_report report = b.build(path);
        if (::chdir(start.c_str()) != 0) {
            std::cerr << "pxc: cannot return to folder '" << start.string() << "': " << std::strerror(errno) << "\n";
            return 2;
        }
        if (o.log) {
            std::cout << b.log();
            if (!b.log().empty() && b.log().back() != '\n') std::cout << '\n';
            std::cout.flush();
        }
        if (o.shown == format::text) {
            for (const shown_diagnostic& d : report.diagnostics) print_text(std::cerr, d, colours);
        }
        print_summary(std::cerr, report, colours);
        if (report.status > status) status = report.status;
        builds.push_back(std::move(report));
    }
    if (o.shown == format::json) print_json(std::cout, builds);
    if (o.shown == format::sarif) print_sarif(std::cout, builds, PXC_VERSION);
    std::cout.flush();
    return status;
}

}  // namespace pxc
