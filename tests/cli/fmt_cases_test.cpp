// The formatter's cases: tests/cases/fmt/*.txt, each a step file in and the
// exact text the formatter gives for it (see tests/cases/fmt/README.md).
// Every case also holds the formatter's two promises: formatting the output
// again changes nothing, and the output builds to the same object file,
// listing, error file and map as the input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "build_outputs.h"
#include "command.h"
#include "format.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path cases = fs::path(PX_CASES_DIR) / "fmt";

struct fmt_case {
    std::map<std::string, std::string> sections;  // "in", "out", "messages", "fig"
    bool in_ends_open = false;                     // the input's last line has no line end
    bool out_is_in = false;                        // the input comes back byte for byte
};

fmt_case read_case(const fs::path& file) {
    fmt_case c;
    std::ifstream in(file, std::ios::binary);
    std::string line, current;
    while (std::getline(in, line)) {
        if (line.rfind("=== ", 0) == 0) {
            current = line.substr(4);
            if (current == "in, with no line end at the end") {
                current = "in";
                c.in_ends_open = true;
            }
            if (current == "out: the input, unchanged") {
                current = "out";
                c.out_is_in = true;
            }
            c.sections[current];
            continue;
        }
        if (current.empty()) continue;  // the comment lines before the first section
        c.sections[current] += line + "\n";
    }
    if (c.in_ends_open && !c.sections["in"].empty()) c.sections["in"].pop_back();
    return c;
}

// The messages as "LINE:COLUMN: severity: message", or "severity: message"
// for one about the file as a whole.
std::string messages_of(const pxc::formatted& f) {
    std::string out;
    for (const px::diagnostic& d : f.diagnostics) {
        pxc::shown_diagnostic s = pxc::shown_from(d, "");
        if (s.line != 0) out += std::to_string(s.line) + ":" + std::to_string(s.column) + ": ";
        out += s.severity + ": " + s.message + "\n";
    }
    return out;
}

class fmt_case_test : public ::testing::TestWithParam<std::string> {};

TEST_P(fmt_case_test, gives_the_expected_text_again_and_again_and_builds_the_same) {
    fmt_case c = read_case(cases / GetParam());
    ASSERT_TRUE(c.sections.count("in")) << GetParam() << ": no '=== in' section";
    const bool refused = !c.sections.count("out");
    ::setenv("SOURCE_DATE_EPOCH", "1000000000", 1);
    for (bool crlf : {false, true}) {
        const std::string run = GetParam() + (crlf ? " (input in CR LF)" : "");
        const std::string input = crlf ? pxtest::crlf(c.sections["in"]) : c.sections["in"];
        pxc::formatted f = pxc::format_steps(input, "prog.vep");
        EXPECT_EQ(messages_of(f), c.sections["messages"]) << run;
        EXPECT_EQ(f.refused, refused) << run;
        if (refused) continue;
        EXPECT_EQ(f.text, c.out_is_in ? input : c.sections["out"]) << run;

        pxc::formatted again = pxc::format_steps(f.text, "prog.vep");
        EXPECT_FALSE(again.refused) << run;
        EXPECT_EQ(again.text, f.text) << run << ": a second formatting changes the text";

        pxtest::scratch_dir dir;
        if (c.sections.count("fig")) pxtest::write_file("prog.fig", c.sections["fig"]);
        pxtest::write_file("prog.vep", input);
        auto before = pxtest::build_outputs("prog.vep");
        pxtest::write_file("prog.vep", f.text);
        auto after = pxtest::build_outputs("prog.vep");
        EXPECT_EQ(pxtest::outputs_differ(before, after), "") << run;
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
}

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(cases))
        if (entry.path().extension() == ".txt") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(fmt, fmt_case_test, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param.substr(0, info.param.size() - 4);
                         });

}  // namespace
