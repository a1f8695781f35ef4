// The project window, the makefile browser and the makefile editor, driven
// through their controls with a temporary program folder. Boxes are answered
// by a recorder; no editor, browser or real dialog is ever started.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>

#include "MakefileBrowser.h"
#include "browser_controls.h"
#include "builder_harness.h"
#include "frmDrv.h"
#include "list_rules.h"
#include "project_files.h"

using namespace pxtest_builder;
using pxbuilder::DirectoryList;
using pxbuilder::DriveList;
using pxbuilder::FileList;

namespace {

// One program folder with its own project window.
struct Session {
    QTemporaryDir temp;
    QString folder;
    RecordingDialogs dialogs;
    RecordingLauncher launcher;
    FakeCompiler fake;
    std::unique_ptr<projBuilder> window;

    Session() : folder(QDir::cleanPath(temp.path())) {}

    QString path(const QString& name) const { return folder + QLatin1Char('/') + name; }

    void start(pxbuilder::CompilerCall* compiler = nullptr) {
        window = std::make_unique<projBuilder>(
            pxbuilder::Services{folder, &dialogs, &launcher, compiler ? compiler : &fake});
        window->show();
        window->startUp();
    }

    template <class T>
    T* main(const char* name) const {
        return window->centralWidget()->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T>
    T* editor(const char* name) const {
        return window->editor()->findChild<T*>(QString::fromLatin1(name));
    }
    template <class T>
    T* browser(const char* name) const {
        return window->browser()->findChild<T*>(QString::fromLatin1(name));
    }
    void press(const char* button) const { main<QPushButton>(button)->click(); }
    void pressEditor(const char* button) const { editor<QPushButton>(button)->click(); }
    QListWidget* projectList() const { return main<QListWidget>("projectList"); }
    QListWidget* moduleList() const { return editor<QListWidget>("moduleList"); }
};

int selectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? -1 : list->row(selected.first());
}

QPoint rowCenter(QListWidget* list, int row) {
    return list->visualItemRect(list->item(row)).center();
}

void clickRow(QListWidget* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, row));
}

// Press, release, double-click, release: what the platform delivers.
void doubleClickRow(QListWidget* list, int row) {
    const QPoint at = rowCenter(list, row);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

void dragRow(QListWidget* list, int from, int to) {
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, rowCenter(list, from));
    QTest::mouseMove(list->viewport(), rowCenter(list, to));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, rowCenter(list, to));
}

void clickFile(QListWidget* files, const QString& name) {
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    QVERIFY2(!found.isEmpty(), qPrintable(name));
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualItemRect(found.first()).center());
}

QByteArray crlf(const QStringList& lines) {
    QByteArray bytes;
    for (const QString& line : lines)
        bytes += line.toLocal8Bit() + "\r\n";
    return bytes;
}

const QString noProjectFound = QStringLiteral("No project file found.  Please locate or create a new one.");

}  // namespace

class BuilderTest : public QObject {
    Q_OBJECT

private slots:
    // ---- files and list rules -----------------------------------------------
    void joiningPathsPutsOneSlashBetween();
    void readingAcceptsCrLfAndLfAlone();
    void writingEndsEveryLineWithCrLf();
    void configurationOfFewerThanSixLinesLeavesTheRestEmpty();
    void dragRuleMatchesTheListBox();
    void onlyTheLowSixteenBitsOfTheResultCount();

    // ---- start-up ----------------------------------------------------------
    void firstStartWithoutConfiguration();
    void configurationNamingAMissingProject();
    void configurationRestoresBothWindows();
    void configurationWithPlacesThatAreGone();

    // ---- project window ----------------------------------------------------
    void createProjectNew();
    void createProjectExistingAnswerYes();
    void createProjectExistingAnswerNo();
    void createProjectNameAlreadyEndingInPrj();
    void createProjectCancelled();
    void addExistingNeedsAProject();
    void addExistingAppendsTheClickedMakefile();
    void addExistingMovesAListedMakefileToTheEnd();
    void addExistingWithNothingSelectedAndCancel();
    void addExistingByDoubleClick();
    void removeNeedsASelection();
    void removeRewritesTheProjectFile();
    void removeOfTheLastEntryDeletesTheProjectFile();
    void dragZeroOntoTwo();
    void dragTwoOntoZero();
    void plainClickLeavesTheListAlone();
    void doubleClickOpensTheEditorOnTheEntry();
    void doubleClickOnAMissingMakefile();
    void projectFileClickSetsTheActiveProjectOnly();
    void doneExitWritesSixConfigurationLines();
    void doneExitWithAnEmptyListLeavesTheProjectFile();
    void doneExitThatCannotSaveStaysOpen();
    void helpAboutAndManual();
    void viewBuildLog();

    // ---- build ---------------------------------------------------------------
    void buildNeedsAProjectAndASelection();
    void buildResultWithZeroLowBitsIsAFailure();
    void buildPassesTheMakefileAsEightBitText();
    void windowTakesNoCommandWhileBuilding();
    void libraryThatCannotBeLoadedIsReported();
    void buildThroughTheLibrary();
    void libraryIsFoundByItsVersionedName();

    // ---- makefile editor -----------------------------------------------------
    void newNeedsAProject();
    void newAndDoneWriteTheMakefile();
    void newStandsWhereTheEditorWasLastClosed();
    void doubleClickOnAStepFileAddsItOnce();
    void doneWithoutNameOrEntries();
    void stepFilesClickedBeforeNamingAreDropped();
    void createMakeOnAnExistingMakefile();
    void cancelWritesNothing();
    void editorRemoveClearAndDoubleClick();
    void editorDragReorders();
};

// ---- files and list rules ---------------------------------------------------

void BuilderTest::joiningPathsPutsOneSlashBetween() {
    QCOMPARE(pxbuilder::joinPath("/work/line", "main.pre"), QStringLiteral("/work/line/main.pre"));
    QCOMPARE(pxbuilder::joinPath("/work/line/", "main.pre"), QStringLiteral("/work/line/main.pre"));
    QCOMPARE(pxbuilder::joinPath("/", "main.pre"), QStringLiteral("/main.pre"));
}

void BuilderTest::readingAcceptsCrLfAndLfAlone() {
    QTemporaryDir temp;
    const QString file = temp.filePath("list.mak");
    writeBytes(file, "a.pre\r\nb.pre\nc.pre");
    QStringList lines;
    QVERIFY(pxbuilder::readLines(file, lines));
    QCOMPARE(lines, (QStringList{"a.pre", "b.pre", "c.pre"}));

    writeBytes(file, "");
    QVERIFY(pxbuilder::readLines(file, lines));
    QVERIFY(lines.isEmpty());

    QString error;
    QVERIFY(!pxbuilder::readLines(temp.filePath("missing"), lines, &error));
    QVERIFY(!error.isEmpty());
}

void BuilderTest::writingEndsEveryLineWithCrLf() {
    QTemporaryDir temp;
    const QString file = temp.filePath("x.mak");
    QVERIFY(pxbuilder::writeLines(file, {"P", "Q", "R"}));
    QCOMPARE(readBytes(file), QByteArray("P\r\nQ\r\nR\r\n"));
    QVERIFY(!pxbuilder::writeLines(temp.filePath("no/such/folder/x.mak"), {"P"}));
}

void BuilderTest::configurationOfFewerThanSixLinesLeavesTheRestEmpty() {
    QTemporaryDir temp;
    const QString file = temp.filePath("pxconfig.cfg");
    writeBytes(file, "/p/a.prj\r\n/\r\n/p\r\n");
    pxbuilder::BuilderConfig config;
    config.editorMakefile = "stale";
    QVERIFY(pxbuilder::readConfig(file, config));
    QCOMPARE(config.activeProject, QStringLiteral("/p/a.prj"));
    QCOMPARE(config.projectDrive, QStringLiteral("/"));
    QCOMPARE(config.projectDir, QStringLiteral("/p"));
    QVERIFY(config.editorDrive.isEmpty());
    QVERIFY(config.editorDir.isEmpty());
    QVERIFY(config.editorMakefile.isEmpty());
}

void BuilderTest::dragRuleMatchesTheListBox() {
    const QStringList start{"P", "Q", "R", "S"};
    QStringList list = start;
    QVERIFY(pxbuilder::reorderByDrag(list, 0, 2));
    QCOMPARE(list, (QStringList{"Q", "P", "R", "S"}));
    list = start;
    QVERIFY(pxbuilder::reorderByDrag(list, 2, 0));
    QCOMPARE(list, (QStringList{"R", "P", "Q", "S"}));
    list = start;
    QVERIFY(pxbuilder::reorderByDrag(list, 1, 1));
    QCOMPARE(list, start);
    QVERIFY(!pxbuilder::reorderByDrag(list, 4, 0));
    QVERIFY(!pxbuilder::reorderByDrag(list, -1, 0));
    QCOMPARE(list, start);

    list = QStringList{"a", "b", "a", "c"};
    pxbuilder::appendMovingToEnd(list, "a");
    QCOMPARE(list, (QStringList{"b", "a", "c", "a"}));
    pxbuilder::appendMovingToEnd(list, "A");
    QCOMPARE(list, (QStringList{"b", "a", "c", "a", "A"}));
}

void BuilderTest::onlyTheLowSixteenBitsOfTheResultCount() {
    QVERIFY(!pxbuilder::buildSucceeded(0));
    QVERIFY(!pxbuilder::buildSucceeded(0x10000));
    QVERIFY(!pxbuilder::buildSucceeded(static_cast<int32_t>(0xFFFF0000u)));
    QVERIFY(pxbuilder::buildSucceeded(0x10001));
    QVERIFY(pxbuilder::buildSucceeded(0x8000));
    QVERIFY(pxbuilder::buildSucceeded(1282));
}

// ---- start-up -----------------------------------------------------------------

void BuilderTest::firstStartWithoutConfiguration() {
    Session s;
    s.start();
    QCOMPARE(s.dialogs.boxes.size(), 1);
    QCOMPARE(s.dialogs.boxes[0].kind, QStringLiteral("ok"));
    QCOMPARE(s.dialogs.boxes[0].text, noProjectFound);
    QCOMPARE(s.dialogs.boxes[0].title, QStringLiteral("Plexa Project Builder"));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("Plexa Project Builder"));
    QCOMPARE(s.projectList()->count(), 0);
    QVERIFY(s.window->activeProject().isEmpty());
    QCOMPARE(s.window->projectFile(), s.path("pxproj.prj"));
    QCOMPARE(s.window->compileExtension(), QStringLiteral("*.pre"));
    QCOMPARE(s.main<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.main<FileList>("File1")->pattern(), QStringLiteral("*.prj"));
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.editor<FileList>("File1")->pattern(), QStringLiteral("*.pre"));
    QVERIFY(!s.window->editor()->isVisible());
    QCOMPARE(s.window->editor()->windowTitle(), QStringLiteral("Plexa Makefile Editor"));
    QCOMPARE(s.window->editor()->status(), QStringLiteral("Status:"));
    // Nothing is written at start-up.
    QVERIFY(!QFile::exists(s.path("pxconfig.cfg")));
    QVERIFY(!QFile::exists(s.path("pxproj.prj")));
}

void BuilderTest::configurationNamingAMissingProject() {
    Session s;
    writeBytes(s.path("pxconfig.cfg"), crlf({s.path("gone.prj"), "", "", "", "", ""}));
    s.start();
    QCOMPARE(s.dialogs.texts(), QStringList{noProjectFound});
    QVERIFY(s.window->activeProject().isEmpty());
    QCOMPARE(s.window->projectFile(), s.path("gone.prj"));
}

void BuilderTest::configurationRestoresBothWindows() {
    Session s;
    QDir(s.folder).mkpath("proj");
    QDir(s.folder).mkpath("steps");
    writeBytes(s.path("proj/line.prj"), crlf({"/x/one.mak", "/x/two.mak"}));
    writeBytes(s.path("steps/line.mak"), crlf({"/x/a.pre", "/x/b.pre"}));
    DriveList probe;
    const QString drive = probe.driveOf(s.folder);
    writeBytes(s.path("pxconfig.cfg"), crlf({s.path("proj/line.prj"), drive, s.path("proj"), drive,
                                             s.path("steps"), s.path("steps/line.mak")}));
    s.start();
    QVERIFY2(s.dialogs.boxes.isEmpty(), qPrintable(s.dialogs.texts().join('|')));
    QCOMPARE(s.window->activeProject(), s.path("proj/line.prj"));
    QCOMPARE(s.window->projectFile(), s.path("proj/line.prj"));
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/one.mak", "/x/two.mak"}));
    QCOMPARE(s.main<DriveList>("Drv1")->drive(), drive);
    QCOMPARE(s.main<DirectoryList>("Dir1")->path(), s.path("proj"));
    QCOMPARE(s.main<FileList>("File1")->fileNames(), QStringList{"line.prj"});
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.path("steps"));
    QCOMPARE(s.window->editor()->activeMake(), s.path("steps/line.mak"));
    QCOMPARE(s.window->editor()->modules(), (QStringList{"/x/a.pre", "/x/b.pre"}));
}

void BuilderTest::configurationWithPlacesThatAreGone() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/one.mak"}));
    writeBytes(s.path("pxconfig.cfg"),
               crlf({s.path("pxproj.prj"), "/no such volume", s.path("vanished"), "", s.path("gone too")}));
    s.start();
    QCOMPARE(s.dialogs.texts(), (QStringList{"Drive \"/no such volume\" is not available.",
                                             "Directory \"" + s.path("vanished") + "\" does not exist.",
                                             "Directory \"" + s.path("gone too") + "\" does not exist."}));
    // The browsers stay where they were; the project opens as usual.
    QCOMPARE(s.main<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/one.mak"});
    QVERIFY(s.window->editor()->activeMake().isEmpty());
}

// ---- project window -----------------------------------------------------------

void BuilderTest::createProjectNew() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    s.dialogs.inputAnswers = {"alpha"};
    s.press("createProjectButton");
    QCOMPARE(s.dialogs.boxes.size(), 1);
    QCOMPARE(s.dialogs.boxes[0].kind, QStringLiteral("input"));
    QCOMPARE(s.dialogs.boxes[0].text, "Project will be created in: " + s.folder);
    QCOMPARE(s.dialogs.boxes[0].title, QStringLiteral("Create Plexa Project"));
    QCOMPARE(s.dialogs.boxes[0].defaultText, QStringLiteral("pxproj"));
    QCOMPARE(s.window->activeProject(), s.path("alpha.prj"));
    QCOMPARE(s.window->projectFile(), s.path("alpha.prj"));
    QCOMPARE(s.projectList()->count(), 0);
    // Nothing is written until Remove or Done/Exit.
    QVERIFY(!QFile::exists(s.path("alpha.prj")));
}

void BuilderTest::createProjectExistingAnswerYes() {
    Session s;
    writeBytes(s.path("beta.prj"), crlf({"/x/one.mak"}));
    s.start();
    s.dialogs.boxes.clear();
    s.dialogs.inputAnswers = {"beta"};
    s.dialogs.yesNoAnswers = {true};
    s.press("createProjectButton");
    QCOMPARE(s.dialogs.boxes.size(), 2);
    QCOMPARE(s.dialogs.boxes[1].kind, QStringLiteral("yesno"));
    QCOMPARE(s.dialogs.boxes[1].text, QStringLiteral("Project exists, delete it?"));
    QCOMPARE(s.dialogs.boxes[1].title, QStringLiteral("PXBuilder"));
    QVERIFY(!QFile::exists(s.path("beta.prj")));
    QCOMPARE(s.projectList()->count(), 0);
    QCOMPARE(s.window->activeProject(), s.path("beta.prj"));
}

void BuilderTest::createProjectExistingAnswerNo() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/old.mak"}));
    writeBytes(s.path("beta.prj"), crlf({"/x/one.mak", "/x/two.mak"}));
    s.start();
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/old.mak"});
    s.dialogs.inputAnswers = {"beta"};
    s.dialogs.yesNoAnswers = {false};
    s.press("createProjectButton");
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/one.mak", "/x/two.mak"}));
    QCOMPARE(s.window->projectFile(), s.path("beta.prj"));
    QCOMPARE(readBytes(s.path("beta.prj")), crlf({"/x/one.mak", "/x/two.mak"}));
}

void BuilderTest::createProjectNameAlreadyEndingInPrj() {
    Session s;
    s.start();
    s.dialogs.inputAnswers = {"gamma.prj"};
    s.press("createProjectButton");
    QCOMPARE(s.window->activeProject(), s.path("gamma.prj.prj"));
}

void BuilderTest::createProjectCancelled() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/one.mak"}));
    s.start();
    s.press("createProjectButton");  // no answer queued: the box is cancelled
    QCOMPARE(s.window->activeProject(), s.path("pxproj.prj"));
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/one.mak"});
}

void BuilderTest::addExistingNeedsAProject() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    s.press("addMake");
    QCOMPARE(s.dialogs.texts(), QStringList{"You must create a project first."});
    QCOMPARE(s.dialogs.boxes[0].title, QStringLiteral("PXBuilder"));
    QVERIFY(s.window->browser() == nullptr);
}

void BuilderTest::addExistingAppendsTheClickedMakefile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/one.mak"}));
    writeBytes(s.path("b.mak"), "");
    writeBytes(s.path("a.MAK"), "");
    writeBytes(s.path("main.pre"), "");
    s.start();
    s.press("addMake");
    MakefileBrowser* browser = s.window->browser();
    QVERIFY(browser && browser->isVisible());
    QCOMPARE(browser->windowTitle(), QStringLiteral("Select Makefile"));
    QCOMPARE(s.browser<QLabel>("Status")->text(),
             QStringLiteral("Status:  Select Makefile (.mak) to add to Project list."));
    QCOMPARE(s.browser<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.browser<FileList>("File1")->fileNames(), (QStringList{"a.MAK", "b.mak"}));
    QVERIFY(s.browser<QLineEdit>("activeMake")->text().isEmpty());

    clickFile(s.browser<FileList>("File1"), "b.mak");
    QCOMPARE(s.browser<QLineEdit>("activeMake")->text(), s.path("b.mak"));
    s.browser<QPushButton>("okayMakefile")->click();
    QVERIFY(!browser->isVisible());
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/one.mak", s.path("b.mak")}));
    // The project file is written only by Remove and Done/Exit.
    QCOMPARE(readBytes(s.path("pxproj.prj")), crlf({"/x/one.mak"}));
}

void BuilderTest::addExistingMovesAListedMakefileToTheEnd() {
    Session s;
    writeBytes(s.path("a.mak"), "");
    writeBytes(s.path("pxproj.prj"), crlf({s.path("a.mak"), "/x/b.mak", "/x/c.mak"}));
    s.start();
    s.press("addMake");
    clickFile(s.browser<FileList>("File1"), "a.mak");
    s.browser<QPushButton>("okayMakefile")->click();
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", "/x/c.mak", s.path("a.mak")}));
}

void BuilderTest::addExistingWithNothingSelectedAndCancel() {
    Session s;
    writeBytes(s.path("a.mak"), "");
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    s.press("addMake");
    clickFile(s.browser<FileList>("File1"), "a.mak");
    s.browser<QPushButton>("cancelMakefile")->click();
    QVERIFY(!s.window->browser()->isVisible());
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/b.mak"});

    // Opening again clears the field; Okay then adds an empty entry.
    s.press("addMake");
    QVERIFY(s.browser<QLineEdit>("activeMake")->text().isEmpty());
    s.browser<QPushButton>("okayMakefile")->click();
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", ""}));
}

void BuilderTest::addExistingByDoubleClick() {
    Session s;
    writeBytes(s.path("a.mak"), "");
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    s.press("addMake");
    doubleClickRow(s.browser<FileList>("File1"), 0);
    QVERIFY(!s.window->browser()->isVisible());
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", s.path("a.mak")}));
}

void BuilderTest::removeNeedsASelection() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    s.press("deleteMakeButton");
    QCOMPARE(s.dialogs.texts(), QStringList{"You must select a Makefile to delete."});
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/b.mak"});
}

void BuilderTest::removeRewritesTheProjectFile() {
    Session s;
    writeBytes(s.path("a.mak"), "kept");
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak", s.path("a.mak"), "/x/c.mak"}));
    s.start();
    clickRow(s.projectList(), 1);
    s.press("deleteMakeButton");
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", "/x/c.mak"}));
    QCOMPARE(readBytes(s.path("pxproj.prj")), crlf({"/x/b.mak", "/x/c.mak"}));
    QCOMPARE(readBytes(s.path("a.mak")), QByteArray("kept"));
    QCOMPARE(selectedRow(s.projectList()), -1);
}

void BuilderTest::removeOfTheLastEntryDeletesTheProjectFile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    clickRow(s.projectList(), 0);
    s.press("deleteMakeButton");
    QCOMPARE(s.projectList()->count(), 0);
    QVERIFY(!QFile::exists(s.path("pxproj.prj")));
    QVERIFY(s.window->activeProject().isEmpty());
    s.press("createMakeButton");
    s.press("addMake");
    QCOMPARE(s.dialogs.texts(),
             (QStringList{"You must create a project first.", "You must create a project first."}));
}

void BuilderTest::dragZeroOntoTwo() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"P", "Q", "R", "S"}));
    s.start();
    dragRow(s.projectList(), 0, 2);
    QCOMPARE(s.window->dragIndex(), qint16(0));
    QCOMPARE(s.window->dropIndex(), qint16(2));
    QCOMPARE(s.window->projectEntries(), (QStringList{"Q", "P", "R", "S"}));
    QCOMPARE(selectedRow(s.projectList()), 0);
    QCOMPARE(readBytes(s.path("pxproj.prj")), crlf({"P", "Q", "R", "S"}));
}

void BuilderTest::dragTwoOntoZero() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"P", "Q", "R", "S"}));
    s.start();
    dragRow(s.projectList(), 2, 0);
    QCOMPARE(s.window->projectEntries(), (QStringList{"R", "P", "Q", "S"}));
    QCOMPARE(selectedRow(s.projectList()), 2);
}

void BuilderTest::plainClickLeavesTheListAlone() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"P", "Q", "R", "S"}));
    s.start();
    clickRow(s.projectList(), 3);
    QCOMPARE(s.window->projectEntries(), (QStringList{"P", "Q", "R", "S"}));
    QCOMPARE(selectedRow(s.projectList()), 3);
}

void BuilderTest::doubleClickOpensTheEditorOnTheEntry() {
    Session s;
    QDir(s.folder).mkpath("line");
    writeBytes(s.path("line/a.mak"), "/x/m.pre\r\n/x/n.pre\n");
    writeBytes(s.path("line/m.pre"), "");
    writeBytes(s.path("pxproj.prj"), crlf({s.path("line/a.mak"), "/x/b.mak"}));
    s.start();
    doubleClickRow(s.projectList(), 0);
    frmDrv* editor = s.window->editor();
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->activeMake(), s.path("line/a.mak"));
    QCOMPARE(editor->modules(), (QStringList{"/x/m.pre", "/x/n.pre"}));
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.path("line"));
    QCOMPARE(s.editor<FileList>("File1")->fileNames(), QStringList{"m.pre"});
    QCOMPARE(editor->status(), QStringLiteral("Status:  Add PreCompile Files (.pre) as required to Makefile"));
    QCOMPARE(s.window->projectEntries(), (QStringList{s.path("line/a.mak"), "/x/b.mak"}));

    // Done moves the edited makefile to the end of the project, once.
    s.pressEditor("saveMakeButton");
    QVERIFY(!editor->isVisible());
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", s.path("line/a.mak")}));
    QCOMPARE(readBytes(s.path("line/a.mak")), QByteArray("/x/m.pre\r\n/x/n.pre\r\n"));
}

void BuilderTest::doubleClickOnAMissingMakefile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({s.path("gone.mak")}));
    s.start();
    doubleClickRow(s.projectList(), 0);
    QCOMPARE(s.dialogs.texts(), QStringList{"Makefile \"" + s.path("gone.mak") + "\" does not exist."});
    QVERIFY(!s.window->editor()->isVisible());
    QCOMPARE(s.window->projectEntries(), QStringList{s.path("gone.mak")});
}

void BuilderTest::projectFileClickSetsTheActiveProjectOnly() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("other.prj"), crlf({"/x/other.mak"}));
    s.start();
    clickFile(s.main<FileList>("File1"), "other.prj");
    QCOMPARE(s.window->activeProject(), s.path("other.prj"));
    QCOMPARE(s.window->projectFile(), s.path("pxproj.prj"));
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/b.mak"});
}

void BuilderTest::doneExitWritesSixConfigurationLines() {
    Session s;
    QDir(s.folder).mkpath("steps");
    writeBytes(s.path("steps/a.mak"), crlf({"/x/a.pre"}));
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak", s.path("steps/a.mak")}));
    s.start();
    dragRow(s.projectList(), 1, 0);
    doubleClickRow(s.projectList(), 0);  // the editor now stands in steps/
    QCOMPARE(s.window->editor()->activeMake(), s.path("steps/a.mak"));
    QSignalSpy exits(s.window.get(), &projBuilder::exitRequested);
    s.dialogs.boxes.clear();
    s.press("doneButton");
    QVERIFY2(s.dialogs.boxes.isEmpty(), qPrintable(s.dialogs.texts().join('|')));
    QCOMPARE(exits.count(), 1);
    QVERIFY(!s.window->isVisible());
    QVERIFY(!s.window->editor()->isVisible());
    const QString drive = s.main<DriveList>("Drv1")->drive();
    QCOMPARE(readBytes(s.path("pxconfig.cfg")),
             crlf({s.path("pxproj.prj"), drive, s.folder, s.editor<DriveList>("Drv1")->drive(), s.path("steps"),
                   s.path("steps/a.mak")}));
    QCOMPARE(readBytes(s.path("pxproj.prj")), crlf({s.path("steps/a.mak"), "/x/b.mak"}));
}

void BuilderTest::doneExitWithAnEmptyListLeavesTheProjectFile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), "");
    s.start();
    QCOMPARE(s.window->activeProject(), s.path("pxproj.prj"));
    QCOMPARE(s.projectList()->count(), 0);
    s.press("doneButton");
    QVERIFY(QFile::exists(s.path("pxproj.prj")));
    QCOMPARE(readBytes(s.path("pxproj.prj")), QByteArray());

    // A new project with no entries never comes into being, but the next
    // start looks for it.
    Session t;
    t.start();
    t.dialogs.inputAnswers = {"fresh"};
    t.press("createProjectButton");
    t.press("doneButton");
    QVERIFY(!QFile::exists(t.path("fresh.prj")));
    QVERIFY(readBytes(t.path("pxconfig.cfg")).startsWith((t.path("fresh.prj") + "\r\n").toLocal8Bit()));
}

void BuilderTest::doneExitThatCannotSaveStaysOpen() {
    Session s;
    s.start();
    s.dialogs.inputAnswers = {"lost"};
    s.press("createProjectButton");
    s.press("addMake");
    s.browser<QPushButton>("okayMakefile")->click();
    QVERIFY(QDir(s.folder).removeRecursively());
    QSignalSpy exits(s.window.get(), &projBuilder::exitRequested);
    s.dialogs.boxes.clear();
    s.press("doneButton");
    QCOMPARE(exits.count(), 0);
    QVERIFY(s.window->isVisible());
    QCOMPARE(s.dialogs.boxes.size(), 1);
    QVERIFY(s.dialogs.lastText().startsWith("Unable to write \"" + s.path("pxconfig.cfg") + "\""));
}

void BuilderTest::helpAboutAndManual() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    QMenu* help = s.window->findChild<QMenu*>("mnuHelp");
    QVERIFY(help);
    QCOMPARE(help->title(), QStringLiteral("&Help"));
    QAction* about = s.window->findChild<QAction*>("mnuHelpAbout");
    QAction* manual = s.window->findChild<QAction*>("mnuHelpManual");
    QCOMPARE(about->text(), QStringLiteral("&About"));
    QCOMPARE(manual->text(), QStringLiteral("&Manual"));
    about->trigger();
    QCOMPARE(s.dialogs.boxes.size(), 1);
    QCOMPARE(s.dialogs.boxes[0].kind, QStringLiteral("info"));
    QCOMPARE(s.dialogs.boxes[0].text, QStringLiteral("Plexa Project Builder v1.1 - April 18, 2003"));
    QCOMPARE(s.dialogs.boxes[0].title, QStringLiteral("About Plexa Project Builder v1.1"));
    manual->trigger();
    QCOMPARE(s.launcher.documents, QStringList{s.path("PXBuilder.htm")});
}

void BuilderTest::viewBuildLog() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    s.press("cmdLaunch");
    QCOMPARE(s.dialogs.texts(), QStringList{"No build log exists."});
    QVERIFY(s.launcher.edited.isEmpty());
    writeBytes(s.path("pxlinker.log"), "log");
    s.press("cmdLaunch");
    QCOMPARE(s.launcher.edited, QStringList{s.path("pxlinker.log")});
    QCOMPARE(s.dialogs.boxes.size(), 1);
}

// ---- build -----------------------------------------------------------------------

void BuilderTest::buildNeedsAProjectAndASelection() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    s.press("buildButton");
    s.dialogs.inputAnswers = {"fresh"};
    s.press("createProjectButton");
    s.press("buildButton");
    QCOMPARE(s.dialogs.okTexts(), (QStringList{"You must create a project first.", "You must select a Makefile to build with."}));
    QCOMPARE(s.fake.binds.load(), 0);
}

void BuilderTest::buildResultWithZeroLowBitsIsAFailure() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("pxlinker.log"), "old log");
    s.start();
    s.fake.result = 0x10000;
    clickRow(s.projectList(), 0);
    QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
    s.press("buildButton");
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().first().toInt(), 0x10000);
    QCOMPARE(s.dialogs.texts(), QStringList{"Build failed, reference log for errors."});
    QCOMPARE(s.launcher.edited, QStringList{s.path("pxlinker.log")});

    // A result whose low half is set counts as a success, even if "negative".
    s.fake.result = 0x18000;
    s.press("buildButton");
    QVERIFY(finished.wait(10000));
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("Build successful, .DSO file generated."));
}

void BuilderTest::buildPassesTheMakefileAsEightBitText() {
    Session s;
    const QString makefile = s.path("line with blanks & $(shell) é.mak");
    writeBytes(s.path("pxproj.prj"), crlf({makefile}));
    s.start();
    clickRow(s.projectList(), 0);
    QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
    s.press("buildButton");
    QVERIFY(finished.wait(10000));
    QCOMPARE(s.fake.arguments, QList<QByteArray>{makefile.toLocal8Bit()});
    // No log in the program folder: the box says so instead of opening one.
    QCOMPARE(s.dialogs.texts(), (QStringList{"Build successful, .DSO file generated.", "No build log exists."}));
    QCOMPARE(s.window->projectEntries(), QStringList{makefile});
}

void BuilderTest::windowTakesNoCommandWhileBuilding() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    s.fake.hold = true;
    clickRow(s.projectList(), 0);
    QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
    s.press("buildButton");
    QVERIFY(s.fake.started.tryAcquire(1, 10000));
    QVERIFY(s.window->isBuilding());
    QVERIFY(!s.main<QPushButton>("buildButton")->isEnabled());
    QVERIFY(!s.main<QPushButton>("doneButton")->isEnabled());
    QVERIFY(!s.window->menuBar()->isEnabled());
    QVERIFY(!s.window->editor()->isEnabled());
    QVERIFY(QApplication::overrideCursor() != nullptr);
    QVERIFY(s.window->statusBar()->currentMessage().contains("/x/b.mak"));
    // The window still paints and answers events, but ignores commands.
    s.press("buildButton");
    s.press("doneButton");
    QVERIFY(!s.window->close());
    QTest::qWait(50);
    QCOMPARE(s.fake.arguments.size(), 1);
    QVERIFY(s.dialogs.boxes.isEmpty());

    s.fake.release.release();
    QVERIFY(finished.wait(10000));
    QVERIFY(!s.window->isBuilding());
    QVERIFY(s.main<QPushButton>("buildButton")->isEnabled());
    QVERIFY(s.window->editor()->isEnabled());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(s.window->statusBar()->currentMessage().isEmpty());
}

void BuilderTest::libraryThatCannotBeLoadedIsReported() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    pxbuilder::CompilerLibrary library(s.folder);
    s.start(&library);
    clickRow(s.projectList(), 0);
    s.press("buildButton");
    QCOMPARE(s.dialogs.boxes.size(), 1);
    QVERIFY(s.dialogs.lastText().startsWith("Unable to load the compiler library \"pxcompiler\": "));
    QVERIFY(!s.window->isBuilding());
    QVERIFY(s.main<QPushButton>("buildButton")->isEnabled());
    // The window goes on: other commands still work.
    s.press("cmdLaunch");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("No build log exists."));
}

// The whole path: the real library, loaded from the program folder, builds
// a one-file makefile and writes its log where the window looks for it.
void BuilderTest::buildThroughTheLibrary() {
    Session s;
    const QFileInfo library(QStringLiteral(PX_LIBRARY_PATH));
    QVERIFY2(library.exists(), PX_LIBRARY_PATH);
    QVERIFY(QFile::link(library.absoluteFilePath(), s.path("libpxcompiler.so")));
    writeBytes(s.path("conveyor.pre"),
               "[1]\n---\n<NO CHANGE IN DIGITAL OUTPUTS>\n---\ngoto next\n[2]\n---\n---\ngoto [1]\n");
    writeBytes(s.path("conveyor.fig"), "controller_model K410\n");
    writeBytes(s.path("conveyor.mak"), crlf({"conveyor.pre"}));
    writeBytes(s.path("pxproj.prj"), crlf({s.path("conveyor.mak")}));

    // As the program does at start-up: the program folder is the working
    // directory, so the log and the relative step-file name meet there.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(s.folder));
    pxbuilder::CompilerLibrary compiler(s.folder);
    s.start(&compiler);
    clickRow(s.projectList(), 0);
    QSignalSpy finished(s.window.get(), &projBuilder::buildFinished);
    s.press("buildButton");
    const bool ended = finished.wait(120000);
    QDir::setCurrent(previous);
    QVERIFY(ended);
    QVERIFY2(compiler.loadedFrom().startsWith(s.folder + "/"), qPrintable(compiler.loadedFrom()));
    const QByteArray log = readBytes(s.path("pxlinker.log"));
    QVERIFY2(s.dialogs.texts() == QStringList{"Build successful, .DSO file generated."},
             qPrintable(s.dialogs.texts().join('|') + "\n" + QString::fromLocal8Bit(log)));
    QVERIFY(finished.first().first().toInt() != 0);
    QCOMPARE(s.launcher.edited, QStringList{s.path("pxlinker.log")});
    QVERIFY(QFile::exists(s.path("conveyor.dso")));
    QVERIFY(log.startsWith("PXBuilder V1.0, April 14, 2003"));
}

// An installation that carries only the versioned file still binds.
void BuilderTest::libraryIsFoundByItsVersionedName() {
    QTemporaryDir temp;
    const QString folder = QDir::cleanPath(temp.path());
    QVERIFY(QFile::link(QFileInfo(QStringLiteral(PX_LIBRARY_PATH)).absoluteFilePath(),
                        folder + "/libpxcompiler.so.2"));
    pxbuilder::CompilerLibrary compiler(folder);
    QString error;
    QVERIFY2(compiler.bind(&error), qPrintable(error));
    QCOMPARE(compiler.loadedFrom(), folder + "/libpxcompiler.so.2");
    QVERIFY(compiler.bind(&error));
}

// ---- makefile editor ------------------------------------------------------------

void BuilderTest::newNeedsAProject() {
    Session s;
    s.start();
    s.dialogs.boxes.clear();
    s.press("createMakeButton");
    QCOMPARE(s.dialogs.texts(), QStringList{"You must create a project first."});
    QVERIFY(!s.window->editor()->isVisible());
}

void BuilderTest::newAndDoneWriteTheMakefile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("main.pre"), "");
    writeBytes(s.path("FEED.PRE"), "");
    writeBytes(s.path("notes.txt"), "");
    s.start();
    s.press("createMakeButton");
    frmDrv* editor = s.window->editor();
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->status(), QStringLiteral("Status:  Select directory, then 'Create Makefile'"));
    QVERIFY(editor->activeMake().isEmpty());
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.folder);
    QCOMPARE(s.editor<FileList>("File1")->fileNames(), (QStringList{"FEED.PRE", "main.pre"}));

    s.dialogs.inputAnswers = {"line"};
    s.pressEditor("createMakeButton");
    QCOMPARE(s.dialogs.boxes.last().text, "Makefile will be created in: " + s.folder);
    QCOMPARE(s.dialogs.boxes.last().title, QStringLiteral("Create Plexa Makefile"));
    QCOMPARE(s.dialogs.boxes.last().defaultText, QStringLiteral("pxmake"));
    QCOMPARE(editor->activeMake(), s.path("line.mak"));
    QCOMPARE(editor->status(), QStringLiteral("Status:  Add PreCompile Files (.pre) as required to Makefile"));

    FileList* files = s.editor<FileList>("File1");
    clickFile(files, "main.pre");
    clickFile(files, "FEED.PRE");
    clickFile(files, "main.pre");
    QCOMPARE(editor->modules(), (QStringList{s.path("main.pre"), s.path("FEED.PRE"), s.path("main.pre")}));

    s.pressEditor("saveMakeButton");
    QCOMPARE(readBytes(s.path("line.mak")), crlf({s.path("main.pre"), s.path("FEED.PRE"), s.path("main.pre")}));
    QVERIFY(!editor->isVisible());
    QVERIFY(editor->activeMake().isEmpty());
    QVERIFY(editor->modules().isEmpty());
    QCOMPARE(s.window->projectEntries(), (QStringList{"/x/b.mak", s.path("line.mak")}));
    QCOMPARE(s.window->lastPathMake(), s.folder);
    QCOMPARE(s.window->lastDriveMake(), s.editor<DriveList>("Drv1")->drive());
    QCOMPARE(readBytes(s.path("pxproj.prj")), crlf({"/x/b.mak"}));
}

void BuilderTest::newStandsWhereTheEditorWasLastClosed() {
    Session s;
    QDir(s.folder).mkpath("steps");
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    s.start();
    s.press("createMakeButton");
    QVERIFY(s.editor<DirectoryList>("Dir1")->setPath(s.path("steps")));
    s.pressEditor("cancelMake");
    QCOMPARE(s.window->lastPathMake(), s.path("steps"));
    QVERIFY(s.editor<DirectoryList>("Dir1")->setPath(s.folder));
    s.press("createMakeButton");
    QCOMPARE(s.editor<DirectoryList>("Dir1")->path(), s.path("steps"));
}

void BuilderTest::doubleClickOnAStepFileAddsItOnce() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("main.pre"), "");
    s.start();
    s.press("createMakeButton");
    doubleClickRow(s.editor<FileList>("File1"), 0);
    QCOMPARE(s.window->editor()->modules(), QStringList{s.path("main.pre")});
}

void BuilderTest::doneWithoutNameOrEntries() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("main.pre"), "");
    s.start();
    s.dialogs.boxes.clear();
    s.press("createMakeButton");
    clickFile(s.editor<FileList>("File1"), "main.pre");
    s.pressEditor("saveMakeButton");
    QCOMPARE(s.dialogs.lastText(),
             QStringLiteral("No Makefile name specified, select Cancel to abort or add a Makefile name."));
    QVERIFY(s.window->editor()->isVisible());

    s.dialogs.inputAnswers = {"empty"};
    s.pressEditor("createMakeButton");
    s.pressEditor("saveMakeButton");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("Makefile name required for creation or no entries."));
    QVERIFY(!QFile::exists(s.path("empty.mak")));
    QVERIFY(s.window->editor()->isVisible());
    QCOMPARE(s.window->projectEntries(), QStringList{"/x/b.mak"});
}

void BuilderTest::stepFilesClickedBeforeNamingAreDropped() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("main.pre"), "");
    s.start();
    s.press("createMakeButton");
    clickFile(s.editor<FileList>("File1"), "main.pre");
    QCOMPARE(s.window->editor()->modules().size(), 1);
    s.dialogs.inputAnswers = {"line"};
    s.pressEditor("createMakeButton");
    QVERIFY(s.window->editor()->modules().isEmpty());
}

void BuilderTest::createMakeOnAnExistingMakefile() {
    Session s;
    writeBytes(s.path("pxproj.prj"), crlf({"/x/b.mak"}));
    writeBytes(s.path("old.mak"), crlf({"/x/p.pre", "/x/q.pre"}));
    s.start();
    s.press("createMakeButton");
    s.dialogs.inputAnswers = {"old"};
    s.dialogs.yesNoAnswers = {false};
    s.pressEditor("createMakeButton");
    QCOMPARE(s.dialogs.boxes.last().text, QStringLiteral("Makefile exists, delete it?"));
    QCOMPARE(s.dialogs.boxes.last().kind, QStringLiteral("yesno"));
    QCOMPARE(s.window->editor()->modules(), (QStringList{"/x/p.pre", "/x/q.pre"}));
    QVERIFY(QFile::exists(s.path("old.mak")));

    s.dialogs.inputAnswers = {"old"};
    s.dialogs.yesNoAnswers = {true};
    s.pressEditor("createMakeButton");
    QVERIFY(s.window->editor()->modules().isEmpty());
    QVERIFY(!QFile::exists(s.path("old.mak")));
    s.pressEditor("cancelMake");
    QVERIFY(!QFile::exists(s.path("old.mak")));
}

void BuilderTest::cancelWritesNothing() {
    Session s;
    writeBytes(s.path("a.mak"), crlf({"/x/p.pre"}));
    writeBytes(s.path("main.pre"), "");
    writeBytes(s.path("pxproj.prj"), crlf({s.path("a.mak"), "/x/b.mak"}));
    s.start();
    doubleClickRow(s.projectList(), 0);
    clickFile(s.editor<FileList>("File1"), "main.pre");
    s.pressEditor("cancelMake");
    QVERIFY(!s.window->editor()->isVisible());
    QVERIFY(s.window->editor()->modules().isEmpty());
    QCOMPARE(s.window->editor()->activeMake(), s.path("a.mak"));
    QCOMPARE(readBytes(s.path("a.mak")), crlf({"/x/p.pre"}));
    QCOMPARE(s.window->projectEntries(), (QStringList{s.path("a.mak"), "/x/b.mak"}));
    QCOMPARE(s.window->lastPathMake(), s.folder);

    // Opening the same entry again loads it afresh.
    doubleClickRow(s.projectList(), 0);
    QCOMPARE(s.window->editor()->modules(), QStringList{"/x/p.pre"});
}

void BuilderTest::editorRemoveClearAndDoubleClick() {
    Session s;
    writeBytes(s.path("a.mak"), crlf({"P", "Q", "R", "S"}));
    writeBytes(s.path("pxproj.prj"), crlf({s.path("a.mak")}));
    s.start();
    doubleClickRow(s.projectList(), 0);
    s.dialogs.boxes.clear();
    s.pressEditor("deleteModule");
    QCOMPARE(s.dialogs.texts(), QStringList{"You must select a PreCompile (.PRE) to delete."});

    clickRow(s.moduleList(), 1);
    s.pressEditor("deleteModule");
    QCOMPARE(s.window->editor()->modules(), (QStringList{"P", "R", "S"}));

    doubleClickRow(s.moduleList(), 2);
    QCOMPARE(s.window->editor()->modules(), (QStringList{"P", "R"}));
    doubleClickRow(s.moduleList(), 0);
    QCOMPARE(s.window->editor()->modules(), QStringList{"R"});

    s.pressEditor("clearModules");
    QVERIFY(s.window->editor()->modules().isEmpty());
    // Only Done writes.
    QCOMPARE(readBytes(s.path("a.mak")), crlf({"P", "Q", "R", "S"}));
}

void BuilderTest::editorDragReorders() {
    Session s;
    writeBytes(s.path("a.mak"), crlf({"P", "Q", "R", "S"}));
    writeBytes(s.path("pxproj.prj"), crlf({s.path("a.mak")}));
    s.start();
    doubleClickRow(s.projectList(), 0);
    dragRow(s.moduleList(), 0, 2);
    QCOMPARE(s.window->editor()->modules(), (QStringList{"Q", "P", "R", "S"}));
    QCOMPARE(selectedRow(s.moduleList()), 0);
    dragRow(s.moduleList(), 3, 1);
    QCOMPARE(s.window->editor()->modules(), (QStringList{"Q", "S", "P", "R"}));
    QCOMPARE(selectedRow(s.moduleList()), 3);
    s.pressEditor("saveMakeButton");
    QCOMPARE(readBytes(s.path("a.mak")), crlf({"Q", "S", "P", "R"}));
}

QTEST_MAIN(BuilderTest)
#include "builder_test.moc"
