#include "sim/VentrixDevice.h"

#include "link/Commands.h"
#include "sim/EngineModel.h"
#include "sim/Hex.h"

#include <algorithm>
#include <cmath>

namespace {

using sim_hex::Byte;
using sim_hex::ParseByte;

const QByteArray PositivePrefix = QByteArrayLiteral("uu01");

QByteArray word(int value)
{
    return Byte(value >> 8) + Byte(value);
}

int signedByte(int byte)
{
    return byte > 127 ? byte - 256 : byte;
}

char lower(char c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

// Analogue-to-digital counts of a 0 to 5 V input (10 bits).
int voltsToCounts(double volts)
{
    return std::clamp(static_cast<int>(std::lround(volts / 5.0 * 1023.0)), 0, 1023);
}

double countsToVolts(int counts)
{
    return counts * 5.0 / 1023.0;
}

// Power-up values are reported on a 256-step scale.
int keyOnByte(double volts)
{
    return std::clamp(static_cast<int>(std::lround(volts / 5.0 * 256.0)), 0, 255);
}

} // namespace

void VentrixDevice::setFirmware(int major, int minor)
{
    firmwareMajor_ = std::clamp(major, 0, 9);
    firmwareMinor_ = std::clamp(minor, 0, 99);
}

void VentrixDevice::setKeyOnVolts(double mafVolts, double tpsVolts)
{
    mafKeyOnVolts_ = std::clamp(mafVolts, 0.0, 5.0);
    tpsKeyOnVolts_ = std::clamp(tpsVolts, 0.0, 5.0);
}

bool VentrixDevice::vanished() const
{
    return faults_.vanishAfter >= 0 && requestsHeard_ >= faults_.vanishAfter;
}

void VentrixDevice::clearLog()
{
    requestsHeard_ = 0;
    malformed_ = 0;
    rawStops_ = 0;
    counts_.clear();
    payloadLog_.clear();
}

QString VentrixDevice::CommandOf(const QByteArray& payload)
{
    if (payload.startsWith("RT") || payload.startsWith("WT"))
        return QString::fromLatin1(payload.left(2));
    if (!payload.isEmpty() && QByteArrayLiteral("ZYMRWSVTK").contains(payload[0]))
        return QString(QLatin1Char(payload[0]));
    return QStringLiteral("?");
}

qint64 VentrixDevice::characterUs(qint64 characters) const
{
    const qint64 bits = characters * BitsPerCharacter;
    return (bits * 1'000'000 + BitRate - 1) / BitRate;
}

QList<SimChunk> VentrixDevice::receive(const QByteArray& bytes, qint64 nowMs)
{
    return receiveAtUs(bytes, nowMs * 1000);
}

QList<SimChunk> VentrixDevice::receiveAtUs(const QByteArray& bytes, qint64 nowUs)
{
    const qint64 nowMs = nowUs / 1000;
    if (vanished())
        return {};
    if (!engineStartMs_)
        engineStartMs_ = nowMs;

    QList<SimChunk> replies;
    // When the last character of the frame being handled has arrived: frames
    // written together follow one another on the line.
    qint64 arrivalUs = nowUs;
    for (const FrameReader::Item& item : reader_.feed(bytes)) {
        if (item.kind == FrameReader::Item::Kind::RawStop) {
            ++rawStops_;
            continue;
        }
        if (vanished())
            break;
        if (pacing_)
            arrivalUs += characterUs(item.text.size());
        ++requestsHeard_;

        const bool wellFormed = item.kind == FrameReader::Item::Kind::Request;
        const QString command = wellFormed ? CommandOf(item.payload) : QString();
        if (wellFormed) {
            ++counts_[command];
            payloadLog_.append(item.payload);
            if (payloadLog_.size() > PayloadLogLimit)
                payloadLog_.removeFirst();
        } else {
            ++malformed_;
        }

        // Faults that lose the request act before the unit does anything
        // with it: a dropped write changes no memory.
        const bool lost = faults_.silent || (faults_.dropEvery > 0 && requestsHeard_ % faults_.dropEvery == 0);
        const bool isWrite =
            command == QLatin1String("W") || command == QLatin1String("WT") || command == QLatin1String("S");
        const bool refused = !wellFormed || faults_.negativeAll || faults_.negativeCommands.contains(command)
            || (faults_.refuseWrites && isWrite);

        QByteArray reply;
        if (!lost) {
            Answer answer;
            if (refused)
                answer.positive = false;
            else
                answer = execute(item.payload, nowMs);
            if (faults_.shortAll || faults_.shortCommands.contains(command))
                answer.data.truncate(1);
            if (requestsHeard_ == faults_.lateRequest)
                answer.workMs += faults_.lateByMs;
            if (answer.positive && faults_.inDataEvery > 0 && requestsHeard_ % faults_.inDataEvery == 0)
                answer.data.insert(answer.data.size() / 2, faults_.inData);
            if (!answer.silent) {
                reply = faults_.strayBefore + PositivePrefix + (answer.positive ? answer.data : QByteArray()) + '$'
                    + faults_.junkAfter;
                if (faults_.previousReply)
                    std::swap(reply, heldReply_);
            }
            if (!reply.isEmpty() && requestsHeard_ == faults_.lateAloneRequest) {
                // Sent later without holding up the replies after it.
                const qint64 busyUntil = busyUntilUs_;
                for (SimChunk chunk : schedule(reply, arrivalUs, answer.workMs)) {
                    chunk.dueUs += qint64(faults_.lateAloneMs) * 1000;
                    chunk.dueMs = (chunk.dueUs + 999) / 1000;
                    replies += chunk;
                }
                busyUntilUs_ = busyUntil;
            } else if (!reply.isEmpty()) {
                replies += schedule(reply, arrivalUs, answer.workMs);
            }
        }
        if (listener_)
            listener_(item.text, reply);
    }
    return replies;
}

QList<SimChunk> VentrixDevice::schedule(const QByteArray& reply, qint64 arrivalUs, int workMs)
{
    const qint64 readyUs = arrivalUs + (pacing_ ? turnaroundUs_ : 0) + qint64(workMs) * 1000;
    const qint64 startUs = std::max(readyUs, busyUntilUs_) + qint64(faults_.delayMs) * 1000;

    // Without pacing the pieces of a split reply still arrive a millisecond
    // apart, so that each is a read of its own.
    const qsizetype pieces = std::clamp<qsizetype>(faults_.splitInto, 1, reply.size());
    QList<SimChunk> chunks;
    qsizetype sent = 0;
    qint64 endUs = startUs;
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype upTo = reply.size() * (i + 1) / pieces;
        endUs = pacing_ ? startUs + characterUs(upTo) : startUs + i * 1000;
        chunks.append({reply.mid(sent, upTo - sent), (endUs + 999) / 1000, endUs});
        sent = upTo;
    }
    busyUntilUs_ = endUs;
    return chunks;
}

int VentrixDevice::writtenValue(int requested) const
{
    return faults_.wrongEcho ? requested ^ 0x01 : requested;
}

VentrixDevice::Answer VentrixDevice::execute(const QByteArray& payload, qint64 nowMs)
{
    const Answer refused{{}, false};
    const QString command = CommandOf(payload);
    const bool bare = payload.size() == 1;

    if (command == QLatin1String("Z") && bare) {
        const int status = probesAnswered_++ < faults_.busyProbes ? 2 : 3;
        return {QByteArray("0") + QByteArray::number(status)};
    }
    if (command == QLatin1String("Y") && bare)
        return {"y" + Byte(keyOnByte(mafKeyOnVolts_)) + Byte(keyOnByte(tpsKeyOnVolts_)) + Byte(memory_.stageCode())};
    if (command == QLatin1String("RT") || command == QLatin1String("WT"))
        return registerCommand(payload, command == QLatin1String("WT"));
    if (command == QLatin1String("M") && bare)
        return {liveSampleData(nowMs)};
    if (command == QLatin1String("R") || command == QLatin1String("W"))
        return cellCommand(payload, command == QLatin1String("W"));
    if (command == QLatin1String("S"))
        return fillCommand(payload);
    if (command == QLatin1String("V") && bare)
        return {"v" + QByteArray::number(firmwareMajor_) + QByteArray::number(firmwareMinor_).rightJustified(2, '0')};
    if (command == QLatin1String("T") && bare) {
        Answer answer{faults_.selfTest == SelfTestOutcome::Fail ? "tf" : "tp"};
        answer.workMs = selfTestMs_;
        answer.silent = faults_.selfTest == SelfTestOutcome::Silent;
        return answer;
    }
    if (command == QLatin1String("K") && bare) {
        // A restart: the engine model and the probe count begin again; the
        // memory is kept.
        probesAnswered_ = 0;
        engineStartMs_ = nowMs;
        return {"k"};
    }
    return refused;
}

VentrixDevice::Answer VentrixDevice::registerCommand(const QByteArray& payload, bool write)
{
    const Answer refused{{}, false};
    int reg = 0;
    int value = 0;
    if (payload.size() != (write ? 6 : 4) || !ParseByte(payload.mid(2, 2), reg) || reg >= VentrixMemory::RegisterCount)
        return refused;
    if (write) {
        if (!ParseByte(payload.mid(4, 2), value))
            return refused;
        memory_.setRegister(reg, writtenValue(value));
    }
    const int named = faults_.otherRegister && !write ? (reg + 1) % VentrixMemory::RegisterCount : reg;
    return {(write ? "wt" : "rt") + Byte(named) + Byte(memory_.registerValue(named))};
}

VentrixDevice::Answer VentrixDevice::cellCommand(const QByteArray& payload, bool write)
{
    const Answer refused{{}, false};
    int address = 0;
    int value = 0;
    if (payload.size() != (write ? 6 : 4) || !VentrixMemory::IsTable(payload[1])
        || !ParseByte(payload.mid(2, 2), address))
        return refused;
    const char table = payload[1];
    if (write) {
        if (!ParseByte(payload.mid(4, 2), value))
            return refused;
        memory_.setCell(table, address, writtenValue(value));
    }
    const int named = faults_.otherAddress ? (address + 1) & 0xFF : address;
    return {QByteArray(1, write ? 'w' : 'r') + lower(table) + Byte(named) + Byte(memory_.cell(table, named))};
}

VentrixDevice::Answer VentrixDevice::fillCommand(const QByteArray& payload)
{
    const Answer refused{{}, false};
    int first = 0;
    int last = 0;
    int value = 0;
    if (payload.size() != 8 || !VentrixMemory::IsTable(payload[1]) || !ParseByte(payload.mid(2, 2), first)
        || !ParseByte(payload.mid(4, 2), last) || !ParseByte(payload.mid(6, 2), value) || first > last)
        return refused;
    const char table = payload[1];
    const int stored = writtenValue(value);
    for (int address = first; address <= last; ++address)
        memory_.setCell(table, address, stored);
    const int shift = faults_.otherAddress ? 1 : 0;
    return {"s" + QByteArray(1, lower(table)) + Byte(first + shift) + Byte(last + shift) + Byte(stored)};
}

namespace {

// The correction table the unit works from: the throttle chooses between open
// loop (TPS above the W.O.T. breakpoint) and closed loop, the flip-chip's tune
// between O/C (tune 1) and H/L (tune 2).
char tableInUse(bool wideOpen, int activeTune)
{
    return wideOpen ? (activeTune == 1 ? 'O' : 'H') : (activeTune == 1 ? 'C' : 'L');
}

int eecRegisterOf(char table)
{
    switch (table) {
    case 'O':
        return cmd::EecInjectorsOL;
    case 'C':
        return cmd::EecInjectors;
    case 'H':
        return cmd::EecInjectorsOLBank2;
    default:
        return cmd::EecInjectorsBank2;
    }
}

} // namespace

// The output follows the input, changed by the correction cell the engine is
// working in: the table is chosen by the throttle (open loop above the W.O.T.
// breakpoint, closed loop below) and the tune (1: O and C, 2: H and L), the
// cell by the MAF input voltage (cell = volts / 5 x 255, so cell 128 is about
// 2.5 V). The voltage offset (register 13, signed, about one count per step)
// is added last. Flows are the transfer function read at the input and the
// output voltage (cell = volts x 51.2, interpolated).
QByteArray VentrixDevice::liveSampleData(qint64 nowMs) const
{
    const qint64 engineMs = nowMs - engineStartMs_.value_or(nowMs);
    const EngineState engine = EngineModel::At(engineMs, engine_.drive);

    const int mafIn = voltsToCounts(engine.mafVolts);
    const int tps = voltsToCounts(tpsKeyOnVolts_ + engine.throttleDegrees / 25.04);
    const int breakpoint =
        memory_.registerValue(cmd::WotBreakpointHigh) * 256 + memory_.registerValue(cmd::WotBreakpointLow);
    const bool wideOpen = countsToVolts(tps) > breakpoint * 5.0 / 1024.0;
    const char table = tableInUse(wideOpen, activeTune_);
    const int cell = static_cast<int>(std::lround(mafIn * 255.0 / 1023.0));
    const int correction = signedByte(memory_.cell(table, cell));
    const int offset = signedByte(memory_.registerValue(cmd::VoltageOffset));
    const int mafOut =
        std::clamp(static_cast<int>(std::lround(mafIn * (100.0 + correction) / 100.0)) + offset, 0, 1023);

    const auto flowAt = [this](int counts) {
        const double position = std::clamp(countsToVolts(counts) * 1024.0 / 20.0, 0.0, 255.0);
        const int below = static_cast<int>(position);
        const int above = std::min(below + 1, 255);
        const double f = position - below;
        return static_cast<int>(std::lround(memory_.transferFlow(below) * (1 - f) + memory_.transferFlow(above) * f));
    };

    // The wideband reading suits the program's default sensor, whose ratio
    // falls 2 points per volt from 20:1 at 0 V.
    const double widebandVolts = (20.0 - widebandAirFuel(engineMs)) / 2.0;
    const int wideband = std::clamp(static_cast<int>(std::lround(widebandVolts / 5.0 * 255.0)), 0, 255);
    const int speed = std::clamp(static_cast<int>(std::lround(engine.rpm / 40.0)), 0, 255);
    const int multispark = memory_.registerValue(cmd::IgnitionType) == 0x80 ? 1 : 0;
    const int flipChip = activeTune_ == 2 ? 0 : 1; // 0: the flip-chip selects tune 2

    return "m" + word(mafIn) + word(mafOut) + word(tps) + Byte(wideband) + word(flowAt(mafIn)) + word(flowAt(mafOut))
        + Byte(speed) + Byte(multispark) + Byte(flipChip);
}

// What the wideband shows now (sim/EngineLaw.h): the mixture burnt a
// transport delay and a lag earlier.
double VentrixDevice::widebandAirFuel(qint64 engineMs) const
{
    return engine_law::WidebandReading(engine_, engineMs, [this](qint64 ms) { return burntAirFuel(ms); });
}

// The engine law at one moment of the engine's drive.
double VentrixDevice::burntAirFuel(qint64 engineMs) const
{
    const EngineState then = EngineModel::At(engineMs, engine_.drive);
    const int mafIn = voltsToCounts(then.mafVolts);
    const int tps = voltsToCounts(tpsKeyOnVolts_ + then.throttleDegrees / 25.04);
    const int breakpoint =
        memory_.registerValue(cmd::WotBreakpointHigh) * 256 + memory_.registerValue(cmd::WotBreakpointLow);
    double airFuel = then.airFuelRatio;
    if (countsToVolts(tps) > breakpoint * 5.0 / 1024.0) {
        const char table = tableInUse(true, activeTune_);
        const int eec = memory_.registerValue(eecRegisterOf(table));
        const int cell = static_cast<int>(std::lround(mafIn * 255.0 / 1023.0));
        const int correction = signedByte(memory_.cell(table, cell));
        const double needed = engine_law::NeededCorrection(engine_, countsToVolts(mafIn), eec);
        airFuel = engine_law::OpenLoopAirFuel(then.airFuelRatio, correction, needed, eec);
    }
    return airFuel;
}
