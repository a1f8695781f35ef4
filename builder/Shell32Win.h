// The shell's open-document call: hands a file to the desktop, which opens
// it with the user's chosen program (the help page in the web browser).
#pragma once

#include <QString>

namespace Shell32Win {

// A relative path is taken from the working directory. Returns whether the
// desktop accepted the request; the builder's help command ignores it.
bool OpenDocument(const QString& path);

}  // namespace Shell32Win
