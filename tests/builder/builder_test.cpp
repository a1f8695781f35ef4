// The project window, the makefile browser and the makefile editor, driven
// through their controls in a temporary program folder. Boxes are answered by
// a recorder; no editor, browser or real dialog is ever started. Most cases
// are scripts in cases/*.txt (see cases/README.md); the ones here need a
// worker thread held or the real library.
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <memory>

#include "MakefileBrowser.h"
#include "browser_controls.h"
#include "compiler_call.h"
#include "dialogs.h"
#include "frmBuildLog.h"
#include "frmDrv.h"
#include "frmGraph.h"
#include "launcher.h"
#include "list_rules.h"
#include "projBuilder.h"

using namespace pxbuilder;

namespace {

// Every box as "kind: text"; input and Yes/No boxes answer from queues.
struct Boxes final : Dialogs {
    QStringList shown, names;  // no name left: the input box is cancelled
    QList<bool> yes;           // no answer left: No
    void message(QWidget*, const QString& text, const QString&) override { shown << "ok: " + text; }
    void information(QWidget*, const QString& text, const QString&) override { shown << "info: " + text; }
    bool askYesNo(QWidget*, const QString& text, const QString&) override {
        shown << "yesno: " + text;
        return !yes.isEmpty() && yes.takeFirst();
    }
    QString input(QWidget*, const QString& prompt, const QString&, const QString&) override {
        shown << "input: " + prompt;
        return names.isEmpty() ? QString() : names.takeFirst();
    }
};

struct Launches final : Launcher {
    QStringList edited, opened;
    bool editorStarts = true;  // false: as on a machine where nothing opens a text file
    bool editTextFile(const QString& path) override { edited << path; return editorStarts; }
    bool editTextFileAt(const QString& path, int line) override {
        edited << path + ":" + QString::number(line);
        return editorStarts;
    }
    bool openDocument(const QString& path) override { opened << path; return true; }
};

// Answers with a set result; with `hold` the build waits on its worker
// thread until released, so that the window can be looked at meanwhile.
struct FakeCompiler final : CompilerCall {
    int32_t result = 1;
    bool hold = false;
    QSemaphore started, release;
    std::atomic<int> binds{0};
    QList<QByteArray> arguments;  // read only once the build has ended
    QStringList folders;          // the working directory of each build
    bool bind(QString*) override { ++binds; return true; }
    int32_t build(const QByteArray& makefile) override {
        arguments << makefile;
        folders << QDir::currentPath();
        started.release();
        if (hold)
            release.acquire();
        return result;
    }
};

const QByteArray missing("<missing>");

// A list as the case files write it: "a | b", `""` for an empty entry.
QString show(const QStringList& list) {
    QStringList shown;
    for (const QString& item : list)
        shown << (item.isEmpty() ? QStringLiteral("\"\"") : item);
    return shown.join(" | ");
}

QString escaped(QByteArray bytes) {
    return QString::fromLocal8Bit(bytes.replace("\r", "\\r").replace("\n", "\\n"));
}

// One program folder with its own project window.
struct Session {
    QTemporaryDir temp;
    // As the working directory reports it, links resolved.
    const QString folder = QFileInfo(temp.path()).canonicalFilePath();
    Boxes boxes;
    Launches launches;
    FakeCompiler fake;
    int exits = 0;
    std::unique_ptr<projBuilder> window;

    // "@" stands for the program folder and "$D" for the volume that holds it.
    QString at(QString text) const {
        static const QRegularExpression mark(QStringLiteral("@(?=/|\"|$)"));
        return text == "$D" ? DriveList().driveOf(folder) : text.replace(mark, folder);
    }
    QStringList list(const QString& text) const {
        QStringList items;
        for (const QString& item : text.split('|', Qt::SkipEmptyParts))
            items << (item.trimmed() == "\"\"" ? QString() : at(item.trimmed()));
        return items;
    }
    void writeRaw(const QString& name, const QByteArray& bytes) const {
        QDir().mkpath(QFileInfo(at("@/" + name)).path());
        QFile file(at("@/" + name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    void write(const QString& name, const QStringList& lines) const {
        QByteArray bytes;
        for (const QString& line : lines)
            bytes += line.toLocal8Bit() + "\r\n";
        writeRaw(name, bytes);
    }
    QByteArray read(const QString& name) const {
        QFile file(at("@/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : missing;
    }
    void start(CompilerCall* compiler = nullptr) {
        window = std::make_unique<projBuilder>(Services{folder, &boxes, &launches, compiler ? compiler : &fake});
        QObject::connect(window.get(), &projBuilder::exitRequested, [this] { ++exits; });
        window->show();
        window->startUp();
    }
    QWidget* part(const QString& name) const {
        return name == "editor"    ? window->editor()
               : name == "browser" ? static_cast<QWidget*>(window->browser())
               : name == "log"     ? static_cast<QWidget*>(window->logWindow())
               : name == "graph"   ? static_cast<QWidget*>(window->graphWindow())
               : name == "main"    ? window->centralWidget() : nullptr;
    }
    template <class T>
    T* find(const QString& in, const QString& name) const { return part(in) ? part(in)->findChild<T*>(name) : nullptr; }
    QListWidget* listNamed(const QString& name) const {
        static const QHash<QString, QPair<QString, QString>> lists{
            {"project", {"main", "projectList"}}, {"makefile", {"editor", "moduleList"}},
            {"project-files", {"main", "File1"}}, {"step-files", {"editor", "File1"}},
            {"makefiles", {"browser", "File1"}}};
        return find<QListWidget>(lists.value(name).first, lists.value(name).second);
    }
    void press(const QString& button) const { find<QPushButton>("main", button)->click(); }
    void click(int row) const { clickRow(listNamed("project"), row); }

    static QPoint rowAt(QListWidget* list, int row) { return list->visualItemRect(list->item(row)).center(); }
    static void clickRow(QListWidget* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowAt(list, row));
    }
    // Press, release, double-click, release: what the platform delivers.
    static void doubleClickRow(QListWidget* list, int row) {
        clickRow(list, row);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowAt(list, row));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rowAt(list, row));
    }
    static void dragRow(QListWidget* list, int from, int to) {
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, rowAt(list, from));
        QTest::mouseMove(list->viewport(), rowAt(list, to));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rowAt(list, to));
    }
};

// One case of a case file, with the file's common lines in front.
struct Script {
    QString file;
    QList<int> numbers;
    QStringList lines;
};

// Runs a case line by line; a line that fails is reported at its place in
// the case file, with what was found and what the line expects.
struct Runner : Session {
    const Script& script;
    int number = 0;
    explicit Runner(const Script& s) : script(s) {}

    bool fail(const QString& text) {
        QTest::qFail(qPrintable(text), qPrintable(script.file), number);
        return false;
    }
    bool check(const QString& line, const QString& actual, const QString& expected) {
        const bool holds = expected.endsWith("...") ? actual.startsWith(expected.chopped(3)) : actual == expected;
        return holds || fail(line + "\n   actual: " + actual + "\n expected: " + expected);
    }
    // Lines each ended by CR LF show as a list, anything else as its bytes.
    QString fileShown(const QString& name) const {
        const QByteArray bytes = read(name);
        QStringList lines = QString::fromLocal8Bit(bytes).split("\r\n");
        const bool plain = lines.takeLast().isEmpty() && !lines.join("").contains(QRegularExpression("[\r\n]"));
        return bytes == missing ? QString(missing) : plain ? show(lines) : "text: " + escaped(bytes);
    }

    // What an "expect KEY: ..." line looks at, shown as the case files write it.
    QString actual(const QString& key) {
        const QString what = key.section(' ', 0, 0), name = key.section(' ', 1);
        if (what == "box")
            return boxes.shown.isEmpty() ? "<none>" : boxes.shown.takeFirst();
        if (what == "entries")
            return show(window->projectEntries());
        if (what == "modules")
            return show(window->editor()->modules());
        if (what == "active")
            return window->activeProject();
        if (key == "project file")
            return window->projectFile();
        if (key == "editor makefile")
            return window->editor()->activeMake();
        if (key == "browser makefile")
            return window->browser() ? window->browser()->activeMake() : "<no browser>";
        if (what == "selected" && listNamed(name))
            return QString::number(static_cast<ReorderList*>(listNamed(name))->selectedRow());
        if (what == "folder" && find<DirectoryList>(name, "Dir1"))
            return find<DirectoryList>(name, "Dir1")->path();
        if (what == "offered" && find<FileList>(name, "File1"))
            return show(find<FileList>(name, "File1")->fileNames());
        if (what == "visible")
            return part(name) && (name == "main" ? window->isVisible() : part(name)->isVisible()) ? "yes" : "no";
        if (what == "edited")
            return show(launches.edited);
        if (what == "opened")
            return show(launches.opened);
        if (what == "arguments") {
            QStringList texts;
            for (const QByteArray& argument : fake.arguments)
                texts << QString::fromLocal8Bit(argument);
            return show(texts);
        }
        if (key == "build folders")
            return show(fake.folders);
        if (key == "log window") {
            frmBuildLog* log = window->logWindow();
            auto* view = log ? log->findChild<QPlainTextEdit*>("buildLogView") : nullptr;
            if (!view || !log->isVisible())
                return "<none>";
            const QString file = log->findChild<QLineEdit*>("logFile")->text();
            return file + (view->isReadOnly() ? ", read-only: " : ", editable: ") +
                   escaped(view->toPlainText().toLocal8Bit());
        }
        if (what == "steps" && window->graphWindow()) {
            QStringList numbers;
            for (const StepPlace& step : window->graphWindow()->steps())
                numbers << QString::number(step.step);
            return show(numbers);
        }
        if (key == "graph status")
            return window->graphWindow() ? window->graphWindow()->status() : "<no graph window>";
        if (what == "binds")
            return QString::number(fake.binds);
        if (what == "exits")
            return QString::number(exits);
        if (what == "file")
            return fileShown(name);
        if (what == "text")
            return escaped(read(name));
        return "<no such check>";
    }

    bool run(const QString& line) {
        const QString verb = line.section(' ', 0, 0), rest = line.section(' ', 1);
        const QStringList words = rest.split(' ', Qt::SkipEmptyParts);
        const QString name = rest.section(':', 0, 0).trimmed(), value = rest.section(':', 1).trimmed();
        if (!window && !QStringList{"file", "text", "block", "start", "answer", "yes", "no", "editor"}.contains(verb))
            return fail(line + ": the window is not started yet");
        if (verb == "expect") {
            const bool isList =
                QStringList{"entries", "modules", "offered", "edited", "opened", "arguments", "build", "file", "steps"}
                    .contains(name.section(' ', 0, 0));
            return check(line, actual(name), isList && value != missing ? show(list(value)) : at(value));
        }
        if (verb == "file")
            write(name, list(value));
        else if (verb == "text")
            writeRaw(name, at(value).replace("\\r", "\r").replace("\\n", "\n").toLocal8Bit());
        else if (verb == "block") {  // a folder where the file was: every later write of it fails
            QFile::remove(at("@/" + rest));
            QDir().mkpath(at("@/" + rest));
        } else if (verb == "start")
            start();
        else if (verb == "answer")
            boxes.names << at(rest);
        else if (verb == "yes" || verb == "no")
            boxes.yes << (verb == "yes");
        else if (line == "editor fails")
            launches.editorStarts = false;
        else if (verb == "press" && find<QPushButton>(words.size() > 1 ? words[0] : "main", words.last()))
            find<QPushButton>(words.size() > 1 ? words[0] : "main", words.last())->click();
        else if (verb == "trigger" && window->findChild<QAction*>(rest))
            window->findChild<QAction*>(rest)->trigger();
        else if (verb == "folder" && find<DirectoryList>(words.value(0), "Dir1"))
            return find<DirectoryList>(words[0], "Dir1")->setPath(at(words.value(1))) || fail(line + ": no folder");
        else if (verb == "build") {
            fake.result = static_cast<int32_t>(rest.toLongLong(nullptr, 0));
            QSignalSpy finished(window.get(), &projBuilder::buildFinished);
            const QString here = QDir::currentPath();
            press("buildButton");
            const bool ended = window->isBuilding() && finished.wait(10000);
            if (!ended || finished.first().first().toInt() != fake.result)
                return fail(line + ": no build, or no end");
            return QDir::currentPath() == here || fail(line + ": the working directory is now " + QDir::currentPath());
        } else if (verb == "click" && words.value(0) == "step" && window->graphWindow()) {
            GraphView* view = window->graphWindow()->view();
            const QRectF box = view->stepRect(words.value(1).toUInt());
            if (box.isEmpty())
                return fail(line + ": no such step in the graph");
            QTest::mouseClick(view, Qt::LeftButton, {}, box.center().toPoint());
        } else if (QStringList{"click", "double-click", "drag"}.contains(verb) && listNamed(words.value(0))) {
            QListWidget* list = listNamed(words[0]);
            bool isRow = false;
            const int row = words.value(1).toInt(&isRow);
            const QList<QListWidgetItem*> found = list->findItems(words.value(1), Qt::MatchExactly);
            if (!isRow && found.isEmpty())
                return fail(line + ": no such entry");
            const int from = isRow ? row : list->row(found.first());
            if (verb == "click")
                clickRow(list, from);
            else if (verb == "double-click")
                doubleClickRow(list, from);
            else
                dragRow(list, from, words.value(2).toInt());
        } else
            return fail(line + ": not understood");
        return true;
    }
};

}  // namespace

Q_DECLARE_METATYPE(Script)

class BuilderTest : public QObject {
    Q_OBJECT

private slots:
    // A case starts at "== name"; the lines before the first case run before
    // each of them, and "#" starts a comment.
    void cases_data() {
        QTest::addColumn<Script>("script");
        for (const QFileInfo& info : QDir(PX_BUILDER_CASES).entryInfoList({"*.txt"}, QDir::Files, QDir::Name)) {
            QFile file(info.filePath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
            Script common{info.filePath(), {}, {}}, current;
            QString name;
            for (int i = 0; i <= lines.size(); ++i) {
                const QString line = i < lines.size() ? lines[i].trimmed() : QStringLiteral("== ");
                if (line.startsWith("== ")) {
                    if (!name.isEmpty())
                        QTest::newRow(qPrintable(info.baseName() + ": " + name)) << current;
                    name = line.mid(3);
                    current = common;
                } else if (!line.isEmpty() && !line.startsWith('#')) {
                    Script& into = name.isEmpty() ? common : current;
                    into.numbers << i + 1;
                    into.lines << line;
                }
            }
        }
    }
    // Every box a case causes must be expected by it.
    void cases() {
        QFETCH(Script, script);
        Runner runner(script);
        for (qsizetype i = 0; i < script.lines.size(); ++i) {
            runner.number = script.numbers[i];
            if (!runner.run(script.lines[i]))
                return;
        }
        if (!runner.boxes.shown.isEmpty())
            runner.fail("a box no line expects: " + runner.boxes.shown.first());
    }

    // A drag from or onto no entry changes nothing; an entry added again
    // moves its topmost equal, letter case counting, to the end.
    void listRules() {
        QStringList list{"P", "Q", "R", "S"};
        for (const auto& [from, to] : {std::pair{4, 0}, std::pair{0, 4}, std::pair{-1, 0}, std::pair{0, -1}})
            QVERIFY(!reorderByDrag(list, from, to));
        QCOMPARE(list, (QStringList{"P", "Q", "R", "S"}));
        list = {"b", "a", "c", "a"};
        appendMovingToEnd(list, "a");
        appendMovingToEnd(list, "B");
        QCOMPARE(list, (QStringList{"b", "c", "a", "a", "B"}));
    }

    // The window keeps painting while the library builds on the worker
    // thread, but takes no command until the build ends.
    void windowIsBusyWhileTheBuildRuns() {
        Session s;
        s.write("pxproj.prj", {"/x/b.mak"});
        s.start();
        s.fake.hold = true;
        const auto releaseOnFailure = qScopeGuard([&s] { s.fake.release.release(); });
        s.click(0);
        QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
        s.press("buildButton");
        QVERIFY(s.fake.started.tryAcquire(1, 10000));
        QVERIFY(s.window->isBuilding() && QApplication::overrideCursor());
        QVERIFY(!s.part("main")->isEnabled() && !s.window->menuBar()->isEnabled() && !s.window->editor()->isEnabled());
        QVERIFY(s.window->statusBar()->currentMessage().contains("/x/b.mak"));
        s.press("buildButton");
        s.press("doneButton");
        QVERIFY(!s.window->close());
        QVERIFY(s.fake.binds == 1 && s.boxes.shown.isEmpty() && s.exits == 0);
        QCOMPARE(s.read("pxconfig.cfg"), missing);

        s.fake.release.release();
        QVERIFY(finished.wait(10000));
        QVERIFY(!s.window->isBuilding() && !QApplication::overrideCursor());
        QVERIFY(s.part("main")->isEnabled() && s.window->menuBar()->isEnabled() && s.window->editor()->isEnabled());
        QVERIFY(s.window->statusBar()->currentMessage().isEmpty());
        QCOMPARE(s.fake.arguments, QList<QByteArray>{"/x/b.mak"});
    }

    void libraryThatCannotBeLoadedIsReported() {
        // The last place looked in is the loader's own; a copy installed there is found.
        if (QLibrary(QStringLiteral("pxcompiler")).load())
            QSKIP("a pxcompiler library is installed where the loader looks");
        Session s;
        s.write("pxproj.prj", {"/x/b.mak"});
        CompilerLibrary library(s.folder);
        s.start(&library);
        s.click(0);
        s.press("buildButton");
        QCOMPARE(s.boxes.shown.size(), 1);
        QVERIFY(s.boxes.shown[0].startsWith("ok: Unable to load the compiler library \"pxcompiler\": "));
        QVERIFY(!s.window->isBuilding() && s.part("main")->isEnabled());
    }

    void libraryLookup_data() {
        QTest::addColumn<QStringList>("files");  // in the program folder
        QTest::addColumn<QString>("loaded");
        QTest::newRow("plain name") << QStringList{"libpxcompiler.so"} << "libpxcompiler.so";
        QTest::newRow("versioned name only") << QStringList{"libpxcompiler.so.2"} << "libpxcompiler.so.2";
        QTest::newRow("plain name first") << QStringList{"libpxcompiler.so.2", "libpxcompiler.so"}
                                          << "libpxcompiler.so";
    }
    void libraryLookup() {
        QFETCH(QStringList, files);
        QFETCH(QString, loaded);
        Session s;
        for (const QString& file : files)
            QVERIFY(QFile::link(QFileInfo(PX_LIBRARY_PATH).absoluteFilePath(), s.at("@/" + file)));
        CompilerLibrary library(s.folder);
        QString error;
        QVERIFY2(library.bind(&error) && library.bind(&error), qPrintable(error));
        QCOMPARE(library.loadedFrom(), s.at("@/" + loaded));
    }

    // The whole path through the real library, loaded from the program
    // folder, which is the working directory as at start-up: each build runs
    // from its makefile's folder, writes its log there, and the window opens
    // that log. `steps` holds conveyor.pre and its .fig; `lines` are the
    // makefile's lines.
    void buildThroughTheLibrary_data() {
        QTest::addColumn<QString>("makefile");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<bool>("builds");
        QTest::newRow("names relative to the makefile's folder")
            << "line/conveyor.mak" << QStringList{"conveyor.pre"} << "line" << true;
        QTest::newRow("a relative name reaching into a subfolder")
            << "line/conveyor.mak" << QStringList{"steps/conveyor.pre"} << "line/steps" << true;
        QTest::newRow("full names, as the makefile editor writes them")
            << "makefiles/conveyor.mak" << QStringList{"@/line/conveyor.pre"} << "line" << true;
        QTest::newRow("a makefile in the program folder")
            << "conveyor.mak" << QStringList{"conveyor.pre"} << "" << true;
        QTest::newRow("a name relative to the program folder is not found")
            << "line/conveyor.mak" << QStringList{"line/conveyor.pre"} << "line" << false;
    }
    void buildThroughTheLibrary() {
        QFETCH(QString, makefile);
        QFETCH(QStringList, lines);
        QFETCH(QString, steps);
        QFETCH(bool, builds);
        Session s;
        QVERIFY(QFile::link(QFileInfo(PX_LIBRARY_PATH).absoluteFilePath(), s.at("@/libpxcompiler.so")));
        const QString stepFolder = steps.isEmpty() ? QString() : steps + "/";
        s.writeRaw(stepFolder + "conveyor.pre",
                   "[1]\n---\n<NO CHANGE IN DIGITAL OUTPUTS>\n---\ngoto next\n[2]\n---\n---\ngoto [1]\n");
        s.writeRaw(stepFolder + "conveyor.fig", "controller_model K410\n");
        for (QString& line : lines)
            line = s.at(line);
        s.write(makefile, lines);
        s.write("pxproj.prj", {s.at("@/" + makefile)});
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(s.folder));
        const auto back = qScopeGuard([&previous] { QDir::setCurrent(previous); });
        CompilerLibrary library(s.folder);
        s.start(&library);
        s.click(0);
        QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
        s.press("buildButton");
        QVERIFY(s.window->isBuilding() && finished.wait(120000));
        QCOMPARE(QDir::currentPath(), s.folder);

        const QString folder = QFileInfo(s.at("@/" + makefile)).path();
        QFile log(folder + "/pxlinker.log");
        const QByteArray logText = log.open(QIODevice::ReadOnly) ? log.readAll() : missing;
        const QString box = builds ? "ok: Build successful, .DSO file generated."
                                   : "ok: Build failed, reference log for errors.";
        QVERIFY2(s.boxes.shown == QStringList{box}, qPrintable(s.boxes.shown.join('|') + "\n" + logText));
        QCOMPARE(s.launches.edited, QStringList{log.fileName()});
        QVERIFY(logText.startsWith("PXBuilder V1.0, April 14, 2003"));
        QCOMPARE(QFile::exists(s.at("@/" + stepFolder + "conveyor.dso")), builds);
        if (!builds)
            QVERIFY(logText.contains("Unable to open file \"line/conveyor.pre\" for reading."));
        if (folder != s.folder)
            QCOMPARE(s.read("pxlinker.log"), missing);
    }
};

QTEST_MAIN(BuilderTest)
#include "builder_test.moc"
