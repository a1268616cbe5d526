#pragma once

#include "link/SerialPort.h"
#include "platform/Clock.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>

// Numbered ports, each with a scripted device: what open says, and the reply
// (possibly none) to each frame written. Waiting costs simulated time only.
class FakePorts final : public SerialPort {
public:
    struct Device {
        PortError openError = PortError::None;
        // Reply bytes to a frame; empty means silence.
        std::function<QByteArray(const QByteArray& frame)> answer;
        // How long after the request its reply becomes readable.
        int replyDelayMs = 0;
    };

    explicit FakePorts(ManualClock& clock) : clock_(clock) { }

    Device& device(int number) { return devices_[number]; }

    void setPortNumber(int number) override { number_ = number; }
    int portNumber() const override { return number_; }

    PortError open() override
    {
        opens.append(number_);
        if (open_)
            return PortError::PortAlreadyOpen;
        if (!devices_.contains(number_))
            return PortError::InvalidPortNumber;
        if (devices_[number_].openError != PortError::None)
            return devices_[number_].openError;
        open_ = true;
        return PortError::None;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    PortError setRts(bool on) override
    {
        rts = on;
        return PortError::None;
    }
    PortError write(const QByteArray& bytes) override
    {
        if (!open_)
            return PortError::PortNotOpen;
        written[number_].append(bytes);
        if (devices_[number_].answer) {
            pending_ += devices_[number_].answer(bytes);
            due_ = clock_.nowMs() + devices_[number_].replyDelayMs;
        }
        return PortError::None;
    }
    PortError readAll(QByteArray& received) override
    {
        if (!open_)
            return PortError::PortNotOpen;
        received.clear();
        if (clock_.nowMs() >= due_)
            received.swap(pending_);
        return PortError::None;
    }
    bool waitForData(int ms) override
    {
        if (pending_.isEmpty()) {
            clock_.sleepBlocking(ms);
            return false;
        }
        clock_.sleepBlocking(static_cast<int>(std::min<qint64>(ms, std::max<qint64>(0, due_ - clock_.nowMs()))));
        return clock_.nowMs() >= due_;
    }

    QList<int> opens;
    QMap<int, QList<QByteArray>> written;
    bool rts = false;

private:
    ManualClock& clock_;
    QMap<int, Device> devices_;
    int number_ = 1;
    bool open_ = false;
    QByteArray pending_;
    qint64 due_ = 0;
};

// A unit answering each probe with the next status of a list (the last one repeats).
inline std::function<QByteArray(const QByteArray&)> AnswersStatuses(QList<QByteArray> statuses)
{
    auto remaining = std::make_shared<QList<QByteArray>>(std::move(statuses));
    return [remaining](const QByteArray&) {
        const QByteArray status = remaining->size() > 1 ? remaining->takeFirst() : remaining->first();
        return QByteArrayLiteral("uu01") + status + '$';
    };
}

// A port that passes everything to another; tests derive from it to
// rewrite or intercept part of the traffic.
class ForwardingPort : public SerialPort {
public:
    explicit ForwardingPort(SerialPort& inner) : inner_(inner) { }
    void setPortNumber(int number) override { inner_.setPortNumber(number); }
    int portNumber() const override { return inner_.portNumber(); }
    PortError open() override { return inner_.open(); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    PortError setRts(bool on) override { return inner_.setRts(on); }
    PortError write(const QByteArray& bytes) override { return inner_.write(bytes); }
    PortError readAll(QByteArray& received) override { return inner_.readAll(received); }
    bool waitForData(int ms) override { return inner_.waitForData(ms); }

protected:
    SerialPort& inner_;
};

// The simulated unit's port, with the replies to chosen requests given in
// the unit's place: the reply data for requests whose payload starts with a
// key ("" is a refusal, "uu01$"), or no reply at all for a silenced prefix.
class ScriptedRepliesPort final : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;

    QMap<QString, QString> replies;
    QStringList silenced;
    // Every request written, answered here or not.
    QStringList requests;
    // Writes attempted while the port was closed.
    int writesWhileClosed = 0;

    PortError write(const QByteArray& bytes) override
    {
        if (!inner_.isOpen()) {
            ++writesWhileClosed;
            return PortError::PortNotOpen;
        }
        const QString payload = payloadOf(bytes);
        requests << payload;
        for (const QString& prefix : silenced)
            if (payload.startsWith(prefix))
                return PortError::None;
        for (auto it = replies.cbegin(); it != replies.cend(); ++it) {
            if (payload.startsWith(it.key())) {
                queued_ += "uu01" + it.value().toLatin1() + "$";
                return PortError::None;
            }
        }
        return inner_.write(bytes);
    }
    PortError readAll(QByteArray& received) override
    {
        if (queued_.isEmpty())
            return inner_.readAll(received);
        received.swap(queued_);
        queued_.clear();
        return PortError::None;
    }
    bool waitForData(int ms) override { return !queued_.isEmpty() || inner_.waitForData(ms); }

private:
    // "UU" + two length digits + payload + two checksum digits + "$".
    static QString payloadOf(const QByteArray& frame)
    {
        return frame.size() >= 7 ? QString::fromLatin1(frame.mid(4, frame.size() - 7)) : QString();
    }

    QByteArray queued_;
};
