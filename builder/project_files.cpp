#include "project_files.h"

#include <QFile>
#include <QFileInfo>

namespace pxbuilder {

QString joinPath(const QString& directory, const QString& name) {
    if (directory.endsWith(QLatin1Char('/')))
        return directory + name;
    return directory + QLatin1Char('/') + name;
}

bool fileExists(const QString& path) {
    if (path.isEmpty())
        return false;
    return QFileInfo(path).isFile();
}

static void setError(QString* error, const QString& text) {
    if (error)
        *error = text;
}

bool readLines(const QString& path, QStringList& lines, QString* error) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return false;
    }
    lines.clear();
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool lineEnded = end >= 0;
        if (!lineEnded)
            end = bytes.size();
        qsizetype length = end - start;
        if (lineEnded && length > 0 && bytes.at(end - 1) == '\r')
            --length;
        lines.append(QString::fromLocal8Bit(bytes.mid(start, length)));
        start = end + 1;
    }
    return true;
}

bool writeLines(const QString& path, const QStringList& lines, QString* error) {
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += line.toLocal8Bit();
        bytes += "\r\n";
    }
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        setError(error, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        setError(error, file.errorString());
        return false;
    }
    file.close();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

bool deleteFile(const QString& path, QString* error) {
    if (!QFileInfo::exists(path))
        return true;
    QFile file(path);
    if (!file.remove()) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

bool readConfig(const QString& path, BuilderConfig& config, QString* error) {
    QStringList lines;
    if (!readLines(path, lines, error))
        return false;
    QString* fields[] = {&config.activeProject, &config.projectDrive, &config.projectDir,
                         &config.editorDrive,   &config.editorDir,    &config.editorMakefile};
    qsizetype i = 0;
    for (QString* field : fields) {
        *field = i < lines.size() ? lines.at(i) : QString();
        ++i;
    }
    return true;
}

bool writeConfig(const QString& path, const BuilderConfig& config, QString* error) {
    return writeLines(path,
                      {config.activeProject, config.projectDrive, config.projectDir, config.editorDrive,
                       config.editorDir, config.editorMakefile},
                      error);
}

}  // namespace pxbuilder
