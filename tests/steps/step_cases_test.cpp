// Walks the step cases: every file under cases/steps builds one or more
// programs in memory, and each case line compiles instructions in a step of
// one and says what they must give. The format is in cases/steps/README.md.
// PX_UPDATE_GOLDEN=1 writes what the compiler gives into the files instead,
// so that a deliberate change shows as a diff of them.
//
// Every case that compiles clean is also read back, as llvm-mc's tests do:
// the step decoders of "pxc dump" must accept its image, and what they read
// must compile, in the same step of the same program, to the same image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "case_text.h"
#include "driver/model.h"
#include "files/config.h"
#include "program_builder.h"
#include "steps/decode.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using pxtest::program_builder;
using pxtest::expand;
using pxtest::starts;
using pxtest::trim;
using pxtest::words;
using lines = std::vector<std::string>;

// Cases read back and compiled to the same image, over every file run.
int read_back_total = 0;
int read_back_files = 0;

bool indented(const std::string& s) { return !s.empty() && (s[0] == ' ' || s[0] == '\t') && !trim(s).empty(); }

// The lines of a listing or map that say something, trimmed.
lines lines_of(const std::string& text) {
    lines out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!trim(line).empty()) out.push_back(trim(line));
    return out;
}

std::string shown(const lines& block) {
    std::string out;
    for (const std::string& line : block) out += "\n    " + line;
    return out;
}

class case_file {
public:
    explicit case_file(const fs::path& path) : path_(path.string()) {
        std::ifstream in(path);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            text_.push_back(line);
        }
    }

    void run() {
        for (std::size_t at = 0, next; at < text_.size(); at = next) {
            // The indented lines under a line are what it expects.
            for (next = at + 1; next < text_.size() && indented(text_[next]);) ++next;
            line_ = static_cast<int>(at) + 1;
            block_ = {text_.begin() + long(at) + 1, text_.begin() + long(next)};
            updated_.push_back(text_[at]);
            try {
                follow(text_[at]);
            } catch (const std::exception& e) {
                ADD_FAILURE_AT(path_.c_str(), line_) << e.what();
            }
        }
        compile_read_backs();
        std::printf("%s: %d of %d clean cases read back and compiled to the same image\n",
                    fs::path(path_).filename().c_str(), read_back_count_, clean_count_);
        read_back_total += read_back_count_;
        ++read_back_files;
        if (std::getenv("PX_UPDATE_GOLDEN") && updated_ != text_) {
            std::ofstream out(path_, std::ios::binary);
            for (const std::string& line : updated_) out << line << '\n';
        }
    }

private:
    lines block() const {
        lines out;
        for (auto l = block_.first; l != block_.second; ++l) out.push_back(trim(*l));
        return out;
    }
    void keep_block() { updated_.insert(updated_.end(), block_.first, block_.second); }

    void follow(const std::string& raw) {
        std::string line = trim(raw);
        std::istringstream in(line);
        std::string word;
        in >> word;
        std::string rest = trim(line.substr(word.size()));
        bool is_case = line.find("=>") != std::string::npos && line[0] != '#';
        if (indented(raw) || (block_.first != block_.second && !is_case && word != "map"))
            ADD_FAILURE_AT(path_.c_str(), line_) << "indented lines belong under a case or a map check";
        if (!is_case) keep_block();
        if (line.empty() || line[0] == '#' || indented(raw)) return;

        if (word == "program") {
            compile_read_backs();
            program_.reset();  // the scratch folder goes before the next one comes
            program_ = std::make_unique<program_builder>(rest.c_str());
            model_ = rest;
            step_ = 1;
            outputs_.clear();
        } else if (!program_) {
            ADD_FAILURE_AT(path_.c_str(), line_) << "the first line that is no comment says \"program MODEL\"";
        } else if (word == "model") {
            program_builder::use_model(rest.c_str());
            model_ = rest;
        } else if (word == "step") {
            uint32_t number = 0;
            std::string label;
            in >> number >> label;
            program_->add_step(number, {}, label.empty() ? nullptr : label.c_str());
        } else if (word == "in") {
            in >> step_;
        } else if (word == "table") {
            int32_t rows = 0, columns = 0;
            in >> rows >> columns;
            program_builder::add_table(rows, columns);
        } else if (word == "outputs") {
            outputs_.clear();
            for (std::string o; in >> o;)
                if (o != "none") outputs_.push_back(o.back() == '-' ? -std::stoi(o) : std::stoi(o));
        } else if (word == "map") {
            check_map(rest);
        } else if (is_case) {
            check_case(line);
        } else {
            ADD_FAILURE_AT(path_.c_str(), line_) << "neither a directive nor a case: " << line;
        }
    }

    // INSTRUCTION ; INSTRUCTION => BYTES | nothing | image BYTES | image none,
    // then the listing's messages in order, or its whole entries.
    void check_case(const std::string& line) {
        const lines expected = block();
        std::size_t arrow = line.rfind("=>");
        std::string left = trim(line.substr(0, arrow));
        std::vector<std::string> instructions;
        std::istringstream items(expand(left));
        for (std::string item; std::getline(items, item, ';');) {
            item = trim(item);
            // Quotes keep the blanks around an instruction.
            if (item.size() >= 2 && item.front() == '"' && item.back() == '"') item = item.substr(1, item.size() - 2);
            if (!item.empty()) instructions.push_back(item);
        }
        std::string want = words(expand(line.substr(arrow + 2)));
        bool whole_image = starts(want, "image");

        std::size_t before = program_->listing_text().size();
        pxtest::compiled got = program_->compile_in(step_, instructions, outputs_);
        std::string actual = whole_image ? "image " + got.image : got.code.empty() ? "nothing" : got.code;
        lines listing = lines_of(program_->listing_text().substr(before));
        bool whole_entries = !expected.empty() && starts(expected[0], "***");
        if (!whole_entries)
            std::erase_if(listing, [](const std::string& l) { return starts(l, "***") || starts(l, "Instruction:"); });

        if (got.messages.empty() && got.image != "none") read_back(left, got.image);

        if (actual == want && listing == expected) {
            keep_block();
            return;
        }
        ADD_FAILURE_AT(path_.c_str(), line_) << "case: " << left << "\nexpected: " << want << shown(expected)
                                             << "\nactual:   " << actual << shown(listing);
        updated_.back() = updated_.back().substr(0, updated_.back().rfind("=>")) + "=> " + actual;
        for (const std::string& l : listing) updated_.push_back((!whole_entries || starts(l, "***") ? "  " : "     ") + l);
    }

    // The decoders read the image back at once; what they read is compiled
    // when the program's cases are done (compile_read_backs), so that the
    // second compile adds nothing to the map the cases check.
    void read_back(const std::string& left, const std::string& image_hex) {
        std::vector<uint8_t> image = pxtest::parse_hex(image_hex);
        const px::model_row* model = px::find_model(model_.c_str());
        bool wide = model && model->code != 0;
        px::decoded_step step = px::decode_step(image.data() + 1, image.size() - 1, wide);
        ++clean_count_;
        if (step.failed) {
            ADD_FAILURE_AT(path_.c_str(), line_) << "case: " << left << "\ncompiles clean to " << image_hex
                                                 << "\nbut does not read back: offset " << step.fail_offset << ": "
                                                 << step.fail_reason;
            return;
        }
        pending read;
        read.line = line_;
        read.model = model_;
        read.table = px::the_program.table;
        read.step = step_;
        read.image = image_hex;
        read.outputs = step.output_changes;
        for (const px::decoded_instruction& in : step.instructions) read.instructions.push_back(in.text);
        read_backs_.push_back(read);
    }

    void compile_read_backs() {
        for (const pending& read : read_backs_) {
            program_builder::use_model(read.model.c_str());
            px::the_program.table = read.table;
            pxtest::compiled again = program_->compile_in(read.step, read.instructions, read.outputs);
            if (again.image == read.image && again.messages.empty()) {
                ++read_back_count_;
                continue;
            }
            std::string text;
            for (const std::string& in : read.instructions) text += (text.empty() ? "" : " ; ") + in;
            ADD_FAILURE_AT(path_.c_str(), read.line) << "compiles clean to " << read.image << "\nreads back as: " << text
                                                     << "\nwhich compiles to: " << again.image
                                                     << shown(lines(again.messages.begin(), again.messages.end()));
        }
        read_backs_.clear();
    }

    // "map has" or "map lacks" the indented lines, one after another.
    void check_map(const std::string& how) {
        lines map = lines_of(program_->xref()), want = block();
        bool found = std::search(map.begin(), map.end(), want.begin(), want.end()) != map.end();
        if (want.empty() || (how != "has" && how != "lacks") || found != (how == "has"))
            ADD_FAILURE_AT(path_.c_str(), line_) << "map " << how << shown(want) << "\nactual map:" << shown(map);
    }

    std::string path_;
    lines text_, updated_;
    std::pair<lines::const_iterator, lines::const_iterator> block_;
    int line_ = 0;
    // A case read back, waiting for its second compile: the model, table and
    // step it compiled in, the image it gave, and the decoders' reading.
    struct pending {
        int line;
        std::string model;
        px::data_table* table;
        uint32_t step;
        std::string image;
        std::vector<int32_t> outputs;
        std::vector<std::string> instructions;
    };

    std::unique_ptr<program_builder> program_;
    std::string model_;
    uint32_t step_ = 1;
    std::vector<int32_t> outputs_;
    std::vector<pending> read_backs_;
    int clean_count_ = 0;
    int read_back_count_ = 0;
};

class StepCases : public ::testing::TestWithParam<fs::path> {};

TEST_P(StepCases, GiveTheirCodeAndMessages) { case_file(GetParam()).run(); }

// The figure over all files, when one run walks more than one.
class read_back_figure : public ::testing::Environment {
public:
    void TearDown() override {
        if (read_back_files > 1)
            std::printf("step cases read back and compiled to the same image: %d, in %d files\n", read_back_total,
                        read_back_files);
    }
};
const auto* const figure = ::testing::AddGlobalTestEnvironment(new read_back_figure);

INSTANTIATE_TEST_SUITE_P(File, StepCases, ::testing::ValuesIn(pxtest::case_files(PX_CASES_DIR "/steps")),
                         [](const auto& info) { return pxtest::case_name(info.param); });

}  // namespace
