// What the windows are given instead of reaching for the platform: the
// folders they keep their files in, the modal boxes, the program launcher
// and the compiler call. main() passes the real ones; tests pass a temporary
// folder and recorders.
#pragma once

#include <QString>

#include <utility>

namespace pxbuilder {

class Dialogs;
class Launcher;
class CompilerCall;

struct Services {
    Services() = default;
    Services(QString programFolder, Dialogs* dialogs, Launcher* launcher, CompilerCall* compiler,
             QString configFolder = {}, QString helpFolder = {})
        : programFolder(std::move(programFolder)), dialogs(dialogs), launcher(launcher), compiler(compiler),
          configFolder(std::move(configFolder)), helpFolder(std::move(helpFolder)) {}

    // The working folder: holds the default project and the build log, and
    // is where the browsers start. The program's own folder in a build folder.
    QString programFolder;
    Dialogs* dialogs = nullptr;
    Launcher* launcher = nullptr;
    CompilerCall* compiler = nullptr;
    QString configFolder;             // holds "pxconfig.cfg"; empty means programFolder
    QString helpFolder;               // holds the help page; empty means programFolder

    QString configDir() const { return configFolder.isEmpty() ? programFolder : configFolder; }
    QString helpDir() const { return helpFolder.isEmpty() ? programFolder : helpFolder; }
};

}  // namespace pxbuilder
