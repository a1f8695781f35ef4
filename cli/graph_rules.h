// What the step graph shows that no compile error names: steps no path
// reaches, labels nothing names, steps that never let their task go, tasks
// that never end. Each rule rests on a fact of the flow the compiler has
// resolved, never on a guess about what the controller will meet at run
// time; docs/analysis.md gives the fact behind each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "step_graph.h"

namespace pxc {

struct graph_rule {
    const char* code;     // the warning's name: -Wno-CODE silences it
    const char* summary;  // one line, for the SARIF rule
};

// In the order their warnings are given for one step.
extern const graph_rule GRAPH_RULES[];
extern const std::size_t GRAPH_RULE_COUNT;
bool is_graph_rule(const std::string& code);
const graph_rule* find_graph_rule(const std::string& code);

struct graph_finding {
    const char* code;
    std::string message;
    uint32_t step = 0;      // the step it is about
    bool at_label = false;  // shown at the step's label, else at its header
};

// Every finding, by step, then in the order of GRAPH_RULES.
std::vector<graph_finding> check_graph(const step_graph& g);

}  // namespace pxc
