// PXBuilder: keeps a project of makefiles, edits makefiles and builds them
// with the compiler library.
//
//   PXBuilder                 the project window
//   PXBuilder --build FILE    one build of FILE without the window, for
//                             scripts and for checking an installation
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "compiler_call.h"
#include "dialogs.h"
#include "launcher.h"
#include "program_places.h"
#include "projBuilder.h"

namespace {

// Without the window every box becomes a line on standard output, and
// every question is answered No.
class ConsoleDialogs final : public pxbuilder::Dialogs {
public:
    void message(QWidget*, const QString& text, const QString&) override { say(text); }
    void information(QWidget*, const QString& text, const QString&) override { say(text); }
    bool askYesNo(QWidget*, const QString& text, const QString&) override {
        say(text + QStringLiteral(" No"));
        return false;
    }
    QString input(QWidget*, const QString&, const QString&, const QString&) override { return QString(); }

private:
    static void say(const QString& text) { std::printf("PXBuilder: %s\n", qPrintable(text)); }
};

// ...and the build log is printed instead of opened in an editor.
class ConsoleLauncher final : public pxbuilder::Launcher {
public:
    bool editTextFile(const QString& path) override {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        std::printf("== %s\n%s\n", qPrintable(path), file.readAll().replace("\r\n", "\n").constData());
        return true;
    }
    bool openDocument(const QString& path) override {
        std::printf("PXBuilder: %s\n", qPrintable(path));
        return true;
    }
};

// A build without the window and the help text need no display.
bool needsNoDisplay(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--build", "--help", "-h", "-?"})
            if (std::strncmp(argv[i], option, std::strlen(option)) == 0)
                return true;
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (needsNoDisplay(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PXBuilder"));
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser options;
    options.setApplicationDescription(QStringLiteral("Plexa Project Builder: keeps a project of makefiles, "
                                                     "edits makefiles and builds them."));
    options.addHelpOption();
    const QCommandLineOption buildOption(
        QStringLiteral("build"),
        QStringLiteral("Build <makefile> without the window, print the outcome and the build log, save the "
                       "configuration as Done/Exit does, and exit with 0 when the build succeeded, else 1."),
        QStringLiteral("makefile"));
    options.addOption(buildOption);
    options.process(app);
    const bool batch = options.isSet(buildOption);
    // Taken before the working directory changes.
    const QString batchMakefile = batch ? QFileInfo(options.value(buildOption)).absoluteFilePath() : QString();

    // The working folder (the default project, and the log before the first
    // build) is the working directory; each build runs from its makefile's
    // folder and comes back. In a build folder that is the program folder;
    // installed, the user's own.
    QString error;
    const pxbuilder::ProgramPlaces places = pxbuilder::placesFor(QCoreApplication::applicationDirPath(), &error);
    if (places.workFolder.isEmpty() || places.configFolder.isEmpty()) {
        std::fprintf(stderr, "PXBuilder: %s\n", qPrintable(error));
        return 2;
    }
    QDir::setCurrent(places.workFolder);

    pxbuilder::QtDialogs windowDialogs;
    pxbuilder::DesktopLauncher desktopLauncher;
    ConsoleDialogs consoleDialogs;
    ConsoleLauncher consoleLauncher;
    pxbuilder::Dialogs* dialogs = batch ? static_cast<pxbuilder::Dialogs*>(&consoleDialogs) : &windowDialogs;
    pxbuilder::Launcher* launcher = batch ? static_cast<pxbuilder::Launcher*>(&consoleLauncher) : &desktopLauncher;
    pxbuilder::CompilerLibrary compiler(places.libraryFolder);
    projBuilder window(pxbuilder::Services{places.workFolder, dialogs, launcher, &compiler, places.configFolder,
                                           places.helpFolder});
    QObject::connect(&window, &projBuilder::exitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    if (!batch) {
        window.show();
        window.startUp();
        return QApplication::exec();
    }

    int status = 1;
    QObject::connect(&window, &projBuilder::buildFinished, &app, [&](int32_t result) {
        status = pxbuilder::buildSucceeded(result) ? 0 : 1;
        window.doneExit();
        QCoreApplication::exit(status);
    });
    window.startUp();
    window.buildMakefile(batchMakefile);
    // A library that cannot be loaded ends the build before it starts.
    if (!window.isBuilding())
        return 2;
    QApplication::exec();
    return status;
}
