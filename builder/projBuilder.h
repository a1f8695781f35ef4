// The project window: the project's ordered list of makefiles, the file
// browser for project files, and the commands that add, remove, reorder,
// edit and build makefiles. It owns the makefile editor (created hidden at
// start-up), the makefile browser (created at the first Add Existing) and
// the build log window (created the first time no program opens the log)
// and the step graph window (created at the first Step Graph).
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <thread>

#include "compiler_call.h"
#include "services.h"

class QLineEdit;
class QPushButton;
class frmBuildLog;
class frmDrv;
class frmGraph;
class MakefileBrowser;

namespace pxbuilder {
class FileBrowser;
class ReorderList;
}  // namespace pxbuilder

class projBuilder : public QMainWindow {
    Q_OBJECT
public:
    explicit projBuilder(const pxbuilder::Services& services, QWidget* parent = nullptr);
    ~projBuilder() override;

    // Restores the configuration and opens the project; run once, after the
    // window is shown so that its boxes stand over it.
    void startUp();
    // Builds `makefile` as Build does the selected entry, whether or not the
    // project lists it; buildFinished() tells the result.
    void buildMakefile(const QString& makefile);
    // Saves the configuration and the project and closes, as Done/Exit does.
    void doneExit();

    QStringList projectEntries() const;
    QString activeProject() const;
    QString projectFile() const { return projectFile_; }
    QString compileExtension() const { return compileExtension_; }
    QString lastDriveMake() const { return lastDriveMake_; }
    QString lastPathMake() const { return lastPathMake_; }
    qint16 dragIndex() const { return dragIndex_; }
    qint16 dropIndex() const { return dropIndex_; }
    bool isBuilding() const { return building_; }
    frmDrv* editor() const { return editor_; }
    MakefileBrowser* browser() const { return browser_; }
    frmBuildLog* logWindow() const { return logWindow_; }
    frmGraph* graphWindow() const { return graphWindow_; }
    pxbuilder::FileBrowser* fileBrowser() const { return files_; }

signals:
    // A build has ended, its result shown and its log opened.
    void buildFinished(int32_t result);
    // Done/Exit saved everything (or the window was closed): end the program.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void createProject();
    void addExisting();
    void newMakefile();
    void removeMakefile();
    void editEntry();
    void listPressed(int row);
    void listReleased(int row);
    void build();
    void buildEnded(const pxbuilder::BuildOutcome& outcome);
    void viewBuildLog();
    void showStepGraph();
    void showLogHere(const QString& log);
    void helpAbout();
    void helpManual();
    void projectFileClicked(const QString& name);

    // From the editor and the browser.
    void addToProject(const QString& makefile);
    void editorClosed(const QString& drive, const QString& directory);

    bool requireProject();
    bool loadProjectInto(const QString& path);
    bool saveProject();
    void setBusy(bool busy);
    void message(const QString& text, const QString& title = QString());
    QString programPath(const char* name) const;

    pxbuilder::Services services_;
    QString projectFile_;
    QString compileExtension_;
    QString lastDriveMake_;
    QString lastPathMake_;
    qint16 dragIndex_ = -1;
    qint16 dropIndex_ = -1;
    bool building_ = false;
    QString building_makefile_;
    // The folder the last build ran from, which holds its log; empty before
    // the first build.
    QString lastBuildFolder_;

    QLineEdit* activeProject_ = nullptr;
    pxbuilder::ReorderList* projectList_ = nullptr;
    pxbuilder::FileBrowser* files_ = nullptr;
    QPushButton* buildButton_ = nullptr;
    frmDrv* editor_ = nullptr;
    MakefileBrowser* browser_ = nullptr;
    frmBuildLog* logWindow_ = nullptr;
    frmGraph* graphWindow_ = nullptr;
    // The build's own thread, joined when the build has ended, so that it
    // is gone, all of it, before the next build or the window.
    std::thread buildThread_;
};
