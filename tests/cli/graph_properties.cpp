// The graph of an object file is the graph of its sources: the same step
// numbers and the same edges (from, to, kind, in order), for every program
// at hand that builds clean.
//
//   px_graph_properties [--generated N] [--seed S] [projects DIR | cases DIR]...
//
// "projects DIR": each folder in DIR is a project (the examples); "cases
// DIR": the in/ folder of each case in DIR is one. In each project every
// makefile and .vep file is built, writing its object file, and drawn from
// its sources and from that object file. Then N programs are generated from
// seed S, program i from S + i, and drawn the same two ways. Ends with
// "N passed, N failed"; exits 1 when anything failed.
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "driver/object_reader.h"
#include "platform/clock.h"
#include "program_walk.h"
#include "step_graph.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

struct tally {
    long drawn = 0, edges = 0, unclean = 0;
    long passed = 0, failed = 0;
};

std::string edge_text(const pxc::graph_edge& e) {
    return std::to_string(e.from) + (e.kind == pxc::edge_kind::task ? " task " : " goto ") + std::to_string(e.to);
}

// Where the two graphs first differ, or "".
std::string difference(const pxc::step_graph& sources, const pxc::step_graph& object) {
    std::size_t steps = std::max(sources.steps.size(), object.steps.size());
    for (std::size_t i = 0; i < steps; ++i) {
        uint32_t a = i < sources.steps.size() ? sources.steps[i].step : 0;
        uint32_t b = i < object.steps.size() ? object.steps[i].step : 0;
        if (a != b) return "step " + std::to_string(i + 1) + " is [" + std::to_string(a) + "] from the sources, [" +
                           std::to_string(b) + "] from the object file";
    }
    std::size_t edges = std::max(sources.edges.size(), object.edges.size());
    for (std::size_t i = 0; i < edges; ++i) {
        std::string a = i < sources.edges.size() ? edge_text(sources.edges[i]) : "none";
        std::string b = i < object.edges.size() ? edge_text(object.edges[i]) : "none";
        if (a != b) return "edge " + std::to_string(i + 1) + " is " + a + " from the sources, " + b + " from the object file";
    }
    return {};
}

void check_entry(const fs::path& entry, const std::string& what, tally& t) {
    pxc::build_settings settings;
    settings.draw = true;
    settings.start = entry.parent_path();
    pxc::built_path built = pxc::build_path(entry.string(), settings);
    fs::current_path(settings.start);
    if (built.report.status != 0 || built.report.object_file.empty()) {
        ++t.unclean;
        return;
    }
    std::string bytes = pxtest::read_file((settings.start / built.report.object_file).string());
    pxc::step_graph object = pxc::graph_of_object(
        px::read_object(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), built.report.object_file);
    ++t.drawn;
    t.edges += static_cast<long>(built.graph.edges.size());
    std::string differ = difference(built.graph, object);
    if (differ.empty()) {
        ++t.passed;
    } else {
        ++t.failed;
        std::cout << "FAILED: " << what << ": " << entry.filename().string() << ": " << differ << "\n";
    }
}

bool is_entry(const fs::path& file) {
    return strcasecmp(file.extension().c_str(), ".mak") == 0 || strcasecmp(file.extension().c_str(), ".vep") == 0;
}

// Every makefile and .vep file of a fresh copy of `source`.
void check_project(const fs::path& work, const fs::path& source, const std::string& what, tally& t) {
    fs::path copy = work / "project";
    fs::current_path(work);
    fs::remove_all(copy);
    fs::copy(source, copy, fs::copy_options::recursive);
    std::vector<fs::path> entries;
    for (const auto& e : fs::directory_iterator(copy))
        if (e.is_regular_file() && is_entry(e.path())) entries.push_back(e.path());
    std::sort(entries.begin(), entries.end());
    for (const fs::path& entry : entries) check_entry(entry, what, t);
}

void report(const std::string& set, const tally& t) {
    std::cout << set << ": " << t.drawn << " programs drawn from sources and object file (" << t.edges << " edges), "
              << t.unclean << " not clean and left out\n";
}

}  // namespace

int main(int argc, char** argv) {
    const pxtest::program_sets programs = pxtest::read_program_sets(argc, argv);
    px::set_pauses_enabled(false);
    pxtest::scratch_dir scratch;
    const fs::path work = scratch.path();
    return pxtest::walk_programs<tally>(
        programs, work,
        [&](const fs::path& source, const std::string& what, tally& t) { check_project(work, source, what, t); },
        [](const fs::path& folder, const std::string& what, tally& t) { check_entry(folder / "P.VEP", what, t); },
        report);
}
