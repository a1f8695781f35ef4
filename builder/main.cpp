// PXBuilder: keeps a project of makefiles, edits makefiles and builds them
// with the compiler library.
#include <QApplication>
#include <QDir>

#include "compiler_call.h"
#include "dialogs.h"
#include "launcher.h"
#include "projBuilder.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PXBuilder"));
    QApplication::setQuitOnLastWindowClosed(false);

    // The library writes "pxlinker.log" into the working directory and the
    // window reads it from the program folder, and relative step-file names
    // in makefiles resolve there too: the two must be the same folder.
    const QString programFolder = QCoreApplication::applicationDirPath();
    QDir::setCurrent(programFolder);

    pxbuilder::QtDialogs dialogs;
    pxbuilder::DesktopLauncher launcher;
    pxbuilder::CompilerLibrary compiler(programFolder);
    projBuilder window(pxbuilder::Services{programFolder, &dialogs, &launcher, &compiler});
    QObject::connect(&window, &projBuilder::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    window.startUp();
    return QApplication::exec();
}
