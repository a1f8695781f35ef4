#include "program_generator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>

#include "steps/condition_table.h"
#include "steps/counter_table.h"
#include "steps/flow_table.h"
#include "steps/motion_table.h"
#include "steps/operand_table.h"
#include "steps/store_table.h"

namespace fs = std::filesystem;

namespace pxbench {

namespace {

// The spellings a table row gives, for the forms written as the compiler
// reads them.
template <typename Row, std::size_t N, typename Field>
std::vector<std::string> words_of(const Row (&rows)[N], Field field) {
    std::vector<std::string> words;
    for (const Row& row : rows) words.push_back(field(row));
    return words;
}

}  // namespace

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
    static const std::vector<std::string> operators = [] {
        std::vector<std::string> words = words_of(px::MONITOR_OPERATORS, [](const px::monitor_operator& op) { return op.word; });
        for (std::size_t i = 0, plain = words.size(); i < plain; ++i) words.push_back("n" + words[i]);
        return words;
    }();
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
            static const std::vector<std::string> formats = words_of(px::DELAY_UNITS, [](const px::delay_unit& u) { return u.format; });
            return form("delay twhl", "delay twhl#" + n(1, 16) + " " + one_of(formats) + " goto " + destination());
        }
        case 5: {
            // The units as written, and two the compiler reads by their first letters.
            static const std::vector<std::string> units = [] {
                std::vector<std::string> words = words_of(px::DELAY_UNITS, [](const px::delay_unit& u) { return u.source_unit; });
                words.insert(words.end(), {"minutes", "seconds"});
                return words;
            }();
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
    static const std::vector<std::string> comparisons = words_of(px::COMPARISONS, [](const px::comparison& c) { return c.spelling; });
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
            std::vector<std::string> clauses(std::begin(px::START_CLAUSES), std::end(px::START_CLAUSES));
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
            static const std::vector<std::string> directions = words_of(px::MOVE_DIRECTIONS, [](const px::move_direction& d) { return d.word; });
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
            static const std::vector<std::string> coils = words_of(px::COIL_MODES, [](const px::coil_mode& c) {
                return std::string("(") + c.count + " " + c.noun + ")";
            });
            auto value = [this](int low, int high) {
                return chance(60) ? form("literal 16", literal16(low, high)) : resource();
            };
            std::vector<std::string> parameters;
            for (const px::motor_parameter& p : px::MOTOR_PARAMETERS)
                parameters.push_back(std::string(p.name) + "=" + value(p.low, p.high));
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
            static const std::vector<std::string> names = words_of(px::SERVO_PARAMETERS, [](const px::servo_parameter& p) { return p.name; });
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
    // Every spelling the compiler selects an operator by, the shortest too.
    static const std::vector<std::string> operators = words_of(px::STORE_OPERATORS, [](const px::store_operator& op) { return op.spelling; });
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

// The cheapest forms of each family: a project fits its model by taking more of these.
std::string generator::short_instruction() {
    switch (pick(0, 5)) {
        case 0: return form(chance(50) ? "set" : "clear", (chance(50) ? "set flag#" : "clear flag#") + n(1, 32));
        case 1: return form("count", std::string("count ") + (chance(50) ? "up" : "down") + " ctr#" + n(1, 8));
        case 2: return form("goto", "goto " + destination());
        case 3: return form("stop motor", "stop motor#" + n(1, 16));
        case 4: return form("monitor flag", "monitor flag#" + n(1, 32) + (chance(50) ? ":set" : ":clear") + " goto " + destination());
        default: return form("store copy", "store ctr#" + n(1, 8) + " to reg#" + n(1, 128));
    }
}

// The output changes of one step as the program saver lays them out: four
// entries to a line, each number in five columns, padded to seventeen.
std::string generator::saved_outputs() {
    if (chance(10)) {
        ++forms_["all outputs off"];
        return "\n        <TURN ALL DIGITAL OUTPUTS OFF>";
    }
    if (chance(40)) return "\n        <NO CHANGE IN DIGITAL OUTPUTS>";
    ++forms_["output changes"];
    std::vector<int> numbers;
    for (int changes = pick(1, 5); static_cast<int>(numbers.size()) < changes;) {
        int number = pick(1, wide() ? 1024 : 128);
        if (std::find(numbers.begin(), numbers.end(), number) == numbers.end()) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%5d%c", numbers[i], chance(50) ? '+' : '-');
        if (i % 4 == 0) text += "\n        ";
        text += entry;
        if (i % 4 != 3 && i + 1 < numbers.size()) text.append(17 - 6, ' ');
    }
    return text;
}

project_files generator::write_project(const fs::path& folder, const std::string& name, const project_shape& shape) {
    project_files out;
    fs::create_directories(folder);
    out.makefile = folder / (name + ".mak");
    std::ofstream mak(out.makefile, std::ios::binary);
    out.inputs.push_back(out.makefile);
    fs::path fig = folder / (name + ".fig");
    std::ofstream f(fig);
    f << "controller_model " << model_.name << "\n";
    for (const char* row : {"start_on_input#1", "stop_on_input#2", "reset_on_input#3", "step_on_input#4"})
        f << row << " " << (chance(50) ? "yes" : "no") << "\n";
    f.close();
    out.inputs.push_back(fig);

    steps_.clear();
    for (int i = 1; i <= shape.steps; ++i) {
        planned_step s{static_cast<uint32_t>(i), "", false};
        if (chance(40)) s.label = (chance(50) ? "Lbl" : "step_") + std::to_string(i);
        steps_.push_back(s);
    }
    rows_ = shape.rows;
    columns_ = shape.columns;
    const std::string dashes(75, '-');
    std::ofstream v;
    int owed = 0;
    for (current_ = 0; current_ < steps_.size(); ++current_) {
        int in_file = static_cast<int>(current_) % shape.steps_per_file;
        if (in_file == 0) {
            int file = static_cast<int>(current_) / shape.steps_per_file + 1;
            char suffix[16] = "";
            if (file > 1) std::snprintf(suffix, sizeof suffix, "%02d", file);
            fs::path pre = folder / (name + suffix + ".pre");
            v.close();
            v.open(pre);
            out.inputs.push_back(pre);
            mak << pre.filename().string() << "\r\n";
            if (file == 1 && rows_ && columns_) {
                v << "data_table[" << rows_ << "][" << columns_ << "] =\n{";
                for (int r = 0; r < rows_; ++r) {
                    v << "\n     ";
                    for (int c = 0; c < columns_; ++c) {
                        char element[16];
                        std::snprintf(element, sizeof element, "%5d ", pick(0, 65535));
                        v << element;
                    }
                }
                v << "\n}\n";
                ++forms_["data table"];
            }
        }
        const planned_step& s = steps_[current_];
        std::string header = "[" + std::to_string(in_file + 1) + "]";
        header.resize(std::max<std::size_t>(header.size(), 8), ' ');
        v << "\n" << header << s.label << "\n";
        if (chance(15)) v << "    ;;; step " << s.number << " of the line\n";
        v << "    " << dashes << saved_outputs() << "\n    " << dashes << "\n";
        // A "do" or "done" stands in a step of its own; the next step takes the lines it leaves.
        int lines = shape.lines_per_step + owed;
        owed = 0;
        for (int i = 0; i < lines; ++i) {
            bool alone = false;
            std::string text = chance(shape.full_percent) ? instruction(alone) : spelled(short_instruction());
            if (alone && i > 0) {
                --i;
                continue;
            }
            v << "    " << text << "\n";
            ++out.instruction_lines;
            if (alone) {
                owed = lines - 1;
                break;
            }
        }
    }
    v.close();
    mak.close();
    for (const fs::path& p : out.inputs) out.source_bytes += static_cast<long>(fs::file_size(p));
    return out;
}

}  // namespace pxbench
