// The three ways pxc shows diagnostics.
#include "report.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string_view>
#include <utility>

#include "graph_rules.h"

namespace pxc {

namespace {

const char* const BOLD = "\033[1m";
const char* const RED = "\033[1;31m";
const char* const MAGENTA = "\033[1;35m";
const char* const CYAN = "\033[1;36m";
const char* const GREEN = "\033[1;32m";
const char* const RESET = "\033[m";

const char* colour_of(const std::string& severity) {
    if (severity == "warning") return MAGENTA;
    if (severity == "note") return CYAN;
    return RED;
}

// "file:line:col" or "file" for a message about the whole file.
std::string locus(const std::string& file, uint32_t line, uint32_t column) {
    if (line == 0) return file;
    return file + ":" + std::to_string(line) + ":" + std::to_string(column);
}

void print_line(std::ostream& out, const palette& colours, const std::string& where, const std::string& severity,
                const std::string& message) {
    if (colours.on)
        out << BOLD << where << ":" << RESET << " " << colour_of(severity) << severity << ":" << RESET << " "
            << message << "\n";
    else
        out << where << ": " << severity << ": " << message << "\n";
}

// The line as written, then the caret under the column and a tilde under
// the rest of the word, gcc's way; a tab before the column stays a tab so the
// caret lines up whatever the tab width.
void print_source(std::ostream& out, const shown_diagnostic& d, const palette& colours) {
    if (d.line == 0 || d.column == 0) return;
    const std::string& text = d.source_line;
    std::string number = std::to_string(d.line);
    std::string gutter(number.size() < 5 ? 5 - number.size() : 0, ' ');
    out << gutter << number << " | " << text << "\n";
    std::string under;
    std::size_t at = d.column - 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) under += text[i] == '\t' ? '\t' : ' ';
    if (at > text.size()) under.append(at - text.size(), ' ');
    std::string mark = "^";
    if (d.length > 1 && at < text.size())
        mark.append(std::min<std::size_t>(d.length, text.size() - at) - 1, '~');
    else if (d.length == 0)
        for (std::size_t i = at + 1; i < text.size() && text[i] != ' ' && text[i] != '\t'; ++i) mark += '~';
    out << std::string(gutter.size() + number.size(), ' ') << " | " << under;
    if (colours.on)
        out << GREEN << mark << RESET << "\n";
    else
        out << mark << "\n";
}

std::string plural(int n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Digits and quoted names taken out: what stays names the kind of message.
std::string message_kind(const std::string& message) {
    std::string kind;
    bool quoted = false;
    for (std::size_t i = 0; i < message.size(); ++i) {
        char c = message[i];
        if (c == '"') {
            kind += quoted ? "\"" : "\"...";
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c >= '0' && c <= '9') {
            if (kind.empty() || kind.back() != 'N') kind += 'N';
        } else {
            kind += c;
        }
    }
    return kind;
}

// A stable name for a kind of message: the same text always gives the same id.
std::string rule_id(const std::string& kind) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : kind) hash = (hash ^ c) * 16777619u;
    char id[16];
    std::snprintf(id, sizeof id, "PX%08X", hash);
    return id;
}

// A relative path as a URI reference, an absolute one as a file URI.
std::string uri(const std::string& path) {
    std::string out = percent_encoded(path);
    if (!path.empty() && path[0] == '/') out = "file://" + out;
    return out;
}

std::string sarif_level(const std::string& severity) { return severity == "warning" ? "warning" : "error"; }

}  // namespace

std::string percent_encoded(std::string_view path) {
    std::string out;
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

namespace {

// The rule a diagnostic follows, SARIF's "ruleId": pxc's own warnings name
// theirs (JSON's "code"), a library message's is its kind's id.
std::string code_of(const shown_diagnostic& d) { return d.code.empty() ? rule_id(message_kind(d.message)) : d.code; }

std::string rule_summary(const shown_diagnostic& d) {
    const graph_rule* rule = d.code.empty() ? nullptr : find_graph_rule(d.code);
    return rule ? rule->summary : message_kind(d.message);
}

}  // namespace

int build_report::errors() const {
    int n = 0;
    for (const shown_diagnostic& d : diagnostics) n += d.severity != "warning";
    return n;
}

int build_report::warnings() const {
    int n = 0;
    for (const shown_diagnostic& d : diagnostics) n += d.severity == "warning";
    return n;
}

void print_text(std::ostream& out, const shown_diagnostic& d, const palette& colours) {
    std::string where = locus(d.file, d.line, d.column);
    print_line(out, colours, where, d.severity, d.code.empty() ? d.message : d.message + " [-W" + d.code + "]");
    print_source(out, d, colours);
    if ((d.compile_error || !d.code.empty()) && d.step != 0 && d.step != d.step_as_written)
        print_line(out, colours, where, "note",
                   "step [" + std::to_string(d.step_as_written) + "] of this file is step [" +
                       std::to_string(d.step) + "] of the linked program");
}

void print_texts(std::ostream& out, const std::vector<shown_diagnostic>& all, const palette& colours) {
    std::ostringstream some;
    for (const shown_diagnostic& d : all) {
        print_text(some, d, colours);
        if (some.tellp() < 64 * 1024) continue;
        out << some.str();
        some.str({});
    }
    out << some.str();
}

void print_summary(std::ostream& out, const build_report& build, const palette& colours) {
    out << (colours.on ? BOLD : "") << "pxc: " << build.path << ":" << (colours.on ? RESET : "") << " ";
    if (build.status == 2) out << "build failed: ";
    out << plural(build.errors(), "error") << ", " << plural(build.warnings(), "warning");
    if (build.checked)
        out << "; checked, nothing written";
    else if (!build.object_file.empty() && build.status != 2)
        out << "; wrote " << build.object_file << " (" << build.object_size << " bytes)"
            << (build.status == 1 ? " with compile errors" : "");
    else
        out << "; no object file";
    out << "\n";
}

std::size_t utf8_sequence(const std::string& text, std::size_t i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (c < 0x80) length = 1;
    else if (c >= 0xC2 && c <= 0xDF) length = 2;
    else if (c >= 0xE0 && c <= 0xEF) length = 3;
    else if (c >= 0xF0 && c <= 0xF4) length = 4;
    bool whole = length != 0 && i + length <= text.size();
    for (std::size_t k = 1; whole && k < length; ++k)
        whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    if (whole && length == 3) {
        unsigned char d = static_cast<unsigned char>(text[i + 1]);
        whole = !(c == 0xE0 && d < 0xA0) && !(c == 0xED && d >= 0xA0);
    }
    if (whole && length == 4) {
        unsigned char d = static_cast<unsigned char>(text[i + 1]);
        whole = !(c == 0xF0 && d < 0x90) && !(c == 0xF4 && d >= 0x90);
    }
    return whole ? length : 0;
}

std::string json_string(const std::string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char hex[8];
                    std::snprintf(hex, sizeof hex, "\\u%04X", c);
                    out += hex;
                } else {
                    out += static_cast<char>(c);
                }
            }
            ++i;
            continue;
        }
        // A whole, shortest-form UTF-8 sequence passes; anything else is replaced.
        std::size_t length = utf8_sequence(text, i);
        if (length != 0) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\\uFFFD";
            ++i;
        }
    }
    return out + "\"";
}

namespace {

// How a container is laid out: on one line, one member or element a line,
// or (an array of objects) hugging its objects, "[{" ... "}]", with their
// members a line each. Strings are written by json_string above, so that the
// text of a message comes out as it always has.
enum class shape { on_one_line, a_line_each, hugging };

// The shape of the value of each key that does not go on one line.
struct layout {
    shape root;
    std::vector<std::pair<std::string_view, shape>> keys;
    shape of(std::string_view key) const {
        for (const auto& [name, s] : keys)
            if (name == key) return s;
        return shape::on_one_line;
    }
};

void write_value(std::ostream& out, const json& value, shape s, const layout& l, std::size_t indent) {
    const std::string inner(indent + 2, ' ');
    if (value.is_string()) {
        out << json_string(value.get_ref<const std::string&>());
    } else if (value.is_object()) {
        if (s == shape::on_one_line || value.empty()) {
            out << "{";
            const char* between = "";
            for (const auto& [key, member] : value.items()) {
                out << between << json_string(key) << ": ";
                write_value(out, member, l.of(key), l, indent);
                between = ", ";
            }
            out << "}";
            return;
        }
        out << "{";
        const char* between = "\n";
        for (const auto& [key, member] : value.items()) {
            out << between << inner << json_string(key) << ": ";
            write_value(out, member, l.of(key), l, indent + 2);
            between = ",\n";
        }
        out << "\n" << std::string(indent, ' ') << "}";
    } else if (value.is_array()) {
        if (s != shape::a_line_each || value.empty()) {
            // Hugged objects have their members a line each.
            const shape elements = s == shape::hugging ? shape::a_line_each : shape::on_one_line;
            out << "[";
            const char* between = "";
            for (const json& element : value) {
                out << between;
                write_value(out, element, elements, l, indent);
                between = ", ";
            }
            out << "]";
        } else {
            out << "[";
            const char* between = "\n";
            for (const json& element : value) {
                out << between << inner;
                write_value(out, element, shape::on_one_line, l, indent + 2);
                between = ",\n";
            }
            out << "\n" << std::string(indent, ' ') << "]";
        }
    } else {
        out << value.dump();
    }
}

void write_document(std::ostream& out, const json& document, const layout& l) {
    write_value(out, document, l.root, l, 0);
    out << "\n";
}

}  // namespace

json json_document(const std::vector<build_report>& builds) {
    json all = json::array();
    for (const build_report& build : builds)
        for (const shown_diagnostic& d : build.diagnostics) {
            json one = {{"build", build.path},
                        {"severity", d.severity},
                        {"message", d.message},
                        {"file", d.file},
                        {"line", d.line},
                        {"column", d.column},
                        {"compile_error", d.compile_error},
                        {"step", d.step},
                        {"step_as_written", d.step_as_written}};
            if (!d.code.empty()) one["code"] = d.code;
            all.push_back(std::move(one));
        }
    return all;
}

json sarif_document(const std::vector<build_report>& builds, const std::string& version) {
    // One rule per kind of message, in order of first appearance.
    std::map<std::string, std::size_t> rule_index;
    json rules = json::array();
    for (const build_report& build : builds)
        for (const shown_diagnostic& d : build.diagnostics) {
            std::string code = code_of(d);
            if (rule_index.emplace(code, rules.size()).second)
                rules.push_back({{"id", code}, {"shortDescription", {{"text", rule_summary(d)}}}});
        }
    json results = json::array();
    for (const build_report& build : builds)
        for (const shown_diagnostic& d : build.diagnostics) {
            std::string code = code_of(d);
            json location = {{"artifactLocation", {{"uri", uri(d.file)}}}};
            if (d.line != 0) location["region"] = {{"startLine", d.line}, {"startColumn", d.column}};
            json result = {{"ruleId", code},
                           {"ruleIndex", rule_index[code]},
                           {"level", sarif_level(d.severity)},
                           {"message", {{"text", d.message}}},
                           {"locations", json::array({{{"physicalLocation", location}}})}};
            if (d.step != 0) result["properties"] = {{"step", d.step}, {"stepAsWritten", d.step_as_written}};
            results.push_back(std::move(result));
        }
    json run = {{"tool", {{"driver", {{"name", "pxc"}, {"version", version}, {"rules", rules}}}}},
                {"results", results}};
    return {{"version", "2.1.0"},
            {"$schema", "https://json.schemastore.org/sarif-2.1.0.json"},
            {"runs", json::array({run})}};
}

void print_json(std::ostream& out, const std::vector<build_report>& builds) {
    write_document(out, json_document(builds), {shape::a_line_each, {}});
}

void print_sarif(std::ostream& out, const std::vector<build_report>& builds, const std::string& version) {
    write_document(out, sarif_document(builds, version),
                   {shape::a_line_each,
                    {{"runs", shape::hugging}, {"rules", shape::a_line_each}, {"results", shape::a_line_each}}});
}

}  // namespace pxc
