#include "frmDrv.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "browser_controls.h"
#include "dialogs.h"
#include "list_rules.h"
#include "project_files.h"

using namespace pxbuilder;

namespace {
const QString statusAddFiles = QStringLiteral("Status:  Add PreCompile Files (.pre) as required to Makefile");
}

frmDrv::frmDrv(const Services& services, QWidget* parent) : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("frmDrv"));
    setWindowTitle(QStringLiteral("Plexa Makefile Editor"));

    files_ = FileBrowser::create(this, this);

    auto* makeLabel = new QLabel(QStringLiteral("Active Makefile:"), this);
    activeMake_ = new QLineEdit(this);
    activeMake_->setObjectName(QStringLiteral("activeMake"));
    makeLabel->setBuddy(activeMake_);
    auto* listLabel = new QLabel(QStringLiteral("Make File List (First is Master File)"), this);
    moduleList_ = new ReorderList(this);
    moduleList_->setObjectName(QStringLiteral("moduleList"));
    auto* hint = new QLabel(QStringLiteral("- Drag list item to move up/down list"), this);
    status_ = new QLabel(QStringLiteral("Status:"), this);
    status_->setObjectName(QStringLiteral("Status"));
    status_->setFrameShape(QFrame::StyledPanel);
    status_->setFrameShadow(QFrame::Sunken);

    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    QPushButton* createButton = button("createMakeButton", "Create Make");
    QPushButton* removeButton = button("deleteModule", "&Remove");
    QPushButton* clearButton = button("clearModules", "&Clear");
    QPushButton* doneButton = button("saveMakeButton", "&Done");
    QPushButton* cancelButton = button("cancelMake", "&Cancel");

    auto* browse = new QVBoxLayout;
    browse->addWidget(files_->drive());
    browse->addWidget(files_->directory(), 1);
    browse->addWidget(files_->files(), 1);

    auto* active = new QHBoxLayout;
    active->addWidget(makeLabel);
    active->addWidget(activeMake_, 1);

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(createButton);
    listButtons->addWidget(removeButton);
    listButtons->addWidget(clearButton);
    listButtons->addStretch(1);
    listButtons->addWidget(doneButton);
    listButtons->addWidget(cancelButton);

    auto* listArea = new QGridLayout;
    listArea->addWidget(listLabel, 0, 0);
    listArea->addWidget(moduleList_, 1, 0);
    listArea->addWidget(hint, 2, 0);
    listArea->addLayout(listButtons, 1, 1, 2, 1);
    listArea->setColumnStretch(0, 1);

    auto* right = new QVBoxLayout;
    right->addLayout(active);
    right->addLayout(listArea, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(browse, 2);
    top->addLayout(right, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(status_);
    resize(880, 460);

    files_->goTo(services_.programFolder, nullptr);

    connect(activeMake_, &QLineEdit::textChanged, this, &frmDrv::reloadModules);
    connect(createButton, &QPushButton::clicked, this, &frmDrv::createMake);
    connect(files_->files(), &FileList::fileClicked, this, &frmDrv::addModule);
    connect(removeButton, &QPushButton::clicked, this, &frmDrv::deleteModule);
    connect(clearButton, &QPushButton::clicked, this, &frmDrv::clearModules);
    connect(moduleList_, &ReorderList::pressedRow, this, &frmDrv::listPressed);
    connect(moduleList_, &ReorderList::releasedRow, this, &frmDrv::listReleased);
    connect(moduleList_, &ReorderList::doubleClickedRow, this, &frmDrv::removeAtDragIndex);
    connect(doneButton, &QPushButton::clicked, this, &frmDrv::done);
    connect(cancelButton, &QPushButton::clicked, this, &frmDrv::cancel);
}

QString frmDrv::activeMake() const {
    return activeMake_->text();
}

void frmDrv::setActiveMake(const QString& path) {
    activeMake_->setText(path);
}

// Runs on every change of the active makefile's name, typed or set.
void frmDrv::reloadModules() {
    moduleList_->clear();
    const QString path = activeMake_->text();
    if (!fileExists(path))
        return;
    QStringList lines;
    QString error;
    if (!readLines(path, lines, &error)) {
        message(QStringLiteral("Unable to read \"%1\": %2").arg(path, error));
        return;
    }
    moduleList_->appendEntries(lines);
}

QStringList frmDrv::modules() const {
    return moduleList_->entries();
}

void frmDrv::setStatus(const QString& text) {
    status_->setText(text);
}

QString frmDrv::status() const {
    return status_->text();
}

void frmDrv::setPattern(const QString& pattern) {
    files_->files()->setPattern(pattern);
}

void frmDrv::createMake() {
    const QString folder = files_->directory()->path();
    const QString answer = services_.dialogs->input(this, QStringLiteral("Makefile will be created in: ") + folder,
                                                    QStringLiteral("Create Plexa Makefile"),
                                                    QStringLiteral("pxmake"));
    if (answer.isEmpty())
        return;
    const QString path = joinPath(folder, answer + QStringLiteral(".mak"));
    setActiveMake(path);
    moduleList_->clear();
    if (fileExists(path)) {
        if (services_.dialogs->askYesNo(this, QStringLiteral("Makefile exists, delete it?"), programTitle)) {
            QString error;
            if (!deleteFile(path, &error))
                message(QStringLiteral("Unable to delete \"%1\": %2").arg(path, error));
        } else {
            reloadModules();
        }
    }
    setStatus(statusAddFiles);
}

void frmDrv::addModule(const QString& name) {
    moduleList_->appendEntries({joinPath(files_->directory()->path(), name)});
}

void frmDrv::deleteModule() {
    const int row = moduleList_->selectedRow();
    if (row < 0) {
        message(QStringLiteral("You must select a PreCompile (.PRE) to delete."));
        return;
    }
    delete moduleList_->takeItem(row);
    moduleList_->selectRow(-1);
}

void frmDrv::clearModules() {
    moduleList_->clear();
}

// A double-click removes the entry that its first press landed on.
void frmDrv::removeAtDragIndex() {
    if (dragIndex_ >= 0 && dragIndex_ < moduleList_->count()) {
        delete moduleList_->takeItem(dragIndex_);
        moduleList_->selectRow(-1);
    }
    // The release that ends the double-click must not drag anything.
    dragIndex_ = -1;
}

void frmDrv::listPressed(int row) {
    dragIndex_ = static_cast<qint16>(row);
}

void frmDrv::listReleased(int row) {
    dropIndex_ = static_cast<qint16>(row);
    if (dropIndex_ == -1 || dragIndex_ == -1)
        return;
    QStringList entries = moduleList_->entries();
    if (!reorderByDrag(entries, dragIndex_, dropIndex_))
        return;
    moduleList_->setEntries(entries);
    moduleList_->selectRow(dragIndex_);
}

void frmDrv::done() {
    const QString path = activeMake_->text();
    if (path.isEmpty()) {
        message(QStringLiteral("No Makefile name specified, select Cancel to abort or add a Makefile name."));
        return;
    }
    if (moduleList_->count() == 0) {
        message(QStringLiteral("Makefile name required for creation or no entries."));
        return;
    }
    QString error;
    if (!writeLines(path, moduleList_->entries(), &error)) {
        message(QStringLiteral("Unable to write \"%1\": %2").arg(path, error));
        return;
    }
    emit makefileSaved(path);
    moduleList_->clear();
    activeMake_->clear();
    closeAndRemember();
}

void frmDrv::cancel() {
    moduleList_->clear();
    closeAndRemember();
}

void frmDrv::closeAndRemember() {
    emit closedAt(files_->drive()->drive(), files_->directory()->path());
    hide();
}

// Closing the window by its frame is a Cancel.
void frmDrv::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        moduleList_->clear();
        emit closedAt(files_->drive()->drive(), files_->directory()->path());
    }
    event->accept();
}

void frmDrv::message(const QString& text) {
    services_.dialogs->message(this, text, programTitle);
}
