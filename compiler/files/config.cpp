// Controller models and the program's configuration parameter file (".fig").
//
// The file is a stream of blank-separated keyword and value tokens. It is read
// whole into memory before it is parsed, so that a value which turns out not
// to be a number stays exactly where it stood and the keyword loop meets it
// next, as the old reader's stream did.
#include "files/config.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "platform/file_names.h"
#include "test_hooks.h"

namespace px {

config_param config_params[PARAM_COUNT] = {
    {"network node", VALUE_INTEGER, 0, 0, {}, false},
    {"controller model", VALUE_MODEL, 0, 0, {}, false},
    {"start on input#1", VALUE_YES_NO, 0, 0, {}, false},
    {"stop on input#2", VALUE_YES_NO, 0, 0, {}, false},
    {"reset on input#3", VALUE_YES_NO, 0, 0, {}, false},
    {"step on input#4", VALUE_YES_NO, 0, 0, {}, false},
    {"analog inputs", VALUE_INTEGER, 0, 0, {}, false},
    {"analog outputs", VALUE_INTEGER, 0, 0, {}, false},
    {"stepper motors", VALUE_INTEGER, 0, 0, {}, false},
    {"servos", VALUE_INTEGER, 0, 0, {}, false},
    {"prototype boards", VALUE_INTEGER, 0, 0, {}, false},
    {"highspeed ctrs", VALUE_INTEGER, 0, 0, {}, false},
    {"thumbwheels", VALUE_INTEGER, 0, 0, {}, false},
    {"digital displays", VALUE_INTEGER, 0, 0, {}, false},
    {"digital inputs", VALUE_INTEGER, 0, 0, {}, false},
    {"digital outputs", VALUE_INTEGER, 0, 0, {}, false},
    {"steps", VALUE_INTEGER, 0, 0, {}, false},
    {"flags", VALUE_INTEGER, 0, 0, {}, false},
    {"counters", VALUE_INTEGER, 0, 0, {}, false},
    {"registers", VALUE_UNSIGNED, 0, 0, {}, false},
};

// Searched in this order; the first row is the default model.
const model_row model_table[MODEL_COUNT] = {
    {"K410", 0, false, 256, 128},   {"K310", 0, false, 256, 128},   {"K411", 2, false, 1024, 1024},
    {"K311", 2, false, 1024, 1024}, {"K200", 2, false, 1024, 1024}, {"K205", 5, true, 1024, 1024},
    {"K110", 0, true, 256, 128},    {"K100", 0, true, 256, 128},    {"K105", 0, true, 256, 128},
    {"K315", 10, false, 1024, 1024}, {"K415", 10, false, 1024, 1024}, {"K520", 11, true, 1280, 1024},
    {"K530", 12, true, 4096, 1024}, {"K531", 13, true, 4096, 1024}, {"K6A", 14, true, 4096, 1024},
    {"K6B", 14, true, 4096, 1024},  {"K6C", 14, true, 4096, 1024},
};

int model_code = 0;
bool reduced_memory = false;

namespace {

constexpr std::size_t NAME_LIMIT = 127;       // characters of a file name used
constexpr std::size_t KEYWORD_LIMIT = 511;    // characters of a keyword token
constexpr std::size_t VALUE_LIMIT = 127;      // characters of a value token
constexpr std::size_t NORMALIZE_LIMIT = 128;  // characters of a keyword normalized
constexpr std::size_t MODEL_LIMIT = sizeof config_params[0].model - 1;
constexpr int KEYWORD_COLUMNS = 32;           // the value starts after them and a blank
const char* const FALLBACK_FOLDER = "/lib";
// Shown for a model value that no file has ever set.
const char* const NO_MODEL = "<null>";

// The file's text and the reading position in it.
struct fig_text {
    std::string text;
    std::size_t pos = 0;

    bool at_end() const { return pos >= text.size(); }
    char peek() const { return text[pos]; }
    void skip_blanks() {
        while (!at_end() && is_blank(peek())) ++pos;
    }
    void skip_line() {
        while (!at_end() && text[pos++] != '\n') {}
    }
    // The next blank-delimited token, cut after limit characters; the rest
    // of a longer token stays for the next read. Empty at the end of the text.
    std::string token(std::size_t limit) {
        skip_blanks();
        std::size_t start = pos;
        while (!at_end() && !is_blank(peek()) && pos - start < limit) ++pos;
        return text.substr(start, pos - start);
    }
    // A decimal number after blanks. Reading stops at the first character
    // that cannot belong to it. A number beyond the range is refused like
    // text: silently wrapping it would put a wrong value in the program.
    bool number(bool is_signed, int64_t& out) {
        skip_blanks();
        std::size_t p = pos;
        bool negative = false;
        if (p < text.size() && (text[p] == '+' || (is_signed && text[p] == '-'))) negative = text[p++] == '-';
        const int64_t limit = !is_signed ? 4294967295LL : negative ? 2147483648LL : 2147483647LL;
        std::size_t first_digit = p;
        int64_t value = 0;
        bool too_large = false;
        for (; p < text.size() && is_digit(text[p]); ++p) {
            if (too_large) continue;
            value = value * 10 + (text[p] - '0');
            too_large = value > limit;
        }
        if (p == first_digit || too_large) return false;
        pos = p;
        out = negative ? -value : value;
        return true;
    }
};

// Readers return false when no value could be read; the value then stays.
bool read_integer(fig_text& in, config_param& param) {
    int64_t v;
    if (!in.number(true, v)) return false;
    param.value = static_cast<int32_t>(v);
    return true;
}

bool read_unsigned(fig_text& in, config_param& param) {
    int64_t v;
    if (!in.number(false, v)) return false;
    param.uvalue = static_cast<uint32_t>(v);
    return true;
}

bool read_yes_no(fig_text& in, config_param& param) {
    std::string token = in.token(VALUE_LIMIT);
    if (token.empty()) return false;
    char first = fold_case(token[0]);
    param.value = first == 't' || first == 'y';
    return true;
}

void store_model_name(config_param& param, const char* name) {
    std::size_t n = strnlen(name, MODEL_LIMIT);
    std::memcpy(param.model, name, n);
    param.model[n] = '\0';
    param.has_model = true;
}

bool read_model(fig_text& in, config_param& param) {
    std::string token = in.token(VALUE_LIMIT);
    if (token.empty()) return false;
    store_model_name(param, token.c_str());
    return true;
}

void write_integer(std::FILE* f, const config_param& param) { std::fprintf(f, "%8d", static_cast<int>(param.value)); }

void write_unsigned(std::FILE* f, const config_param& param) {
    std::fprintf(f, "%8lu", static_cast<unsigned long>(param.uvalue));
}

void write_yes_no(std::FILE* f, const config_param& param) {
    std::fprintf(f, "%8s", param.value == 1 ? "yes" : param.value == 0 ? "no" : "*");
}

void write_model(std::FILE* f, const config_param& param) {
    std::fprintf(f, "%8s", param.has_model ? param.model : NO_MODEL);
}

struct value_io {
    bool (*read)(fig_text&, config_param&);
    void (*write)(std::FILE*, const config_param&);
};

// Indexed by value_type.
const value_io value_ios[] = {
    {read_integer, write_integer},
    {read_unsigned, write_unsigned},
    {read_yes_no, write_yes_no},
    {read_model, write_model},
};
static_assert(sizeof value_ios / sizeof value_ios[0] == std::size_t{VALUE_MODEL} + 1);

// Keywords match with '_' as a blank and in any case. "digital_i/oputs" and
// its like name a pair of rows; io_pair tells the caller so.
std::string normalize_keyword(std::string token, bool& io_pair) {
    for (std::size_t i = 0; i < token.size() && i < NORMALIZE_LIMIT; ++i)
        token[i] = token[i] == '_' ? ' ' : fold_case(token[i]);
    std::size_t at = token.find("i/oputs");
    io_pair = at != std::string::npos;
    if (io_pair) token.replace(at, std::string::npos, "inputs");
    return token;
}

int find_param(const std::string& keyword) {
    for (int row = 0; row < PARAM_COUNT; ++row)
        if (keyword == config_params[row].keyword) return row;
    return -1;
}

void copy_value(config_param& to, const config_param& from) {
    to.value = from.value;
    to.uvalue = from.uvalue;
    std::memcpy(to.model, from.model, sizeof to.model);
    to.has_model = from.has_model;
}

// Reads the whole file. A file that opens but fails while it is read counts
// as not opened.
bool load_text(build_context& build, const std::string& name, std::string& text) {
    unique_file in(open_file(*build.files, name.c_str(), "r"));
    if (!in) return false;
    text.clear();
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) text.append(buffer, n);
    return !std::ferror(in.get());
}

// The line and column of a position in the text, for a message that points there.
file_place place_in(build_context& build, const fig_text& in, std::size_t at, const char* file_name) {
    if (!build.recording) return {};
    uint32_t line = 1, column = 1;
    for (std::size_t i = 0; i < at && i < in.text.size(); ++i) {
        if (in.text[i] == '\n') {
            ++line;
            column = 1;
        } else if (!(in.text[i] == '\r' && i + 1 < in.text.size() && in.text[i + 1] == '\n')) {
            ++column;
        }
    }
    return {note_file(build, file_name), line, column};
}

void parse_parameters(build_context& build, fig_text& in, const char* file_name) {
    for (;;) {
        in.skip_blanks();
        if (in.at_end()) break;
        if (in.peek() == ';') {
            in.skip_line();
            continue;
        }
        bool io_pair = false;
        std::size_t keyword_at = in.pos;
        std::string keyword = normalize_keyword(in.token(KEYWORD_LIMIT), io_pair);
        int row = find_param(keyword);
        if (row < 0) {
            // The value after it is not consumed: it is met next as a keyword.
            log_message_at(build, place_in(build, in, keyword_at, file_name), LOG_WARNING,
                           "Unrecognized parameter:  \"%s\"\n", keyword.c_str());
            continue;
        }
        config_param& param = config_params[row];
        if (value_ios[param.type].read(in, param) && io_pair && row + 1 < PARAM_COUNT)
            copy_value(config_params[row + 1], param);
    }
}

}  // namespace

int32_t max_steps_for_code(int code) {
    switch (code) {
    case 0: return 256;
    case 11: return 1280;
    case 12: case 13: case 14: return 4096;
    default: return 1024;
    }
}

int64_t param_value(param_row row) {
    const config_param& param = config_params[row];
    return param.type == VALUE_UNSIGNED ? int64_t{param.uvalue} : int64_t{param.value};
}

void set_param_value(param_row row, int64_t value) {
    config_param& param = config_params[row];
    if (param.type == VALUE_UNSIGNED)
        param.uvalue = static_cast<uint32_t>(value);
    else
        param.value = static_cast<int32_t>(value);
}

const model_row* find_model(const char* name) {
    if (!name) return nullptr;
    for (const model_row& row : model_table)
        if (equal_folded(name, row.name)) return &row;
    return nullptr;
}

void apply_model(const model_row& row) {
    config_params[PARAM_FLAGS].value = 32;
    config_params[PARAM_COUNTERS].value = 8;
    config_params[PARAM_REGISTERS].uvalue = 60000;
    for (param_row capped : {PARAM_DIGITAL_INPUTS, PARAM_DIGITAL_OUTPUTS})
        if (config_params[capped].value > row.digital_cap) config_params[capped].value = row.digital_cap;
    model_code = row.code;
    reduced_memory = row.reduced_memory;
    config_params[PARAM_STEPS].value = row.steps;
}

void select_model(const model_row& row) {
    store_model_name(config_params[PARAM_CONTROLLER_MODEL], row.name);
    apply_model(row);
}

void reset_configuration() {
    for (config_param& param : config_params) {
        param.value = 0;
        param.uvalue = 0;
        std::memset(param.model, 0, sizeof param.model);
        param.has_model = false;
    }
    model_code = 0;
    reduced_memory = false;
}

int read_configuration(build_context& build, const char* name) {
    if (!name || !*name) {
        log_message(build, LOG_ERROR, "No file name specified as configuration file.\n");
        return 1;
    }
    std::string wanted(name, strnlen(name, NAME_LIMIT));
    std::string opened = wanted;
    fig_text in;
    if (!load_text(build, opened, in.text)) {
        opened = std::string(FALLBACK_FOLDER) + "/" + wanted;
        if (!load_text(build, opened, in.text)) {
            log_message(build, LOG_WARNING, "Unable to open configuration file \"%s\".\n", wanted.c_str());
            return 1;
        }
    }
    log_message(build, LOG_INFO, "Reading configuration parameters from file \"%s\"...\n", opened.c_str());

    config_params[PARAM_NETWORK_NODE].value = 0;
    parse_parameters(build, in, opened.c_str());

    const config_param& model = config_params[PARAM_CONTROLLER_MODEL];
    const model_row* row = model.has_model ? find_model(model.model) : nullptr;
    if (!row) {
        row = &model_table[0];
        log_message_at(build, file_place{note_file(build, opened.c_str()), 0, 0}, LOG_ERROR,
                       "Unknown controller model (%s) ... defaulting to %s.\n", model.has_model ? model.model : NO_MODEL,
                       row->name);
    }
    select_model(*row);

    log_message(build, LOG_INFO, "Read configuration parameters from file \"%s\".\n", opened.c_str());
    return 0;
}

int save_configuration(build_context& build, const char* name) {
    const char* shown = name ? name : "";
    // One line for both failures, as the log has always had it.
    static constexpr text_file_messages messages{
        LOG_WARNING, "Unable to open \"%s\" for writing.\n", "Saving configuration parameters to file \"%s\"...\n",
        "Unable to open \"%s\" for writing.\n", "Saved configuration parameters in file \"%s\".\n"};
    unique_file out(name && *name ? open_file(*build.files, name, "w") : nullptr);
    bool written = write_text_file(build, std::move(out), shown, messages, [](std::FILE* f) {
        std::fputs(";;;\n", f);
        std::fputs(";;;\tKORVEN K400 Parameter Configuration Defaults\n", f);
        std::fputs(";;;\n\n", f);
        for (const config_param& param : config_params) {
            std::string keyword = param.keyword;
            for (char& c : keyword)
                if (c == ' ') c = '_';
            std::fprintf(f, "\n%s ", keyword.c_str());
            int pad = KEYWORD_COLUMNS - static_cast<int>(keyword.size());
            std::fprintf(f, "%*s", pad > 0 ? pad : 0, "");
            value_ios[param.type].write(f, param);
        }
        std::fputs("\n", f);
        return true;
    });
    return written ? 0 : 1;
}

}  // namespace px
