// Whole builds as files: one test per folder under tests/cases/builds.
//
// A case folder holds case.txt, in/ (copied into a fresh scratch folder,
// which is also the working directory) and expected/. case.txt has '#'
// comment lines (the first says what the case guards) and one directive a
// line. copy, steps, table, full, ignore and lineends prepare the run
// wherever they stand; the others run in order:
//   copy DIR                 copy DIR of the source tree into the scratch folder
//   steps FILE FIRST LAST TEXT  append steps [FIRST]..[LAST] to FILE, each with
//                            no outputs and the instructions TEXT ({n} is
//                            the step's number, \n starts another instruction,
//                            one ending in {xK} is written K times)
//   table FILE ROWS COLUMNS  append a data table whose elements count 1, 2, ...
//   repeat FILE COUNT TEXT   append TEXT COUNT times (\n in TEXT is a line end):
//                            big files made here rather than kept in in/
//   fifo NAME                NAME is a named pipe that no one writes to
//   readonly DIR             DIR takes no new files (skipped as root, whom
//                            permissions do not stop)
//   full NAME                NAME is the full disk device: every write fails
//   ignore NAME              the output NAME (as named in expected/) is not
//                            compared: for bulk that says nothing more
//   lineends both|lf|crlf    inputs as written and/or with every LF as CR LF
//                            (default both: both runs must give expected/)
//   from DIR                 later commands run in that subfolder ("." again)
//   limit BYTES|off          files can be written only up to BYTES: a full disk
//   pool BYTES|off           cap the build pool
//   failwrite K|off          the K-th write, flush or close of a file the
//                            library writes fails with ENOSPC
//   build [PATH]             the export in this process; without PATH a null
//                            path. Builds of one case share the library state
//   read PATH                read_file alone, the program dumped as text
//   pxc ARGS...              the pxc program, ARGS as a shell would split them
// expected/ holds every output: "result" (one line per build), "program.txt"
// (per read: result, configuration, log, program), "exit", "stdout" and
// "stderr" of pxc, and every file a run creates or changes in the scratch
// folder under its own name, with ".dso" and ".err" files as commented hex
// dumps NAME.dso.hex and NAME.err.hex, dates masked, and an input the run
// removed as NAME.gone. A file produced but not expected fails the case.
// "@SCRATCH@" in an input stands for the scratch folder's absolute path, and
// that path in an output is shown as "@SCRATCH@".
// PX_UPDATE_GOLDEN=1 rewrites expected/ from the first run.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "case_dumps.h"
#include "driver/build_state.h"
#include "driver/driver.h"
#include "driver/model.h"
#include "files/config.h"
#include "files/read_file.h"
#include "failing_files.h"
#include "program_dump.h"
#include "test_hooks.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using files = std::map<std::string, std::string>;

const fs::path builds = fs::path(PX_CASES_DIR) / "builds";

struct directive {
    int line;
    std::string verb, rest;
};

std::vector<directive> parse_case(const fs::path& folder) {
    std::istringstream in(pxtest::read_file((folder / "case.txt").string()));
    std::vector<directive> out;
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::size_t gap = line.find(' ');
        out.push_back({n, line.substr(0, gap), gap == std::string::npos ? "" : line.substr(gap + 1)});
    }
    return out;
}

// Every regular file under root by its path relative to root.
files tree(const fs::path& root) {
    files out;
    if (!fs::exists(root)) return out;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            out[fs::relative(entry.path(), root).generic_string()] = pxtest::read_file(entry.path().string());
    return out;
}

std::string extension(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    return ext;
}

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool is_binary(const std::string& name) { return extension(name) == ".dso" || extension(name) == ".err"; }

// LF -> CR LF where no CR is there yet.
std::string to_crlf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
        out += text[i];
    }
    return out;
}

void append(const std::string& name, const std::string& text) {
    if (fs::path(name).has_parent_path()) fs::create_directories(fs::path(name).parent_path());
    std::ofstream(name, std::ios::binary | std::ios::app) << text;
}

// TEXT's instructions, split at "\n", each ending in "{xK}" written K times.
std::string generated_steps(int first, int last, const std::string& text) {
    std::string body;
    std::istringstream pieces(std::regex_replace(text, std::regex(R"(\\n)"), "\n"));
    std::smatch repeat;
    for (std::string piece; std::getline(pieces, piece);) {
        int times = 1;
        if (std::regex_search(piece, repeat, std::regex(R"( *\{x([0-9]+)\}$)"))) {
            times = std::stoi(repeat[1]);
            piece.erase(static_cast<std::size_t>(repeat.position(0)));
        }
        for (int i = 0; i < times; ++i) body += piece + "\n";
    }
    std::string out;
    for (int n = first; n <= last; ++n)
        out += "[" + std::to_string(n) + "]\n---\n---\n" + std::regex_replace(body, std::regex(R"(\{n\})"), std::to_string(n));
    return out;
}

std::string generated_table(int rows, int columns) {
    std::string out = "data_table[" + std::to_string(rows) + "][" + std::to_string(columns) + "] =\n{\n";
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) out += " " + std::to_string((r * columns + c + 1) % 65536);
        out += "\n";
    }
    return out + "}\n";
}

// The reader's outcome as text, and what a good read leaves behind.
std::string read_outcome(const std::string& path) {
    std::string log, program, name;
    int result;
    {
        pxtest::memory_build memory;
        px::error_count = 7;  // a successful read sets it back to 0
        {
            pxtest::log_capture capture;
            result = px::read_file(memory.build(), path.c_str());
            log = pxtest::without_cr(capture.text());
        }
        fs::remove("pxlinker.log");
        program = pxtest::dump_program();
        name = px::the_program.name ? px::the_program.name : "<none>";
        if (result == 0) {
            EXPECT_EQ(px::error_count, 0) << path;
            EXPECT_FALSE(px::the_program.modified) << path;
            EXPECT_EQ(px::the_program.editing, px::the_program.steps) << path;
        }
    }
    const px::config_param& model = px::config_params[px::PARAM_CONTROLLER_MODEL];
    return "read_file \"" + path + "\"\nresult " + std::to_string(result) + "\nconfiguration " +
           (model.has_model ? model.model : "<none>") + ", model code " + std::to_string(px::model_code) + ", " +
           std::to_string(px::max_steps()) + " steps\n--- log\n" + log + "--- program " + pxtest::quoted(name.c_str()) +
           "\n" + program;
}

int run_pxc(const std::string& args, const fs::path& out, const fs::path& err) {
    std::string command = std::string("'") + PXC_PATH + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// One run of the case; the outputs by their expected/ names.
files run_case(const fs::path& folder, bool crlf) {
    files out;
    pxtest::scratch_dir dir;
    const fs::path scratch = dir.path();
    const fs::path streams = scratch.string() + ".streams";
    fs::create_directory(streams);
    if (fs::exists(folder / "in")) fs::copy(folder / "in", scratch, fs::copy_options::recursive);
    std::optional<std::size_t> limit, pool, failwrite;
    std::vector<directive> commands;
    std::vector<fs::path> readonly;
    for (const directive& d : parse_case(folder)) {
        if (d.verb == "copy") fs::copy(fs::path(PX_SOURCE_DIR) / d.rest, scratch, fs::copy_options::recursive);
        else if (d.verb == "steps" || d.verb == "table") {
            std::istringstream in(d.rest);
            std::string file, text;
            int a = 0, b = 0;
            in >> file >> a >> b >> std::ws;
            std::getline(in, text);
            append(file, d.verb == "steps" ? generated_steps(a, b, text) : generated_table(a, b));
        } else if (d.verb == "repeat") {
            std::istringstream in(d.rest);
            std::string file, text;
            std::size_t count = 0;
            in >> file >> count >> std::ws;
            std::getline(in, text);
            text = std::regex_replace(text, std::regex(R"(\\n)"), "\n");
            std::string body;
            body.reserve(text.size() * count);
            for (std::size_t i = 0; i < count; ++i) body += text;
            append(file, body);
        } else if (d.verb == "fifo") {
            EXPECT_EQ(::mkfifo((scratch / d.rest).c_str(), 0644), 0) << d.rest;
        } else if (d.verb == "readonly") {
            fs::permissions(scratch / d.rest, fs::perms::all, fs::perm_options::remove);
            fs::permissions(scratch / d.rest, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::add);
            readonly.push_back(scratch / d.rest);
        } else if (d.verb == "full") {
            fs::create_symlink("/dev/full", scratch / d.rest);
        } else if (d.verb != "lineends" && d.verb != "ignore") {
            commands.push_back(d);
        }
    }
    files inputs = tree(scratch);
    for (const auto& [name, text] : inputs)
        if (!is_binary(name))
            pxtest::write_file((scratch / name).string(),
                               replace_all(crlf ? to_crlf(text) : text, "@SCRATCH@", scratch.string()));
    inputs = tree(scratch);

    for (const directive& d : commands) {
        if (d.verb == "from") {
            fs::current_path(scratch / d.rest);
            continue;
        }
        if (d.verb == "limit" || d.verb == "pool" || d.verb == "failwrite") {
            std::optional<std::size_t> bytes;
            if (d.rest != "off") bytes = std::stoull(d.rest);
            (d.verb == "limit" ? limit : d.verb == "pool" ? pool : failwrite) = bytes;
            continue;
        }
        std::optional<pxtest::file_size_limit> full_disk;
        if (limit) full_disk.emplace(*limit);
        px::set_pool_limit(pool.value_or(0));
        if (d.verb == "build") {
            std::string path = d.rest;
            pxtest::failing_files failing(failwrite ? static_cast<long>(*failwrite) : 0);
            px::build_context build;
            if (failwrite) build.files = &failing;
            int32_t result = px::run_build(build, path.empty() ? nullptr : path.data());
            out["result"] += (path.empty() ? "(no path)" : path) + " -> " + std::to_string(result) + "\n";
            EXPECT_FALSE(px::pool_exists()) << "the pool outlives the build of " << path;
        } else if (d.verb == "read") {
            out["program.txt"] += read_outcome(d.rest);
        } else if (d.verb == "pxc") {
            int status = run_pxc(d.rest, streams / "out", streams / "err");
            out["exit"] += "pxc " + d.rest + " -> " + std::to_string(status) + "\n";
            out["stdout"] += pxtest::read_file((streams / "out").string());
            out["stderr"] += pxtest::read_file((streams / "err").string());
        } else {
            ADD_FAILURE_AT((folder / "case.txt").c_str(), d.line) << "unknown directive " << d.verb;
        }
        px::set_pool_limit(0);
    }
    fs::current_path(scratch);
    fs::remove_all(streams);
    for (const fs::path& folder : readonly) fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);

    std::set<std::string> ignored;
    for (const directive& d : parse_case(folder))
        if (d.verb == "ignore") ignored.insert(d.rest);
    for (const auto& [name, text] : tree(scratch)) {
        auto before = inputs.find(name);
        if (before != inputs.end() && before->second == text) continue;
        if (ignored.count(name) || ignored.count(name + ".hex")) continue;
        if (is_binary(name)) {
            std::vector<uint8_t> bytes(text.begin(), text.end());
            out[name + ".hex"] = extension(name) == ".dso" ? pxtest::dso_dump(bytes) : pxtest::err_dump(bytes);
        } else {
            out[name] = pxtest::mask_dates(text);
        }
    }
    for (auto& [name, text] : out)
        if (!is_binary(name)) text = replace_all(text, scratch.string(), "@SCRATCH@");
    for (const auto& [name, text] : inputs)
        if (!fs::exists(scratch / name)) out[name + ".gone"] = "";
    for (const char* stream : {"result", "program.txt", "exit", "stdout", "stderr"})
        if (out.count(stream) && out[stream].empty()) out.erase(stream);
    for (const std::string& name : ignored) out.erase(name);
    return out;
}

// A line for a message: CR shown as \r, long lines cut.
std::string shown(const std::string& line) {
    std::string out;
    for (char c : line.substr(0, 160)) out += c == '\r' ? std::string("\\r") : std::string(1, c);
    return line.size() > 160 ? out + "..." : out;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    if (!text.empty() && text.back() != '\n') out.back() += "  (no line end)";
    return out;
}

// The first differing line with two lines of context, unified style.
std::string first_difference(const std::string& expected, const std::string& actual) {
    std::vector<std::string> e = lines(expected), a = lines(actual);
    std::size_t n = 0;
    while (n < e.size() && n < a.size() && e[n] == a[n]) ++n;
    std::ostringstream out;
    out << "@@ line " << n + 1 << " @@\n";
    for (std::size_t i = n >= 2 ? n - 2 : 0; i < n; ++i) out << "  " << shown(e[i]) << "\n";
    for (std::size_t i = n; i < std::min(e.size(), n + 3); ++i) out << "- " << shown(e[i]) << "\n";
    for (std::size_t i = n; i < std::min(a.size(), n + 3); ++i) out << "+ " << shown(a[i]) << "\n";
    return out.str();
}

void compare(const std::string& run, const fs::path& folder, const files& expected, const files& actual) {
    for (const auto& [name, text] : actual) {
        auto want = expected.find(name);
        if (want == expected.end())
            ADD_FAILURE() << run << ": " << name << " was produced but " << (folder / "expected" / name).string()
                          << " does not exist\n" << first_difference("", text);
        else if (want->second != text)
            ADD_FAILURE() << run << ": " << (folder / "expected" / name).string() << " differs\n"
                          << first_difference(want->second, text);
    }
    for (const auto& [name, text] : expected)
        if (!actual.count(name)) ADD_FAILURE() << run << ": " << (folder / "expected" / name).string()
                                               << " expected but not produced";
}

class build_case : public ::testing::TestWithParam<std::string> {};

TEST_P(build_case, gives_the_expected_outputs) {
    const fs::path folder = builds / GetParam();
    std::string ends = "both";
    bool text_inputs = false;
    for (const directive& d : parse_case(folder)) {
        if (d.verb == "readonly" && ::geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
        if (d.verb == "lineends") ends = d.rest;
        if (d.verb == "copy" || d.verb == "steps" || d.verb == "table" || d.verb == "repeat") text_inputs = true;
    }
    for (const auto& [name, text] : tree(folder / "in")) text_inputs |= !is_binary(name);
    std::vector<bool> runs;
    if (ends != "crlf") runs.push_back(false);
    if (ends == "crlf" || (ends == "both" && text_inputs)) runs.push_back(true);

    const bool update = std::getenv("PX_UPDATE_GOLDEN") != nullptr;
    for (std::size_t run = 0; run < runs.size(); ++run) {
        const bool crlf = runs[run];
        files actual = run_case(folder, crlf);
        if (update && run == 0) {
            fs::remove_all(folder / "expected");
            for (const auto& [name, text] : actual) {
                fs::create_directories((folder / "expected" / name).parent_path());
                pxtest::write_file((folder / "expected" / name).string(), text);
            }
        }
        compare(GetParam() + (crlf ? " (inputs in CR LF)" : ""), folder, tree(folder / "expected"), actual);
    }
}

std::vector<std::string> case_names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(builds))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(builds, build_case, ::testing::ValuesIn(case_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
