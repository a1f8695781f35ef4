// The resource cross-reference map (".xrf").
//
// Each kind keeps an ordered map from resource number to its uses, so a
// program with tens of thousands of distinct registers records in n log n
// rather than walking a list per use. The lists live in the build's pool and
// go with it; clear_usage only forgets them, and the index of small numbers
// that finds a list without the walk.
#include "driver/xref.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "driver/diagnostics.h"
#include "driver/source_places.h"
#include "driver/utilities.h"
#include "files/config.h"
#include "platform/clock.h"
#include "platform/file_names.h"

namespace px {

namespace {

constexpr int FIRST_MAPPED_KIND = KIND_ANALOG_INPUT;
constexpr std::size_t TEXT_COLUMNS = 68;

const char* const kind_names[KIND_COUNT] = {
    "Node",           "Model",           "Start",           "Stop",
    "Reset",          "Step",            "Analog Input",    "Analog Output",
    "Stepper Motor",  "Servo",           "Prototype Board", "High Speed Counter",
    "Thumbwheel",     "Digital Display", "Digital Input",   "Digital Output",
    "Data Table Column", "Flag",         "Counter",         "Register",
};

// What a step does to a digital output; the map shows the word.
const char ALL_OFF[] = "all off";
const char ON[] = "on";
const char OFF[] = "off";

struct use_entry {
    uint32_t step_number;
    uint32_t length;  // of text, counted while the text is at hand
    const char* text;
    // What makes two uses the same: the instruction node, or for outputs the
    // action word.
    const void* source;
};

// The length sits in what was padding: the pool is asked for no more.
static_assert(sizeof(use_entry) == sizeof(uint64_t) + 2 * sizeof(void*));

using use_list = std::pmr::vector<use_entry>;
using usage_list = std::pmr::map<int64_t, use_list>;

usage_list* usage[KIND_COUNT] = {};
uint64_t usage_generation = 0;  // the pool the lists live in

// The list of each small number, found again without a walk down the map.
// Outside the pool, so the pool is asked for exactly what the map asks. The
// index is kept in pages of 256 numbers, each made when a number in it is
// first used: a program naming register 60000 clears one page, not an index
// of every number below it.
constexpr int64_t INDEXED_NUMBERS = 65536;
constexpr std::size_t INDEX_PAGE = 256;
using index_page = std::unique_ptr<use_list*[]>;
std::vector<index_page> number_index[KIND_COUNT];

use_list* indexed_list(int kind, std::size_t key) {
    const std::vector<index_page>& pages = number_index[kind];
    std::size_t page = key / INDEX_PAGE;
    return page < pages.size() && pages[page] ? pages[page][key % INDEX_PAGE] : nullptr;
}

use_list*& index_slot(int kind, std::size_t key) {
    std::vector<index_page>& pages = number_index[kind];
    std::size_t page = key / INDEX_PAGE;
    if (pages.size() <= page) pages.resize(page + 1);
    if (!pages[page]) pages[page] = std::make_unique<use_list*[]>(INDEX_PAGE);
    return pages[page][key % INDEX_PAGE];
}

usage_list& list_of(int kind) {
    // Lists of an earlier build's pool are gone with it.
    if (usage_generation != pool_generation()) clear_usage();
    if (!usage[kind]) {
        std::pmr::polymorphic_allocator<> alloc(pool_resource());
        usage[kind] = alloc.new_object<usage_list>();
    }
    return *usage[kind];
}

// Names may come with either separator: the old platform's '\' or '/'.
std::string_view base_name(std::string_view name) {
    std::size_t cut = name.find_last_of("\\/");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

// "    [n]  text" padded to 68 columns. A longer text is cut after 67
// characters with a '\' and goes on at column 0, as often as needed.
void append_use_line(std::string& line, const use_entry& use) {
    // Most lines fit: they are made whole on the stack and appended at once.
    char made[16 + 2 * TEXT_COLUMNS];
    char* at = made;
    char number[16] = "[";
    char* end = std::to_chars(number + 1, number + sizeof number - 1, static_cast<int>(use.step_number)).ptr;
    *end++ = ']';
    std::size_t width = static_cast<std::size_t>(end - number);
    std::size_t indent = 4 + (width < 6 ? 6 - width : 0);
    std::memset(at, ' ', indent);
    at += indent;
    std::memcpy(at, number, width);
    at += width;
    *at++ = ' ';
    *at++ = ' ';
    std::string_view text(use.text, use.length);
    if (text.size() <= TEXT_COLUMNS) {
        std::memcpy(at, text.data(), text.size());
        at += text.size();
        std::memset(at, ' ', TEXT_COLUMNS - text.size());
        at += TEXT_COLUMNS - text.size();
        *at++ = '\n';
        line.append(made, at);
        return;
    }
    line.append(made, at);
    while (text.size() > TEXT_COLUMNS) {
        line += text.substr(0, TEXT_COLUMNS - 1);
        line += "\\\n";
        text.remove_prefix(TEXT_COLUMNS - 1);
    }
    line += text;
    line += '\n';
}

void append_entry_header(std::string& out, int kind, int64_t number) {
    char digits[24];
    if (kind == KIND_DIGITAL_OUTPUT && number == 0) {
        out += "\nDigital Outputs #1-";
        number = static_cast<int>(param_value(PARAM_DIGITAL_OUTPUTS));
    } else {
        out += '\n';
        out += kind_names[kind];
        out += " #";
    }
    out.append(digits, std::to_chars(digits, digits + sizeof digits, static_cast<long>(number)).ptr);
    out += '\n';
}

bool put(std::FILE* out, const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
}

bool write_map(std::FILE* out, const char* file_name) {
    if (!put(out, format("\r\n\nIXO PLEXA V%d.0%d                         RESOURCE USAGE CROSS-REFERENCE MAP\r\n",
                         version_major(), version_minor())))
        return false;

    std::string dated = build_date();
    std::string_view base = base_name(file_name);
    if (dated.size() + base.size() < 78) dated.append(78 - base.size() - dated.size(), ' ');
    dated += base;
    dated += "\r\n\n";
    if (!put(out, dated)) return false;

    // The entries are made in memory and go out in blocks of a quarter
    // megabyte: few writes, and little memory however large the map.
    constexpr std::size_t BLOCK = 256 * 1024;
    std::string entries;
    entries.reserve(BLOCK + 4096);
    for (int kind = FIRST_MAPPED_KIND; kind < KIND_COUNT; ++kind) {
        if (!usage[kind]) continue;
        for (const auto& [number, uses] : *usage[kind]) {
            append_entry_header(entries, kind, number);
            for (const use_entry& use : uses) {
                append_use_line(entries, use);
                if (entries.size() >= BLOCK) {
                    if (!put(out, entries)) return false;
                    entries.clear();
                }
            }
        }
    }
    if (!put(out, entries)) return false;
    // Whatever is still buffered must reach the disk as well.
    return std::fflush(out) == 0;
}

}  // namespace

void clear_usage() {
    // The old lists belonged to the pool of their build; they are not
    // touched, only forgotten.
    for (usage_list*& list : usage) list = nullptr;
    for (std::vector<index_page>& pages : number_index) pages.clear();
    usage_generation = pool_generation();
}

void record_usage(int kind, int32_t number, list_node* step_node, list_node* instruction_node) {
    if (kind < FIRST_MAPPED_KIND || kind >= KIND_COUNT) return;
    int64_t key = number;
    const char* text;
    const void* source;
    if (kind == KIND_DIGITAL_OUTPUT) {
        text = key == 0 ? ALL_OFF : key > 0 ? ON : OFF;
        source = text;
        if (key < 0) key = -key;
    } else if (!instruction_node || is_end(instruction_node)) {
        text = "";
        source = step_node;
    } else {
        const char* own = instruction_of(instruction_node)->text;
        text = own ? own : "";
        source = instruction_node;
    }
    uint32_t step_number = (!step_node || is_end(step_node)) ? 0 : step_of(step_node)->number;

    use_list* found = nullptr;
    bool indexed = key >= 0 && key < INDEXED_NUMBERS;
    if (indexed && usage_generation == pool_generation()) found = indexed_list(kind, static_cast<std::size_t>(key));
    if (!found) {
        found = &list_of(kind)[key];
        if (indexed) index_slot(kind, static_cast<std::size_t>(key)) = found;
    }
    use_list& uses = *found;
    // One instruction naming a resource twice, or an output turned on again
    // before it was turned off, is listed once.
    if (!uses.empty() && uses.back().source == source) return;
    uses.push_back({step_number, static_cast<uint32_t>(std::strlen(text)), text, source});
}

const char* resource_kind_name(int kind) { return kind >= 0 && kind < KIND_COUNT ? kind_names[kind] : ""; }

int write_cross_reference_map(build_context& build, const char* file_name) {
    if (usage_generation != pool_generation()) clear_usage();
    static constexpr text_file_messages messages{
        LOG_ERROR, "Unable to open \"%s\" to save cross-reference map.",
        "Saving cross-reference map to file \"%s\"...", "Unable to write to cross-reference map file \"%s\".",
        "Saved resource cross-reference map in file \"%s\"."};
    return write_text_file(build, unique_file(open_file(*build.files, file_name, "w")), file_name, messages,
                           [file_name](std::FILE* out) { return write_map(out, file_name); });
}

}  // namespace px
