#include "launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "Shell32Win.h"

namespace pxbuilder {

static bool startEditor(const QByteArray& variable, const QString& path) {
    const QString command = qEnvironmentVariable(variable.constData());
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    words.append(path);
    return QProcess::startDetached(program, words);
}

bool DesktopLauncher::editTextFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(absolute)))
        return true;
    return startEditor("VISUAL", absolute) || startEditor("EDITOR", absolute);
}

bool DesktopLauncher::openDocument(const QString& path) {
    return Shell32Win::OpenDocument(path);
}

}  // namespace pxbuilder
