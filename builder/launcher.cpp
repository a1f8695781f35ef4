#include "launcher.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#include "Shell32Win.h"

namespace pxbuilder {

// How editors are told a line: most take "+LINE FILE" (vi, vim, emacs,
// nano, gedit, mousepad, micro); these do otherwise.
struct LineForm {
    const char* program;
    const char* form;  // %1 the file, %2 the line
};
constexpr LineForm lineForms[] = {
    {"code", "-g %1:%2"}, {"codium", "-g %1:%2"}, {"subl", "%1:%2"}, {"kate", "-l %2 %1"}, {"kwrite", "-l %2 %1"},
};

static QStringList fileArguments(const QString& program, const QString& path, int line) {
    if (line <= 0)
        return {path};
    const QString name = QFileInfo(program).fileName();
    QString form = QStringLiteral("+%2 %1");
    for (const LineForm& f : lineForms)
        if (name == QLatin1String(f.program))
            form = QLatin1String(f.form);
    QStringList words;
    // The line first, so that a "%2" in the path stays as it is.
    for (QString word : form.split(QLatin1Char(' ')))
        words << word.replace(QLatin1String("%2"), QString::number(line)).replace(QLatin1String("%1"), path);
    return words;
}

static bool startEditor(const QByteArray& variable, const QString& path, int line = 0) {
    const QString command = qEnvironmentVariable(variable.constData());
    QStringList words = QProcess::splitCommand(command);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    words.append(fileArguments(program, path, line));
    return QProcess::startDetached(program, words);
}

bool DesktopLauncher::editTextFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(absolute)))
        return true;
    return startEditor("VISUAL", absolute) || startEditor("EDITOR", absolute);
}

bool DesktopLauncher::editTextFileAt(const QString& path, int line) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    return startEditor("VISUAL", absolute, line) || startEditor("EDITOR", absolute, line) || editTextFile(path);
}

bool DesktopLauncher::openDocument(const QString& path) {
    return Shell32Win::OpenDocument(path);
}

}  // namespace pxbuilder
