#include "program_places.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace pxbuilder {

bool isBuildFolder(const QString& programFolder) {
    return QFileInfo::exists(QDir(programFolder).filePath(QStringLiteral("CMakeCache.txt")));
}

// The installed tree is found from the program's own folder, so that a tree
// unpacked under another root works as well as one under /usr.
static QString besideProgram(const QString& programFolder, const char* relative) {
    return QDir::cleanPath(QDir(programFolder).absoluteFilePath(QString::fromUtf8(relative)));
}

static QString userFolder(QStandardPaths::StandardLocation location, QString* error) {
    const QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("Unable to create the folder \"%1\".").arg(folder);
        return QString();
    }
    return folder;
}

ProgramPlaces placesFor(const QString& programFolder, QString* error) {
    if (isBuildFolder(programFolder))
        return {false, programFolder, programFolder, programFolder, programFolder};
    ProgramPlaces places;
    places.installed = true;
    places.helpFolder = besideProgram(programFolder, PX_HELP_FROM_PROGRAM);
    places.libraryFolder = besideProgram(programFolder, PX_LIBRARY_FROM_PROGRAM);
    places.configFolder = userFolder(QStandardPaths::AppConfigLocation, error);
    places.workFolder = userFolder(QStandardPaths::AppDataLocation, error);
    return places;
}

}  // namespace pxbuilder
