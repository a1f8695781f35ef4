// Recorders that stand in for the modal boxes, the launcher and the compiler
// library, and a program folder of its own for each window under test.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QSemaphore>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <memory>

#include "compiler_call.h"
#include "dialogs.h"
#include "launcher.h"
#include "projBuilder.h"
#include "services.h"

namespace pxtest_builder {

struct Box {
    QString kind;  // "ok", "info", "yesno", "input"
    QString text;
    QString title;
    QString defaultText;
};

class RecordingDialogs final : public pxbuilder::Dialogs {
public:
    QList<Box> boxes;
    QStringList inputAnswers;    // taken in turn; none left answers "" (cancelled)
    QList<bool> yesNoAnswers;    // taken in turn; none left answers No

    void message(QWidget*, const QString& text, const QString& title) override {
        boxes.append({QStringLiteral("ok"), text, title, {}});
    }
    void information(QWidget*, const QString& text, const QString& title) override {
        boxes.append({QStringLiteral("info"), text, title, {}});
    }
    bool askYesNo(QWidget*, const QString& text, const QString& title) override {
        boxes.append({QStringLiteral("yesno"), text, title, {}});
        return yesNoAnswers.isEmpty() ? false : yesNoAnswers.takeFirst();
    }
    QString input(QWidget*, const QString& prompt, const QString& title, const QString& defaultText) override {
        boxes.append({QStringLiteral("input"), prompt, title, defaultText});
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
    QStringList texts() const {
        QStringList list;
        for (const Box& box : boxes)
            list.append(box.text);
        return list;
    }
    QStringList okTexts() const {
        QStringList list;
        for (const Box& box : boxes)
            if (box.kind == QLatin1String("ok"))
                list.append(box.text);
        return list;
    }
    QString lastText() const { return boxes.isEmpty() ? QString() : boxes.last().text; }
};

class RecordingLauncher final : public pxbuilder::Launcher {
public:
    QStringList edited;
    QStringList documents;
    bool editTextFile(const QString& path) override {
        edited.append(path);
        return true;
    }
    bool openDocument(const QString& path) override {
        documents.append(path);
        return true;
    }
};

// A compiler call that answers with a set result; it can hold the build
// until released, to look at the window while a build runs.
class FakeCompiler final : public pxbuilder::CompilerCall {
public:
    bool bindOk = true;
    int32_t result = 1234;
    bool hold = false;
    QSemaphore started;
    QSemaphore release;
    QList<QByteArray> arguments;
    std::atomic<int> binds{0};

    bool bind(QString* error) override {
        ++binds;
        if (!bindOk && error)
            *error = QStringLiteral("cannot load");
        return bindOk;
    }
    int32_t build(const QByteArray& makefile) override {
        arguments.append(makefile);
        started.release();
        if (hold)
            release.acquire();
        return result;
    }
};

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

}  // namespace pxtest_builder
