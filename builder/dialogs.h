// The builder's modal boxes go through this interface so that tests answer
// them instead of a user. `QtDialogs` shows the real boxes.
#pragma once

#include <QString>

class QWidget;

namespace pxbuilder {

// Title of every OK and Yes/No box that names no other.
inline const QString programTitle = QStringLiteral("PXBuilder");

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // An OK box.
    virtual void message(QWidget* parent, const QString& text, const QString& title) = 0;
    // An information box (Help, About).
    virtual void information(QWidget* parent, const QString& text, const QString& title) = 0;
    // A Yes/No box; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& text, const QString& title) = 0;
    // An input box; a cancelled box answers with the empty string.
    virtual QString input(QWidget* parent, const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
};

class QtDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& text, const QString& title) override;
    void information(QWidget* parent, const QString& text, const QString& title) override;
    bool askYesNo(QWidget* parent, const QString& text, const QString& title) override;
    QString input(QWidget* parent, const QString& prompt, const QString& title,
                  const QString& defaultText) override;
};

}  // namespace pxbuilder
