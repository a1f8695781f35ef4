// The builder's own text files: the project file, "pxconfig.cfg" and the
// makefiles that the editor writes. All of them are 8-bit text in the local
// code page with CR LF line ends; reading also accepts lines ended by LF alone.
// The windows call these and report a failure themselves, so nothing here
// shows a box.
#pragma once

#include <QString>
#include <QStringList>

namespace pxbuilder {

// Joins a directory and a name with one "/" between them. A directory that
// already ends in "/" (the root) gets none added, so "/" + "a" is "/a".
QString joinPath(const QString& directory, const QString& name);

// True when `path` names an existing file (not a folder).
bool fileExists(const QString& path);

// Reads every line of a text file in file order. A final line without a line
// end still counts; an empty file gives no lines. One CR before each LF is
// dropped. Returns false (with `error` set) when the file cannot be read.
bool readLines(const QString& path, QStringList& lines, QString* error = nullptr);

// Creates or overwrites `path` and writes each entry followed by CR LF.
bool writeLines(const QString& path, const QStringList& lines, QString* error = nullptr);

// Deletes a file. A file that is already gone counts as deleted.
bool deleteFile(const QString& path, QString* error = nullptr);

// "pxconfig.cfg": six lines, in this order.
struct BuilderConfig {
    QString activeProject;   // 1: active project path (may be empty)
    QString projectDrive;    // 2: the project window's drive
    QString projectDir;      // 3: the project window's directory
    QString editorDrive;     // 4: the makefile editor's drive
    QString editorDir;       // 5: the makefile editor's directory
    QString editorMakefile;  // 6: the makefile editor's active makefile (may be empty)
};

inline constexpr const char* configFileName = "pxconfig.cfg";
inline constexpr const char* defaultProjectName = "pxproj.prj";
inline constexpr const char* buildLogName = "pxlinker.log";
inline constexpr const char* helpPageName = "PXBuilder.htm";

// Reads as far as the file goes; a file of fewer than six lines leaves the
// missing ones empty, and lines after the sixth are ignored.
bool readConfig(const QString& path, BuilderConfig& config, QString* error = nullptr);
bool writeConfig(const QString& path, const BuilderConfig& config, QString* error = nullptr);

}  // namespace pxbuilder
