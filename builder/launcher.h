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
    // The same at a line (from 1), where the editor takes one.
    virtual bool editTextFileAt(const QString& path, int line) {
        (void)line;
        return editTextFile(path);
    }
    // Opens a document with the desktop's program for its type.
    virtual bool openDocument(const QString& path) = 0;
};

// The desktop's handler for the file first; failing that $VISUAL or $EDITOR,
// started directly (no shell), so blanks and shell characters in the path are
// harmless.
// At a line, $VISUAL or $EDITOR comes first, given the line as it takes one;
// the desktop's handler cannot be told a line.
class DesktopLauncher final : public Launcher {
public:
    bool editTextFile(const QString& path) override;
    bool editTextFileAt(const QString& path, int line) override;
    bool openDocument(const QString& path) override;
};

}  // namespace pxbuilder
