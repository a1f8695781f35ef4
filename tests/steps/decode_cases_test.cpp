// Walks the decode cases: every line of cases/decode/*.txt is one step's code,
// as a code record of an object file holds it, and what the step decoders of
// "pxc dump" must make of it: the output changes and instructions they read,
// or the offset and reason of their refusal. What they read must compile
// back to the same code. An "object" line is a whole object file and the
// problems "pxc dump" finds in it. The format is in cases/decode/README.md;
// tests/check_refusals.py checks that the refusals of the files reach every
// refusal the decoders and the object reader have.
// PX_UPDATE_GOLDEN=1 writes what the decoders give into failing lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "case_text.h"
#include "driver/object_dump.h"
#include "read_back.h"
#include "steps/decode.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using pxtest::expand;
using pxtest::trim;

// "outputs 3+ 5-" (or "outputs 0" for all off) when the step changes any,
// then each instruction, joined by " ; "; or "offset N: reason".
std::string reading(const px::decoded_step& step) {
    if (step.failed) return "offset " + std::to_string(step.fail_offset) + ": " + step.fail_reason;
    std::string text;
    if (!step.output_changes.empty()) {
        text = "outputs";
        for (int32_t change : step.output_changes)
            text += " " + std::to_string(change < 0 ? -change : change) + (change > 0 ? "+" : change < 0 ? "-" : "");
    }
    for (const px::decoded_instruction& in : step.instructions) text += (text.empty() ? "" : " ; ") + in.text;
    return text;
}

// An object file written as its bytes in hex, with records as
// [TYPE ADDRESS: DATA] (the length byte counted here), [lengths N: DATA] for
// a step length table of N slots (DATA, then zeros) in records of 16 at
// addresses 0, 16, ..., and "sum" in a record's data for the checksum of
// the records before it.
std::vector<uint8_t> assemble(const std::string& text) {
    std::string spaced;
    for (char c : text) spaced += c == '[' || c == ']' || c == ':' ? std::string(" ") + c + " " : std::string(1, c);
    std::istringstream in(spaced);
    std::vector<uint8_t> out;
    uint8_t sum = 0;
    auto byte = [&sum](const std::string& word) {
        return word == "sum" ? sum : static_cast<uint8_t>(std::stoul(word, nullptr, 16));
    };
    auto record = [&out, &sum](int type, unsigned address, const std::vector<uint8_t>& data) {
        out.insert(out.end(), {static_cast<uint8_t>(data.size()), static_cast<uint8_t>(type),
                               static_cast<uint8_t>(address & 0xFF), static_cast<uint8_t>(address >> 8)});
        out.insert(out.end(), data.begin(), data.end());
        if (type != 5)
            for (uint8_t b : data) sum = static_cast<uint8_t>(sum + b);
    };
    for (std::string word; in >> word;) {
        if (word != "[") {
            out.push_back(byte(word));
            continue;
        }
        std::string kind, colon;
        unsigned number = 0;
        in >> kind >> number >> colon;
        if (colon != ":") throw std::invalid_argument("a record is [TYPE ADDRESS: DATA] or [lengths N: DATA]");
        std::vector<uint8_t> data;
        for (std::string w; in >> w && w != "]";) data.push_back(byte(w));
        if (kind != "lengths") {
            record(std::stoi(kind), number, data);
            continue;
        }
        data.resize(number);
        for (unsigned at = 0; at < number; at += 16)
            record(0, at, {data.begin() + at, data.begin() + std::min(number, at + 16)});
    }
    return out;
}

// The problems "pxc dump" finds, "offset N: message" joined by " ; ", or
// "clean".
std::string object_problems(const std::string& text) {
    std::vector<uint8_t> bytes = assemble(text);
    px::dump_output dump = px::dump_object(bytes.data(), bytes.size(), px::dump_view::full);
    std::string out;
    for (const px::object_problem& p : dump.problems)
        out += (out.empty() ? "" : " ; ") + ("offset " + std::to_string(p.offset) + ": " + p.message);
    return out.empty() ? "clean" : out;
}

// "narrow HEX => RESULT" or "wide HEX => RESULT": the result the decoders
// give; a reading that does not compile back to the code gives that instead.
std::string decoded(const std::string& line, std::string& left) {
    std::istringstream in(line.substr(0, line.find("=>")));
    std::string numbering;
    in >> numbering;
    if (numbering != "narrow" && numbering != "wide" && numbering != "object")
        throw std::invalid_argument("a case starts with \"narrow\", \"wide\" or \"object\"");
    std::getline(in, left);
    left = trim(left);
    if (numbering == "object") return object_problems(expand(left));
    std::vector<uint8_t> code = pxtest::parse_hex(expand(left));
    bool wide = numbering == "wide";
    px::decoded_step step = px::decode_step(code.data(), code.size(), wide);
    if (step.failed) return reading(step);
    pxtest::recompiled again = pxtest::compile_decoded(step, 1, wide);
    if (again.errors == 0 && again.code == code) return reading(step);
    return reading(step) + "\n  compiles back to: " + (again.code.empty() ? "no code" : pxtest::hex(again.code)) +
           " with " + std::to_string(again.errors) + " errors (listing: " + pxtest::read_file("readback.lst") + ")";
}

void run(const fs::path& path) {
    pxtest::scratch_dir dir;  // where the listing of a reading that does not compile lands
    std::vector<std::string> text, updated;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        text.push_back(line);
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string& line = text[i];
        updated.push_back(line);
        std::string stripped = trim(line);
        if (stripped.empty() || stripped[0] == '#') continue;
        int number = static_cast<int>(i) + 1;
        std::size_t arrow = line.find("=>");
        if (arrow == std::string::npos) {
            ADD_FAILURE_AT(path.c_str(), number) << "neither a comment nor a case: " << line;
            continue;
        }
        std::string want = trim(expand(line.substr(arrow + 2))), left, actual;
        try {
            actual = decoded(line, left);
        } catch (const std::exception& e) {
            ADD_FAILURE_AT(path.c_str(), number) << e.what();
            continue;
        }
        if (actual == want) continue;
        ADD_FAILURE_AT(path.c_str(), number) << "code: " << left << "\nexpected: " << want << "\nactual:   " << actual;
        updated.back() = line.substr(0, arrow) + "=> " + actual;
    }
    if (std::getenv("PX_UPDATE_GOLDEN") && updated != text) {
        std::ofstream out(path, std::ios::binary);
        for (const std::string& line : updated) out << line << '\n';
    }
}

class DecodeCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(DecodeCases, ReadBackOrRefuseByOffset) { run(GetParam()); }

INSTANTIATE_TEST_SUITE_P(File, DecodeCases, ::testing::ValuesIn(pxtest::case_files(PX_CASES_DIR "/decode")),
                         [](const auto& info) { return pxtest::case_name(info.param); });

}  // namespace
