// pxc dump: object files read back as Plexa.
//
// The reading itself (records, checksum, one decoder per instruction family)
// lives in the compiler library beside the writers it mirrors; this file only
// reads the files, picks the view, and compares two dumps.
//
// --diff compares by section: each header field, each step, the data table.
// Sections are paired by their key (the field name, "[12]"), so a step that
// changed shows as that step's lines, not as a shift of everything after it.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "driver/object_dump.h"
#include "driver/object_file.h"

namespace pxc {

const char* const DUMP_USAGE =
    "Usage: pxc dump [--source] FILE.dso...\n"
    "       pxc dump --diff A.dso B.dso\n"
    "Print each object file as text: its header, every step with its output changes\n"
    "and instructions in Plexa (the bytes beside each as a comment), and its data\n"
    "table. Destinations come back as step numbers.\n"
    "\n"
    "  --source  print only the step file, which compiles back to the same bytes\n"
    "  --diff    print the header fields and steps that differ, as a unified diff\n"
    "  -h, --help  show this help and exit\n"
    "\n"
    "Exit status: 0 every file read back whole (for --diff: no differences);\n"
    "1 the files differ (--diff); 2 bytes that cannot be read back, or trouble.\n";

namespace {

struct dump_options {
    bool source = false, diff = false;
    std::vector<std::string> paths;
};

struct dumped {
    px::dump_output output;
    bool readable = false;
};

dumped dump_file(const std::string& path, px::dump_view view) {
    dumped d;
    std::string bytes, why;
    // No more than the largest object file a model holds, and a byte more
    // to tell a larger file: /dev/zero or a huge file is refused at once.
    if (!read_input(path, px::largest_object_file(), bytes, why)) {
        std::cerr << "pxc dump: cannot read '" << path << "'" << (why.empty() ? "" : ": " + why) << "\n";
        return d;
    }
    d.readable = true;
    d.output = px::dump_object(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), view);
    for (const px::object_problem& p : d.output.problems)
        std::cerr << "pxc dump: " << path << ": offset " << p.offset << ": " << p.message << "\n";
    return d;
}

// --- the section diff -----------------------------------------------------

struct section {
    std::string key;
    std::size_t first_line;  // 1-based, in its dump
    std::vector<std::string> lines;
};

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Header fields are one line each, keyed by the field name; after the first
// blank line a section runs to the next blank line, keyed by its first word.
std::vector<section> sections_of(const std::vector<std::string>& lines) {
    std::vector<section> out;
    bool header = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.empty()) {
            header = false;
            continue;
        }
        bool starts = header || i == 0 || lines[i - 1].empty();
        if (!starts) {
            out.back().lines.push_back(line);
            continue;
        }
        std::string key;
        if (header)
            key = line.substr(0, line.find("  "));
        else if (line[0] == '[')
            key = line.substr(0, line.find(']') + 1);
        else
            key = line.substr(0, line.find_first_of("[ :"));
        out.push_back({key, i + 1, {line}});
    }
    return out;
}

// Line diff of two short sections: ' ', '-' or '+' before each line.
std::vector<std::string> diff_lines(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<uint32_t>> common(n + 1, std::vector<uint32_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;)
        for (std::size_t j = m; j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    std::vector<std::string> out;
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && a[i] == b[j]) {
            out.push_back(" " + a[i++]);
            ++j;
        } else if (i < n && (j == m || common[i + 1][j] >= common[i][j + 1])) {
            out.push_back("-" + a[i++]);
        } else {
            out.push_back("+" + b[j++]);
        }
    }
    return out;
}

std::string range(std::size_t first, std::size_t count) {
    return std::to_string(count ? first : first - 1) + "," + std::to_string(count);
}

// Prints the unified diff; true when the dumps differ.
bool print_diff(const std::string& name_a, const std::string& text_a, const std::string& name_b,
                const std::string& text_b) {
    std::vector<section> a = sections_of(split_lines(text_a));
    std::vector<section> b = sections_of(split_lines(text_b));
    std::multimap<std::string, std::size_t> keys_b;
    for (std::size_t j = 0; j < b.size(); ++j) keys_b.emplace(b[j].key, j);

    bool differ = false;
    std::size_t next_a = 1, next_b = 1;  // the line after the last section passed
    auto hunk = [&](const section* sa, const section* sb) {
        std::vector<std::string> la = sa ? sa->lines : std::vector<std::string>{};
        std::vector<std::string> lb = sb ? sb->lines : std::vector<std::string>{};
        std::size_t start_a = sa ? sa->first_line : next_a;
        std::size_t start_b = sb ? sb->first_line : next_b;
        if (sa) next_a = sa->first_line + la.size();
        if (sb) next_b = sb->first_line + lb.size();
        if (la == lb) return;
        if (!differ) std::cout << "--- " << name_a << "\n+++ " << name_b << "\n";
        differ = true;
        std::cout << "@@ -" << range(start_a, la.size()) << " +" << range(start_b, lb.size()) << " @@ "
                  << (sa ? sa->key : sb->key) << "\n";
        for (const std::string& line : diff_lines(la, lb)) std::cout << line << "\n";
    };

    std::size_t j = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // The first section of B at or after j with the same key, if any.
        std::size_t match = b.size();
        auto [from, to] = keys_b.equal_range(a[i].key);
        for (auto it = from; it != to; ++it)
            if (it->second >= j && it->second < match) match = it->second;
        if (match == b.size()) {
            hunk(&a[i], nullptr);
            continue;
        }
        while (j < match) hunk(nullptr, &b[j++]);
        hunk(&a[i], &b[j++]);
    }
    while (j < b.size()) hunk(nullptr, &b[j++]);
    return differ;
}

int run_dump(const dump_options& o) {
    bool source = o.source, diff = o.diff;
    const std::vector<std::string>& paths = o.paths;
    const char* wrong = paths.empty()            ? "no file given"
                        : diff && source             ? "--diff compares dumps, not step files"
                        : diff && paths.size() != 2  ? "--diff compares two files"
                                                     : nullptr;
    if (wrong) return usage_error("pxc dump", wrong);

    if (diff) {
        dumped a = dump_file(paths[0], px::dump_view::full);
        dumped b = dump_file(paths[1], px::dump_view::full);
        if (!a.readable || !b.readable) return 2;
        bool differ = print_diff(paths[0], a.output.text, paths[1], b.output.text);
        if (!a.output.problems.empty() || !b.output.problems.empty()) return 2;
        return differ ? 1 : 0;
    }

    int status = 0;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (paths.size() > 1) std::cout << (i ? "\n" : "") << "==> " << paths[i] << " <==\n";
        dumped d = dump_file(paths[i], source ? px::dump_view::source : px::dump_view::full);
        std::cout << d.output.text;
        if (!d.readable || !d.output.problems.empty()) status = 2;
    }
    return status;
}

}  // namespace

command_body declare_dump(CLI::App& app) {
    auto o = std::make_shared<dump_options>();
    app.add_flag("--source", o->source);
    app.add_flag("--diff", o->diff);
    app.add_option("file", o->paths);
    return [o] { return run_dump(*o); };
}

}  // namespace pxc
