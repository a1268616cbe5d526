#include "cli/Console.h"

MsgAnswer ConsoleDialogs::message(MsgIcon, const QString&, const QString& text, MsgButtons buttons)
{
    err_ << text << Qt::endl;
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgAnswer::Ok;
    case MsgButtons::OkCancel:
        return MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
    case MsgButtons::YesNoDefaultNo:
        return MsgAnswer::No;
    }
    return MsgAnswer::Cancel;
}

void ConsoleConnectionView::showAutodetectWindow()
{
    err_ << "Searching the serial ports for the Ventrix..." << Qt::endl;
}

void ConsoleConnectionView::showCandidatePort(int portNumber)
{
    err_ << "  trying port " << portNumber << Qt::endl;
}

void ProgressLine::show(int percent)
{
    if (percent == shown_)
        return;
    if (console_.progressInPlace) {
        console_.err << '\r' << label_ << ' ' << percent << '%' << Qt::flush;
        open_ = true;
    } else if (percent / 10 != shown_ / 10 || shown_ < 0) {
        console_.err << label_ << ' ' << percent << '%' << Qt::endl;
    }
    shown_ = percent;
}

void ProgressLine::finish()
{
    if (open_)
        console_.err << Qt::endl;
    open_ = false;
}
