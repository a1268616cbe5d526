#pragma once

// What the benchmarks on long data logs share: a drive written by the
// monitor's own writer, and the median time of a piece of work.
#include "monitor/Datalog.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <functional>
#include <vector>

namespace bench_log {

inline constexpr int SamplesPerSecond = 20;

// A log of `hours` from `start`, sample i given by `sampleAt`; written in
// chunks of about a megabyte.
inline QString WriteDriveLog(const QString& path, double hours, const QDateTime& start,
                             const std::function<LiveSample(int)>& sampleAt)
{
    datalog::DatalogFile file;
    file.create(path, start);
    const int samples = static_cast<int>(hours * 3600 * SamplesPerSecond);
    QString chunk;
    for (int i = 0; i < samples; ++i) {
        chunk += datalog::DataLine(start.time().addSecs(i / SamplesPerSecond), datalog::ShownValues(sampleAt(i)));
        if (chunk.size() > 1 << 20) {
            file.append(chunk);
            chunk.clear();
        }
    }
    file.append(chunk);
    file.close();
    return path;
}

inline double MedianMs(int rounds, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace bench_log
