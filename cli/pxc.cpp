// pxc: the Plexa compiler for terminals, scripts and CI pipelines.
//
// Every path is built in turn through the library's one export, in one
// process, so that configuration read by one build carries over to the next
// exactly as it does in the desktop builder. After each build its log is
// printed.
//
// The library resolves the names inside a project (the step files a makefile
// lists, the .fig and .tab files) against the working folder, and writes its
// log there. A user at a terminal means "beside the project file", so each
// build runs from the folder that holds its path, as make -C would.
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "dump.h"

extern "C" int32_t pxcompiler(char* path);

namespace {

constexpr const char* USAGE =
    "Usage: pxc [OPTION]... PATH...\n"
    "Build each Plexa makefile (.mak) or step file (.vep, .pre) in turn with the\n"
    "pxcompiler library, printing each build's log. Each build runs from the folder\n"
    "that holds its PATH: the names a makefile lists and the .fig and .tab files are\n"
    "found there, and the log (pxlinker.log) is written there. The outputs (.dso,\n"
    ".lst, .err, .xrf) are written beside the master step file.\n"
    "\n"
    "Options:\n"
    "  -C, --directory=DIR  change to DIR first; relative PATHs are taken from there\n"
    "  -h, --help           show this help and exit\n"
    "  -V, --version        show the version and exit\n"
    "  --                   treat every following argument as a path\n"
    "\n"
    "pxc dump [--source | --diff] FILE.dso... reads object files back as Plexa;\n"
    "see 'pxc dump --help'.\n"
    "\n"
    "Exit status:\n"
    "  0  every build was clean\n"
    "  1  a build wrote its object file with compile errors\n"
    "  2  a build failed (no object file), or the command line was wrong\n";

namespace fs = std::filesystem;

std::string read_log() {
    std::ifstream in("pxlinker.log", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The text after the closing line: the summary of a clean build, or nothing.
bool log_ends_clean(const std::string& log) {
    static const std::string complete = "************* COMPILE/LINK COMPLETE ***************\r\n\n";
    std::size_t at = log.rfind(complete);
    if (at == std::string::npos) return false;
    return log.compare(at + complete.size(), 19, "Successful compile:") == 0;
}

int usage_error(const std::string& what) {
    std::cerr << "pxc: " << what << "\n" << "Try 'pxc --help'.\n";
    return 2;
}

bool change_folder(const std::string& folder) {
    if (::chdir(folder.c_str()) == 0) return true;
    std::cerr << "pxc: cannot change to folder '" << folder << "': " << std::strerror(errno) << "\n";
    return false;
}

// Runs one build from the folder that holds `path` and returns the export's
// result and the build's log. `ran` is false when that folder cannot be
// entered.
int32_t build_beside(const std::string& path, std::string& log, bool& ran) {
    fs::path whole(path);
    std::string folder = whole.parent_path().string();
    std::string name = whole.filename().string();
    if (name.empty()) {  // "dir/": let the library report it from here
        folder.clear();
        name = path;
    }
    ran = folder.empty() || change_folder(folder);
    if (!ran) return 0;
    // The library may write into its argument: hand it a copy.
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    int32_t result = pxcompiler(buffer.data());
    log = read_log();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    // "pxc dump" reads object files back; it builds nothing.
    if (argc > 1 && std::strcmp(argv[1], "dump") == 0) return run_dump(argc - 2, argv + 2);
    std::vector<std::string> paths;
    std::vector<std::string> folders;  // -C, in order: each is taken from the one before
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!options_done && (arg == "-C" || arg == "--directory")) {
            if (i + 1 == argc) return usage_error("option '" + arg + "' needs a folder");
            folders.push_back(argv[++i]);
        } else if (!options_done && arg.rfind("--directory=", 0) == 0) {
            folders.push_back(arg.substr(12));
        } else if (!options_done && arg.size() > 2 && arg.rfind("-C", 0) == 0) {
            folders.push_back(arg.substr(2));
        } else if (!options_done && arg == "--") {
            options_done = true;
        } else if (!options_done && (arg == "-h" || arg == "--help")) {
            std::cout << USAGE;
            return 0;
        } else if (!options_done && (arg == "-V" || arg == "--version")) {
            std::cout << "pxc 2.1 (Plexa compiler library pxcompiler 2.1)\n";
            return 0;
        } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option '" + arg + "'");
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty()) return usage_error("no path given");
    for (const std::string& folder : folders)
        if (!change_folder(folder)) return 2;
    std::error_code error;
    fs::path start = fs::current_path(error);
    if (error) {
        std::cerr << "pxc: cannot read the working folder: " << error.message() << "\n";
        return 2;
    }

    int status = 0;
    for (const std::string& path : paths) {
        std::string log;
        bool ran = false;
        int32_t result = build_beside(path, log, ran);
        if (::chdir(start.c_str()) != 0) {
            std::cerr << "pxc: cannot return to folder '" << start.string() << "': " << std::strerror(errno) << "\n";
            return 2;
        }
        if (!ran) {
            std::cerr << "pxc: " << path << ": build failed (folder not found)\n";
            status = 2;
            continue;
        }
        std::cout << log;
        if (!log.empty() && log.back() != '\n') std::cout << '\n';
        std::cout.flush();
        int build_status;
        if (result == 0 || log.find("Compilation aborted") != std::string::npos)
            build_status = 2;
        else
            build_status = log_ends_clean(log) ? 0 : 1;
        std::cerr << "pxc: " << path << ": "
                  << (build_status == 0 ? "built clean" : build_status == 1 ? "built with compile errors" : "build failed")
                  << " (result " << result << ")\n";
        if (build_status > status) status = build_status;
    }
    return status;
}
