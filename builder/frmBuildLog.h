// The build log shown by the builder itself, read-only, for a machine where
// neither the desktop nor $VISUAL or $EDITOR opens it. The project window
// creates it at the first need and fills it anew each time the log is shown.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

class frmBuildLog : public QWidget {
    Q_OBJECT
public:
    explicit frmBuildLog(QWidget* parent = nullptr);

    // Shows the lines of the log at `path` and brings the window up.
    void showLog(const QString& path, const QStringList& lines);
    QString logFile() const;

private:
    QLineEdit* logFile_ = nullptr;
    QPlainTextEdit* buildLogView_ = nullptr;
};
