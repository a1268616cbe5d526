#include "support/ScriptedDialogs.h"

MsgAnswer ScriptedDialogs::message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons)
{
    messages.append({icon, title, text, buttons});
    if (!answers_.isEmpty())
        return answers_.takeFirst();
    switch (buttons) {
    case MsgButtons::Ok:
    case MsgButtons::OkCancel:
        return MsgAnswer::Ok;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    }
    return MsgAnswer::Ok;
}

MsgAnswer ScriptedDialogs::askBeforeWriting(MsgIcon icon, const QString& title, const QString& text)
{
    const MsgAnswer answer = message(icon, title, text, MsgButtons::YesNo);
    messages.last().defaultAnswer = MsgAnswer::No;
    return answer;
}

QString ScriptedDialogs::openFileName(const FileDialogRequest& request)
{
    fileRequests.append(request);
    return files_.isEmpty() ? QString() : files_.takeFirst();
}

QString ScriptedDialogs::saveFileName(const FileDialogRequest& request)
{
    return openFileName(request);
}
