// SVG from DOT through Graphviz's libraries (libgvc and libcgraph): the dot
// layout and the core SVG renderer, in this process, so that no Graphviz
// program need be installed or found.
//
// The libraries are loaded when an SVG is first asked for, not when pxc
// starts: they and theirs double the time pxc takes to start, which every
// build, format and dump would pay for a drawing most never make.
#include <dlfcn.h>
#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <mutex>
#include <string>

#include "graph_output.h"

namespace pxc {

namespace {

// The calls made, from the library that holds them and its dependencies.
struct graphviz {
    decltype(&gvContext) context = nullptr;
    decltype(&agmemread) read = nullptr;
    decltype(&agclose) close = nullptr;
    decltype(&gvLayout) layout = nullptr;
    decltype(&gvFreeLayout) free_layout = nullptr;
    decltype(&gvRenderData) render = nullptr;
    decltype(&gvFreeRenderData) free_render = nullptr;
    decltype(&agseterr) set_error_level = nullptr;
    decltype(&agseterrf) set_error_function = nullptr;
    GVC_t* gvc = nullptr;
    std::string why;  // the library could not be had
};

template <typename Function>
bool bind(void* library, const char* name, Function& function, std::string& why) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function && why.empty()) why = std::string("Graphviz's libgvc lacks ") + name;
    return function != nullptr;
}

const graphviz& loaded() {
    static const graphviz g = [] {
        graphviz l;
        void* library = nullptr;
        for (const char* name : {"libgvc.so.6", "libgvc.so"})
            if ((library = ::dlopen(name, RTLD_NOW | RTLD_LOCAL)) != nullptr) break;
        if (!library) {
            const char* error = ::dlerror();
            l.why = std::string("cannot load Graphviz's libgvc (Debian's libgvc6)") + (error ? ": " + std::string(error) : "");
            return l;
        }
        bool all = bind(library, "gvContext", l.context, l.why) &&
                   bind(library, "agmemread", l.read, l.why) && bind(library, "agclose", l.close, l.why) &&
                   bind(library, "gvLayout", l.layout, l.why) && bind(library, "gvFreeLayout", l.free_layout, l.why) &&
                   bind(library, "gvRenderData", l.render, l.why) &&
                   bind(library, "gvFreeRenderData", l.free_render, l.why) &&
                   bind(library, "agseterr", l.set_error_level, l.why) &&
                   bind(library, "agseterrf", l.set_error_function, l.why);
        // One context for the process, kept to its end: Graphviz's text
        // layout remembers the font of the last text it measured by a
        // pointer into the context's font table, so a context freed and
        // another made would have it read freed memory.
        l.gvc = all ? l.context() : nullptr;
        if (!l.gvc && l.why.empty()) l.why = "Graphviz's libgvc made no context";
        return l;
    }();
    return g;
}

// Graphviz reports through one callback for the whole process; only the
// call below listens, one at a time.
std::string* heard = nullptr;

int hear(char* message) {
    if (heard && message) *heard += message;
    return 0;
}

}  // namespace

bool render_svg(const std::string& dot, std::string& svg, std::string& error) {
    // Graphviz is one library state for the whole process: one drawing at a time.
    static std::mutex one_at_a_time;
    std::lock_guard<std::mutex> hold(one_at_a_time);
    const graphviz& gv = loaded();
    if (!gv.gvc) {
        error = gv.why;
        return false;
    }
    std::string messages;
    heard = &messages;
    agusererrf before = gv.set_error_function(hear);
    agerrlevel_t level = gv.set_error_level(AGERR);

    bool ok = false;
    {
        GVC_t* context = gv.gvc;
        if (Agraph_t* graph = gv.read(dot.c_str())) {
            if (gv.layout(context, graph, "dot") == 0) {
                char* data = nullptr;
                unsigned int length = 0;
                if (gv.render(context, graph, "svg", &data, &length) == 0 && data) {
                    svg.assign(data, length);
                    ok = true;
                }
                gv.free_render(data);
                gv.free_layout(context, graph);
            }
            gv.close(graph);
        }
    }

    gv.set_error_level(level);
    gv.set_error_function(before);
    heard = nullptr;
    if (!ok) error = messages.empty() ? "Graphviz could not lay the graph out" : messages;
    while (!error.empty() && (error.back() == '\n' || error.back() == ' ')) error.pop_back();
    return ok;
}

}  // namespace pxc
