#include "projBuilder.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "MakefileBrowser.h"
#include "browser_controls.h"
#include "compiler_call.h"
#include "dialogs.h"
#include "frmBuildLog.h"
#include "frmDrv.h"
#include "frmGraph.h"
#include "launcher.h"
#include "list_rules.h"
#include "project_files.h"

using namespace pxbuilder;

namespace {
const QString windowTitleText = QStringLiteral("Plexa Project Builder");
const QString needProject = QStringLiteral("You must create a project first.");
}  // namespace

projBuilder::projBuilder(const Services& services, QWidget* parent)
    : QMainWindow(parent), services_(services) {
    setObjectName(QStringLiteral("projBuilder"));
    setWindowTitle(windowTitleText);
    buildControls();

    // The editor exists from the start, hidden: start-up restores its controls.
    editor_ = new frmDrv(services_, this);
    connect(editor_, &frmDrv::makefileSaved, this, &projBuilder::addToProject);
    connect(editor_, &frmDrv::closedAt, this, &projBuilder::editorClosed);
}

projBuilder::~projBuilder() {
    // The library's build cannot be stopped; let it end before the window
    // goes. Its report, posted to the window, goes with the window.
    if (buildThread_.joinable())
        buildThread_.join();
    if (building_)
        QApplication::restoreOverrideCursor();
}

void projBuilder::buildControls() {
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* about = help->addAction(QStringLiteral("&About"));
    about->setObjectName(QStringLiteral("mnuHelpAbout"));
    QAction* manual = help->addAction(QStringLiteral("&Manual"));
    manual->setObjectName(QStringLiteral("mnuHelpManual"));

    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* projectLabel = new QLabel(QStringLiteral("Active Project:"), central);
    activeProject_ = new QLineEdit(central);
    activeProject_->setObjectName(QStringLiteral("activeProject"));
    activeProject_->setReadOnly(true);
    auto* listLabel = new QLabel(QStringLiteral("Project Makefiles"), central);
    projectList_ = new ReorderList(central);
    projectList_->setObjectName(QStringLiteral("projectList"));
    auto* hint = new QLabel(QStringLiteral("- Drag list item to move up/down list - Double click to edit"), central);

    auto button = [central](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), central);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    QPushButton* createProjectButton = button("createProjectButton", "Create Project");
    QPushButton* addMake = button("addMake", "&Add Existing");
    QPushButton* createMakeButton = button("createMakeButton", "&New");
    QPushButton* deleteMakeButton = button("deleteMakeButton", "&Remove");
    buildButton_ = button("buildButton", "&Build");
    QPushButton* cmdLaunch = button("cmdLaunch", "&View Build Log");
    QPushButton* graphButton = button("graphButton", "Step &Graph");
    QPushButton* doneButton = button("doneButton", "Done/&Exit");

    files_ = FileBrowser::create(central, this);

    auto* active = new QHBoxLayout;
    active->addWidget(projectLabel);
    active->addWidget(activeProject_, 1);

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b :
         {createProjectButton, addMake, createMakeButton, deleteMakeButton, buildButton_, cmdLaunch, graphButton})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(doneButton);

    auto* project = new QGridLayout;
    project->addWidget(listLabel, 0, 0);
    project->addWidget(projectList_, 1, 0);
    project->addWidget(hint, 2, 0);
    project->addLayout(buttons, 1, 1, 2, 1);
    project->setColumnStretch(0, 1);

    auto* left = new QVBoxLayout;
    left->addLayout(active);
    left->addLayout(project, 1);

    auto* browse = new QVBoxLayout;
    browse->addWidget(files_->drive());
    browse->addWidget(files_->directory(), 1);
    browse->addWidget(files_->files(), 1);

    auto* layout = new QHBoxLayout(central);
    layout->addLayout(left, 3);
    layout->addLayout(browse, 2);
    resize(860, 460);

    files_->goTo(services_.programFolder, nullptr);

    connect(about, &QAction::triggered, this, &projBuilder::helpAbout);
    connect(manual, &QAction::triggered, this, &projBuilder::helpManual);
    connect(createProjectButton, &QPushButton::clicked, this, &projBuilder::createProject);
    connect(addMake, &QPushButton::clicked, this, &projBuilder::addExisting);
    connect(createMakeButton, &QPushButton::clicked, this, &projBuilder::newMakefile);
    connect(deleteMakeButton, &QPushButton::clicked, this, &projBuilder::removeMakefile);
    connect(buildButton_, &QPushButton::clicked, this, &projBuilder::build);
    connect(cmdLaunch, &QPushButton::clicked, this, &projBuilder::viewBuildLog);
    connect(graphButton, &QPushButton::clicked, this, &projBuilder::showStepGraph);
    connect(doneButton, &QPushButton::clicked, this, &projBuilder::doneExit);
    connect(projectList_, &ReorderList::pressedRow, this, &projBuilder::listPressed);
    connect(projectList_, &ReorderList::releasedRow, this, &projBuilder::listReleased);
    connect(projectList_, &ReorderList::doubleClickedRow, this, &projBuilder::editEntry);
    connect(files_->files(), &FileList::fileClicked, this, &projBuilder::projectFileClicked);
}

QStringList projBuilder::projectEntries() const {
    return projectList_->entries();
}

QString projBuilder::activeProject() const {
    return activeProject_->text();
}

QString projBuilder::programPath(const char* name) const {
    return joinPath(services_.programFolder, QString::fromLatin1(name));
}

void projBuilder::message(const QString& text, const QString& title) {
    services_.dialogs->message(this, text, title.isEmpty() ? programTitle : title);
}

// Restores one window's browser from the configuration; an empty line means
// nothing was stored, a place that is gone is reported and skipped.
static void restorePlace(Dialogs& dialogs, QWidget* parent, FileBrowser* browser, const QString& drive,
                         const QString& directory) {
    QString error;
    if (!drive.isEmpty() && !browser->setDrive(drive, &error))
        dialogs.message(parent, error, programTitle);
    if (!directory.isEmpty() && !browser->setDirectory(directory, &error))
        dialogs.message(parent, error, programTitle);
}

void projBuilder::startUp() {
    projectList_->clear();
    compileExtension_ = QStringLiteral("*.pre");

    const QString configPath = joinPath(services_.configDir(), QString::fromLatin1(configFileName));
    bool configured = false;
    if (fileExists(configPath)) {
        BuilderConfig config;
        QString error;
        if (readConfig(configPath, config, &error)) {
            configured = true;
            activeProject_->setText(config.activeProject);
            restorePlace(*services_.dialogs, this, files_, config.projectDrive, config.projectDir);
            restorePlace(*services_.dialogs, this, editor_->fileBrowser(), config.editorDrive, config.editorDir);
            editor_->setActiveMake(config.editorMakefile);
            projectFile_ = activeProject_->text();
        } else {
            message(QStringLiteral("Unable to read \"%1\": %2").arg(configPath, error));
        }
    }
    if (!configured) {
        activeProject_->clear();
        projectFile_ = programPath(defaultProjectName);
        files_->goTo(services_.programFolder, nullptr);
        editor_->fileBrowser()->goTo(services_.programFolder, nullptr);
    }

    files_->files()->setPattern(QStringLiteral("*.prj"));
    editor_->setPattern(compileExtension_);

    if (fileExists(projectFile_)) {
        activeProject_->setText(projectFile_);
        if (!loadProjectInto(projectFile_))
            activeProject_->clear();
    } else {
        activeProject_->clear();
        message(QStringLiteral("No project file found.  Please locate or create a new one."), windowTitleText);
    }
}

bool projBuilder::loadProjectInto(const QString& path) {
    QStringList lines;
    QString error;
    if (!readLines(path, lines, &error)) {
        message(QStringLiteral("Unable to read \"%1\": %2").arg(path, error));
        return false;
    }
    projectList_->appendEntries(lines);
    return true;
}

bool projBuilder::requireProject() {
    if (!activeProject_->text().isEmpty())
        return true;
    message(needProject);
    return false;
}

void projBuilder::createProject() {
    const QString folder = files_->directory()->path();
    const QString answer = services_.dialogs->input(this, QStringLiteral("Project will be created in: ") + folder,
                                                    QStringLiteral("Create Plexa Project"),
                                                    QStringLiteral("pxproj"));
    if (answer.isEmpty())
        return;
    const QString path = joinPath(folder, answer + QStringLiteral(".prj"));
    activeProject_->setText(path);
    projectFile_ = path;
    projectList_->clear();
    // Nothing is written here: the file appears at Remove or Done/Exit.
    if (fileExists(path)) {
        if (services_.dialogs->askYesNo(this, QStringLiteral("Project exists, delete it?"), programTitle)) {
            QString error;
            if (!deleteFile(path, &error))
                message(QStringLiteral("Unable to delete \"%1\": %2").arg(path, error));
        } else {
            loadProjectInto(path);
        }
    }
}

void projBuilder::addExisting() {
    if (!requireProject())
        return;
    if (!browser_) {
        browser_ = new MakefileBrowser(services_, this);
        connect(browser_, &MakefileBrowser::makefileChosen, this, &projBuilder::addToProject);
    }
    browser_->open();
}

void projBuilder::addToProject(const QString& makefile) {
    QStringList entries = projectList_->entries();
    appendMovingToEnd(entries, makefile);
    projectList_->setEntries(entries);
}

void projBuilder::newMakefile() {
    if (!requireProject())
        return;
    editor_->setPattern(compileExtension_);
    FileBrowser* place = editor_->fileBrowser();
    QString error;
    if (lastPathMake_.isEmpty()) {
        if (!place->goTo(services_.programFolder, &error))
            message(error);
    } else {
        restorePlace(*services_.dialogs, this, place, lastDriveMake_, lastPathMake_);
    }
    editor_->setActiveMake(QString());
    editor_->setStatus(QStringLiteral("Status:  Select directory, then 'Create Makefile'"));
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

void projBuilder::removeMakefile() {
    const int row = projectList_->selectedRow();
    if (row < 0) {
        message(QStringLiteral("You must select a Makefile to delete."));
        return;
    }
    if (projectList_->count() == 0) {
        message(QStringLiteral("There are not Makefile entries to delete."));
        return;
    }
    // Only the entry goes; the makefile stays on disk.
    delete projectList_->takeItem(row);
    projectList_->selectRow(-1);
    saveProject();
}

// The program never leaves an empty project file behind: removing the last
// entry deletes the file and leaves no active project.
bool projBuilder::saveProject() {
    QString error;
    if (projectList_->count() > 0) {
        if (!writeLines(projectFile_, projectList_->entries(), &error)) {
            message(QStringLiteral("Unable to write \"%1\": %2").arg(projectFile_, error));
            return false;
        }
        return true;
    }
    const bool deleted = deleteFile(projectFile_, &error);
    if (!deleted)
        message(QStringLiteral("Unable to delete \"%1\": %2").arg(projectFile_, error));
    activeProject_->clear();
    return deleted;
}

// A double-click edits the entry that its first press landed on.
void projBuilder::editEntry() {
    if (dragIndex_ < 0 || dragIndex_ >= projectList_->count())
        return;
    const QString entry = projectList_->item(dragIndex_)->text();
    if (!fileExists(entry)) {
        message(QStringLiteral("Makefile \"%1\" does not exist.").arg(entry));
        return;
    }
    editor_->setPattern(compileExtension_);
    editor_->setActiveMake(entry);
    editor_->reloadModules();
    QString error;
    if (!editor_->fileBrowser()->goTo(QFileInfo(entry).absolutePath(), &error))
        message(error);
    editor_->setStatus(QStringLiteral("Status:  Add PreCompile Files (.pre) as required to Makefile"));
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
}

void projBuilder::listPressed(int row) {
    dragIndex_ = static_cast<qint16>(row);
}

void projBuilder::listReleased(int row) {
    dropIndex_ = static_cast<qint16>(row);
    if (dropIndex_ == -1)
        return;
    if (dragIndex_ == dropIndex_) {
        projectList_->selectRow(dragIndex_);
        return;
    }
    QStringList entries = projectList_->entries();
    if (!reorderByDrag(entries, dragIndex_, dropIndex_))
        return;
    // Reordering changes only the list in memory.
    projectList_->setEntries(entries);
    projectList_->selectRow(dragIndex_);
}

void projBuilder::build() {
    if (building_)
        return;
    if (!requireProject())
        return;
    const int row = projectList_->selectedRow();
    if (row < 0) {
        message(QStringLiteral("You must select a Makefile to build with."));
        return;
    }
    buildMakefile(projectList_->item(row)->text());
}

void projBuilder::buildMakefile(const QString& makefile) {
    if (building_)
        return;
    QString error;
    if (!services_.compiler->bind(&error)) {
        message(QStringLiteral("Unable to load the compiler library \"pxcompiler\": %1").arg(error));
        return;
    }
    building_makefile_ = makefile;
    setBusy(true);
    // The build runs off the window's thread so that the window keeps
    // painting; it accepts no command until the build ends. The build's
    // thread changes the working directory and restores it before the
    // window hears of the end, and the window uses only full paths meanwhile.
    CompilerCall* compiler = services_.compiler;
    const QString work = services_.programFolder;
    buildThread_ = std::thread([this, compiler, makefile, work] {
        const BuildOutcome outcome = buildFromFolder(*compiler, makefile, work);
        QMetaObject::invokeMethod(this, [this, outcome] { buildEnded(outcome); }, Qt::QueuedConnection);
    });
}

void projBuilder::buildEnded(const BuildOutcome& outcome) {
    buildThread_.join();
    lastBuildFolder_ = outcome.folder;
    setBusy(false);
    if (!outcome.error.isEmpty())
        message(outcome.error);
    message(buildSucceeded(outcome.result) ? QStringLiteral("Build successful, .DSO file generated.")
                                           : QStringLiteral("Build failed, reference log for errors."));
    viewBuildLog();
    emit buildFinished(outcome.result);
}

void projBuilder::setBusy(bool busy) {
    building_ = busy;
    centralWidget()->setEnabled(!busy);
    menuBar()->setEnabled(!busy);
    editor_->setEnabled(!busy);
    if (browser_)
        browser_->setEnabled(!busy);
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        statusBar()->showMessage(QStringLiteral("Status:  Building \"%1\"...").arg(building_makefile_));
    } else {
        QApplication::restoreOverrideCursor();
        statusBar()->clearMessage();
    }
}

// The library writes its log into the folder the build ran from. Before
// the first build the log is the one a build left in the working folder.
void projBuilder::viewBuildLog() {
    const QString log = joinPath(lastBuildFolder_.isEmpty() ? services_.programFolder : lastBuildFolder_,
                                 QString::fromLatin1(buildLogName));
    if (!fileExists(log)) {
        message(QStringLiteral("No build log exists."));
        return;
    }
    if (!services_.launcher->editTextFile(log))
        showLogHere(log);
}

// The selected makefile's program drawn as its steps; its makefile is taken
// from the working folder as Build takes it.
void projBuilder::showStepGraph() {
    if (building_ || !requireProject())
        return;
    const int row = projectList_->selectedRow();
    if (row < 0) {
        message(QStringLiteral("You must select a Makefile to draw."));
        return;
    }
    const QString makefile = projectList_->item(row)->text();
    if (!graphWindow_)
        graphWindow_ = new frmGraph(services_, this);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    graphWindow_->showGraph(makefile.isEmpty() ? makefile : QDir(services_.programFolder).absoluteFilePath(makefile));
    QApplication::restoreOverrideCursor();
}

// No program opens the log: the builder shows it itself, read-only.
void projBuilder::showLogHere(const QString& log) {
    QStringList lines;
    QString error;
    if (!readLines(log, lines, &error)) {
        message(QStringLiteral("Unable to read \"%1\": %2").arg(log, error));
        return;
    }
    if (!logWindow_)
        logWindow_ = new frmBuildLog(this);
    logWindow_->showLog(log, lines);
}

void projBuilder::helpAbout() {
    services_.dialogs->information(this, QStringLiteral("Plexa Project Builder v1.1 - April 18, 2003"),
                                   QStringLiteral("About Plexa Project Builder v1.1"));
}

void projBuilder::helpManual() {
    services_.launcher->openDocument(joinPath(services_.helpDir(), QString::fromLatin1(helpPageName)));
}

void projBuilder::doneExit() {
    const BuilderConfig config{activeProject_->text(),
                               files_->drive()->drive(),
                               files_->directory()->path(),
                               editor_->fileBrowser()->drive()->drive(),
                               editor_->fileBrowser()->directory()->path(),
                               editor_->activeMake()};
    const QString configPath = joinPath(services_.configDir(), QString::fromLatin1(configFileName));
    QString error;
    // A save that fails keeps the program open, so that nothing is lost.
    if (!writeConfig(configPath, config, &error)) {
        message(QStringLiteral("Unable to write \"%1\": %2").arg(configPath, error));
        return;
    }
    // An empty list never overwrites the project file.
    if (!activeProject_->text().isEmpty() && projectList_->count() > 0) {
        if (!writeLines(projectFile_, projectList_->entries(), &error)) {
            message(QStringLiteral("Unable to write \"%1\": %2").arg(projectFile_, error));
            return;
        }
    }
    close();
}

// Makes the clicked project the active project path: the list is not
// reloaded and the project file is unchanged, so the clicked project is the
// one that the next start opens.
void projBuilder::projectFileClicked(const QString& name) {
    activeProject_->setText(joinPath(files_->directory()->path(), name));
}

void projBuilder::editorClosed(const QString& drive, const QString& directory) {
    lastDriveMake_ = drive;
    lastPathMake_ = directory;
}

// Closing the window ends the program; only Done/Exit saves.
void projBuilder::closeEvent(QCloseEvent* event) {
    if (building_) {
        event->ignore();
        return;
    }
    editor_->hide();
    if (browser_)
        browser_->hide();
    if (logWindow_)
        logWindow_->hide();
    event->accept();
    emit exitRequested();
}
