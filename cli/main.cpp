// pxc: the Plexa compiler for terminals, scripts and CI pipelines.
#include "pxc.h"

int main(int argc, char** argv) { return pxc::run(argc, argv); }
