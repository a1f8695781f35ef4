#include "MakefileBrowser.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "browser_controls.h"
#include "dialogs.h"
#include "project_files.h"

using namespace pxbuilder;

MakefileBrowser::MakefileBrowser(const Services& services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("MakefileBrowser"));
    setWindowTitle(QStringLiteral("Select Makefile"));

    files_ = FileBrowser::create(this, this);

    auto* label = new QLabel(QStringLiteral("Selected Makefile:"), this);
    activeMake_ = new QLineEdit(this);
    activeMake_->setObjectName(QStringLiteral("activeMake"));
    label->setBuddy(activeMake_);
    auto* status = new QLabel(QStringLiteral("Status:  Select Makefile (.mak) to add to Project list."), this);
    status->setObjectName(QStringLiteral("Status"));
    status->setFrameShape(QFrame::StyledPanel);
    status->setFrameShadow(QFrame::Sunken);

    auto* okayButton = new QPushButton(QStringLiteral("&Okay"), this);
    okayButton->setObjectName(QStringLiteral("okayMakefile"));
    okayButton->setDefault(true);
    auto* cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelMakefile"));

    auto* browse = new QGridLayout;
    browse->addWidget(files_->drive(), 0, 0);
    browse->addWidget(files_->directory(), 1, 0);
    browse->addWidget(files_->files(), 0, 1, 2, 1);
    browse->setColumnStretch(0, 1);
    browse->setColumnStretch(1, 1);

    auto* chosen = new QHBoxLayout;
    chosen->addWidget(label);
    chosen->addWidget(activeMake_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okayButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(browse, 1);
    layout->addLayout(chosen);
    layout->addWidget(status);
    layout->addLayout(buttons);
    resize(560, 360);

    files_->files()->setPattern(QStringLiteral("*.mak"));
    files_->goTo(services_.programFolder, nullptr);

    connect(files_->files(), &FileList::fileClicked, this, &MakefileBrowser::fileClicked);
    connect(files_->files(), &FileList::fileDoubleClicked, this, [this](const QString& name) {
        fileClicked(name);
        okay();
    });
    connect(okayButton, &QPushButton::clicked, this, &MakefileBrowser::okay);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::hide);
}

void MakefileBrowser::open() {
    activeMake_->clear();
    QString error;
    if (!files_->goTo(services_.programFolder, &error))
        services_.dialogs->message(this, error, programTitle);
    files_->files()->setPattern(QStringLiteral("*.mak"));
    show();
    raise();
    activateWindow();
}

QString MakefileBrowser::activeMake() const {
    return activeMake_->text();
}

void MakefileBrowser::fileClicked(const QString& name) {
    activeMake_->setText(joinPath(files_->directory()->path(), name));
}

void MakefileBrowser::okay() {
    emit makefileChosen(activeMake_->text());
    hide();
}
