// SVG from DOT through Graphviz's libraries (libgvc and libcgraph): the dot
// layout and the core SVG renderer, in this process, so that no Graphviz
// program need be installed or found.
#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <memory>
#include <string>

#include "graph_output.h"

namespace pxc {

namespace {

// Graphviz reports through one callback for the whole process; only the
// call below listens, one at a time.
std::string* heard = nullptr;

int hear(char* message) {
    if (heard && message) *heard += message;
    return 0;
}

struct context_closer {
    void operator()(GVC_t* c) const { gvFreeContext(c); }
};
struct graph_closer {
    void operator()(Agraph_t* g) const { agclose(g); }
};

}  // namespace

bool render_svg(const std::string& dot, std::string& svg, std::string& error) {
    std::string messages;
    heard = &messages;
    agusererrf before = agseterrf(hear);
    agerrlevel_t level = agseterr(AGERR);

    bool ok = false;
    std::unique_ptr<GVC_t, context_closer> context(gvContext());
    if (context) {
        std::unique_ptr<Agraph_t, graph_closer> graph(agmemread(dot.c_str()));
        if (graph && gvLayout(context.get(), graph.get(), "dot") == 0) {
            char* data = nullptr;
            unsigned int length = 0;
            if (gvRenderData(context.get(), graph.get(), "svg", &data, &length) == 0 && data) {
                svg.assign(data, length);
                ok = true;
            }
            gvFreeRenderData(data);
            gvFreeLayout(context.get(), graph.get());
        }
        // The graph goes before the context it was laid out in.
        graph.reset();
    }

    agseterr(level);
    agseterrf(before);
    heard = nullptr;
    if (!ok) error = messages.empty() ? "Graphviz could not lay the graph out" : messages;
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    return ok;
}

}  // namespace pxc
