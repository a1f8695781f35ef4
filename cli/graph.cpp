// pxc graph: a program drawn as its steps and every way out of each.
//
// A makefile or a step file is built as pxc --check builds it, writing
// nothing, with the step compiler noting what each instruction wrote; an
// object file is read back by pxc dump's reader. Either way the ways out
// come from the step code through the same decoders (step_graph.h).
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

#include "command.h"
#include "driver/helpers.h"
#include "driver/object_dump.h"
#include "driver/object_file.h"
#include "driver/object_reader.h"
#include "driver/utilities.h"
#include "graph_output.h"
#include "graph_rules.h"
#include "platform/clock.h"
#include "step_graph.h"

namespace pxc {

const char* const GRAPH_USAGE =
    "Usage: pxc graph [--format=dot|svg|json] [-o FILE] PATH\n"
    "Draw a program as its steps and every way out of each: the goto clause of\n"
    "each instruction (\"next\" taken to the step after) and each task of \"do\".\n"
    "PATH is a makefile (.mak), a step file (.vep, .pre) or an object file (.dso,\n"
    "read back without its labels). A program is built as pxc --check builds it,\n"
    "writing nothing; its messages go to standard error.\n"
    "\n"
    "  --format=FORMAT    dot (the default), svg (laid out by Graphviz) or json\n"
    "  -o, --output=FILE  write the graph to FILE instead of standard output\n"
    "  -h, --help         show this help and exit\n"
    "\n"
    "JSON: {\"steps\": [{\"step\", \"step_as_written\", \"label\", \"file\", \"line\"}...],\n"
    "\"edges\": [{\"from\", \"to\", \"kind\" (goto or task), \"instruction\"}...]}.\n"
    "\n"
    "Exit status: 0 the graph was written; 1 it was written, but the program has\n"
    "compile errors, and the instructions that failed have no ways out in it;\n"
    "2 no graph: the program or object file cannot be read, the output cannot be\n"
    "written, or the command line was wrong.\n";

namespace {

namespace fs = std::filesystem;

struct graph_options {
    std::string format = "dot";
    std::string output;
    std::string path;
};

bool is_object_file(const std::string& path) {
    std::string::size_type dot = px::find_extension(path);
    return dot != std::string::npos && px::equal_folded(path.substr(dot), ".dso");
}

// The graph of an object file; false, having said why, when it does not
// read back whole.
bool graph_of_file(const std::string& path, step_graph& graph) {
    std::string bytes, why;
    if (!read_input(path, px::largest_object_file(), bytes, why)) {
        std::cerr << "pxc graph: cannot read '" << path << "'" << (why.empty() ? "" : ": " + why) << "\n";
        return false;
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    px::dump_output checked = px::dump_object(data, bytes.size(), px::dump_view::source);
    for (const px::object_problem& p : checked.problems)
        std::cerr << "pxc graph: " << path << ": offset " << p.offset << ": " << p.message << "\n";
    if (!checked.problems.empty()) return false;
    graph = graph_of_object(px::read_object(data, bytes.size()), path);
    return true;
}

// The graph of a program, built from its folder; its files as pxc shows
// paths. The build's messages go to standard error; the flow warnings are
// pxc's build's, not the drawing's.
int graph_of_program(const std::string& path, step_graph& graph) {
    std::error_code error;
    fs::path start = fs::current_path(error);
    if (error) {
        std::cerr << "pxc graph: cannot read the working folder: " << error.message() << "\n";
        return 2;
    }
    px::set_pauses_enabled(false);
    build_settings settings;
    settings.check = true;
    settings.draw = true;
    settings.start = start;
    for (std::size_t i = 0; i < GRAPH_RULE_COUNT; ++i) settings.silenced.push_back(GRAPH_RULES[i].code);
    built_path built = build_path(path, settings);
    if (::chdir(start.c_str()) != 0) {
        std::cerr << "pxc graph: cannot return to folder '" << start.string() << "': " << std::strerror(errno) << "\n";
        return 2;
    }
    palette colours{wants_colour("auto")};
    print_texts(std::cerr, built.report.diagnostics, colours);
    if (built.report.status == 2) {
        print_summary(std::cerr, built.report, colours);
        return 2;
    }
    graph = std::move(built.graph);
    for (graph_step& s : graph.steps) s.file = shown_path(built.folder / s.file, start);
    return built.report.status;
}

int run_graph(const graph_options& o) {
    if (o.path.empty()) return usage_error("pxc graph", "no path given");
    std::error_code same;
    if (!o.output.empty() && fs::equivalent(o.output, o.path, same))
        return usage_error("pxc graph", "the graph would be written over '" + o.path + "'");
    step_graph graph;
    int status = 0;
    if (is_object_file(o.path)) {
        if (!graph_of_file(o.path, graph)) return 2;
    } else {
        if (refuse_build_output("pxc graph", o.path)) return 2;
        status = graph_of_program(o.path, graph);
        if (status == 2) return 2;
    }

    std::string text;
    if (o.format == "json") {
        text = graph_json(graph);
    } else if (o.format == "svg") {
        std::string why;
        if (!render_svg(graph_dot(graph), text, why)) {
            std::cerr << "pxc graph: " << why << "\n";
            return 2;
        }
    } else {
        text = graph_dot(graph);
    }

    if (o.output.empty() || o.output == "-") {
        std::cout << text;
        std::cout.flush();
        if (!std::cout) {
            std::cerr << "pxc graph: cannot write the standard output\n";
            return 2;
        }
        return status;
    }
    std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "pxc graph: cannot write '" << o.output << "': " << std::strerror(errno) << "\n";
        return 2;
    }
    return status;
}

}  // namespace

command_body declare_graph(CLI::App& app) {
    auto o = std::make_shared<graph_options>();
    app.add_option("--format", o->format)->check(CLI::IsMember({"dot", "svg", "json"}))->type_name("dot, svg or json");
    app.add_option("-o,--output", o->output)->type_name("a file");
    app.add_option("path", o->path);
    return [o] { return run_graph(*o); };
}

}  // namespace pxc
