// The flow rules over a step graph.
#include "graph_rules.h"

#include <algorithm>
#include <unordered_map>

namespace pxc {

const graph_rule GRAPH_RULES[] = {
    {"unreachable-step", "no goto clause or task leads to the step from the program's first step"},
    {"unused-label", "no goto clause or task names the label, and the step is not entered in reading order"},
    {"self-loop", "every instruction of the step only chooses where control goes, and always chooses the step"},
    {"task-without-done", "no step with \"done\" can be reached from the step where \"do\" starts a task"},
};
const std::size_t GRAPH_RULE_COUNT = sizeof GRAPH_RULES / sizeof GRAPH_RULES[0];

const graph_rule* find_graph_rule(const std::string& code) {
    for (const graph_rule& r : GRAPH_RULES)
        if (code == r.code) return &r;
    return nullptr;
}

bool is_graph_rule(const std::string& code) { return find_graph_rule(code) != nullptr; }

namespace {

// The graph's steps by index, with the ways out (and in) of each.
struct flow {
    const step_graph& g;
    std::unordered_map<uint32_t, std::size_t> index;
    std::vector<std::vector<const graph_edge*>> out, in;

    explicit flow(const step_graph& graph) : g(graph), out(graph.steps.size()), in(graph.steps.size()) {
        index.reserve(g.steps.size());
        for (std::size_t i = 0; i < g.steps.size(); ++i) index.emplace(g.steps[i].step, i);
        for (const graph_edge& e : g.edges) {
            auto from = index.find(e.from), to = index.find(e.to);
            if (from == index.end() || to == index.end()) continue;
            out[from->second].push_back(&e);
            in[to->second].push_back(&e);
        }
    }

    // Every step reached from `starts`, following the edges `follow` takes,
    // forwards or (backwards) against them.
    template <typename Follow>
    std::vector<bool> reach(const std::vector<std::size_t>& starts, Follow follow, bool backwards) const {
        std::vector<bool> seen(g.steps.size(), false);
        std::vector<std::size_t> todo;
        for (std::size_t s : starts)
            if (!seen[s]) {
                seen[s] = true;
                todo.push_back(s);
            }
        while (!todo.empty()) {
            std::size_t at = todo.back();
            todo.pop_back();
            for (const graph_edge* e : (backwards ? in : out)[at]) {
                if (!follow(*e)) continue;
                std::size_t next = index.at(backwards ? e->from : e->to);
                if (seen[next]) continue;
                seen[next] = true;
                todo.push_back(next);
            }
        }
        return seen;
    }
};

std::string step_name(uint32_t number) { return "step [" + std::to_string(number) + "]"; }

}  // namespace

std::vector<graph_finding> check_graph(const step_graph& g) {
    std::vector<graph_finding> found;
    if (g.steps.empty()) return found;
    flow f(g);

    // The program starts at its first step that has code.
    std::size_t first = 0;
    while (first < g.steps.size() && !g.steps[first].has_code) ++first;
    if (first == g.steps.size()) return found;
    const uint32_t first_number = g.steps[first].step;
    std::vector<bool> reached = f.reach({first}, [](const graph_edge&) { return true; }, false);

    // The steps a task can end from: those with "done" and every step a goto
    // clause leads from to one of them.
    std::vector<std::size_t> ends;
    for (std::size_t i = 0; i < g.steps.size(); ++i)
        if (g.steps[i].ends_task) ends.push_back(i);
    auto goto_clause = [](const graph_edge& e) { return e.kind == edge_kind::go; };
    std::vector<bool> can_end = f.reach(ends, goto_clause, true);
    // And those from which a step that did not compile whole can be
    // reached: what a task there reaches may lack ways out.
    std::vector<std::size_t> broken;
    for (std::size_t i = 0; i < g.steps.size(); ++i)
        if (!g.steps[i].whole) broken.push_back(i);
    std::vector<bool> reaches_broken = f.reach(broken, goto_clause, true);

    for (std::size_t i = 0; i < g.steps.size(); ++i) {
        const graph_step& s = g.steps[i];
        if (!s.has_code) continue;
        if (!reached[i])
            found.push_back({"unreachable-step",
                             step_name(s.step) + " is never reached: no goto clause or task of \"do\" leads to it from " +
                                 "the program's first step [" + std::to_string(first_number) + "]",
                             s.step, false});

        bool entered_in_order = i == first;
        for (const graph_edge* e : f.in[i]) entered_in_order = entered_in_order || e->by_next;
        if (!s.label.empty() && !s.label_named && !entered_in_order)
            found.push_back({"unused-label",
                             "label \"" + s.label + "\" is never named: no goto clause or task of \"do\" names it, and " +
                                 step_name(s.step) + " is not entered from the step before it",
                             s.step, true});

        // A step that never runs holds no task; one that did not compile
        // whole may have ways out the graph does not know.
        if (!reached[i]) continue;
        const std::vector<const graph_edge*>& ways = f.out[i];
        bool only_itself = !ways.empty() && std::all_of(ways.begin(), ways.end(), [&](const graph_edge* e) {
            return e->to == s.step;
        });
        if (only_itself && s.only_chooses && s.whole)
            found.push_back({"self-loop",
                             step_name(s.step) + " does nothing but go back to itself: its task stays there for good",
                             s.step, false});

        // Once for each step a task starts at, naming the first "do" that starts it.
        const graph_edge* started = nullptr;
        for (const graph_edge* e : f.in[i])
            if (e->kind == edge_kind::task && (!started || e->from < started->from)) started = e;
        if (started && !can_end[i] && !reaches_broken[i])
            found.push_back({"task-without-done",
                             "no step with \"done\" can be reached from " + step_name(s.step) + ", where " +
                                 step_name(started->from) + " starts a task: the task never ends by itself",
                             s.step, false});
    }
    return found;
}

}  // namespace pxc
