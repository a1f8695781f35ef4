#include "graph_drawing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "command.h"
#include "graph_output.h"
#include "platform/clock.h"

namespace pxbuilder {

namespace {

// The first message that kept the program from being read.
std::string whyNotRead(const pxc::build_report& report) {
    for (const pxc::shown_diagnostic& d : report.diagnostics)
        if (d.severity != "warning")
            return (d.line != 0 ? d.file + ":" + std::to_string(d.line) : d.file) + ": " + d.message;
    return "The program could not be read.";
}

}  // namespace

GraphDrawing drawStepGraph(const std::string& makefile) {
    GraphDrawing drawing;
    // The folder the call found is held open, so that the way back holds
    // even if it is renamed meanwhile.
    const int back = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (back < 0) {
        drawing.error = std::string("Unable to read the working folder: ") + std::strerror(errno);
        return drawing;
    }
    // The library's pauses are for a person reading its messages on screen;
    // here nobody reads them.
    px::set_pauses_enabled(false);
    pxc::build_settings settings;
    settings.check = true;
    settings.draw = true;
    settings.start = std::filesystem::path(makefile).parent_path();
    pxc::built_path built = pxc::build_path(makefile, settings);
    const bool returned = ::fchdir(back) == 0;
    const int returnError = errno;
    ::close(back);
    if (!returned) {
        drawing.error = std::string("Unable to return to the working folder: ") + std::strerror(returnError);
        return drawing;
    }
    if (built.report.status == 2) {
        drawing.error = whyNotRead(built.report);
        return drawing;
    }
    drawing.compileErrors = built.report.errors();
    // Each step's file in full for the editor, and as seen from the
    // makefile's folder in the drawing.
    for (pxc::graph_step& s : built.graph.steps) {
        StepPlace& place = drawing.steps.emplace_back();
        place.step = s.step;
        place.line = s.line;
        if (s.file.empty())
            continue;
        place.file = (built.folder / s.file).lexically_normal().string();
        s.file = pxc::shown_path(place.file, settings.start);
    }
    if (!pxc::render_svg(pxc::graph_dot(built.graph), drawing.svg, drawing.error))
        return drawing;
    drawing.drawn = true;
    return drawing;
}

}  // namespace pxbuilder
