// The real serial stack against a pseudo-terminal whose far end this test
// answers itself, as a unit on a cable would.
#include "link/QtSerialPort.h"
#include "link/Transaction.h"
#include "platform/Clock.h"
#include "state/PublicVars.h"

#include <QCoreApplication>
#include <atomic>
#include <fcntl.h>
#include "support/TestApplication.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

class PseudoTerminal {
public:
    PseudoTerminal()
    {
        char name[128] = {};
        if (openpty(&master_, &slave_, name, nullptr, nullptr) == 0) {
            termios raw{};
            tcgetattr(slave_, &raw);
            cfmakeraw(&raw);
            tcsetattr(slave_, TCSANOW, &raw);
            device_ = QString::fromLocal8Bit(name);
        }
    }
    ~PseudoTerminal()
    {
        stop_ = true;
        if (responder_.joinable())
            responder_.join();
        if (master_ >= 0)
            close(master_);
        if (slave_ >= 0)
            close(slave_);
    }

    QString device() const { return device_; }

    // Answers every complete frame with the given reply.
    void answerEveryFrameWith(const std::string& reply)
    {
        responder_ = std::thread([this, reply] {
            std::string pending;
            while (!stop_) {
                pollfd p{master_, POLLIN, 0};
                if (poll(&p, 1, 20) <= 0)
                    continue;
                char buffer[256];
                const ssize_t n = read(master_, buffer, sizeof buffer);
                if (n <= 0)
                    continue;
                pending.append(buffer, static_cast<size_t>(n));
                while (pending.find('$') != std::string::npos) {
                    pending.erase(0, pending.find('$') + 1);
                    ++frames;
                    (void)!write(master_, reply.data(), reply.size());
                }
            }
        });
    }

    std::atomic<int> frames{0};

private:
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    std::thread responder_;
    std::atomic<bool> stop_{false};
};

// Low latency is asked for on every open; refused (a pty has none), the port works on.
TEST(QtSerialPortTest, TransactsThroughAPseudoTerminal)
{
    TestApplication();
    PseudoTerminal pty;
    ASSERT_FALSE(pty.device().isEmpty());
    pty.answerEveryFrameWith("uu0103$");

    QList<qintptr> asked;
    QtSerialPort port({{1, pty.device()}}, [&](qintptr handle) {
        asked << handle;
        return false;
    });
    port.setPortNumber(1);
    EXPECT_EQ(port.setRts(true), PortError::None); // a pty has no RTS: not an error
    ASSERT_EQ(port.open(), PortError::None);
    EXPECT_EQ(port.open(), PortError::PortAlreadyOpen);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_GE(asked.first(), 0); // the open port's own handle
    EXPECT_FALSE(port.lowLatencyGranted());

    SystemClock clock;
    EXPECT_EQ(SendFrameOn(port, clock, QStringLiteral("Z"), 5, 1000), 1);
    EXPECT_EQ(LastReplyData(), QStringLiteral("03"));
    EXPECT_EQ(pty.frames.load(), 1);
    port.close();
    EXPECT_FALSE(port.isOpen());
    ASSERT_EQ(port.open(), PortError::None);
    EXPECT_EQ(asked.size(), 2);
}

TEST(QtSerialPortTest, ReportsPortsThatCannotBeUsed)
{
    TestApplication();
    QtSerialPort port({{1, QStringLiteral("/dev/kestrel-no-such-device")}});
    port.setPortNumber(2); // not assigned at all
    EXPECT_EQ(port.open(), PortError::InvalidPortNumber);
    port.setPortNumber(1);
    EXPECT_NE(port.open(), PortError::None);
    EXPECT_FALSE(port.isOpen());
    QByteArray received;
    EXPECT_EQ(port.readAll(received), PortError::PortNotOpen);
    EXPECT_EQ(port.write("UU01ZBB$"), PortError::PortNotOpen);
}

} // namespace
