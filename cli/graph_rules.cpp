// The flow rules over a step graph.
#include "graph_rules.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

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

// The graph's steps by index, with the ways out (and in) of each, as runs
// of one array each. An edge to a step the graph does not hold (one the
// program never handed to the compiler, or a destination past its end) joins
// nothing and is left out.
struct flow {
    static constexpr uint32_t NONE = UINT32_MAX;
    const step_graph& g;
    std::vector<uint32_t> out_start, in_start;  // per step, and one past the last
    std::vector<const graph_edge*> out, in;
    std::vector<uint32_t> by_number;  // step number -> index, or NONE

    explicit flow(const step_graph& graph) : g(graph) {
        const std::size_t n = g.steps.size();
        uint32_t highest = 0;
        for (const graph_step& s : g.steps) highest = std::max(highest, s.step);
        by_number.assign(n == 0 ? 0 : std::size_t{highest} + 1, NONE);
        for (std::size_t i = 0; i < n; ++i) by_number[g.steps[i].step] = static_cast<uint32_t>(i);
        struct joined {
            uint32_t from, to;
            const graph_edge* edge;
        };
        std::vector<joined> ends;
        ends.reserve(g.edges.size());
        for (const graph_edge& e : g.edges) {
            uint32_t from = index(e.from), to = index(e.to);
            if (from != NONE && to != NONE) ends.push_back({from, to, &e});
        }
        out_start.assign(n + 1, 0);
        in_start.assign(n + 1, 0);
        for (const joined& j : ends) {
            ++out_start[j.from + 1];
            ++in_start[j.to + 1];
        }
        for (std::size_t i = 0; i < n; ++i) {
            out_start[i + 1] += out_start[i];
            in_start[i + 1] += in_start[i];
        }
        out.resize(ends.size());
        in.resize(ends.size());
        std::vector<uint32_t> out_next(out_start.begin(), out_start.end() - 1);
        std::vector<uint32_t> in_next(in_start.begin(), in_start.end() - 1);
        for (const joined& j : ends) {
            out[out_next[j.from]++] = j.edge;
            in[in_next[j.to]++] = j.edge;
        }
    }

    uint32_t index(uint32_t number) const { return number < by_number.size() ? by_number[number] : NONE; }

    template <typename Each>
    void each(const std::vector<uint32_t>& start, const std::vector<const graph_edge*>& edges, std::size_t step,
              Each each) const {
        for (uint32_t k = start[step]; k < start[step + 1]; ++k) each(*edges[k]);
    }
    template <typename Each>
    void each_out(std::size_t step, Each e) const { each(out_start, out, step, e); }
    template <typename Each>
    void each_in(std::size_t step, Each e) const { each(in_start, in, step, e); }

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
        auto visit = [&](const graph_edge& e) {
            if (!follow(e)) return;
            std::size_t next = index(backwards ? e.from : e.to);
            if (seen[next]) return;
            seen[next] = true;
            todo.push_back(next);
        };
        while (!todo.empty()) {
            std::size_t at = todo.back();
            todo.pop_back();
            if (backwards)
                each_in(at, visit);
            else
                each_out(at, visit);
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
        f.each_in(i, [&](const graph_edge& e) { entered_in_order = entered_in_order || e.by_next; });
        if (!s.label.empty() && !s.label_named && !entered_in_order)
            found.push_back({"unused-label",
                             "label \"" + s.label + "\" is never named: no goto clause or task of \"do\" names it, and " +
                                 step_name(s.step) + " is not entered from the step before it",
                             s.step, true});

        // A step that never runs holds no task; one that did not compile
        // whole may have ways out the graph does not know.
        if (!reached[i]) continue;
        bool only_itself = f.out_start[i + 1] > f.out_start[i];
        f.each_out(i, [&](const graph_edge& e) { only_itself = only_itself && e.to == s.step; });
        if (only_itself && s.only_chooses && s.whole)
            found.push_back({"self-loop",
                             step_name(s.step) + " does nothing but go back to itself: its task stays there for good",
                             s.step, false});

        // Once for each step a task starts at, naming the first "do" that starts it.
        const graph_edge* started = nullptr;
        f.each_in(i, [&](const graph_edge& e) {
            if (e.kind == edge_kind::task && (!started || e.from < started->from)) started = &e;
        });
        if (started && !can_end[i] && !reaches_broken[i])
            found.push_back({"task-without-done",
                             "no step with \"done\" can be reached from " + step_name(s.step) + ", where " +
                                 step_name(started->from) + " starts a task: the task never ends by itself",
                             s.step, false});
    }
    return found;
}

}  // namespace pxc
