#pragma once

#include <functional>
#include <optional>

#include "platform/Dialogs.h"

#include <QList>
#include <QString>

// Dialogs for tests: records every message and file dialog, and answers
// from a script (Ok / the default when the script runs dry).
class ScriptedDialogs final : public Dialogs {
public:
    struct Message {
        MsgIcon icon;
        QString title;
        QString text;
        MsgButtons buttons;
        // The answer Enter and Escape give, when the box names one.
        std::optional<MsgAnswer> defaultAnswer = std::nullopt;
    };

    MsgAnswer message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons) override;
    // Recorded with No as its default; answered from the script like any box.
    MsgAnswer askBeforeWriting(MsgIcon icon, const QString& title, const QString& text) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(const FileDialogRequest& request) override;

    // Answers given in order to the next message boxes.
    void answerNext(MsgAnswer answer) { answers_.append(answer); }
    // Paths given in order to the next file dialogs; an empty one is Cancel.
    void chooseNextFile(const QString& path) { files_.append(path); }

    QList<Message> messages;
    QList<FileDialogRequest> fileRequests;

private:
    QList<MsgAnswer> answers_;
    QList<QString> files_;
};

// Scripted dialogs that also let a test look at the windows while a box is open.
class ObservingDialogs final : public Dialogs {
public:
    MsgAnswer message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons) override
    {
        if (whileOpen)
            whileOpen();
        return script.message(icon, title, text, buttons);
    }
    MsgAnswer askBeforeWriting(MsgIcon icon, const QString& title, const QString& text) override
    {
        if (whileOpen)
            whileOpen();
        return script.askBeforeWriting(icon, title, text);
    }
    QString openFileName(const FileDialogRequest& r) override { return script.openFileName(r); }
    QString saveFileName(const FileDialogRequest& r) override { return script.saveFileName(r); }

    ScriptedDialogs script;
    std::function<void()> whileOpen;
};
