#include "sim/SimFaults.h"

#include <optional>

namespace {

bool fail(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

bool toCount(const QString& text, int minimum, int& into)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < minimum)
        return false;
    into = value;
    return true;
}

const QStringList Commands = {"Z", "Y", "RT", "WT", "M", "R", "W", "S", "V", "T", "K"};

} // namespace

bool SimFaults::apply(const QString& nameValue, QString* error)
{
    const qsizetype equals = nameValue.indexOf(QLatin1Char('='));
    const QString name = nameValue.left(equals < 0 ? nameValue.size() : equals);
    const bool hasValue = equals >= 0;
    const QString value = hasValue ? nameValue.mid(equals + 1) : QString();

    const auto needsNoValue = [&](bool& flag) {
        if (hasValue)
            return fail(error, QStringLiteral("fault \"%1\" takes no value").arg(name));
        flag = true;
        return true;
    };
    const auto count = [&](int& into, int minimum, std::optional<int> byDefault) {
        if (!hasValue && byDefault) {
            into = *byDefault;
            return true;
        }
        if (!toCount(value, minimum, into))
            return fail(error,
                        QStringLiteral("fault \"%1\" needs a whole number of at least %2").arg(name).arg(minimum));
        return true;
    };

    if (name == QLatin1String("silent"))
        return needsNoValue(silent);
    if (name == QLatin1String("drop-every"))
        return count(dropEvery, 1, std::nullopt);
    if (name == QLatin1String("negative")) {
        if (!hasValue)
            return needsNoValue(negativeAll);
        for (const QString& command : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!Commands.contains(command))
                return fail(error,
                            QStringLiteral("fault \"negative\": unknown command \"%1\" (known: %2)")
                                .arg(command, Commands.join(QLatin1Char(','))));
            negativeCommands.append(command);
        }
        return true;
    }
    if (name == QLatin1String("stray")) {
        strayBefore = hasValue ? value.toLatin1() : QByteArrayLiteral("~");
        return !strayBefore.isEmpty() || fail(error, QStringLiteral("fault \"stray\" needs a character"));
    }
    if (name == QLatin1String("junk")) {
        junkAfter = hasValue ? value.toLatin1() : QByteArrayLiteral("#");
        return !junkAfter.isEmpty() || fail(error, QStringLiteral("fault \"junk\" needs some text"));
    }
    if (name == QLatin1String("split"))
        return count(splitInto, 1, 3);
    if (name == QLatin1String("delay"))
        return count(delayMs, 0, std::nullopt);
    if (name == QLatin1String("busy-probes"))
        return count(busyProbes, 0, 1);
    if (name == QLatin1String("refuse-writes"))
        return needsNoValue(refuseWrites);
    if (name == QLatin1String("wrong-echo"))
        return needsNoValue(wrongEcho);
    if (name == QLatin1String("self-test")) {
        if (value == QLatin1String("pass"))
            selfTest = SelfTestOutcome::Pass;
        else if (value == QLatin1String("fail"))
            selfTest = SelfTestOutcome::Fail;
        else if (value == QLatin1String("silent"))
            selfTest = SelfTestOutcome::Silent;
        else
            return fail(error, QStringLiteral("fault \"self-test\" is pass, fail or silent"));
        return true;
    }
    if (name == QLatin1String("late")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        if (!hasValue || parts.size() > 2 || !toCount(parts[0], 1, lateRequest)
            || (parts.size() == 2 && !toCount(parts[1], 0, lateByMs)))
            return fail(error, QStringLiteral("fault \"late\" needs a request number, e.g. late=5 or late=5:2500"));
        return true;
    }
    if (name == QLatin1String("late-alone")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        if (!hasValue || parts.size() > 2 || !toCount(parts[0], 1, lateAloneRequest)
            || (parts.size() == 2 && !toCount(parts[1], 0, lateAloneMs)))
            return fail(
                error,
                QStringLiteral("fault \"late-alone\" needs a request number, e.g. late-alone=5 or late-alone=5:3500"));
        return true;
    }
    if (name == QLatin1String("other-address"))
        return needsNoValue(otherAddress);
    if (name == QLatin1String("other-register"))
        return needsNoValue(otherRegister);
    if (name == QLatin1String("previous-reply"))
        return needsNoValue(previousReply);
    if (name == QLatin1String("in-data")) {
        const qsizetype colon = value.indexOf(QLatin1Char(':'));
        if (!hasValue || !toCount(value.left(colon < 0 ? value.size() : colon), 1, inDataEvery)
            || (colon >= 0 && colon + 1 == value.size()))
            return fail(
                error,
                QStringLiteral("fault \"in-data\" needs a count and may take text, e.g. in-data=3 or in-data=3:#"));
        inData = colon < 0 ? QByteArray(1, '\0') : value.mid(colon + 1).toLatin1();
        return true;
    }
    if (name == QLatin1String("short")) {
        if (!hasValue)
            return needsNoValue(shortAll);
        for (const QString& command : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            if (!Commands.contains(command))
                return fail(error,
                            QStringLiteral("fault \"short\": unknown command \"%1\" (known: %2)")
                                .arg(command, Commands.join(QLatin1Char(','))));
            shortCommands.append(command);
        }
        return true;
    }
    if (name == QLatin1String("vanish"))
        return count(vanishAfter, 0, 0);
    if (name == QLatin1String("vanish-port-error"))
        return needsNoValue(vanishPortError);
    if (name == QLatin1String("unplug")) {
        const QStringList parts = value.split(QLatin1Char(':'));
        if (!hasValue || parts.size() > 2 || !toCount(parts[0], 0, unplugAfter)
            || (parts.size() == 2 && !toCount(parts[1], 0, unplugMs)))
            return fail(error,
                        QStringLiteral("fault \"unplug\" needs a request count, e.g. unplug=40 or unplug=40:8000"));
        return true;
    }
    if (name == QLatin1String("replug-port"))
        return count(replugPort, 1, std::nullopt);
    return fail(error, QStringLiteral("unknown fault \"%1\"").arg(name));
}

QString SimFaults::Help()
{
    return QStringLiteral(
        "      silent               the unit answers nothing\n"
        "      drop-every=N         no reply to every Nth request\n"
        "      negative             every request is refused (\"uu01$\")\n"
        "      negative=CMD,...     these commands are refused: Z Y RT WT M R W S V T K\n"
        "      stray[=C]            a stray character (default ~) before every reply\n"
        "      junk[=TEXT]          junk (default #) after every reply's \"$\"\n"
        "      split[=N]            every reply arrives in N pieces (default 3)\n"
        "      delay=MS             every reply arrives MS milliseconds late\n"
        "      busy-probes[=N]      the first N probes (default 1) answer 02, then 03\n"
        "      refuse-writes        W, WT and S are refused and change nothing\n"
        "      wrong-echo           writes store and echo the value with its low bit flipped\n"
        "      self-test=RESULT     the self-test passes, fails or stays silent (pass|fail|silent)\n"
        "      late=N[:MS]          the reply to request N alone comes MS (default 1500) ms late\n"
        "      late-alone=N[:MS]    the reply to request N alone comes MS (default 3500) ms late,\n"
        "                           the replies after it going out meanwhile\n"
        "      other-address        replies to R, W and S name the next cell (R: with its value)\n"
        "      other-register       replies to RT name the next register, with its value\n"
        "      previous-reply       each request gets the reply meant for the one before it\n"
        "      in-data=N[:TEXT]     TEXT (default a NUL) in the middle of every Nth reply's data\n"
        "      short[=CMD,...]      replies (to these commands) keep only their first data character\n"
        "      vanish[=N]           the unit disappears after N requests (default 0)\n"
        "      vanish-port-error    once it has vanished, the port reports the hardware missing\n"
        "      unplug=N[:MS]        after N requests the link is pulled out for MS (default 5000) ms,\n"
        "                           then plugged in again\n"
        "      replug-port=P        an unplugged link comes back as port P (ventrix-sim: a new\n"
        "                           device name)\n");
}
