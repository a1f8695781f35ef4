// The three ways pxc shows diagnostics.
#include "report.h"

#include <algorithm>

#include <cstdio>
#include <map>
#include <sstream>

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

// A relative path as a URI reference: '/' stays, everything outside the
// unreserved characters is percent-encoded.
std::string uri(const std::string& path) {
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
    if (!path.empty() && path[0] == '/') out = "file://" + out;
    return out;
}

// The rule a diagnostic follows, SARIF's "ruleId": pxc's own warnings name
// theirs (JSON's "code"), a library message's is its kind's id.
std::string code_of(const shown_diagnostic& d) { return d.code.empty() ? rule_id(message_kind(d.message)) : d.code; }

std::string rule_summary(const shown_diagnostic& d) {
    const graph_rule* rule = d.code.empty() ? nullptr : find_graph_rule(d.code);
    return rule ? rule->summary : message_kind(d.message);
}

std::string sarif_level(const std::string& severity) { return severity == "warning" ? "warning" : "error"; }

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

void print_json(std::ostream& out, const std::vector<build_report>& builds) {
    out << "[";
    bool first = true;
    for (const build_report& build : builds) {
        for (const shown_diagnostic& d : build.diagnostics) {
            out << (first ? "\n" : ",\n") << "  {\"build\": " << json_string(build.path)
                << ", \"severity\": " << json_string(d.severity) << ", \"message\": " << json_string(d.message)
                << ", \"file\": " << json_string(d.file) << ", \"line\": " << d.line << ", \"column\": " << d.column
                << ", \"compile_error\": " << (d.compile_error ? "true" : "false") << ", \"step\": " << d.step
                << ", \"step_as_written\": " << d.step_as_written;
            if (!d.code.empty()) out << ", \"code\": " << json_string(d.code);
            out << "}";
            first = false;
        }
    }
    out << (first ? "]\n" : "\n]\n");
}

void print_sarif(std::ostream& out, const std::vector<build_report>& builds, const std::string& version) {
    // One rule per kind of message, in order of first appearance.
    std::map<std::string, std::size_t> rule_index;
    std::vector<shown_diagnostic> kinds;  // the first of each rule
    for (const build_report& build : builds)
        for (const shown_diagnostic& d : build.diagnostics) {
            if (rule_index.emplace(code_of(d), kinds.size()).second) kinds.push_back(d);
        }
    out << "{\n  \"version\": \"2.1.0\",\n"
        << "  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n"
        << "  \"runs\": [{\n    \"tool\": {\"driver\": {\"name\": \"pxc\", \"version\": " << json_string(version)
        << ", \"rules\": [";
    for (std::size_t i = 0; i < kinds.size(); ++i)
        out << (i ? "," : "") << "\n      {\"id\": " << json_string(code_of(kinds[i]))
            << ", \"shortDescription\": {\"text\": " << json_string(rule_summary(kinds[i])) << "}}";
    out << (kinds.empty() ? "]}},\n" : "\n    ]}},\n") << "    \"results\": [";
    bool first = true;
    for (const build_report& build : builds) {
        for (const shown_diagnostic& d : build.diagnostics) {
            std::string code = code_of(d);
            out << (first ? "\n" : ",\n") << "      {\"ruleId\": " << json_string(code)
                << ", \"ruleIndex\": " << rule_index[code] << ", \"level\": \"" << sarif_level(d.severity)
                << "\", \"message\": {\"text\": " << json_string(d.message) << "}, \"locations\": [{"
                << "\"physicalLocation\": {\"artifactLocation\": {\"uri\": " << json_string(uri(d.file)) << "}";
            if (d.line != 0) out << ", \"region\": {\"startLine\": " << d.line << ", \"startColumn\": " << d.column << "}";
            out << "}}]";
            if (d.step != 0)
                out << ", \"properties\": {\"step\": " << d.step << ", \"stepAsWritten\": " << d.step_as_written << "}";
            out << "}";
            first = false;
        }
    }
    out << (first ? "]\n" : "\n    ]\n") << "  }]\n}\n";
}

}  // namespace pxc
