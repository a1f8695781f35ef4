// The step graph of a makefile for the graph window: pxc's own drawing (the
// program built as pxc --check builds it, from the makefile's folder,
// writing nothing), laid out as SVG by Graphviz, with where each step stands
// in its file. No Qt here: the window only shows what this returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pxbuilder {

struct StepPlace {
    uint32_t step = 0;  // in the linked program; the SVG element "step<n>" draws it
    std::string file;   // full path; empty when the step has no file of its own
    uint32_t line = 0;  // of its header, from 1
};

struct GraphDrawing {
    bool drawn = false;
    std::string svg;
    std::vector<StepPlace> steps;
    int compileErrors = 0;  // the graph lacks the ways out of the instructions that failed
    std::string error;      // why nothing was drawn
};

// Draws the program of `makefile`, a full path. The working directory is
// the makefile's folder while the program is read, and is restored before
// this returns; nothing else may rely on it meanwhile.
GraphDrawing drawStepGraph(const std::string& makefile);

}  // namespace pxbuilder
