#pragma once

#include <QByteArray>
#include <QString>

#include <csignal>
#include <functional>
#include <utility>
#include <vector>

class Clock;
class VentrixDevice;

// Serves the simulated unit on a pseudo-terminal, so that any program that
// opens serial ports by device name (the real link, a terminal program) can
// talk to it. Replies go out when their due time comes on the clock.
class PtyServer {
public:
    PtyServer(VentrixDevice& device, Clock& clock);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Creates the pseudo-terminal, raw, at 57600 bit/s. With `newName` it
    // gets another device name than the one it had last (a USB adapter
    // plugged in again often comes back under a new one).
    bool open(QString* error, bool newName = false);
    // Closes it as a pulled cable would: the program on the other side gets
    // a hang-up, and whatever was on its way is lost.
    void close();
    bool isOpen() const { return master_ >= 0; }
    // The device name the program opens, e.g. /dev/pts/4.
    QString devicePath() const { return devicePath_; }

    // Serves until stop becomes non-zero. The signals that set it must be
    // blocked by the caller; waitMask (the caller's mask without them) is the
    // one in force while waiting, so a signal always ends the wait at once.
    // idle runs after every wake-up, at least once a second.
    void run(const sigset_t& waitMask, const volatile std::sig_atomic_t& stop, const std::function<void()>& idle);

private:
    void deliverDue();

    VentrixDevice& device_;
    Clock& clock_;
    int master_ = -1;
    int slave_ = -1; // held open so the line never hangs up between clients
    QString devicePath_;
    std::vector<std::pair<qint64, QByteArray>> queue_; // due time in microseconds, characters
    QByteArray outgoing_;
};
