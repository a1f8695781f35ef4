#include "compiler_call.h"

#include <QFile>

#include <utility>
#include <vector>

#include "project_files.h"

namespace pxbuilder {

CompilerLibrary::CompilerLibrary(QString libraryFolder) : libraryFolder_(std::move(libraryFolder)) {}

bool CompilerLibrary::bind(QString* error) {
    if (entry_)
        return true;
    const QString local = joinPath(libraryFolder_, QStringLiteral("pxcompiler"));
    library_.setFileName(local);
    bool loaded = library_.load();
    if (!loaded) {
        library_.setFileNameAndVersion(local, 2);
        loaded = library_.load();
    }
    QString firstError;
    if (!loaded) {
        firstError = library_.errorString();
        library_.setFileName(QStringLiteral("pxcompiler"));
        loaded = library_.load();
    }
    if (!loaded) {
        if (error)
            *error = firstError;
        return false;
    }
    entry_ = reinterpret_cast<Entry>(library_.resolve("pxcompiler"));
    if (!entry_) {
        if (error)
            *error = library_.errorString();
        library_.unload();
        return false;
    }
    return true;
}

int32_t CompilerLibrary::build(const QByteArray& makefile) {
    if (!entry_)
        return 0;
    // The library may change its argument: it gets a temporary copy.
    std::vector<char> argument(makefile.begin(), makefile.end());
    argument.push_back('\0');
    return entry_(argument.data());
}

QByteArray makefileArgument(const QString& path) {
    return QFile::encodeName(path);
}

bool buildSucceeded(int32_t result) {
    return static_cast<qint16>(static_cast<uint32_t>(result) & 0xFFFFu) != 0;
}

}  // namespace pxbuilder
