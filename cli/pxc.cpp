// pxc: the Plexa compiler for terminals, scripts and CI pipelines.
//
// Every path is built in turn through the library's one export, in one
// process, so that configuration read by one build carries over to the next
// exactly as it does in the desktop builder. After each build its log is
// printed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

extern "C" int32_t pxcompiler(char* path);

namespace {

constexpr const char* USAGE =
    "Usage: pxc [OPTION] PATH...\n"
    "Build each Plexa makefile (.mak) or step file (.vep, .pre) in turn with the\n"
    "pxcompiler library, printing each build's log (pxlinker.log, written into the\n"
    "current directory). The outputs (.dso, .lst, .err, .xrf) are written beside\n"
    "the master step file.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "  --             treat every following argument as a path\n"
    "\n"
    "Exit status:\n"
    "  0  every build was clean\n"
    "  1  a build wrote its object file with compile errors\n"
    "  2  a build failed (no object file), or the command line was wrong\n";

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

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> paths;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (!options_done && arg == "--") {
            options_done = true;
        } else if (!options_done && (arg == "-h" || arg == "--help")) {
            std::cout << USAGE;
            return 0;
        } else if (!options_done && (arg == "-V" || arg == "--version")) {
            std::cout << "pxc 2.1 (Plexa compiler library pxcompiler 2.1)\n";
            return 0;
        } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
            std::cerr << "pxc: unknown option '" << arg << "'\n" << "Try 'pxc --help'.\n";
            return 2;
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.empty()) {
        std::cerr << "pxc: no path given\n" << "Try 'pxc --help'.\n";
        return 2;
    }

    int status = 0;
    for (const std::string& path : paths) {
        // The library may write into its argument: hand it a copy.
        std::vector<char> buffer(path.begin(), path.end());
        buffer.push_back('\0');
        int32_t result = pxcompiler(buffer.data());
        std::string log = read_log();
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
