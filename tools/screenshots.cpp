// Renders the windows of PXBuilder, standing in a small sample project, into
// PNG files: projBuilder.png, frmDrv.png, MakefileBrowser.png, frmGraph.png.
// The sample's production line is the conveyor example.
// Usage: px_builder_screenshots OUTPUT_FOLDER [SAMPLE_FOLDER]   (run under Xvfb)
// The sample is made in SAMPLE_FOLDER (a new folder) or in a temporary one.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

#include "MakefileBrowser.h"
#include "browser_controls.h"
#include "compiler_call.h"
#include "dialogs.h"
#include "frmDrv.h"
#include "frmGraph.h"
#include "launcher.h"
#include "projBuilder.h"
#include "services.h"

namespace {

// The pictures show the windows only: no box, no editor, no build.
class SilentDialogs final : public pxbuilder::Dialogs {
public:
    void message(QWidget*, const QString&, const QString&) override {}
    void information(QWidget*, const QString&, const QString&) override {}
    bool askYesNo(QWidget*, const QString&, const QString&) override { return false; }
    QString input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

class NoLauncher final : public pxbuilder::Launcher {
public:
    bool editTextFile(const QString&) override { return false; }
    bool openDocument(const QString&) override { return false; }
};

class NoCompiler final : public pxbuilder::CompilerCall {
public:
    bool bind(QString*) override { return false; }
    int32_t build(const QByteArray&) override { return 0; }
};

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

// Lets the window manager map and paint the window before it is grabbed.
void settle() {
    QEventLoop loop;
    QTimer::singleShot(300, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget* window, const QString& file) {
    window->raise();
    window->activateWindow();
    settle();
    const bool ok = window->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(file));
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SAMPLE_FOLDER]\n", argv[0]);
        return 2;
    }
    const QString output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();

    // A sample installation: the program folder with a project of two
    // makefiles, and a production line folder holding the step files.
    QTemporaryDir temp;
    const QDir root(argc > 2 ? QString::fromLocal8Bit(argv[2]) : temp.path());
    const QString program = root.filePath("PXBuilder");
    const QString line = root.filePath("conveyor");
    QDir().mkpath(program);
    QDir().mkpath(line);
    const QDir example(QStringLiteral(PX_SOURCE_DIR "/examples/conveyor"));
    for (const char* name : {"main.pre", "feeder.pre", "press.pre", "main.fig", "main.tab"})
        QFile::copy(example.filePath(name), QDir(line).filePath(name));
    writeBytes(QDir(line).filePath("unload.pre"), "");
    writeBytes(QDir(line).filePath("conveyor.mak"),
               (line + "/main.pre\r\n" + line + "/feeder.pre\r\n" + line + "/press.pre\r\n").toLocal8Bit());
    writeBytes(QDir(line).filePath("service.mak"), (line + "/unload.pre\r\n").toLocal8Bit());
    writeBytes(QDir(program).filePath("pxproj.prj"),
               (line + "/conveyor.mak\r\n" + line + "/service.mak\r\n").toLocal8Bit());
    writeBytes(QDir(program).filePath("line2.prj"), "");

    SilentDialogs dialogs;
    NoLauncher launcher;
    NoCompiler compiler;
    projBuilder window(pxbuilder::Services{program, &dialogs, &launcher, &compiler});
    window.move(40, 40);
    window.show();
    window.startUp();
    auto* list = window.centralWidget()->findChild<QListWidget*>("projectList");
    list->setCurrentRow(0);

    bool ok = save(&window, QDir(output).filePath("projBuilder.png"));

    // The editor on the first makefile, as a double-click opens it.
    frmDrv* editor = window.editor();
    editor->setActiveMake(line + "/conveyor.mak");
    editor->reloadModules();
    editor->fileBrowser()->goTo(line, nullptr);
    editor->setStatus(QStringLiteral("Status:  Add PreCompile Files (.pre) as required to Makefile"));
    editor->move(80, 80);
    editor->show();
    ok = save(editor, QDir(output).filePath("frmDrv.png")) && ok;
    editor->hide();

    // The browser with a makefile picked.
    window.findChild<QPushButton*>("addMake")->click();
    MakefileBrowser* browser = window.browser();
    browser->fileBrowser()->goTo(line, nullptr);
    browser->findChild<QLineEdit*>("activeMake")->setText(line + "/service.mak");
    auto* files = browser->findChild<QListWidget*>("File1");
    const QList<QListWidgetItem*> found = files->findItems("service.mak", Qt::MatchExactly);
    if (!found.isEmpty())
        files->setCurrentItem(found.first());
    browser->move(120, 120);
    ok = save(browser, QDir(output).filePath("MakefileBrowser.png")) && ok;
    browser->hide();

    // The step graph of the first makefile.
    window.findChild<QPushButton*>("graphButton")->click();
    frmGraph* graph = window.graphWindow();
    if (!graph)
        return 1;
    graph->move(160, 40);
    graph->resize(1080, 760);
    ok = save(graph, QDir(output).filePath("frmGraph.png")) && ok;
    return ok ? 0 : 1;
}
