#include "frmBuildLog.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

frmBuildLog::frmBuildLog(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmBuildLog"));
    setWindowTitle(QStringLiteral("Build Log"));

    auto* label = new QLabel(QStringLiteral("Log File:"), this);
    logFile_ = new QLineEdit(this);
    logFile_->setObjectName(QStringLiteral("logFile"));
    logFile_->setReadOnly(true);
    label->setBuddy(logFile_);

    // The log's columns line up as the library wrote them.
    buildLogView_ = new QPlainTextEdit(this);
    buildLogView_->setObjectName(QStringLiteral("buildLogView"));
    buildLogView_->setReadOnly(true);
    buildLogView_->setLineWrapMode(QPlainTextEdit::NoWrap);
    buildLogView_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* closeButton = new QPushButton(QStringLiteral("&Close"), this);
    closeButton->setObjectName(QStringLiteral("closeLog"));
    closeButton->setDefault(true);

    auto* file = new QHBoxLayout;
    file->addWidget(label);
    file->addWidget(logFile_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(file);
    layout->addWidget(buildLogView_, 1);
    layout->addLayout(buttons);
    resize(720, 480);

    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
}

void frmBuildLog::showLog(const QString& path, const QStringList& lines) {
    logFile_->setText(path);
    buildLogView_->setPlainText(lines.join(QLatin1Char('\n')));
    show();
    raise();
    activateWindow();
}

QString frmBuildLog::logFile() const {
    return logFile_->text();
}
