#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    QString title;
    QString filter;      // for example "Text Files (*.txt)"
    QString defaultName; // file name offered to the user
};

// Every message box and file dialog of the program passes through here, so
// tests can script the answers and check exactly what the user was told.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MsgAnswer message(MsgIcon icon, const QString& title, const QString& text,
                              MsgButtons buttons = MsgButtons::Ok) = 0;

    // A Yes/No question whose Yes writes to the unit (or throws away work
    // not yet saved). No is its default
    // button and its Escape answer, so Enter pressed by habit (or on a box
    // reached by a mistaken shortcut) never writes. The plain version asks
    // through message(), for dialogs that never answer Yes unseen.
    virtual MsgAnswer askBeforeWriting(MsgIcon icon, const QString& title, const QString& text)
    {
        return message(icon, title, text, MsgButtons::YesNo);
    }

    // The chosen path, or an empty string when the user cancelled.
    virtual QString openFileName(const FileDialogRequest& request) = 0;
    virtual QString saveFileName(const FileDialogRequest& request) = 0;
};

// Real message boxes and file dialogs, parented to the main window.
class WidgetDialogs final : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* parent = nullptr) : parent_(parent) { }
    void setParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons) override;
    MsgAnswer askBeforeWriting(MsgIcon icon, const QString& title, const QString& text) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(const FileDialogRequest& request) override;

private:
    MsgAnswer show(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons, bool noIsDefault);

    QWidget* parent_;
};

// The width (pixels) a top-level window (a message box, a progress or
// search window) needs so that the window manager can show its whole title:
// the title's text in the title bar's font plus room for the bar's icon and
// buttons.
int WindowWidthForTitle(const QString& title);
