// Building, what pxc does when no command is named.
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
//
// After its own messages, a build gets the warnings of its step graph
// (graph_rules.h): pxc's own, from the flow the compiler resolved; they
// change neither the exit status nor anything the library writes.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "check_files.h"
#include "command.h"
#include "driver/build_context.h"
#include "driver/driver.h"
#include "driver/graph_record.h"
#include "driver/source_places.h"
#include "graph_rules.h"
#include "lsp_text.h"
#include "platform/clock.h"
#include "platform/file_names.h"
#include "report.h"
#include "step_graph.h"

#ifndef PXC_VERSION
#define PXC_VERSION "unknown"
#endif

namespace pxc {

const char* const BUILD_USAGE =
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
    "  -Wno-CODE               leave out the flow warning CODE: unreachable-step,\n"
    "                          unused-label, self-loop or task-without-done\n"
    "  -h, --help              show this help and exit\n"
    "  -V, --version           show the version and exit\n"
    "  --                      treat every following argument as a path\n"
    "\n";

const char* const BUILD_USAGE_END =
    "When SOURCE_DATE_EPOCH holds a number of seconds since 1970, the map is dated\n"
    "with it (in UTC), so that two builds of the same sources are byte-identical.\n"
    "\n"
    "Exit status:\n"
    "  0  every build was clean\n"
    "  1  a build wrote its object file with compile errors\n"
    "  2  a build failed (no object file), or the command line was wrong\n";

namespace {

namespace fs = std::filesystem;

struct options {
    std::vector<std::string> folders;  // -C, in order: each is taken from the one before
    std::vector<std::string> paths;
    bool check = false;
    bool log = false;
    std::string colour = "auto";
    std::string shown = "text";  // text, json or sarif
    std::vector<std::string> warnings;  // -W: no-CODE or CODE, in order
};

bool change_folder(const std::string& folder) {
    if (::chdir(folder.c_str()) == 0) return true;
    std::cerr << "pxc: cannot change to folder '" << folder << "': " << std::strerror(errno) << "\n";
    return false;
}

std::string read_whole(const fs::path& name) {
    std::ifstream in(name, std::ios::binary);
    std::string bytes;
    char block[64 * 1024];
    while (in.read(block, sizeof block) || in.gcount() > 0) bytes.append(block, static_cast<std::size_t>(in.gcount()));
    return bytes;
}

// The lines of the files that messages point into, each file read once per
// build however many messages it has: a program may earn thousands.
class source_lines {
public:
    // Line `number` (from 1) of a file, without its line end.
    std::string line(const fs::path& file, uint32_t number) {
        auto [at, fresh] = files_.try_emplace(file);
        file_lines& f = at->second;
        if (fresh) {
            f.text = read_whole(file);
            f.lines.emplace(f.text);
        }
        return number < 1 ? std::string() : std::string(f.lines->line(number - 1));
    }

private:
    struct file_lines {
        std::string text;
        std::optional<lsp::text_lines> lines;  // over text, which stays put in the map
    };
    std::map<fs::path, file_lines> files_;
};

bool silenced(const build_settings& settings, const char* code) {
    return std::find(settings.silenced.begin(), settings.silenced.end(), code) != settings.silenced.end();
}

// The lines of a build's warnings from its step graph, where they point.
void add_flow_warnings(build_report& report, const step_graph& graph, const build_settings& settings,
                       const fs::path& here, source_lines& sources) {
    std::map<std::string, std::string> shown;  // a file as the build named it, as pxc shows it
    for (const graph_finding& f : check_graph(graph)) {
        if (silenced(settings, f.code)) continue;
        const graph_step* s = graph.find(f.step);
        if (!s) continue;
        shown_diagnostic d;
        d.severity = "warning";
        d.message = f.message;
        d.code = f.code;
        fs::path file = here / s->file;
        auto [at, fresh] = shown.try_emplace(s->file);
        if (fresh) at->second = shown_path(file, settings.start);
        d.file = at->second;
        d.line = f.at_label ? s->label_line : s->line;
        d.column = f.at_label ? s->label_column : s->column;
        d.step = s->step;
        d.step_as_written = s->step_as_written;
        if (d.line != 0) d.source_line = sources.line(file, d.line);
        report.diagnostics.push_back(std::move(d));
    }
}

}  // namespace

std::string shown_path(const fs::path& file, const fs::path& start) {
    fs::path absolute = file.lexically_normal();
    fs::path relative = absolute.lexically_relative(start);
    if (!relative.empty() && relative.string().size() <= absolute.string().size()) return relative.string();
    return absolute.string();
}

built_path build_path(const std::string& path, const build_settings& settings) {
    built_path built;
    build_report& report = built.report;
    report.path = path;
    report.checked = settings.check;
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
                                      std::strerror(errno), path, 0, 0, 0, 0, {}, 0, {}});
        return built;
    }
    fs::path here = fs::current_path();
    built.folder = here;

    px::build_recording recording;
    px::graph_record drawn;
    drawn.keep_texts = settings.draw;
    bool checked = false;
    for (std::size_t i = 0; i < GRAPH_RULE_COUNT; ++i) checked = checked || !silenced(settings, GRAPH_RULES[i].code);
    check_files nowhere;
    px::build_context build;
    build.recording = &recording;
    if (settings.draw || checked) build.graph = &drawn;
    if (settings.check) build.files = &nowhere;
    int32_t result = px::run_build(build, name.c_str());

    built.log = settings.check ? nowhere.log() : read_whole("pxlinker.log");

    int compile_errors = 0;
    source_lines sources;
    for (const px::diagnostic& d : recording.diagnostics) {
        fs::path file = here / (d.where.file.empty() ? name : d.where.file);
        shown_diagnostic s = shown_from(d, shown_path(file, settings.start));
        if (s.line != 0) s.source_line = sources.line(file, s.line);
        compile_errors += d.compile_error;
        report.diagnostics.push_back(std::move(s));
    }
    if (result == 0 || recording.aborted)
        report.status = 2;
    else
        report.status = compile_errors > 0 ? 1 : 0;
    if (report.status != 2 && build.graph) {
        built.graph = graph_of_build(drawn, recording.files);
        add_flow_warnings(report, built.graph, settings, here, sources);
    }
    if (!settings.check && report.status != 2 && !recording.object_file.empty()) {
        fs::path object = here / recording.object_file;
        std::error_code error;
        report.object_size = fs::file_size(object, error);
        if (!error) report.object_file = shown_path(object, settings.start);
    }
    return built;
}

namespace {

// -Wno-CODE silences a flow warning, -WCODE gives it again; the last word
// for a code wins. False, having said why, for a code that is none.
bool read_warning_options(const std::vector<std::string>& words, std::vector<std::string>& silenced) {
    for (const std::string& word : words) {
        bool off = word.rfind("no-", 0) == 0;
        std::string code = off ? word.substr(3) : word;
        if (!is_graph_rule(code)) {
            usage_error("pxc", "unknown warning option '-W" + word + "'");
            return false;
        }
        silenced.erase(std::remove(silenced.begin(), silenced.end(), code), silenced.end());
        if (off) silenced.push_back(code);
    }
    return true;
}

int run_build(const options& o) {
    if (o.paths.empty()) return usage_error("pxc", "no path given");
    build_settings settings;
    settings.check = o.check;
    if (!read_warning_options(o.warnings, settings.silenced)) return 2;
    bool refused = false;
    for (const std::string& path : o.paths) refused = refuse_build_output("pxc", path) || refused;
    if (refused) return 2;
    long long epoch = 0;
    if (px::source_date_epoch(epoch) == px::epoch_setting::invalid) {
        std::cerr << "pxc: SOURCE_DATE_EPOCH='" << std::getenv("SOURCE_DATE_EPOCH")
                  << "' is not a number of seconds since 1970-01-01 00:00:00 UTC (up to 253402300799)\n";
        return 2;
    }
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

    settings.start = start;
    std::vector<build_report> builds;
    int status = 0;
    for (const std::string& path : o.paths) {
        built_path built = build_path(path, settings);
        build_report& report = built.report;
        if (::chdir(start.c_str()) != 0) {
            std::cerr << "pxc: cannot return to folder '" << start.string() << "': " << std::strerror(errno) << "\n";
            return 2;
        }
        if (o.log) {
            std::cout << built.log;
            if (!built.log.empty() && built.log.back() != '\n') std::cout << '\n';
            std::cout.flush();
        }
        if (o.shown == "text") print_texts(std::cerr, report.diagnostics, colours);
        print_summary(std::cerr, report, colours);
        if (report.status > status) status = report.status;
        builds.push_back(std::move(report));
    }
    if (o.shown == "json") print_json(std::cout, builds);
    if (o.shown == "sarif") print_sarif(std::cout, builds, PXC_VERSION);
    std::cout.flush();
    return status;
}

}  // namespace

command_body declare_build(CLI::App& app) {
    auto o = std::make_shared<options>();
    // The type name of an option with a value says what it takes, for the
    // message about a missing or a wrong value.
    app.add_option("-C,--directory", o->folders)->take_all()->allow_extra_args(false)->type_name("a folder");
    app.add_flag("--check", o->check);
    app.add_flag("--log", o->log);
    app.add_option("--color,--colour", o->colour)
        ->check(CLI::IsMember({"auto", "always", "never"}))
        ->type_name("auto, always or never");
    app.add_option("--diagnostics-format", o->shown)
        ->check(CLI::IsMember({"text", "json", "sarif"}))
        ->type_name("text, json or sarif");
    app.add_option("-W", o->warnings)->take_all()->allow_extra_args(false)->type_name("no-CODE");
    app.add_option("path", o->paths);
    return [o] { return run_build(*o); };
}

}  // namespace pxc
