// The language server's answers: definitions, references, hovers,
// completions, symbols, renames, formatting and the quick fix for a label
// that does not exist.
#include "lsp_features.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string_view>

#include "driver/helpers.h"
#include "driver/utilities.h"
#include "driver/xref.h"
#include "format.h"
#include "steps/syntax_table.h"

namespace pxc::lsp {

namespace {

namespace fs = std::filesystem;
using step_entry = px::symbol_record::step_entry;
using where = px::symbol_record::where;

constexpr int SYMBOL_FUNCTION = 12;
constexpr int SYMBOL_CONSTANT = 14;
constexpr int COMPLETION_KEYWORD = 14;
constexpr int COMPLETION_REFERENCE = 18;
constexpr const char* NO_LABEL = "The destination label does not exist.";

// Where a request points: the file, the compiler's line (from 1) and the
// byte of that line (from 0).
struct cursor {
    std::string path;
    uint32_t line = 0;
    std::size_t byte = 0;
    std::string_view text;  // the line
};

const json& member(const json& object, const char* name) {
    if (!object.is_object() || !object.contains(name))
        throw request_error{INVALID_PARAMS, std::string("no \"") + name + "\""};
    return object.at(name);
}

uint32_t unsigned_member(const json& object, const char* name) {
    const json& value = member(object, name);
    if (!value.is_number_integer() || value.get<int64_t>() < 0 || value.get<int64_t>() > UINT32_MAX)
        throw request_error{INVALID_PARAMS, std::string("\"") + name + "\" is not a position"};
    return static_cast<uint32_t>(value.get<int64_t>());
}

cursor cursor_of(request_context& c, const json& params) {
    cursor at;
    at.path = document_path(c, params);
    const json& p = member(params, "position");
    position where_at{unsigned_member(p, "line"), unsigned_member(p, "character")};
    const text_lines& lines = c.lines_of(at.path);
    auto offset = offset_of(lines, where_at, c.units);
    if (!offset) throw request_error{INVALID_PARAMS, "the position lies outside the document"};
    at.line = where_at.line + 1;
    at.byte = *offset - lines.start(where_at.line);
    at.text = lines.line(where_at.line);
    return at;
}

bool is_word_end(char c) { return c == ' ' || c == '\t'; }

// The length of the word at a column (from 1) of a line: as far as a blank.
uint32_t word_length(std::string_view line, uint32_t column) {
    std::size_t from = column > 0 ? column - 1 : 0;
    std::size_t to = from;
    while (to < line.size() && !is_word_end(line[to])) ++to;
    return static_cast<uint32_t>(to - std::min(from, to));
}

// True when the cursor stands on `length` bytes from a place (or just after them).
bool covers(const project& p, const where& w, uint32_t length, const cursor& at) {
    if (w.line != at.line || w.column == 0 || p.file_of(w) != at.path) return false;
    std::size_t from = w.column - 1;
    return at.byte >= from && at.byte <= from + length;
}

// The header's "[n]": up to its "]".
uint32_t header_length(std::string_view line, uint32_t column) {
    std::size_t from = column > 0 ? column - 1 : 0;
    std::size_t close = line.find(']', from);
    return close == std::string_view::npos ? word_length(line, column) : static_cast<uint32_t>(close + 1 - from);
}

struct hit {
    enum kind_t { nothing, step, resource, keyword } kind = nothing;
    const step_entry* target = nullptr;  // step: the step named or declared
    bool declaration = false;            // step: on its label
    bool label_use = false;              // step: on a label in a goto clause or do list
    int resource_kind = 0;
    int32_t number = 0;
    const px::symbol_record::instruction_entry* instruction = nullptr;  // keyword
    const step_entry* in_step = nullptr;                                // keyword
};

hit hit_in(const project& p, const cursor& at) {
    hit h;
    for (const px::symbol_record::destination_use& use : p.symbols.destinations) {
        if (!covers(p, use.at, use.length, at)) continue;
        h.kind = hit::step;
        h.target = use.target ? p.step(use.target) : nullptr;
        h.label_use = use.kind == px::symbol_record::TO_LABEL;
        return h;
    }
    for (const px::symbol_record::resource_use& use : p.symbols.resources) {
        uint32_t length = use.length ? use.length : word_length(at.text, use.at.column);
        if (!covers(p, use.at, length, at)) continue;
        h.kind = hit::resource;
        h.resource_kind = use.kind;
        h.number = use.number;
        return h;
    }
    for (const step_entry& s : p.symbols.steps) {
        if (s.labelled && covers(p, s.label_at, static_cast<uint32_t>(s.label.size()), at)) {
            h.kind = hit::step;
            h.target = &s;
            h.declaration = true;
            return h;
        }
        if (covers(p, s.header, header_length(at.text, s.header.column), at)) {
            h.kind = hit::step;
            h.target = &s;
            return h;
        }
        for (const auto& in : p.symbols.instructions_of(s)) {
            std::string_view text = p.symbols.text(in);
            std::size_t letters = 0;
            while (letters < text.size() && std::isalpha(static_cast<unsigned char>(text[letters]))) ++letters;
            if (letters > 0 && covers(p, in.at, static_cast<uint32_t>(letters), at)) {
                h.kind = hit::keyword;
                h.instruction = &in;
                h.in_step = &s;
                return h;
            }
        }
    }
    return h;
}

// The step of another project that stands at the same header.
const step_entry* same_step(const project& from, const step_entry& s, const project& in) {
    const std::string& file = from.file_of(s.header);
    for (const step_entry& t : in.symbols.steps)
        if (t.header.line == s.header.line && in.file_of(t.header) == file) return &t;
    return nullptr;
}

// What the model's range counts, by resource kind.
const char* plural_noun(int kind) {
    switch (kind) {
    case px::KIND_ANALOG_INPUT: return "analog inputs";
    case px::KIND_ANALOG_OUTPUT: return "analog outputs";
    case px::KIND_STEPPER_MOTOR: return "stepper motors";
    case px::KIND_SERVO: return "servos";
    case px::KIND_PROTOTYPE_BOARD: return "prototype boards";
    case px::KIND_THUMBWHEEL: return "thumbwheels";
    case px::KIND_DIGITAL_DISPLAY: return "displays";
    case px::KIND_DIGITAL_INPUT: return "digital inputs";
    case px::KIND_DIGITAL_OUTPUT: return "digital outputs";
    case px::KIND_DATA_TABLE_COLUMN: return "data table columns";
    case px::KIND_FLAG: return "flags";
    case px::KIND_COUNTER: return "counters";
    case px::KIND_REGISTER: return "registers";
    default: return "numbers";
    }
}

std::string file_name(const std::string& path) { return fs::path(path).filename().string(); }

std::string hex_bytes(const std::vector<uint8_t>& code) {
    std::string out;
    for (uint8_t b : code) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", b);
        if (!out.empty()) out += ' ';
        out += hex;
    }
    return out;
}

// A syntax text as the compiler would show it for this keyword and model.
std::string shown_syntax(const char* form, const std::string& keyword, int32_t max_steps) {
    std::string out;
    for (const char* s = form; *s; ++s) {
        if (s[0] == '%' && s[1] == 'd') {
            out += std::to_string(max_steps);
            ++s;
        } else if (s[0] == '%' && s[1] == 's') {
            out += keyword;
            ++s;
        } else {
            out += *s;
        }
    }
    return out;
}

// Every place a step is named in its project, label uses and step numbers
// alike, and (with declaration) its label or header.
void step_references(request_context& c, const project& p, const step_entry& s, bool declaration, bool labels_only,
                     std::vector<std::pair<std::string, range>>& out) {
    if (declaration) {
        if (s.labelled)
            out.emplace_back(p.file_of(s.label_at),
                             c.range_at(p.file_of(s.label_at), s.label_at.line, s.label_at.column,
                                        static_cast<uint32_t>(s.label.size())));
        else
            out.emplace_back(p.file_of(s.header), c.range_at(p.file_of(s.header), s.header.line, s.header.column, 0));
    }
    for (const px::symbol_record::destination_use& use : p.symbols.destinations) {
        if (use.target != s.number || use.kind == px::symbol_record::TO_NEXT) continue;
        if (labels_only && use.kind != px::symbol_record::TO_LABEL) continue;
        out.emplace_back(p.file_of(use.at), c.range_at(p.file_of(use.at), use.at.line, use.at.column, use.length));
    }
}

json locations(request_context& c, std::vector<std::pair<std::string, range>> found) {
    json out = json::array();
    std::set<std::pair<std::string, std::pair<position, position>>> seen;
    for (const auto& [file, r] : found) {
        if (file.empty() || !seen.insert({file, {r.start, r.end}}).second) continue;
        out.push_back({{"uri", c.uri_of(file)}, {"range", to_json(r)}});
    }
    return out;
}

bool is_label_character(char ch) { return !px::is_name_delimiter(ch); }

// The label the cursor is on, for a rename: its step, and the project.
struct label_target {
    const project* p = nullptr;
    const step_entry* step = nullptr;
};

label_target label_under(request_context& c, const cursor& at) {
    for (project* p : c.ws.projects_of(at.path, &c.rebuilt)) {
        hit h = hit_in(*p, at);
        if (h.kind == hit::step && h.target && h.target->labelled && (h.declaration || h.label_use))
            return {p, h.target};
    }
    throw request_error{REQUEST_FAILED, "Only a label can be renamed: put the cursor on a label."};
}

// The edit distance of two labels, without regard to case.
std::size_t label_distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t above = row[j];
            bool same = px::fold_case(a[i - 1]) == px::fold_case(b[j - 1]);
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

const text_lines& request_context::lines_of(const std::string& path) {
    auto [at, fresh] = texts_.try_emplace(path);
    if (fresh) {
        at->second.bytes = ws.text_of(path);
        at->second.lines = std::make_unique<text_lines>(at->second.bytes);
    }
    return *at->second.lines;
}

range request_context::range_at(const std::string& path, uint32_t line, uint32_t column, uint32_t length) {
    return range_of(lines_of(path), line, column, length, units);
}

json request_context::location(const std::string& path, uint32_t line, uint32_t column, uint32_t length) {
    return {{"uri", uri_of(path)}, {"range", to_json(range_at(path, line, column, length))}};
}

std::string request_context::uri_of(const std::string& path) const {
    if (const document* d = ws.find(path)) return d->uri;
    return uri_of_path(path);
}

json to_json(const range& r) {
    return {{"start", {{"line", r.start.line}, {"character", r.start.character}}},
            {"end", {{"line", r.end.line}, {"character", r.end.character}}}};
}

std::string document_path(request_context& c, const json& params) {
    const json& document = member(params, "textDocument");
    const json& uri = member(document, "uri");
    if (!uri.is_string()) throw request_error{INVALID_PARAMS, "\"uri\" is not a string"};
    auto path = path_of_uri(uri.get<std::string>());
    if (!path) throw request_error{INVALID_PARAMS, "not a file URI: " + uri.get<std::string>()};
    if (!c.ws.find(*path)) throw request_error{INVALID_PARAMS, "unknown document: " + uri.get<std::string>()};
    return *path;
}

json definition(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    std::vector<std::pair<std::string, range>> found;
    for (project* p : c.ws.projects_of(at.path, &c.rebuilt)) {
        hit h = hit_in(*p, at);
        if (h.kind != hit::step || !h.target) continue;
        const std::string& file = p->file_of(h.target->header);
        found.emplace_back(
            file, c.range_at(file, h.target->header.line, h.target->header.column,
                             header_length(c.lines_of(file).line(h.target->header.line - 1), h.target->header.column)));
    }
    json out = locations(c, std::move(found));
    return out.empty() ? json(nullptr) : out;
}

json references(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    bool declaration = true;
    if (params.contains("context") && params["context"].is_object() &&
        params["context"].contains("includeDeclaration") && params["context"]["includeDeclaration"].is_boolean())
        declaration = params["context"]["includeDeclaration"].get<bool>();
    std::vector<std::pair<std::string, range>> found;
    for (project* p : c.ws.projects_of(at.path, &c.rebuilt)) {
        hit h = hit_in(*p, at);
        if (h.kind == hit::step && h.target) {
            step_references(c, *p, *h.target, declaration, false, found);
        } else if (h.kind == hit::resource) {
            for (const px::symbol_record::resource_use& use : p->symbols.resources)
                if (use.kind == h.resource_kind && use.number == h.number) {
                    const std::string& file = p->file_of(use.at);
                    if (file.empty() || use.at.line == 0) continue;
                    found.emplace_back(file, c.range_at(file, use.at.line, use.at.column, use.length));
                }
        }
    }
    json out = locations(c, std::move(found));
    return out.empty() ? json(nullptr) : out;
}

json hover(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    for (project* p : c.ws.projects_of(at.path, &c.rebuilt)) {
        hit h = hit_in(*p, at);
        std::string text;
        if (h.kind == hit::keyword) {
            std::string keyword;
            for (char ch : p->symbols.text(*h.instruction)) {
                if (!std::isalpha(static_cast<unsigned char>(ch))) break;
                keyword += px::fold_case(ch);
            }
            const px::keyword_syntax* row = px::syntax_of(keyword);
            if (!row) continue;
            text = "```\n";
            bool any = false;
            for (const char* form : row->forms)
                if (form) {
                    text += shown_syntax(form, keyword, p->symbols.max_steps) + "\n";
                    any = true;
                }
            if (!any) text += keyword + "\n";
            text += "```\n";
            std::vector<uint8_t> code = p->symbols.code_of(*h.instruction);
            if (code.empty())
                text += "Compiles to nothing";
            else
                text += "Compiles to `" + hex_bytes(code) + "` (" + std::to_string(code.size()) + " byte" +
                        (code.size() == 1 ? "" : "s") + ")";
            text += " in step [" + std::to_string(h.in_step->number) + "] of " + file_name(p->root) + ".";
        } else if (h.kind == hit::step && h.target) {
            const step_entry& s = *h.target;
            text = "**" + (s.labelled ? s.label : "[" + std::to_string(s.written) + "]") + "**: step [" +
                   std::to_string(s.written) + "] as written in " + file_name(p->file_of(s.header)) + ", step [" +
                   std::to_string(s.number) + "] as linked in " + file_name(p->root) + ".";
        } else if (h.kind == hit::step) {
            text = "No step of " + file_name(p->root) + " has this name.";
        } else if (h.kind == hit::resource) {
            std::string name = px::resource_kind_name(h.resource_kind);
            bool all_off = h.resource_kind == px::KIND_DIGITAL_OUTPUT && h.number == 0;
            text = all_off ? "**All digital outputs**" : "**" + name + " #" + std::to_string(h.number) + "**";
            std::vector<std::string> uses;
            for (const px::symbol_record::resource_use& use : p->symbols.resources) {
                if (use.kind != h.resource_kind || use.number != h.number) continue;
                std::string line = "- [" + std::to_string(use.step) + "] " + p->symbols.text(use);
                if (std::find(uses.begin(), uses.end(), line) == uses.end()) uses.push_back(line);
            }
            text += ", used " + std::to_string(uses.size()) + " time" + (uses.size() == 1 ? "" : "s") + " in " +
                    file_name(p->root) + ":\n";
            for (const std::string& line : uses) text += line + "\n";
            int32_t highest = p->symbols.highest[h.resource_kind];
            if (!all_off) {
                if (highest > 0)
                    text += "\nThe model takes " + std::string(plural_noun(h.resource_kind)) + " 1-" +
                            std::to_string(highest) + ".";
                else if (h.resource_kind == px::KIND_DATA_TABLE_COLUMN)
                    text += "\nThe program has no data table.";
            }
        } else {
            continue;
        }
        return {{"contents", {{"kind", "markdown"}, {"value", text}}}};
    }
    return nullptr;
}

json completion(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    std::string before;
    for (std::size_t i = 0; i < at.byte && i < at.text.size(); ++i) before += px::fold_case(at.text[i]);
    std::size_t first = before.find_first_not_of(" \t");
    std::string typed = first == std::string::npos ? "" : before.substr(first);

    std::vector<project*> projects = c.ws.projects_of(at.path, &c.rebuilt);
    // Is the line an instruction? A step's instructions follow its second
    // separator; a blank line there is where the next one starts.
    bool instruction_line = false;
    for (project* p : projects)
        for (const step_entry& s : p->symbols.steps)
            for (const auto& in : p->symbols.instructions_of(s))
                if (in.at.line == at.line && p->file_of(in.at) == at.path) instruction_line = true;
    if (!instruction_line && typed.empty()) {
        const text_lines& lines = c.lines_of(at.path);
        for (uint32_t line = at.line - 1; line > 0; --line) {
            std::string_view above = lines.line(line - 1);
            std::size_t start = above.find_first_not_of(" \t");
            if (start == std::string_view::npos) continue;
            instruction_line = above[start] == '-';
            for (project* p : projects)
                for (const step_entry& s : p->symbols.steps)
                    for (const auto& in : p->symbols.instructions_of(s))
                        if (in.at.line == line && p->file_of(in.at) == at.path) instruction_line = true;
            break;
        }
    }
    json items = json::array();
    if (!instruction_line) return items;

    bool word_only =
        std::all_of(typed.begin(), typed.end(), [](char ch) { return std::isalpha(static_cast<unsigned char>(ch)); });
    if (word_only) {
        for (const px::keyword_syntax& row : px::INSTRUCTION_SYNTAX) {
            json item = {{"label", row.keyword}, {"kind", COMPLETION_KEYWORD}};
            if (row.forms[0])
                item["detail"] =
                    shown_syntax(row.forms[0], row.keyword, projects.empty() ? 0 : projects[0]->symbols.max_steps);
            items.push_back(item);
        }
        return items;
    }
    // After "goto" or inside a do list's parentheses: the steps' labels.
    std::size_t word = typed.size();
    while (word > 0 && is_label_character(typed[word - 1])) --word;
    std::string head = typed.substr(0, word);
    while (!head.empty() && (head.back() == ' ' || head.back() == '\t')) head.pop_back();
    bool after_goto = head.size() >= 4 && head.compare(head.size() - 4, 4, "goto") == 0;
    bool in_do_list =
        typed.rfind("do", 0) == 0 && head.find('(') != std::string::npos && head.find(')') == std::string::npos;
    if (!after_goto && !in_do_list) return items;
    items.push_back({{"label", "next"}, {"kind", COMPLETION_KEYWORD}, {"detail", "the next step"}});
    std::set<std::string> seen;
    for (project* p : projects)
        for (const step_entry& s : p->symbols.steps)
            if (s.labelled && seen.insert(px::folded(s.label)).second)
                items.push_back({{"label", s.label},
                                 {"kind", COMPLETION_REFERENCE},
                                 {"detail", "step [" + std::to_string(s.number) + "]"}});
    return items;
}

json document_symbols(request_context& c, const json& params) {
    std::string path = document_path(c, params);
    json out = json::array();
    if (is_makefile(path)) return out;
    std::vector<project*> projects = c.ws.projects_of(path, &c.rebuilt);
    if (projects.empty()) return out;
    const project& p = *projects.front();
    std::vector<const step_entry*> here;
    for (const step_entry& s : p.symbols.steps)
        if (s.header.line != 0 && p.file_of(s.header) == path) here.push_back(&s);
    const text_lines& lines = c.lines_of(path);
    for (std::size_t i = 0; i < here.size(); ++i) {
        const step_entry& s = *here[i];
        uint32_t last_line = i + 1 < here.size() ? here[i + 1]->header.line - 1 : static_cast<uint32_t>(lines.count());
        while (last_line > s.header.line &&
               lines.line(last_line - 1).find_first_not_of(" \t") == std::string_view::npos)
            --last_line;
        std::string_view last = lines.line(last_line - 1);
        range whole{c.range_at(path, s.header.line, s.header.column, 0).start,
                    {last_line - 1, units_in(last, c.units)}};
        range chosen = c.range_at(path, s.header.line, s.header.column,
                                  header_length(lines.line(s.header.line - 1), s.header.column));
        json symbol = {{"name", "[" + std::to_string(s.written) + "]" + (s.labelled ? " " + s.label : "")},
                       {"kind", SYMBOL_FUNCTION},
                       {"range", to_json(whole)},
                       {"selectionRange", to_json(chosen)}};
        if (s.written != s.number) symbol["detail"] = "step [" + std::to_string(s.number) + "] of the linked program";
        out.push_back(symbol);
    }
    return out;
}

json workspace_symbols(request_context& c, const json& params) {
    std::string query;
    if (params.is_object() && params.contains("query") && params["query"].is_string())
        query = px::folded(params["query"].get<std::string>());
    json out = json::array();
    std::set<std::pair<std::string, uint32_t>> seen;
    for (auto& [root, p] : c.ws.projects) {
        if (p.dirty || !p.built) {
            c.ws.build(p);
            c.rebuilt.push_back(&p);
        }
        for (const step_entry& s : p.symbols.steps) {
            if (!s.labelled || s.label_at.line == 0) continue;
            if (!query.empty() && px::folded(s.label).find(query) == std::string::npos) continue;
            const std::string& file = p.file_of(s.label_at);
            if (!seen.insert({file, s.label_at.line}).second) continue;
            out.push_back({{"name", s.label},
                           {"kind", SYMBOL_CONSTANT},
                           {"location", c.location(file, s.label_at.line, s.label_at.column,
                                                   static_cast<uint32_t>(s.label.size()))},
                           {"containerName", file_name(file)}});
        }
    }
    return out;
}

json prepare_rename(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    label_target t = label_under(c, at);
    // The range is that of the word under the cursor: the label, or its use.
    for (const px::symbol_record::destination_use& use : t.p->symbols.destinations)
        if (covers(*t.p, use.at, use.length, at))
            return {{"range", to_json(c.range_at(at.path, use.at.line, use.at.column, use.length))},
                    {"placeholder", t.step->label}};
    const std::string& file = t.p->file_of(t.step->label_at);
    return {{"range", to_json(c.range_at(file, t.step->label_at.line, t.step->label_at.column,
                                         static_cast<uint32_t>(t.step->label.size())))},
            {"placeholder", t.step->label}};
}

json rename(request_context& c, const json& params) {
    cursor at = cursor_of(c, params);
    const json& name_value = member(params, "newName");
    if (!name_value.is_string()) throw request_error{INVALID_PARAMS, "\"newName\" is not a string"};
    const std::string name = name_value.get<std::string>();
    label_target t = label_under(c, at);
    if (name.empty() || !std::all_of(name.begin(), name.end(), is_label_character))
        throw request_error{REQUEST_FAILED, "A label is made of letters, digits and the characters _ . : \\ /."};
    if (px::equal_folded(name, "next"))
        throw request_error{REQUEST_FAILED, "\"next\" names the next step in a goto clause; it cannot be a label."};

    const std::string declared_in = t.p->file_of(t.step->label_at);
    std::vector<std::pair<std::string, range>> edits;
    for (project* p : c.ws.projects_of(declared_in, &c.rebuilt)) {
        const step_entry* s = same_step(*t.p, *t.step, *p);
        if (!s || !s->labelled) continue;
        for (const step_entry& other : p->symbols.steps)
            if (&other != s && other.labelled && px::equal_folded(other.label, name))
                throw request_error{REQUEST_FAILED, "Step [" + std::to_string(other.number) + "] of " +
                                                        file_name(p->root) + " has the label \"" + other.label +
                                                        "\" already."};
        step_references(c, *p, *s, true, true, edits);
    }
    std::map<std::string, json> changes;
    std::set<std::pair<std::string, std::pair<position, position>>> seen;
    for (const auto& [file, r] : edits) {
        if (!seen.insert({file, {r.start, r.end}}).second) continue;
        json& list = changes[c.uri_of(file)];
        if (list.is_null()) list = json::array();
        list.push_back({{"range", to_json(r)}, {"newText", name}});
    }
    json out = json::object();
    for (auto& [uri, list] : changes) out[uri] = std::move(list);
    return {{"changes", out}};
}

json formatting(request_context& c, const json& params) {
    std::string path = document_path(c, params);
    json edits = json::array();
    if (is_makefile(path)) return edits;
    const std::string& text = c.ws.find(path)->text;
    formatted result = format_steps(text, file_name(path));
    if (result.refused) {
        std::string why =
            result.diagnostics.empty() ? "the step reader refused the text" : result.diagnostics.front().message;
        throw request_error{REQUEST_FAILED, "Not formatted: " + why};
    }
    if (result.text == text) return edits;
    const text_lines& lines = c.lines_of(path);
    range whole{{0, 0}, position_of(lines, text.size(), c.units)};
    edits.push_back({{"range", to_json(whole)}, {"newText", result.text}});
    return edits;
}

json code_actions(request_context& c, const json& params) {
    std::string path = document_path(c, params);
    json actions = json::array();
    const json& asked = member(params, "range");
    position from{unsigned_member(member(asked, "start"), "line"),
                  unsigned_member(member(asked, "start"), "character")};
    position to{unsigned_member(member(asked, "end"), "line"), unsigned_member(member(asked, "end"), "character")};
    std::set<std::pair<position, position>> done;
    for (project* p : c.ws.projects_of(path, &c.rebuilt)) {
        for (const file_diagnostic& d : p->diagnostics) {
            if (d.file != path || d.what.message != NO_LABEL || d.what.where.line == 0) continue;
            range r = c.range_at(path, d.what.where.line, d.what.where.column, d.what.length);
            if (r.end < from || to < r.start || !done.insert({r.start, r.end}).second) continue;
            std::string_view line = c.lines_of(path).line(d.what.where.line - 1);
            std::size_t start = d.what.where.column - 1;
            std::string written(line.substr(std::min(start, line.size()), d.what.length));
            const step_entry* nearest = nullptr;
            std::size_t best = 0;
            for (const step_entry& s : p->symbols.steps) {
                if (!s.labelled) continue;
                std::size_t distance = label_distance(written, s.label);
                if (!nearest || distance < best) {
                    nearest = &s;
                    best = distance;
                }
            }
            if (!nearest) continue;
            json diagnostic = {{"range", to_json(r)}, {"severity", 1}, {"source", "pxc"}, {"message", NO_LABEL}};
            json edit = {
                {"changes", {{c.uri_of(path), json::array({{{"range", to_json(r)}, {"newText", nearest->label}}})}}}};
            actions.push_back(
                {{"title", "Change to \"" + nearest->label + "\" (step [" + std::to_string(nearest->number) + "])"},
                 {"kind", "quickfix"},
                 {"diagnostics", json::array({diagnostic})},
                 {"isPreferred", true},
                 {"edit", edit}});
        }
    }
    return actions;
}

}  // namespace pxc::lsp
