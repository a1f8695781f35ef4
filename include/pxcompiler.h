/*
 * pxcompiler.h: the one entry point of the Plexa compiler library.
 *
 * One call is one whole build: it reads a makefile (.mak) or a single step
 * file (.vep, .pre), links the step files it lists, compiles every step for
 * the controller model chosen in the program's .fig file, and writes the
 * object file (.dso) with its listing (.lst), binary error file (.err) and
 * cross-reference map (.xrf) beside the master step file.
 *
 * Usable from C and C++. Link with `pkg-config --cflags --libs pxcompiler`,
 * or in CMake with find_package(pxcompiler) and pxcompiler::pxcompiler.
 */
#ifndef PXCOMPILER_H
#define PXCOMPILER_H

#include <stdint.h>

#define PXCOMPILER_VERSION_MAJOR 2
#define PXCOMPILER_VERSION_MINOR 1

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Builds the program named by `path`, a NUL-terminated path in the local
 * 8-bit encoding. A path without an extension is built as path + ".vep".
 * The library may change the characters of `path` during the call: pass a
 * copy that you own, never a string literal.
 *
 * The build log "pxlinker.log" is written into the current working
 * directory, and names listed in a makefile that are not absolute are
 * resolved against it too: change to the project's folder first.
 *
 * Returns 0 when no object file could be written (the program could not be
 * read, the object file could not be opened, or the program has more steps
 * than its controller model allows). Otherwise returns the program's memory
 * footprint in bytes, also when the program had compile errors: the log,
 * the .err file and the object file's status byte (offset 2, the error
 * count) tell whether the build was clean. A clean build ends the log with
 * a line beginning "Successful compile:".
 *
 * Not re-entrant: the library keeps its build state in globals, so run one
 * build at a time per process. Configuration read from a program's .fig
 * file stays in effect for a later build, in the same process, of a
 * program that has none.
 */
int32_t pxcompiler(char *path);

#ifdef __cplusplus
}
#endif

#endif /* PXCOMPILER_H */
