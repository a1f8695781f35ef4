#include "browser_controls.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStorageInfo>
#include <QStyle>

#include <algorithm>

namespace pxbuilder {

// ---- DriveList --------------------------------------------------------------

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    refreshVolumes();
    connect(this, &QComboBox::activated, this, &DriveList::choose);
}

void DriveList::refreshVolumes() {
    QStringList roots{QStringLiteral("/")};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        const QString root = volume.rootPath();
        // Bind mounts of single files are volumes too, but nothing to browse.
        if (!roots.contains(root) && QFileInfo(root).isDir())
            roots.append(root);
    }
    std::sort(roots.begin() + 1, roots.end());

    const QSignalBlocker blocker(this);
    clear();
    addItems(roots);
    if (drive_.isEmpty() || !roots.contains(drive_))
        drive_ = roots.first();
    setCurrentIndex(findText(drive_, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

bool DriveList::setDrive(const QString& drive) {
    int index = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        refreshVolumes();
        index = findText(drive, Qt::MatchExactly | Qt::MatchCaseSensitive);
    }
    if (index < 0)
        return false;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    if (drive != drive_) {
        drive_ = drive;
        emit driveChanged(drive_);
    }
    return true;
}

QString DriveList::driveOf(const QString& path) const {
    QString best = QStringLiteral("/");
    for (int i = 0; i < count(); ++i) {
        const QString root = itemText(i);
        const bool holds = path == root || path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + '/');
        if (holds && root.size() > best.size())
            best = root;
    }
    return best;
}

QString DriveList::currentDirectoryOf(const QString& drive) const {
    const QString last = lastDirectory_.value(drive);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return drive;
}

void DriveList::followDirectory(const QString& directory) {
    const QString drive = driveOf(directory);
    lastDirectory_.insert(drive, directory);
    if (drive == drive_)
        return;
    drive_ = drive;
    const QSignalBlocker blocker(this);
    setCurrentIndex(findText(drive_, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

void DriveList::choose(int index) {
    const QString drive = itemText(index);
    if (drive == drive_)
        return;
    drive_ = drive;
    emit driveChanged(drive_);
}

// ---- DirectoryList ----------------------------------------------------------

DirectoryList::DirectoryList(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(12);
    // The path is always shown open; there is nothing to fold.
    setStyleSheet(QStringLiteral("QTreeView::branch { image: none; border-image: none; }"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item)
            setPath(item->data(0, Qt::UserRole).toString());
    });
}

bool DirectoryList::setPath(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir())
        return false;
    path_ = QDir::cleanPath(info.absoluteFilePath());
    refresh();
    emit pathChanged(path_);
    return true;
}

void DirectoryList::refresh() {
    clear();
    if (path_.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);

    auto* item = new QTreeWidgetItem(this, QStringList{QStringLiteral("/")});
    item->setIcon(0, open);
    item->setData(0, Qt::UserRole, QStringLiteral("/"));
    QString walked;
    for (const QString& part : path_.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked += '/' + part;
        item->setExpanded(true);
        item = new QTreeWidgetItem(item, QStringList{part});
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, walked);
    }
    QTreeWidgetItem* current = item;
    const QStringList children =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* sub = new QTreeWidgetItem(current, QStringList{child});
        sub->setIcon(0, closed);
        sub->setData(0, Qt::UserRole, QDir(path_).filePath(child));
    }
    current->setExpanded(true);
    setCurrentItem(current);
    scrollToItem(current);
}

// ---- FileList ---------------------------------------------------------------

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        emit fileClicked(item->text());
    });
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        emit fileDoubleClicked(item->text());
    });
}

void FileList::setPath(const QString& path) {
    path_ = path;
    refresh();
}

void FileList::setPattern(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void FileList::refresh() {
    clear();
    if (path_.isEmpty())
        return;
    const QStringList patterns = pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    // Without QDir::CaseSensitive the name filters ignore case.
    addItems(QDir(path_).entryList(patterns, QDir::Files, QDir::Name | QDir::IgnoreCase));
}

QStringList FileList::fileNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names.append(item(i)->text());
    return names;
}

// ---- FileBrowser ------------------------------------------------------------

FileBrowser* FileBrowser::create(QWidget* controls, QObject* owner) {
    auto* drive = new DriveList(controls);
    drive->setObjectName(QStringLiteral("Drv1"));
    auto* directory = new DirectoryList(controls);
    directory->setObjectName(QStringLiteral("Dir1"));
    auto* fileList = new FileList(controls);
    fileList->setObjectName(QStringLiteral("File1"));
    return new FileBrowser(drive, directory, fileList, owner);
}

FileBrowser::FileBrowser(DriveList* drive, DirectoryList* directory, FileList* files, QObject* parent)
    : QObject(parent), drive_(drive), directory_(directory), files_(files) {
    connect(drive_, &DriveList::driveChanged, this, [this](const QString& newDrive) {
        if (!directory_->setPath(drive_->currentDirectoryOf(newDrive)))
            directory_->setPath(newDrive);
    });
    connect(directory_, &DirectoryList::pathChanged, this, [this](const QString& path) {
        drive_->followDirectory(path);
        files_->setPath(path);
    });
}

bool FileBrowser::setDrive(const QString& drive, QString* error) {
    if (drive_->setDrive(drive))
        return true;
    if (error)
        *error = QStringLiteral("Drive \"%1\" is not available.").arg(drive);
    return false;
}

bool FileBrowser::setDirectory(const QString& directory, QString* error) {
    if (directory_->setPath(directory))
        return true;
    if (error)
        *error = QStringLiteral("Directory \"%1\" does not exist.").arg(directory);
    return false;
}

bool FileBrowser::goTo(const QString& folder, QString* error) {
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    drive_->setDrive(drive_->driveOf(absolute));
    return setDirectory(absolute, error);
}

// ---- ReorderList ------------------------------------------------------------

ReorderList::ReorderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(false);
}

QStringList ReorderList::entries() const {
    QStringList list;
    for (int i = 0; i < count(); ++i)
        list.append(item(i)->text());
    return list;
}

void ReorderList::setEntries(const QStringList& entries) {
    clear();
    addItems(entries);
}

void ReorderList::appendEntries(const QStringList& entries) {
    addItems(entries);
}

int ReorderList::selectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void ReorderList::selectRow(int row) {
    if (row < 0 || row >= count()) {
        setCurrentRow(-1);
        clearSelection();
        return;
    }
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void ReorderList::mousePressEvent(QMouseEvent* event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        emit pressedRow(selectedRow());
}

void ReorderList::mouseReleaseEvent(QMouseEvent* event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    // The entry under the pointer; off the entries, the one the selection
    // followed the pointer to.
    int row = indexAt(event->position().toPoint()).row();
    if (row < 0)
        row = selectedRow();
    emit releasedRow(row);
}

void ReorderList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton)
        emit doubleClickedRow();
}

}  // namespace pxbuilder
