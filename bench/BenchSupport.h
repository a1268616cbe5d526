#pragma once

// What the window-driving benchmarks share: a median, a stopwatch, dialogs
// that answer Yes to every question, and the live monitor's dialogs and
// program state.
#include "platform/Dialogs.h"
#include "state/PublicVars.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace bench {

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <typename F>
double SecondsOf(F&& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Yes to every question (Ok to a message), no file chosen; failures are
// printed, so a benchmark that went wrong says why.
class YesDialogs final : public Dialogs {
public:
    MsgAnswer message(MsgIcon, const QString& title, const QString& text, MsgButtons buttons) override
    {
        if (title.contains(QLatin1String("Failure")) || title.contains(QLatin1String("Error")))
            std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Yes;
    }
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(const FileDialogRequest&) override { return {}; }
};

// The monitor's START question answered with `logging` (Yes names the log
// `logPath`); every other message is told on standard error and counted,
// a failure's too.
class MonitorDialogs final : public Dialogs {
public:
    MonitorDialogs(MsgAnswer logging, QString logPath) : logging_(logging), logPath_(std::move(logPath)) { }
    MsgAnswer message(MsgIcon, const QString& title, const QString& text, MsgButtons buttons) override
    {
        if (buttons == MsgButtons::YesNoCancel)
            return logging_;
        std::fprintf(stderr, "[%s] %s\n", qPrintable(title), qPrintable(text));
        ++messages;
        if (title.contains(QLatin1String("Error")) || title.contains(QLatin1String("Failure")))
            ++failures;
        return MsgAnswer::Ok;
    }
    QString openFileName(const FileDialogRequest&) override { return {}; }
    QString saveFileName(const FileDialogRequest&) override { return logPath_; }
    int messages = 0;
    int failures = 0;

private:
    MsgAnswer logging_;
    QString logPath_;
};

// The program as start-up leaves it with a unit on port 1 that has 19 lb/hr
// injectors and a 0.8 V key-on throttle.
inline void ConnectedOnPortOne()
{
    mdlPublicVars::Connected = true;
    mdlPublicVars::CommPortNumber = 1;
    mdlPublicVars::InstalledInjectorSize = 19;
    mdlPublicVars::TpsKeyOnVolts = 0.8;
}

} // namespace bench
