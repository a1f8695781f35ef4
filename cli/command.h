// What every pxc command shares: how a command is declared on the command
// line parser, and the few rules every command keeps about the files it is
// given.
//
// A command is one row of the table in pxc.cpp: its word, one line that
// names what it does, its help text, and a function that declares its
// options and arguments on a parser of its own and hands back what runs it.
// Adding a command is writing that function and adding its row.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "driver/source_places.h"
#include "report.h"
#include "step_graph.h"

namespace CLI {
class App;
}

namespace pxc {

// Runs a command whose command line has been read; returns the exit status.
using command_body = std::function<int()>;

struct command {
    const char* name;      // the word after "pxc"
    const char* synopsis;  // its arguments, for pxc --help
    const char* summary;   // what it does, for pxc --help; "\n" breaks a line
    const char* usage;     // what pxc COMMAND --help prints
    command_body (*declare)(CLI::App& app);
};

// --- declared by the commands ---------------------------------------------

command_body declare_build(CLI::App& app);
command_body declare_dump(CLI::App& app);
command_body declare_fmt(CLI::App& app);
command_body declare_graph(CLI::App& app);
command_body declare_lsp(CLI::App& app);

// pxc --help: BUILD_USAGE, the commands, BUILD_USAGE_END.
extern const char* const BUILD_USAGE;
extern const char* const BUILD_USAGE_END;
extern const char* const DUMP_USAGE;
extern const char* const FMT_USAGE;
extern const char* const GRAPH_USAGE;
extern const char* const LSP_USAGE;

// --- rules every command keeps --------------------------------------------

// "pxc: what" and the hint to the help, for a command line that is wrong;
// returns 2. `name` is how the command is named: "pxc", "pxc dump".
int usage_error(const std::string& name, const std::string& what);

// True when path names one of a build's outputs (.dso, .lst, .err, .xrf,
// .log in any letter case); then it says so, pointing to pxc dump. No
// command reads these as sources, and a build would write over them.
bool refuse_build_output(const std::string& name, const std::string& path);

// Reads a whole regular file, or standard input for "-", of at most `limit`
// bytes. Nothing that is not a regular file is read at all (a folder, a
// named pipe, a device), and no more than limit + 1 bytes of anything, so
// that a file too large is known at once. False with the reason otherwise:
// "" when the file cannot be opened, else a few words.
bool read_input(const std::string& path, std::size_t limit, std::string& bytes, std::string& why);
constexpr std::size_t NO_LIMIT = static_cast<std::size_t>(-1) / 2;

// Writes all of bytes to a descriptor, again after an interruption; false
// when it cannot.
bool write_all(int fd, const std::string& bytes);

// Line `number` (from 1) of a text, without its line end (CR LF or LF).
std::string line_of(const std::string& text, uint32_t number);

// A library diagnostic as pxc shows it, without its source line.
shown_diagnostic shown_from(const px::diagnostic& d, const std::string& file);

// Colour for `when` (auto, always, never) on standard error.
bool wants_colour(const std::string& when);

// --- one build as pxc runs it ---------------------------------------------

struct build_settings {
    bool check = false;                  // write nothing
    std::filesystem::path start;         // where pxc started: paths are shown from there
    std::vector<std::string> silenced;   // flow warnings left out (-Wno-CODE)
    bool draw = false;                   // the caller shows the graph, with each instruction's text
};

struct built_path {
    build_report report;
    step_graph graph;              // its files as the build named them, from `folder`
    std::filesystem::path folder;  // the build ran from here
    std::string log;
};

// Builds `path` from the folder that holds it, recording every message at
// its place and drawing the program's step graph, whose warnings follow the
// build's own messages. The working folder is left where the build ran.
built_path build_path(const std::string& path, const build_settings& settings);

// The path as the user can open it from `start`: relative to it when that
// is shorter.
std::string shown_path(const std::filesystem::path& file, const std::filesystem::path& start);

}  // namespace pxc
