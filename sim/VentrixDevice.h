#pragma once

#include "sim/EngineLaw.h"
#include "sim/FrameReader.h"
#include "sim/SimFaults.h"
#include "sim/VentrixMemory.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <optional>

// Characters of a reply and the device-clock time (ms) from which the
// program can read them.
struct SimChunk {
    QByteArray bytes;
    qint64 dueMs; // rounded up to the next millisecond
    qint64 dueUs;
};

// The simulated unit: its memory, the engine it watches and the command set
// it answers. It takes the program's characters with the time they were
// written and returns its replies with the times they arrive; it owns no
// clock and no port (SimulatedPort and the pseudo-terminal server carry the
// characters). No windows, no threads.
class VentrixDevice {
public:
    static constexpr int BitRate = 57600;
    static constexpr int BitsPerCharacter = 10;
    static constexpr int DefaultTurnaroundUs = 200;
    static constexpr double DefaultMafKeyOnVolts = 0.6;
    static constexpr double DefaultTpsKeyOnVolts = 0.8;
    static constexpr int DefaultSelfTestMs = 2000;
    static constexpr int DefaultFirmwareMajor = 1;
    static constexpr int DefaultFirmwareMinor = 23;
    static constexpr int PayloadLogLimit = 10'000;

    VentrixDevice() = default;

    VentrixMemory& memory() { return memory_; }
    const VentrixMemory& memory() const { return memory_; }

    // Revision major.minor: major 0 to 9, minor 0 to 99 (1.23 by default).
    void setFirmware(int major, int minor);
    int firmwareMajor() const { return firmwareMajor_; }
    int firmwareMinor() const { return firmwareMinor_; }

    // The MAF and TPS voltages measured at power-up, 0 to 5 V.
    void setKeyOnVolts(double mafVolts, double tpsVolts);
    double mafKeyOnVolts() const { return mafKeyOnVolts_; }
    double tpsKeyOnVolts() const { return tpsKeyOnVolts_; }

    // Which tune the flip-chip selects: 1 uses tables C and O, 2 uses L and H.
    void setActiveTune(int tune) { activeTune_ = tune == 2 ? 2 : 1; }
    int activeTune() const { return activeTune_; }

    // How long the self-test takes before it answers.
    void setSelfTestMs(int ms) { selfTestMs_ = qMax(0, ms); }

    // Pacing: replies take their time on the 57600 bit/s line (10 bits per
    // character), after the request's own time on the line and a turnaround.
    // Without pacing a reply is readable as soon as the request is written.
    void setPacing(bool on) { pacing_ = on; }
    bool pacing() const { return pacing_; }
    void setTurnaroundUs(int us) { turnaroundUs_ = qMax(0, us); }

    // Where the engine model's 30-second cycle starts; by default at the
    // first request, and again at each soft reset.
    void setEngineStart(qint64 ms) { engineStartMs_ = ms; }

    // The engine's drive, MAF sensor error, installed injectors and noise.
    void setEngine(const SimulatedEngine& engine) { engine_ = engine; }
    const SimulatedEngine& engine() const { return engine_; }

    SimFaults& faults() { return faults_; }
    const SimFaults& faults() const { return faults_; }
    void setFaults(const SimFaults& faults) { faults_ = faults; }

    // Gone (unplugged, powered off): hears and answers nothing.
    bool vanished() const;
    void vanishNow() { faults_.vanishAfter = requestsHeard_; }

    // Takes characters the program wrote at nowMs; returns the replies, in
    // order, each piece with the time it becomes readable.
    QList<SimChunk> receive(const QByteArray& bytes, qint64 nowMs);
    // The same with the arrival time in microseconds, for paced timing finer
    // than a millisecond.
    QList<SimChunk> receiveAtUs(const QByteArray& bytes, qint64 nowUs);

    // The data of a live sample ("M" reply without its frame) at nowMs.
    QByteArray liveSampleData(qint64 nowMs) const;

    // Requests heard, by command: "Z", "Y", "RT", "WT", "M", "R", "W", "S",
    // "V", "T", "K"; anything else under "?". Frames with a bad length or
    // checksum count as malformed, bare stop characters as raw stops.
    int requestCount(const QString& command) const { return counts_.value(command); }
    int requestsHeard() const { return requestsHeard_; }
    int malformedCount() const { return malformed_; }
    int rawStopCount() const { return rawStops_; }
    // Payloads of well-formed requests, oldest first (the last 10 000).
    const QList<QByteArray>& payloadLog() const { return payloadLog_; }
    void clearLog();

    // Called for every frame heard, with the reply sent (empty for none).
    using FrameListener = std::function<void(const QByteArray& frame, const QByteArray& reply)>;
    void setFrameListener(FrameListener listener) { listener_ = std::move(listener); }

    // The command a payload carries, as counted above.
    static QString CommandOf(const QByteArray& payload);

private:
    struct Answer {
        QByteArray data; // reply data; no answer when unset
        bool positive = true;
        int workMs = 0; // time the unit spends before it answers
        bool silent = false;
    };

    Answer execute(const QByteArray& payload, qint64 nowMs);
    Answer registerCommand(const QByteArray& payload, bool write);
    Answer cellCommand(const QByteArray& payload, bool write);
    Answer fillCommand(const QByteArray& payload);
    int writtenValue(int requested) const;
    double widebandAirFuel(qint64 engineMs) const;
    double burntAirFuel(qint64 engineMs) const;
    QList<SimChunk> schedule(const QByteArray& reply, qint64 arrivalUs, int workMs);
    qint64 characterUs(qint64 characters) const;

    VentrixMemory memory_;
    SimulatedEngine engine_;
    SimFaults faults_;
    FrameReader reader_;
    FrameListener listener_;

    int firmwareMajor_ = DefaultFirmwareMajor;
    int firmwareMinor_ = DefaultFirmwareMinor;
    double mafKeyOnVolts_ = DefaultMafKeyOnVolts;
    double tpsKeyOnVolts_ = DefaultTpsKeyOnVolts;
    int activeTune_ = 1;
    int selfTestMs_ = DefaultSelfTestMs;
    bool pacing_ = false;
    int turnaroundUs_ = DefaultTurnaroundUs;
    std::optional<qint64> engineStartMs_;

    int requestsHeard_ = 0;
    int probesAnswered_ = 0;
    int malformed_ = 0;
    int rawStops_ = 0;
    QMap<QString, int> counts_;
    QList<QByteArray> payloadLog_;
    qint64 busyUntilUs_ = 0; // when the unit's transmitter is free again
    QByteArray heldReply_;   // previous-reply: the reply the next request gets
};
