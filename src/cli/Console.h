#pragma once

#include "link/Autodetect.h"
#include "platform/Dialogs.h"

#include <QTextStream>

#include <functional>

// kestrel-cli's terminal: results on standard output, messages and progress
// on standard error, answers typed on standard input.
struct Console {
    Console(QTextStream& output, QTextStream& errors) : out(output), err(errors) { }

    QTextStream& out;
    QTextStream& err;
    bool canAsk = false;                                      // standard input and error are a terminal
    bool progressInPlace = false;                             // standard error is a terminal
    std::function<QString()> readAnswer;                      // one line typed by the user
    std::function<bool()> interrupted = [] { return false; }; // Ctrl-C was pressed
};

// The program's message boxes as lines on standard error: the text the
// window would show, word for word. A box that asks a question is answered
// No (or Cancel): kestrel-cli asks its own questions before it starts, so a
// question here never gives consent unseen. File dialogs are cancelled.
class ConsoleDialogs final : public Dialogs {
public:
    explicit ConsoleDialogs(QTextStream& err) : err_(err) { }
    MsgAnswer message(MsgIcon icon, const QString& title, const QString& text, MsgButtons buttons) override;
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(const FileDialogRequest&) override { return {}; }

private:
    QTextStream& err_;
};

// The port search, told as lines on standard error.
class ConsoleConnectionView final : public ConnectionView {
public:
    explicit ConsoleConnectionView(QTextStream& err) : err_(err) { }
    void setBusyPointer(bool) override { }
    void showAutodetectWindow() override;
    void showCandidatePort(int portNumber) override;
    void unloadAutodetectWindow() override { }
    void showConnectedIndicator(int) override { }
    void showSearchFailed() override { }
    void showConnectedTitle() override { }
    void showDisconnected() override { }

private:
    QTextStream& err_;
};

// A percentage on standard error: one line updated in place on a terminal,
// a line at every tenth otherwise.
class ProgressLine {
public:
    ProgressLine(const Console& console, const QString& label) : console_(console), label_(label) { }
    ~ProgressLine() { finish(); }
    void show(int percent);
    void finish();

private:
    const Console& console_;
    QString label_;
    int shown_ = -1;
    bool open_ = false;
};
