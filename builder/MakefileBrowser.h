// The small window through which an existing makefile is added to the
// project: browse to a ".mak" file, then Okay (or double-click it).
#pragma once

#include <QString>
#include <QWidget>

#include "services.h"

class QLineEdit;

namespace pxbuilder {
class FileBrowser;
}

class MakefileBrowser : public QWidget {
    Q_OBJECT
public:
    explicit MakefileBrowser(const pxbuilder::Services& services, QWidget* parent = nullptr);

    // Clears the selection, stands at the program folder and shows itself.
    void open();
    pxbuilder::FileBrowser* fileBrowser() const { return files_; }
    QString activeMake() const;

signals:
    // Okay with this text in "Selected Makefile:" (possibly empty).
    void makefileChosen(const QString& path);

private:
    void fileClicked(const QString& name);
    void okay();

    pxbuilder::Services services_;
    QLineEdit* activeMake_ = nullptr;
    pxbuilder::FileBrowser* files_ = nullptr;
};
