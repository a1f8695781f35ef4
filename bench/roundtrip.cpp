// Round trip of the object file: build a program, read its .dso back with the
// step decoders as a step file, build that again and compare the two object
// files byte for byte, status byte and checksum included.
//
//   roundtrip [--count N] [--seed S] [--keep DIR] [--objects DIR] [PROJECT...]
//
// --keep copies the folder of every program that fails; --objects copies every
// clean object file (a seed corpus for the decoder's fuzz target).
// Each PROJECT (a makefile or step file) is built from a copy of its folder;
// then N programs are generated from seed S, program i from S + i, so a
// failure names the one program to rerun. The generator writes every
// instruction family in every operand form, for every controller model in
// turn, and only programs that build clean: a generated program with compile
// errors is a failure of the generator and is reported as one.
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "driver/helpers.h"
#include "driver/object_dump.h"
#include "files/config.h"
#include "platform/clock.h"

namespace fs = std::filesystem;

namespace {

// --- the generator ---------------------------------------------------------

struct planned_step {
    uint32_t number;
    std::string label;
    bool empty;  // no label, comment, outputs or instructions: no code
};

class generator {
public:
    generator(uint32_t seed, const px::model_row& model) : rng_(seed), model_(model) {}

    // The configuration file and the step file of one program.
    void write(const fs::path& fig, const fs::path& vep);
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
    std::string flow(bool& alone);
    std::string condition();
    std::string flag_counter();
    std::string motion();
    std::string store();
    std::string spelled(std::string text);
};

std::string generator::destination() {
    const planned_step& here = steps_[current_];
    bool has_next = current_ + 1 < steps_.size() && steps_[current_ + 1].number == here.number + 1;
    if (has_next && chance(35)) return form("goto next", "next");
    const planned_step& to = steps_[static_cast<std::size_t>(pick(0, static_cast<int>(steps_.size()) - 1))];
    if (!to.label.empty() && chance(60)) return form("goto label", to.label);
    return form(to.empty ? "goto empty step" : "goto [n]", "[" + std::to_string(to.number) + "]");
}

// A "do" task: any step but by "next".
std::string generator::task() {
    const planned_step& to = steps_[static_cast<std::size_t>(pick(0, static_cast<int>(steps_.size()) - 1))];
    if (!to.label.empty() && chance(50)) return to.label;
    return "[" + std::to_string(to.number) + "]";
}

std::string generator::proto() {
    std::string board = "proto#" + n(1, 8) + ":";
    switch (pick(0, 4)) {
        case 0: return form("proto bit", board + "bit#" + n(1, 32));
        case 1: return form("proto byte", board + "byte#" + n(1, 4));
        case 2: return form("proto byte bcd", board + "byte#" + n(1, 4) + ":bcd");
        case 3: return form("proto word", board + "word#" + n(1, 2));
        default: return form("proto word bcd", board + "word#" + n(1, 2) + ":bcd");
    }
}

// The forms valid both ways: counters, registers, columns, proto boards.
std::string generator::data_source() {
    switch (pick(0, 4)) {
        case 0: return form("ctr", "ctr#" + n(1, 8));
        case 1: return form("reg short", "reg#" + n(1, 128));
        case 2: return form("reg long", "reg#" + n(129, 60000));
        case 3:
            if (columns_) return form("col", "col#" + n(1, std::min(columns_, 32)));
            return form("reg short", "reg#" + n(1, 128));
        default: return proto();
    }
}

std::string generator::source(bool allow_long, bool allow_32) {
    switch (pick(0, allow_long ? 7 : 2)) {
        case 0: case 1: return data_source();
        case 2: return form("ain short", "ain#" + n(1, 64));
        case 3: return form("ain long", "ain#" + n(65, 256));
        case 4: return form("twhl", "twhl#" + n(1, 16));
        case 5: return form("servo value", "servo#" + n(1, 16) + (chance(50) ? ":position" : ":e"));
        case 6: return form("literal 16", literal16(0, 65535));
        default:
            if (!allow_32) return form("literal 16", literal16(0, 65535));
            return form("literal 32", chance(50) ? std::to_string(pick(65536, 2000000000))
                                                 : std::to_string(-pick(1, 2000000000)));
    }
}

// A value the controller reads at run time: no literal.
std::string generator::resource() {
    switch (pick(0, 4)) {
        case 0: case 1: return data_source();
        case 2: return form("ain long", "ain#" + n(65, 256));
        case 3: return form("twhl", "twhl#" + n(1, 16));
        default: return form("servo value", "servo#" + n(1, 16) + ":p");
    }
}

// What a delay takes: a one-byte code below E0.
std::string generator::one_byte_source() {
    switch (pick(0, 3)) {
        case 0: return form("ctr", "ctr#" + n(1, 8));
        case 1: return form("reg short", "reg#" + n(1, 128));
        case 2: return form("ain short", "ain#" + n(1, 64));
        default:
            if (columns_) return form("col", "col#" + n(1, std::min(columns_, 32)));
            return form("ctr", "ctr#" + n(1, 8));
    }
}

std::string generator::target() {
    switch (pick(0, 3)) {
        case 0: case 1: return data_source();
        case 2: return form(chance(50) ? "aout short" : "aout long", chance(50) ? "aout#" + n(1, 64) : "aout#" + n(65, 256));
        default: return form("disp", "disp#" + n(1, 16));
    }
}

// A list of at most `room` elements (at least 3): its operator, and two to
// four operands, some of them lists of their own.
std::string generator::monitor_list(int& room, int depth) {
    static const std::vector<std::string> operators = {"and", "or", "xor", "nand", "nor", "nxor"};
    std::string text = "(" + one_of(operators);
    room -= 1;  // the operator element
    int operands = pick(2, 4);
    for (int i = 0; i < operands; ++i) {
        int still_needed = i < 1 ? 1 : 0;  // a list has two operands at least
        int free = room - still_needed;
        if (free < 1) break;
        if (depth < 2 && free >= 3 && chance(25)) {
            text += " " + monitor_list(free, depth + 1);
            room = free + still_needed;
            continue;
        }
        room -= 1;
        switch (pick(0, 3)) {
            case 0: text += " in#" + n(1, inputs()) + (chance(50) ? "a" : "b"); break;
            case 1: text += " flag#" + n(1, 32) + (chance(50) ? ":set" : ":clear"); break;
            case 2: text += " motor#" + n(1, 16) + (chance(50) ? ":running" : ":stopped"); break;
            default: text += " servo#" + n(1, 16) + (chance(50) ? ":running" : ":s"); break;
        }
    }
    return text + ")";
}

std::string generator::flow(bool& alone) {
    switch (pick(0, 7)) {
        case 0: return form("goto", "goto " + destination());
        case 1: return form("stop goto", "stop goto " + destination());
        case 2: return form("cancel", "cancel other tasks");
        case 3: {
            alone = true;
            if (chance(30)) return form("done", "done");
            std::string list;
            int tasks = pick(1, 8);
            for (int i = 0; i < tasks; ++i) list += (i ? " " : "") + task();
            std::string times = chance(40) ? " " + n(1, 99) + " times" : "";
            return form("do", "do (" + list + ")" + times + " goto " + destination());
        }
        case 4: {
            static const std::vector<std::string> formats = {"hhmm", "mmss", "ssff"};
            return form("delay twhl", "delay twhl#" + n(1, 16) + " " + one_of(formats) + " goto " + destination());
        }
        case 5: {
            static const std::vector<std::string> units = {"min", "sec", "sec/100", "minutes", "seconds"};
            return form("delay source", "delay " + one_byte_source() + " " + one_of(units) + " goto " + destination());
        }
        default: {
            std::string amount;
            switch (pick(0, 4)) {
                case 0: amount = n(1, 255) + " hr" + (chance(50) ? " " + n(0, 255) + " min" : ""); break;
                case 1: amount = n(1, 255) + " min"; break;
                case 2: amount = (chance(50) ? n(0, 3) + " hr " : "") + n(0, 15) + " min " + n(1, 255) + " sec"; break;
                case 3: amount = n(0, 255) + " sec " + n(1, 255) + "0 ms"; break;
                default: amount = n(0, 3) + " min " + n(0, 59) + " sec " + n(10, 990) + " ms"; break;
            }
            return form("delay literal", "delay " + amount + " goto " + destination());
        }
    }
}

std::string generator::condition() {
    static const std::vector<std::string> comparisons = {"=", "<>", ">", ">=", "<", "<="};
    switch (pick(0, 6)) {
        case 0: return form("if", "if " + source() + " " + one_of(comparisons) + " " + source() + " goto " + destination());
        case 1: return form("monitor flag", "monitor flag#" + n(1, 32) + (chance(50) ? ":set" : ":clear") + " goto " + destination());
        case 2: return form("monitor input", "monitor in#" + n(1, inputs()) + (chance(50) ? "a" : "b") + " goto " + destination());
        case 3: return form("monitor motor", "monitor motor#" + n(1, 16) + (chance(50) ? ":running" : ":stopped") + " goto " + destination());
        case 4: return form("monitor servo", "monitor servo#" + n(1, 16) + (chance(50) ? ":r" : ":stopped") + " goto " + destination());
        case 5: {
            int room = 16;
            return form("monitor expression", "monitor " + monitor_list(room, 0) + " goto " + destination());
        }
        default: return form("testandset", "testandset flag#" + n(1, 32) + " goto " + destination());
    }
}

std::string generator::flag_counter() {
    switch (pick(0, 6)) {
        case 0: return form("set", "set flag#" + n(1, 32));
        case 1: return form("clear", "clear flag#" + n(1, 32));
        case 2: {
            int first = pick(1, 31);
            std::string times = chance(50) ? " " + n(1, 31) + " times" : "";
            return form("shift", std::string(chance(50) ? "shift" : "rotate") + " flag#" + std::to_string(first) +
                                     (chance(50) ? " << " : " >> ") + "flag#" + n(first + 1, 32) + times);
        }
        case 3: return form("count", std::string("count ") + (chance(50) ? "up" : "down") + " ctr#" + n(1, 8));
        case 4: {
            static const std::vector<std::string> words = {"enable", "disable", "reset"};
            return form("counter", one_of(words) + " ctr#" + n(1, 8));
        }
        default: {
            std::string text = "start ctr#" + n(1, 8);
            std::vector<std::string> clauses = {"up", "down", "reset"};
            std::shuffle(clauses.begin(), clauses.end(), rng_);
            for (const std::string& clause : clauses) {
                if (chance(40)) continue;
                text += " " + clause + "(in#" + n(1, inputs()) + (chance(50) ? "a" : "b");
                if (chance(60)) text += ":" + n(0, 250);
                text += ")";
            }
            return form("start", text);
        }
    }
}

std::string generator::motion() {
    switch (pick(0, 8)) {
        case 0: return form("zero", chance(50) ? "zero motor#" + n(1, 16) : "zero servo#" + n(1, 16));
        case 1:
            if (chance(50)) return form("search servo", "search and zero servo#" + n(1, 16));
            return form("search motor", std::string("search ") + (chance(50) ? "cw" : "ccw") + " and zero motor#" + n(1, 16));
        case 2:
            if (chance(50)) return form("stop motor", "stop motor#" + n(1, 16));
            return form("stop servo", std::string("stop (") + (chance(50) ? "hard" : "soft") + ") servo#" + n(1, 16));
        case 3: {
            static const std::vector<std::string> directions = {"to", "cw", "ccw"};
            return form("turn motor", "turn motor#" + n(1, 16) + " " + one_of(directions) + " " + source(true, false));
        }
        case 4: {
            std::string on = chance(50) ? " on start" : "";
            if (chance(35)) return form("turn servo to", "turn servo#" + n(1, 16) + " to " + source() + on);
            std::string direction = chance(50) ? " cw" : " ccw";
            if (chance(40)) return form("turn servo free", "turn servo#" + n(1, 16) + direction + on);
            return form("turn servo by", "turn servo#" + n(1, 16) + direction + " " + source() + (chance(30) ? " steps" : "") + on);
        }
        case 5: case 6: {
            static const std::vector<std::string> coils = {"(half coils)", "(1 coil)", "(2 coils)"};
            auto value = [this](int low, int high) {
                return chance(60) ? form("literal 16", literal16(low, high)) : resource();
            };
            std::vector<std::string> parameters = {"basespeed=" + value(50, 19999), "maxspeed=" + value(50, 20000),
                                                   "accel=" + value(0, 500), "decel=" + value(0, 500)};
            std::shuffle(parameters.begin(), parameters.end(), rng_);
            std::string text = std::string("profile ") + (chance(30) ? "and zero " : "") + "motor#" + n(1, 16) + " " + one_of(coils);
            for (const std::string& p : parameters) text += " " + p;
            return form("profile motor", text);
        }
        default: {
            static const std::vector<std::string> modes = {"", " motor off at position", " servo at position", "deadband"};
            std::string mode = one_of(modes);
            // Servos 1-8 keep the length in five bits: no 32-bit literals there.
            int servo = pick(1, 16);
            auto value = [&]() { return source(true, servo > 8); };
            if (mode == "deadband") mode = " deadband of " + value() + " at position";
            std::string text = "profile servo#" + std::to_string(servo) + mode;
            static const std::vector<std::string> names = {"maxspeed", "accel", "gain", "zero", "pole"};
            int given = 0;
            for (const std::string& name : names)
                if (chance(50)) {
                    text += " " + name + "=" + value();
                    ++given;
                }
            if (given == 0 && mode.empty()) text += " gain=" + value();
            return form("profile servo", text);
        }
    }
}

std::string generator::store() {
    static const std::vector<std::string> operators = {"+",    "-",   "*",    "/",     "&",   "and",    "|",
                                                       "or",   "^",   "xor",  "nand",  "nor", "nxor",   "&~",
                                                       "andnot", "%", "mod",  "ror",   "rol"};
    if (chance(40)) return form("store copy", "store " + source() + " to " + target());
    return form("store operator", "store " + source() + " " + one_of(operators) + " " + source() + " to " + target());
}

// Case does not matter to the compiler, so some instructions are shouted.
std::string generator::spelled(std::string text) {
    if (chance(10))
        for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string generator::instruction(bool& alone) {
    switch (pick(0, 4)) {
        case 0: return spelled(flow(alone));
        case 1: return spelled(condition());
        case 2: return spelled(flag_counter());
        case 3: return spelled(motion());
        default: return spelled(store());
    }
}

void generator::write(const fs::path& fig, const fs::path& vep) {
    std::ofstream f(fig);
    f << "controller_model " << model_.name << "\n";
    for (const char* row : {"start_on_input#1", "stop_on_input#2", "reset_on_input#3", "step_on_input#4"})
        f << row << " " << (chance(50) ? "yes" : "no") << "\n";
    f.close();

    std::ofstream v(vep);
    rows_ = columns_ = 0;
    if (chance(60)) {
        rows_ = pick(1, 4);
        columns_ = pick(1, 40);
        v << "data_table[" << rows_ << "][" << columns_ << "] =\n{";
        for (int r = 0; r < rows_; ++r) {
            v << "\n     ";
            for (int c = 0; c < columns_; ++c) v << pick(0, 65535) << " ";
        }
        v << "\n}\n";
        ++forms_["data table"];
    }

    // The skeleton first, so that every goto can name any step.
    steps_.clear();
    int count = pick(1, 12);
    uint32_t limit = static_cast<uint32_t>(px::max_steps_for_code(model_.code));
    uint32_t number = static_cast<uint32_t>(pick(1, 3));
    for (int i = 0; i < count && number <= limit; ++i) {
        planned_step s{number, "", i > 0 && chance(10)};
        if (!s.empty && chance(40)) s.label = (chance(50) ? "Lbl" : "step_") + std::to_string(i);
        steps_.push_back(s);
        number += chance(70) ? 1 : static_cast<uint32_t>(pick(2, 40));
        if (wide() && chance(5)) number += static_cast<uint32_t>(pick(200, 400));
    }
    if (steps_.back().empty) steps_.back().empty = false;
    for (current_ = 0; current_ < steps_.size(); ++current_) {
        const planned_step& s = steps_[current_];
        v << "\n[" << s.number << "]     " << s.label << "\n";
        if (!s.empty && chance(20)) v << "    ;;; a comment\n";
        v << "    ---\n";
        if (s.empty) {
            v << "    <NO CHANGE IN DIGITAL OUTPUTS>\n    ---\n";
            continue;
        }
        int outputs = wide() ? 1024 : 128;
        if (chance(10)) {
            v << "    <TURN ALL DIGITAL OUTPUTS OFF>\n";
            ++forms_["all outputs off"];
        } else if (chance(20)) {
            v << "    <NO CHANGE IN DIGITAL OUTPUTS>\n";
        } else {
            int changes = pick(1, 5);
            for (int i = 0; i < changes; ++i) v << "    " << pick(1, outputs) << (chance(50) ? "+" : "-");
            v << "\n";
            ++forms_["output changes"];
        }
        v << "    ---\n";
        int instructions = pick(1, 6);
        for (int i = 0; i < instructions; ++i) {
            bool alone = false;
            std::string text = instruction(alone);
            if (alone && instructions > 1) {
                --i;  // a "do" or "done" only in a step of its own
                continue;
            }
            v << "    " << text << "\n";
        }
    }
}

// --- building and comparing ------------------------------------------------

bool read_bytes(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The object file a build wrote: the only one in the folder, named after the
// master step file in the library's own letter case.
fs::path object_in(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder))
        if (strcasecmp(entry.path().extension().string().c_str(), ".dso") == 0) return entry.path();
    return folder / "missing.dso";
}

// Builds from the folder that holds `path`, as pxc does.
bool build(const fs::path& path, std::vector<uint8_t>& object) {
    fs::path folder = path.parent_path();
    for (const auto& entry : fs::directory_iterator(folder))
        if (strcasecmp(entry.path().extension().string().c_str(), ".dso") == 0) fs::remove(entry.path());
    fs::path before = fs::current_path();
    fs::current_path(folder);
    std::string name = path.filename().string();
    px::run_export(name.data());
    fs::current_path(before);
    return read_bytes(object_in(folder), object);
}

struct tally {
    long programs = 0, clean = 0, identical = 0, failed = 0, bytes = 0;
};

fs::path objects_dir;

void keep(const fs::path& from, const fs::path& keep_dir, const std::string& name) {
    if (keep_dir.empty()) return;
    fs::create_directories(keep_dir / name);
    fs::copy(from, keep_dir / name, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// Builds `master`, dumps it as a step file beside it, builds that and
// compares. `fig` is the configuration the second build reads.
void round_trip(const fs::path& master, const fs::path& fig, const std::string& what, tally& t,
                const fs::path& keep_dir, bool must_be_clean) {
    ++t.programs;
    std::vector<uint8_t> first, second;
    if (!build(master, first) || first.size() < 3) {
        std::cout << what << ": no object file\n";
        ++t.failed;
        keep(master.parent_path(), keep_dir, what);
        return;
    }
    if (first[2] != 0) {
        if (must_be_clean) {
            std::cout << what << ": the program does not build clean (status " << int(first[2]) << ")\n";
            ++t.failed;
            keep(master.parent_path(), keep_dir, what);
        }
        return;
    }
    ++t.clean;
    t.bytes += static_cast<long>(first.size());
    if (!objects_dir.empty()) {
        std::string name = what;
        for (char& c : name)
            if (c == ' ') c = '_';
        std::ofstream(objects_dir / (name + ".dso"), std::ios::binary)
            .write(reinterpret_cast<const char*>(first.data()), static_cast<std::streamsize>(first.size()));
    }
    px::dump_output source = px::dump_object(first.data(), first.size(), px::dump_view::source);
    fs::path again = master.parent_path() / "again";
    fs::create_directories(again);
    std::ofstream(again / "AGAIN.VEP") << source.text;
    fs::copy_file(fig, again / "AGAIN.FIG", fs::copy_options::overwrite_existing);
    bool same = source.problems.empty() && build(again / "AGAIN.VEP", second) && first == second;
    if (same) {
        ++t.identical;
        return;
    }
    ++t.failed;
    std::cout << what << ": " << (source.problems.empty() ? "the rebuilt object file differs" : source.problems[0].message)
              << "\n";
    keep(master.parent_path(), keep_dir, what);
}

}  // namespace

int main(int argc, char** argv) {
    long count = 1000;
    uint32_t seed = 1;
    fs::path keep_dir;
    std::vector<fs::path> projects;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--count" && i + 1 < argc)
            count = std::atol(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc)
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (arg == "--keep" && i + 1 < argc)
            keep_dir = fs::absolute(argv[++i]);
        else if (arg == "--objects" && i + 1 < argc)
            objects_dir = fs::absolute(argv[++i]);
        else if (!arg.empty() && arg[0] == '-') {
            std::cerr << "usage: roundtrip [--count N] [--seed S] [--keep DIR] [--objects DIR] [PROJECT...]\n";
            return 2;
        } else
            projects.push_back(fs::absolute(arg));
    }
    px::set_pauses_enabled(false);
    if (!objects_dir.empty()) fs::create_directories(objects_dir);
    fs::path work = fs::temp_directory_path() / ("pxroundtrip-" + std::to_string(::getpid()));
    fs::remove_all(work);
    fs::create_directories(work);
    auto started = std::chrono::steady_clock::now();

    tally projects_tally;
    for (const fs::path& project : projects) {
        fs::path copy = work / ("project-" + project.parent_path().filename().string());
        fs::copy(project.parent_path(), copy, fs::copy_options::recursive);
        fs::path master = copy / project.filename();
        // The configuration is the master step file's: the first file a makefile lists.
        fs::path first = master;
        if (strcasecmp(master.extension().string().c_str(), ".mak") == 0) {
            std::ifstream mak(master);
            std::string line;
            std::getline(mak, line);
            first = copy / line;
        }
        fs::path fig = first;
        fig.replace_extension(".fig");
        round_trip(master, fig, project.filename().string(), projects_tally, keep_dir, true);
    }

    tally programs;
    std::map<std::string, long> forms;
    std::map<std::string, long> models;
    for (long i = 0; i < count; ++i) {
        uint32_t program_seed = seed + static_cast<uint32_t>(i);
        const px::model_row& model = px::model_table[program_seed % px::MODEL_COUNT];
        ++models[model.name];
        generator g(program_seed, model);
        fs::path folder = work / "program";
        fs::remove_all(folder);
        fs::create_directories(folder);
        g.write(folder / "P.FIG", folder / "P.VEP");
        for (const auto& [name, n] : g.forms()) forms[name] += n;
        round_trip(folder / "P.VEP", folder / "P.FIG", "seed " + std::to_string(program_seed), programs, keep_dir, true);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    fs::remove_all(work);

    std::cout << "operand and instruction forms written:";
    for (const auto& [name, n] : forms) std::cout << " " << name << "=" << n;
    std::cout << "\nmodels:";
    for (const auto& [name, n] : models) std::cout << " " << name << "=" << n;
    std::cout << "\nprojects: " << projects_tally.programs << ", identical after the round trip: "
              << projects_tally.identical << "\n";
    std::cout << "generated programs: " << programs.programs << " (seeds " << seed << " to "
              << seed + static_cast<uint32_t>(count) - 1 << "), built clean: " << programs.clean
              << ", identical after the round trip: " << programs.identical << ", object bytes compared: "
              << programs.bytes << "\n";
    std::printf("time: %.1f s\n", seconds);
    return projects_tally.failed + programs.failed == 0 ? 0 : 1;
}
