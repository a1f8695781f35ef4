// The step graph as JSON and as DOT.
#include "graph_output.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <map>
#include <string>

#include "report.h"

namespace pxc {

namespace {

// How many instruction lines a step's box shows, and how much of each.
constexpr std::size_t SHOWN_INSTRUCTIONS = 3;
constexpr std::size_t SHOWN_WIDTH = 40;

const char* kind_name(edge_kind kind) { return kind == edge_kind::task ? "task" : "goto"; }

// Whole UTF-8 sequences pass; any other byte becomes U+FFFD, so that
// Graphviz reads every name.
std::string valid_utf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = utf8_sequence(text, i);
        if (length != 0) {
            out.append(text, i, length);
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out;
}

// Text inside a DOT string: quotes and backslashes escaped (a backslash
// would start one of Graphviz's escapes), control characters as blanks.
std::string dot_text(const std::string& text) {
    std::string out;
    for (char c : valid_utf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return out;
}

// At most `width` characters (not bytes), with "..." when cut.
std::string shortened(const std::string& text, std::size_t width) {
    std::string valid = valid_utf8(text);
    std::size_t characters = 0, at = 0;
    for (; at < valid.size(); ++at) {
        if ((static_cast<unsigned char>(valid[at]) & 0xC0) == 0x80) continue;
        if (characters++ == width) break;
    }
    return at < valid.size() ? valid.substr(0, at) + "..." : valid;
}

// (Appended, not added: g++ 12 warns of "x" + std::to_string() in a
// release build.)
std::string node_name(uint32_t step) {
    std::string name = "s";
    return name += std::to_string(step);
}

std::string box_label(const step_graph& g, const graph_step& s) {
    std::string label = "[";
    label += std::to_string(s.step);
    label += "]";
    if (!s.label.empty()) label += " " + s.label;
    if (s.step_as_written != s.step) label += "  ([" + std::to_string(s.step_as_written) + "] in its file)";
    std::string text = dot_text(label) + "\\l";
    for (uint32_t i = 0; i < s.instruction_count && i < SHOWN_INSTRUCTIONS; ++i)
        text += dot_text(shortened(std::string(g.instruction(s.first_instruction + i)), SHOWN_WIDTH)) + "\\l";
    if (s.instruction_count > SHOWN_INSTRUCTIONS) text += "...\\l";
    return text;
}

}  // namespace

std::string graph_json(const step_graph& g) {
    using json = nlohmann::ordered_json;
    json steps = json::array();
    for (const graph_step& s : g.steps)
        steps.push_back({{"step", s.step},
                         {"step_as_written", s.step_as_written},
                         {"label", s.label},
                         {"file", s.file},
                         {"line", s.line}});
    json edges = json::array();
    for (const graph_edge& e : g.edges)
        edges.push_back(
            {{"from", e.from}, {"to", e.to}, {"kind", kind_name(e.kind)}, {"instruction", g.instruction(e.instruction)}});
    json document = {{"steps", std::move(steps)}, {"edges", std::move(edges)}};
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string graph_dot(const step_graph& g) {
    std::string out =
        "digraph \"steps\" {\n"
        "  graph [rankdir=TB, fontname=\"Helvetica\", fontsize=11, nodesep=0.3, ranksep=0.35];\n"
        "  node [shape=box, style=rounded, fontname=\"Helvetica\", fontsize=10];\n"
        "  edge [fontname=\"Helvetica\", fontsize=8];\n";
    // One cluster per file, in the order the program reaches them.
    std::map<std::string, std::size_t> cluster_of;
    std::vector<std::vector<const graph_step*>> clusters;
    for (const graph_step& s : g.steps) {
        auto [at, fresh] = cluster_of.emplace(s.file, clusters.size());
        if (fresh) clusters.emplace_back();
        clusters[at->second].push_back(&s);
    }
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        out += "  subgraph \"cluster_" + std::to_string(c + 1) + "\" {\n";
        out += "    label=\"" + dot_text(clusters[c].front()->file) + "\";\n";
        for (const graph_step* s : clusters[c]) {
            out += "    " + node_name(s->step) + " [id=\"step" + std::to_string(s->step) + "\", label=\"" +
                   box_label(g, *s) + "\"";
            if (s->line != 0) out += ", tooltip=\"" + dot_text(s->file) + ":" + std::to_string(s->line) + "\"";
            if (!s->has_code) out += ", style=\"rounded,dashed\"";
            out += "];\n";
        }
        out += "  }\n";
    }
    for (const graph_edge& e : g.edges) {
        out += "  " + node_name(e.from) + " -> " + node_name(e.to) + " [label=\"" +
               dot_text(shortened(std::string(g.instruction(e.instruction)), SHOWN_WIDTH)) + "\"";
        if (e.kind == edge_kind::task) out += ", style=dashed";
        out += "];\n";
    }
    return out + "}\n";
}

}  // namespace pxc
