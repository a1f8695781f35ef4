// The drive selector, directory list, file list and reorderable list that the
// three windows are built from. On this platform a "drive" is a mounted
// volume, named by its mount point ("/" first); the text that the selector
// reports is what the configuration file keeps.
#pragma once

#include <QComboBox>
#include <QHash>
#include <QListWidget>
#include <QObject>
#include <QTreeWidget>
#include <QString>
#include <QStringList>

namespace pxbuilder {

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    // Re-reads the mounted volumes, keeping the current drive.
    void refreshVolumes();
    QString drive() const { return drive_; }
    // Selects a listed drive; false when no such volume is mounted.
    bool setDrive(const QString& drive);
    // The listed volume that holds `path` (the longest matching mount point).
    QString driveOf(const QString& path) const;
    // Where the directory list goes on a change to `drive`: the directory it
    // last showed on that drive, else the drive's root.
    QString currentDirectoryOf(const QString& drive) const;
    // Keeps the selector on the volume of the directory list's folder (a
    // folder can be left for another volume by walking up) without moving
    // the directory list again.
    void followDirectory(const QString& directory);

signals:
    void driveChanged(const QString& drive);

private:
    void choose(int index);
    QString drive_;
    QHash<QString, QString> lastDirectory_;
};

// A folder's ancestors from the root down, then its subfolders; activating
// an entry (double-click or Enter) moves there.
class DirectoryList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // False when `path` is not an existing folder; the list then stays put.
    bool setPath(const QString& path);
    void refresh();

signals:
    void pathChanged(const QString& path);

private:
    QString path_;
};

// The files of one folder that match a pattern ("*.prj"; several separated by
// ";"). Matching ignores letter case, so "MAIN.PRE" is listed under "*.pre".
class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    QString pattern() const { return pattern_; }
    void setPath(const QString& path);
    void setPattern(const QString& pattern);
    void refresh();
    QStringList fileNames() const;

signals:
    void fileClicked(const QString& name);
    void fileDoubleClicked(const QString& name);

private:
    QString path_;
    QString pattern_ = QStringLiteral("*.*");
};

// Drive selector, directory list and file list coupled as in every window of
// the program: a drive change moves the directory list to that drive, a
// directory change moves the file list to that directory.
class FileBrowser : public QObject {
    Q_OBJECT
public:
    FileBrowser(DriveList* drive, DirectoryList* directory, FileList* files, QObject* parent = nullptr);
    // The three controls every window browses with, named Drv1, Dir1 and
    // File1, made as children of `controls` and coupled by a browser owned
    // by `owner`.
    static FileBrowser* create(QWidget* controls, QObject* owner);
    DriveList* drive() const { return drive_; }
    DirectoryList* directory() const { return directory_; }
    FileList* files() const { return files_; }
    // Each returns false with a message for the user when the place is gone.
    bool setDrive(const QString& drive, QString* error);
    bool setDirectory(const QString& directory, QString* error);
    // The drive of `folder`, then the folder itself.
    bool goTo(const QString& folder, QString* error);

private:
    DriveList* drive_;
    DirectoryList* directory_;
    FileList* files_;
};

// A list whose entries are reordered by pressing on one and releasing on
// another. It reports the selected row at the press and at the release (the
// selection follows the pointer while the button is held); the window
// decides what to do with them.
class ReorderList : public QListWidget {
    Q_OBJECT
public:
    explicit ReorderList(QWidget* parent = nullptr);
    QStringList entries() const;
    void setEntries(const QStringList& entries);
    void appendEntries(const QStringList& entries);
    // -1 when nothing is selected.
    int selectedRow() const;
    void selectRow(int row);

signals:
    void pressedRow(int row);
    void releasedRow(int row);
    void doubleClickedRow();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace pxbuilder
