// Starts the ventrix-sim program and talks to it through its pseudo-terminal
// with plain POSIX calls, as any serial program would.

#include "link/Frame.h"
#include "sim/VentrixMemory.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class VentrixSimProgram : public ::testing::Test {
protected:
    void start(std::vector<std::string> args)
    {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        args.insert(args.begin(), VENTRIX_SIM_PATH);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        ASSERT_EQ(::posix_spawn(&pid_, VENTRIX_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        stdout_ = out[0];

        const std::string path = readUntil(stdout_, '\n');
        ASSERT_FALSE(path.empty());
        pty_ = ::open(path.substr(0, path.size() - 1).c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(pty_, 0) << path;
    }

    // Reads until the terminator, for up to five seconds.
    static std::string readUntil(int fd, char terminator)
    {
        std::string text;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (text.empty() || text.back() != terminator) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd watch{fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&watch, 1, static_cast<int>(left.count())) <= 0)
                break;
            char c;
            if (::read(fd, &c, 1) != 1)
                break;
            text += c;
        }
        return text;
    }

    std::string exchange(const char* payload)
    {
        const QByteArray request = frame::Build(QString::fromLatin1(payload));
        if (::write(pty_, request.constData(), request.size()) != request.size())
            return "write failed";
        return readUntil(pty_, '$');
    }

    int stop()
    {
        int status = -1;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void TearDown() override
    {
        if (pid_ > 0)
            stop();
        if (pty_ >= 0)
            ::close(pty_);
        if (stdout_ >= 0)
            ::close(stdout_);
    }

    pid_t pid_ = -1;
    int stdout_ = -1;
    int pty_ = -1;
};

TEST_F(VentrixSimProgram, AnswersTheProbeOnItsTerminalAndKeepsItsMemory)
{
    QTemporaryDir dir;
    const QString memoryFile = dir.filePath(QStringLiteral("unit.mem"));
    start({"--quiet", "--memory", memoryFile.toStdString(), "--sim-pace"});

    // The bare stop character is skipped, the frames are answered.
    ASSERT_EQ(::write(pty_, "X", 1), 1);
    EXPECT_EQ(exchange("Z"), "uu0103$");
    EXPECT_EQ(exchange("WC1F80"), "uu01wc1F80$");
    EXPECT_EQ(stop(), 0);

    VentrixMemory saved;
    QString error;
    ASSERT_TRUE(saved.load(memoryFile, &error)) << qPrintable(error);
    EXPECT_EQ(saved.cell('C', 0x1F), 0x80);
}

} // namespace
