#include "compiler_call.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
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

static bool enter(const QString& folder) {
    return !folder.isEmpty() && ::chdir(QFile::encodeName(folder).constData()) == 0;
}

BuildOutcome buildFromFolder(CompilerCall& compiler, const QString& makefile, const QString& workFolder) {
    const QString path = makefile.isEmpty() ? makefile : QDir(workFolder).absoluteFilePath(makefile);
    BuildOutcome outcome;
    // The folder the call found is held open, so that the way back holds even
    // if that folder is renamed meanwhile. Without it the build stays put.
    const int back = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (back >= 0) {
        const QString own = path.isEmpty() ? QString() : QFileInfo(path).path();
        if (enter(own))
            outcome.folder = own;
        else if (enter(workFolder))
            outcome.folder = workFolder;
    }
    if (outcome.folder.isEmpty())
        outcome.folder = QDir::currentPath();
    outcome.result = compiler.build(makefileArgument(path));
    if (back >= 0) {
        if (::fchdir(back) != 0)
            outcome.error = QStringLiteral("Unable to return to the working folder: %1")
                                .arg(qt_error_string(errno));
        ::close(back);
    }
    return outcome;
}

bool buildSucceeded(int32_t result) {
    return static_cast<qint16>(static_cast<uint32_t>(result) & 0xFFFFu) != 0;
}

}  // namespace pxbuilder
