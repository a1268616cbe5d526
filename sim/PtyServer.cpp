#include "PtyServer.h"

#include "platform/Clock.h"
#include "sim/VentrixDevice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>

namespace {

QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
}

constexpr qint64 MaxWaitMs = 1000;

} // namespace

PtyServer::PtyServer(VentrixDevice& device, Clock& clock) : device_(device), clock_(clock)
{ }

PtyServer::~PtyServer()
{
    close();
}

void PtyServer::close()
{
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
    queue_.clear();
    outgoing_.clear();
}

bool PtyServer::open(QString* error, bool newName)
{
    const auto fail = [&](const char* what) {
        if (error)
            *error = systemError(what);
        return false;
    };
    // The system gives the lowest free number: holding that one for a
    // moment makes the new terminal another.
    const int placeholder = newName ? ::posix_openpt(O_RDWR | O_NOCTTY) : -1;
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (placeholder >= 0)
        ::close(placeholder);
    if (master_ < 0)
        return fail("posix_openpt");
    if (::grantpt(master_) != 0)
        return fail("grantpt");
    if (::unlockpt(master_) != 0)
        return fail("unlockpt");
    const char* name = ::ptsname(master_);
    if (!name)
        return fail("ptsname");
    devicePath_ = QString::fromLocal8Bit(name);

    // The line discipline lives on the slave side: raw, so the program's
    // characters reach the unit as written (no echo, no line editing).
    slave_ = ::open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0)
        return fail("open slave");
    termios settings{};
    if (::tcgetattr(slave_, &settings) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&settings);
    ::cfsetispeed(&settings, B57600);
    ::cfsetospeed(&settings, B57600);
    if (::tcsetattr(slave_, TCSANOW, &settings) != 0)
        return fail("tcsetattr");

    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        return fail("fcntl");
    return true;
}

void PtyServer::deliverDue()
{
    const qint64 now = clock_.nowUs();
    while (!queue_.empty() && queue_.front().first <= now) {
        outgoing_ += queue_.front().second;
        queue_.erase(queue_.begin());
    }
    while (!outgoing_.isEmpty()) {
        const ssize_t written = ::write(master_, outgoing_.constData(), static_cast<size_t>(outgoing_.size()));
        if (written <= 0)
            return; // full (EAGAIN) or interrupted: the next wake-up tries again
        outgoing_.remove(0, written);
    }
}

void PtyServer::run(const sigset_t& waitMask, const volatile std::sig_atomic_t& stop, const std::function<void()>& idle)
{
    while (!stop) {
        deliverDue();

        qint64 waitUs = MaxWaitMs * 1000;
        if (!queue_.empty())
            waitUs = std::clamp<qint64>(queue_.front().first - clock_.nowUs(), 0, MaxWaitMs * 1000);
        pollfd watch{master_, static_cast<short>(POLLIN | (outgoing_.isEmpty() ? 0 : POLLOUT)), 0};
        const timespec timeout{static_cast<time_t>(waitUs / 1'000'000), static_cast<long>(waitUs % 1'000'000) * 1000};
        const int ready = ::ppoll(&watch, 1, &timeout, &waitMask);

        if (ready > 0 && (watch.revents & POLLIN)) {
            char buffer[4096];
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got > 0) {
                for (const SimChunk& chunk : device_.receiveAtUs(QByteArray(buffer, got), clock_.nowUs()))
                    queue_.emplace_back(chunk.dueUs, chunk.bytes);
                std::stable_sort(queue_.begin(), queue_.end(),
                                 [](const auto& a, const auto& b) { return a.first < b.first; });
            }
        } else if (ready > 0 && (watch.revents & (POLLHUP | POLLERR))) {
            // Not expected while the slave is held open; do not spin if it happens.
            ::usleep(10'000);
        }
        if (idle)
            idle();
    }
}
