// The language server's transcripts: tests/cases/lsp/NAME/transcript.txt,
// the messages an editor sends and the messages the server must send back,
// in order, each compared as JSON (see tests/cases/lsp/README.md).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lsp_server.h"
#include "lsp_transport.h"

namespace fs = std::filesystem;
using pxc::lsp::json;

namespace {

const fs::path cases = fs::path(PX_CASES_DIR) / "lsp";

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
}

// One line of a transcript, with the lines that continue it.
struct entry {
    enum kind_t { note, sends, sends_raw, writes, expects, exits, apart } kind;
    int line;
    std::string text;  // after the marker
    std::vector<std::string> written;  // as it stands in the file
};

std::vector<entry> read_transcript(const fs::path& file) {
    std::vector<entry> entries;
    std::istringstream in(read_all(file));
    std::string line;
    int number = 0;
    auto starts = [&](const char* marker) { return line.rfind(marker, 0) == 0; };
    while (std::getline(in, line)) {
        ++number;
        entry::kind_t kind;
        std::size_t skip = 3;
        if (starts("-> ")) kind = entry::sends;
        else if (starts("=> ")) kind = entry::sends_raw;
        else if (starts(">> ")) kind = entry::writes;
        else if (starts("<- ") || line == "<-") kind = entry::expects;
        else if (starts("exit ")) kind = entry::exits, skip = 5;
        else if (line == "--") kind = entry::apart, skip = 2;
        else if (line.empty() || starts("#")) kind = entry::note, skip = 0;
        else if (!entries.empty() && entries.back().kind != entry::note) {
            // A message that goes on over several lines.
            entries.back().text += "\n" + line;
            entries.back().written.push_back(line);
            continue;
        } else {
            kind = entry::note, skip = 0;
        }
        entries.push_back({kind, number, line.size() > skip ? line.substr(skip) : "", {line}});
    }
    return entries;
}

// A case's files in a scratch folder (an example of the repository, then
// the case's own), named ${ROOT} in the transcript.
class scratch {
public:
    explicit scratch(const fs::path& from) {
        char name[] = "/tmp/pxc-lsp-XXXXXX";
        path_ = ::mkdtemp(name);
        if (fs::exists(from / "example")) {
            std::string example = read_all(from / "example");
            while (!example.empty() && example.back() == '\n') example.pop_back();
            fs::copy(fs::path(PX_SOURCE_DIR) / "examples" / example, path_, fs::copy_options::recursive);
        }
        if (fs::exists(from / "in"))
            fs::copy(from / "in", path_, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    }
    ~scratch() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// ${ROOT}, and ${TEXT:name}: the text of texts/name of the case, or of the
// scratch folder's file, as a JSON string.
std::string expand(std::string text, const fs::path& case_folder, const fs::path& root) {
    for (std::size_t at; (at = text.find("${TEXT:")) != std::string::npos;) {
        std::size_t end = text.find('}', at);
        std::string name = text.substr(at + 7, end - at - 7);
        fs::path file = fs::exists(case_folder / "texts" / name) ? case_folder / "texts" / name : root / name;
        text.replace(at, end + 1 - at, json(read_all(file)).dump());
    }
    replace_all(text, "${ROOT}", root.string());
    return text;
}

// An expected message matches what was sent when they are equal, except
// that the string "..." in the expected one stands for any value.
bool matches(const json& expected, const json& sent) {
    if (expected == "...") return true;
    if (expected.is_object() && sent.is_object()) {
        if (expected.size() != sent.size()) return false;
        for (const auto& [key, value] : expected.items())
            if (!sent.contains(key) || !matches(value, sent[key])) return false;
        return true;
    }
    if (expected.is_array() && sent.is_array()) {
        if (expected.size() != sent.size()) return false;
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (!matches(expected[i], sent[i])) return false;
        return true;
    }
    return expected == sent;
}

// What the server sent, as the transcript writes it.
std::string shown(const json& message, const fs::path& root) {
    std::string text = message.dump(-1, ' ', false, json::error_handler_t::replace);
    replace_all(text, root.string(), "${ROOT}");
    return text;
}

class lsp_case_test : public ::testing::TestWithParam<std::string> {};

TEST_P(lsp_case_test, answers_as_the_transcript_says) {
    const fs::path folder = cases / GetParam();
    const fs::path file = folder / "transcript.txt";
    std::vector<entry> entries = read_transcript(file);
    scratch work(folder);
    const fs::path& root = work.path();
    const bool update = std::getenv("PX_UPDATE_GOLDEN") != nullptr;

    std::vector<json> sent;
    pxc::lsp::server server([&sent](const json& m) { sent.push_back(m); }, "VERSION");
    std::string rewritten;
    std::size_t i = 0;
    while (i < entries.size()) {
        // The editor's messages up to the next expectation arrive together.
        std::string bytes;
        auto from_editor = [](entry::kind_t k) {
            return k == entry::sends || k == entry::sends_raw || k == entry::writes;
        };
        for (; i < entries.size() && (from_editor(entries[i].kind) || entries[i].kind == entry::note); ++i) {
            for (const std::string& w : entries[i].written) rewritten += w + "\n";
            std::string text = expand(entries[i].text, folder, root);
            if (entries[i].kind == entry::sends) {
                json message = json::parse(text, nullptr, false);
                ASSERT_FALSE(message.is_discarded()) << file.string() << ":" << entries[i].line << ": not JSON";
                bytes += pxc::lsp::frame(message);
            } else if (entries[i].kind == entry::writes) {
                // ">> NAME JSON-string": the file changes on disk, now.
                std::size_t blank = text.find(' ');
                json content = json::parse(text.substr(blank + 1), nullptr, false);
                ASSERT_TRUE(content.is_string()) << file.string() << ":" << entries[i].line << ": not a JSON string";
                std::ofstream(root / text.substr(0, blank), std::ios::binary) << content.get<std::string>();
            } else if (entries[i].kind == entry::sends_raw) {
                json raw = json::parse(text, nullptr, false);
                ASSERT_TRUE(raw.is_string()) << file.string() << ":" << entries[i].line << ": not a JSON string";
                bytes += raw.get<std::string>();
            }
        }
        if (!bytes.empty()) {
            server.receive(pxc::lsp::read_messages(bytes));
            if (!server.exited()) server.settle();
        }
        // What the server sent since, against what the transcript expects.
        std::size_t got = 0;
        auto flush = [&] {
            for (; got < sent.size(); ++got) rewritten += "<- " + shown(sent[got], root) + "\n";
        };
        for (; i < entries.size() && !from_editor(entries[i].kind); ++i) {
            const entry& e = entries[i];
            if (e.kind == entry::note || e.kind == entry::apart) {
                if (update) {
                    flush();
                    for (const std::string& w : e.written) rewritten += w + "\n";
                }
                if (e.kind == entry::apart) {
                    ++i;
                    break;
                }
                continue;
            }
            if (e.kind == entry::exits) {
                if (update) {
                    flush();
                    rewritten += "exit " + std::to_string(server.exited() ? server.exit_status() : -1) + "\n";
                    continue;
                }
                EXPECT_TRUE(server.exited()) << file.string() << ":" << e.line << ": the server has not exited";
                EXPECT_EQ(std::to_string(server.exit_status()), e.text) << file.string() << ":" << e.line;
                continue;
            }
            json expected = json::parse(expand(e.text, folder, root), nullptr, false);
            if (update) {
                // An expectation that still holds is kept as written.
                if (!expected.is_discarded() && got < sent.size() && matches(expected, sent[got])) {
                    for (const std::string& w : e.written) rewritten += w + "\n";
                    ++got;
                }
                continue;
            }
            ASSERT_FALSE(expected.is_discarded()) << file.string() << ":" << e.line << ": not JSON";
            ASSERT_LT(got, sent.size()) << file.string() << ":" << e.line << ": the server sent nothing more; expected\n"
                                        << expected.dump(2);
            EXPECT_TRUE(matches(expected, sent[got])) << file.string() << ":" << e.line << ": expected\n"
                                                      << expected.dump(2) << "\ngot\n"
                                                      << sent[got].dump(2);
            ++got;
        }
        if (update) {
            flush();
        } else {
            for (; got < sent.size(); ++got)
                ADD_FAILURE() << file.string() << ": the server also sent\n" << shown(sent[got], root);
        }
        sent.clear();
    }
    if (update) {
        std::ofstream out(file, std::ios::binary);
        out << rewritten;
    }
}

std::vector<std::string> all_cases() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(cases))
        if (fs::exists(e.path() / "transcript.txt")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

INSTANTIATE_TEST_SUITE_P(lsp, lsp_case_test, ::testing::ValuesIn(all_cases()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
