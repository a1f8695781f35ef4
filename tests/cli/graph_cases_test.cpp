// Step graphs as files: one test per folder under tests/cases/graph.
//
// A case folder holds case.txt, in/ and expected.json. case.txt has '#'
// comment lines (the first says what the case guards) and these lines:
//   copy DIR     copy the files of DIR of the source tree into the scratch folder
//   graph PATH   the program drawn (a makefile, a step file or an object file)
//   build PATH   pxc builds PATH first (to draw the object file it writes)
//   exit N       the exit status pxc graph must give (0 when not said)
// The inputs are copied into a fresh scratch folder, the working directory,
// and `pxc graph --format=json PATH` must print expected.json exactly; the
// run is repeated with every LF of the inputs made CR LF, to the same JSON.
// Graphviz's own parser must accept the DOT of the same graph and lay it
// out. PX_UPDATE_GOLDEN=1 rewrites expected.json from the first run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "case_text.h"
#include "graph_output.h"
#include "pxc.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path cases_dir = fs::path(PX_CASES_DIR) / "graph";

struct graph_case {
    std::vector<std::string> copies;
    std::vector<std::string> builds;
    std::string path;
    int exit = 0;
};

graph_case read_case(const fs::path& folder) {
    graph_case c;
    std::istringstream in(pxtest::read_file((folder / "case.txt").string()));
    for (std::string line; std::getline(in, line);) {
        line = pxtest::trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::string verb = line.substr(0, line.find(' '));
        std::string rest = pxtest::trim(line.substr(verb.size()));
        if (verb == "copy") c.copies.push_back(rest);
        else if (verb == "build") c.builds.push_back(rest);
        else if (verb == "graph") c.path = rest;
        else if (verb == "exit") c.exit = std::atoi(rest.c_str());
        else ADD_FAILURE() << folder / "case.txt" << ": not understood: " << line;
    }
    return c;
}

// pxc in this process; what it says on standard error is kept out of the
// test's output.
int run_pxc(std::vector<std::string> args) {
    args.insert(args.begin(), "pxc");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::ostringstream said;
    std::streambuf* err = std::cerr.rdbuf(said.rdbuf());
    int status = pxc::run(static_cast<int>(args.size()), argv.data());
    std::cerr.rdbuf(err);
    return status;
}

// The case's inputs in the working folder, as written or in CR LF.
void lay_out(const fs::path& folder, const graph_case& c, bool crlf) {
    std::vector<std::pair<fs::path, fs::path>> sources;
    for (const std::string& copy : c.copies)
        for (const auto& entry : fs::directory_iterator(fs::path(PX_SOURCE_DIR) / copy))
            if (entry.is_regular_file()) sources.emplace_back(entry.path(), entry.path().filename());
    if (fs::is_directory(folder / "in"))
        for (const auto& entry : fs::recursive_directory_iterator(folder / "in"))
            if (entry.is_regular_file()) sources.emplace_back(entry.path(), entry.path().lexically_relative(folder / "in"));
    for (const auto& [from, to] : sources) {
        if (to.has_parent_path()) fs::create_directories(to.parent_path());
        std::string bytes = pxtest::read_file(from.string());
        bool text = from.extension() != ".dso";
        pxtest::write_file(to.string(), crlf && text ? pxtest::crlf(bytes) : bytes);
    }
}

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases_dir))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class graph_cases : public testing::TestWithParam<std::string> {};

TEST_P(graph_cases, draws_the_expected_graph) {
    const fs::path folder = cases_dir / GetParam();
    const graph_case c = read_case(folder);
    ASSERT_FALSE(c.path.empty()) << folder / "case.txt" << " names no graph";
    const fs::path expected = folder / "expected.json";
    for (bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "inputs in CR LF" : "inputs as written");
        pxtest::scratch_dir scratch;
        lay_out(folder, c, crlf);
        for (const std::string& path : c.builds) run_pxc({path});
        ASSERT_EQ(run_pxc({"graph", "--format=json", "-o", "graph.json", c.path}), c.exit);
        std::string json = pxtest::read_file("graph.json");
        if (std::getenv("PX_UPDATE_GOLDEN") && !crlf) pxtest::write_file(expected.string(), json);
        EXPECT_EQ(json, pxtest::read_file(expected.string())) << expected;

        ASSERT_EQ(run_pxc({"graph", "-o", "graph.dot", c.path}), c.exit);
        std::string svg, why;
        EXPECT_TRUE(pxc::render_svg(pxtest::read_file("graph.dot"), svg, why)) << "Graphviz refuses the DOT: " << why;
    }
}

INSTANTIATE_TEST_SUITE_P(graph, graph_cases, testing::ValuesIn(case_names()),
                         [](const testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
