#pragma once

#include <QString>

class QWidget;

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
// YesNoDefaultNo: a question whose Yes writes to the unit; Enter and Escape answer No.
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    QString title;
    QString filter;       // for example "Text Files (*.txt)"
    QString defaultName;  // file name offered to the user
};

// Every message box and file dialog of the program passes through here, so
// tests can script the answers and check exactly what the user was told.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual MsgAnswer message(MsgIcon icon, const QString& title, const QString& text,
                              MsgButtons buttons = MsgButtons::Ok) = 0;

    // The chosen path, or an empty string when the user cancelled.
    virtual QString openFileName(const FileDialogRequest& request) = 0;
    virtual QString saveFileName(const FileDialogRequest& request) = 0;
};

// Real message boxes and file dialogs, parented to the main window.
class WidgetDialogs final : public Dialogs {
public:
    explicit WidgetDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer message(MsgIcon icon, const QString& title, const QString& text,
                      MsgButtons buttons) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(const FileDialogRequest& request) override;

private:
    QWidget* parent_;
};
