// Where the builder keeps its files. Run from its build folder it keeps all
// of them in its program folder, as it always has. Installed, its program
// folder is a system folder the user cannot write to, so the configuration
// goes to the user's configuration folder and the working folder (default
// project, build log) to the user's data folder, following the XDG base
// directories; the help page and the library come from the installed tree.
#pragma once

#include <QString>

namespace pxbuilder {

struct ProgramPlaces {
    bool installed = false;
    QString workFolder;     // the working directory: default project, build log
    QString configFolder;   // "pxconfig.cfg"
    QString helpFolder;     // the help page
    QString libraryFolder;  // where "pxcompiler" is loaded from first
};

// A build folder is told by the CMake cache beside the program.
bool isBuildFolder(const QString& programFolder);

// The places for a program whose executable is in `programFolder`. For an
// installed program the user's folders are created; `error` tells when one
// cannot be, and the places are then empty.
ProgramPlaces placesFor(const QString& programFolder, QString* error = nullptr);

}  // namespace pxbuilder
