// Seeded Plexa programs that build clean: every instruction family in every
// operand form, for any controller model. The round trip builds hundreds of
// small ones; the speed comparison writes one project as large as a model
// holds. A seed gives the same program every time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "files/config.h"

namespace pxbench {

struct planned_step {
    uint32_t number;
    std::string label;
    bool empty;  // no label, comment, outputs or instructions: no code
};

// A project of many step files, the way a makefile joins them. Of the
// instruction lines, `full_percent` are drawn from every form; the rest take
// the short forms, which is how a project is made to fit its model.
struct project_shape {
    int steps = 4096;
    int steps_per_file = 64;
    int lines_per_step = 4;
    int full_percent = 100;
    int rows = 8, columns = 32;  // the data table, at the head of the master file
};

// What write_project wrote.
struct project_files {
    std::filesystem::path makefile;
    std::vector<std::filesystem::path> inputs;  // makefile, configuration and step files
    long instruction_lines = 0;
    long source_bytes = 0;
};

class generator {
public:
    generator(uint32_t seed, const px::model_row& model) : rng_(seed), model_(model) {}

    // The configuration file and the step file of one program.
    void write(const std::filesystem::path& fig, const std::filesystem::path& vep);
    // NAME.mak, NAME.fig, and the step files NAME.pre, NAME02.pre, ... in
    // `folder`, in the layout the program saver writes. Every file numbers
    // its steps from [1], so the makefile's linking rule places them.
    project_files write_project(const std::filesystem::path& folder, const std::string& name,
                                const project_shape& shape);
    const std::map<std::string, long>& forms() const { return forms_; }

private:
    std::mt19937 rng_;
    const px::model_row& model_;
    std::map<std::string, long> forms_;
    std::vector<planned_step> steps_;
    std::size_t current_ = 0;
    int rows_ = 0, columns_ = 0;

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool chance(int percent) { return pick(1, 100) <= percent; }
    template <typename T>
    const T& one_of(const std::vector<T>& v) { return v[static_cast<std::size_t>(pick(0, static_cast<int>(v.size()) - 1))]; }
    std::string form(const std::string& name, std::string text) {
        ++forms_[name];
        return text;
    }
    bool wide() const { return model_.code != 0; }
    int inputs() const { return wide() ? 1024 : 128; }
    std::string n(int low, int high) { return std::to_string(pick(low, high)); }

    std::string destination();
    std::string task();
    std::string source(bool allow_long = true, bool allow_32 = true);
    std::string resource();
    std::string one_byte_source();
    std::string data_source();
    std::string target();
    std::string proto();
    std::string literal16(int low, int high) { return std::to_string(pick(low, high)); }
    std::string monitor_list(int& room, int depth);
    std::string instruction(bool& alone);
    std::string short_instruction();
    std::string flow(bool& alone);
    std::string condition();
    std::string flag_counter();
    std::string motion();
    std::string store();
    std::string spelled(std::string text);
    std::string saved_outputs();
};

}  // namespace pxbench
