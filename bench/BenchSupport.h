#pragma once

// What the window-driving benchmarks share: a median, a stopwatch, and
// dialogs that answer Yes to every question.
#include "platform/Dialogs.h"

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

} // namespace bench
