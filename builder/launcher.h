// Starting other programs: the text editor on the build log and the desktop's
// viewer for the help page. Tests put a recorder in its place so that no
// editor or browser starts.
#pragma once

#include <QString>

namespace pxbuilder {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Opens a text file in the user's text editor, without waiting for it.
    // False when no program could be started for it.
    virtual bool editTextFile(const QString& path) = 0;
    // Opens a document with the desktop's program for its type.
    virtual bool openDocument(const QString& path) = 0;
};

// The desktop's handler for the file first; failing that $VISUAL or $EDITOR,
// started directly (no shell), so blanks and shell characters in the path are
// harmless.
class DesktopLauncher final : public Launcher {
public:
    bool editTextFile(const QString& path) override;
    bool openDocument(const QString& path) override;
};

}  // namespace pxbuilder
