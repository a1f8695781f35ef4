// The makefile editor: composes the ordered list of step files (".pre") of
// one makefile, the first being the master file, and writes it on Done. It
// is created hidden with the project window and only hidden again by Done
// and Cancel, so its controls keep their state between uses.
#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "services.h"

class QLabel;
class QLineEdit;

namespace pxbuilder {
class FileBrowser;
class ReorderList;
}  // namespace pxbuilder

class frmDrv : public QWidget {
    Q_OBJECT
public:
    explicit frmDrv(const pxbuilder::Services& services, QWidget* parent = nullptr);

    pxbuilder::FileBrowser* fileBrowser() const { return files_; }
    QString activeMake() const;
    // Changing the text reloads the entry list from that makefile.
    void setActiveMake(const QString& path);
    // The entry list from the active makefile, if it exists.
    void reloadModules();
    QStringList modules() const;
    void setStatus(const QString& text);
    QString status() const;
    void setPattern(const QString& pattern);
    qint16 dragIndex() const { return dragIndex_; }
    qint16 dropIndex() const { return dropIndex_; }

signals:
    // Done wrote this makefile; the project lists it last.
    void makefileSaved(const QString& path);
    // Done or Cancel closed the editor standing on this drive and folder.
    void closedAt(const QString& drive, const QString& directory);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMake();
    void addModule(const QString& name);
    void deleteModule();
    void clearModules();
    void removeAtDragIndex();
    void listPressed(int row);
    void listReleased(int row);
    void done();
    void cancel();
    void closeAndRemember();
    void message(const QString& text);

    pxbuilder::Services services_;
    qint16 dragIndex_ = -1;
    qint16 dropIndex_ = -1;

    QLineEdit* activeMake_ = nullptr;
    pxbuilder::ReorderList* moduleList_ = nullptr;
    pxbuilder::FileBrowser* files_ = nullptr;
    QLabel* status_ = nullptr;
};
