// What the windows are given instead of reaching for the platform: the
// program folder, the modal boxes, the program launcher and the compiler
// call. main() passes the real ones; tests pass a temporary folder and
// recorders.
#pragma once

#include <QString>

namespace pxbuilder {

class Dialogs;
class Launcher;
class CompilerCall;

struct Services {
    QString programFolder;            // holds the configuration, the default project and the build log
    Dialogs* dialogs = nullptr;
    Launcher* launcher = nullptr;
    CompilerCall* compiler = nullptr;
};

}  // namespace pxbuilder
