#include "dialogs.h"

#include <QInputDialog>
#include <QMessageBox>

namespace pxbuilder {

void QtDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDialogs::information(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox::information(parent, title, text);
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& text, const QString& title) {
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
}

QString QtDialogs::input(QWidget* parent, const QString& prompt, const QString& title,
                         const QString& defaultText) {
    bool ok = false;
    const QString answer = QInputDialog::getText(parent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : QString();
}

}  // namespace pxbuilder
