#pragma once

// ventrix-sim on a pseudo-terminal, paced at the cable's 57600 bit/s, with
// the program's serial link open on it as port 1: what every benchmark runs
// against.
#include "link/QtSerialPort.h"

#include <QProcess>

#include <cstdio>
#include <memory>
#include <sys/resource.h>

class PacedSimulator {
public:
    ~PacedSimulator()
    {
        if (port_)
            port_->close();
        process_.terminate();
        process_.waitForFinished(3000);
    }

    // Starts the simulator and opens the port, RTS on. False, after saying
    // why on standard error, when either fails.
    bool start()
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(VENTRIX_SIM_PATH), {QStringLiteral("--sim-pace"), QStringLiteral("--quiet")});
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000)) {
            std::fprintf(stderr, "ventrix-sim did not start\n");
            return false;
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
        port_ = std::make_unique<QtSerialPort>(port_names::Assignments{{1, device_}});
        port_->setPortNumber(1);
        if (port_->open() != PortError::None) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(device_));
            return false;
        }
        port_->setRts(true);
        return true;
    }

    QtSerialPort& port() { return *port_; }
    const QString& device() const { return device_; }

private:
    QProcess process_;
    QString device_;
    std::unique_ptr<QtSerialPort> port_;
};

// Processor time this process has used, user and system, in seconds.
inline double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
