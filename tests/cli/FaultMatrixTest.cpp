// Every kestrel-cli command against the simulated unit in every way it can
// misbehave, on the manual clock. For every cell: the run ends within the
// time its attempts allow, and either succeeds with exactly the unit's data
// (or exactly the change asked for), or fails non-zero saying where it
// stopped. A wrong value with exit 0 fails the test.
#include "CliFixture.h"

#include "link/Frame.h"
#include "monitor/Datalog.h"
#include "monitor/LiveSample.h"

#include <QSet>

namespace {

// The late-alone faults: a reply that comes after the wait for it has given
// up, while later requests are being answered (each reply 7 ms): during the
// configuration load, at the first cell read, in the middle of an export.
// Then a live sample cut short; a unit that answers for the next register,
// with the previous request's reply, with a NUL or junk in the data.
const QStringList Faults =
    QStringLiteral("silent;drop-every=3;negative;stray;junk;split;late=1;late=17;delay=1500;busy-probes;wrong-echo;"
                   "other-address;short;short=R;short=RT,Y,V;vanish=10;vanish=20;late-alone=3 delay=7;"
                   "late-alone=17 delay=7;late-alone=600 delay=7;short=M;other-register;previous-reply;in-data=3;"
                   "in-data=3:#;in-data=2:5")
        .split(QLatin1Char(';'));

// The program's own failure texts: a failed run names where it stopped with one.
const QStringList FailureTexts = {
    "VentrixTM not located on any active comm port.",
    "Failed to load configuration data from Ventrix. Please try manual load.\nNo answer to \"",
    "Read Operation Failed. Please try again\nNo answer to \"RO28\".",
    "Write operation failed. Please try again.\nNo answer to \"WO4BFB\".",
    "Write byte operation failed!\nSent \"WO4BFB\"",
    "Block Write Failed. Please try again.\nNo answer to \"SC324B04\".",
    "Write Block operation failed!\nSent \"SC324B04\"",
    "Table Read Failed. Please try again.\nNo answer at cell",
    "Table Read Failed. Please try again.\nNo usable answer to \"",
    "Import operation failed. Please try again.\nStopped at line",
    "Import operation failed!\nStopped at line",
    "The tune in the unit could not be backed up.\nThe unit did not answer \"",
    "Lost Connection to VentrixTM!",
};

// The time-out of each request kestrel-cli sends, by command.
int timeoutOf(const QByteArray& payload)
{
    if (payload.startsWith('S'))
        return 10000;
    if (payload == "V")
        return 5000;
    return 1000;
}

class FaultMatrixTest : public CliFixture {
protected:
    struct Operation {
        QString name;
        QStringList args;
    };

    QList<Operation> operations()
    {
        return {
            {"probe", {"probe"}},
            {"info", {"info"}},
            {"read", {"read", "O", "1600"}},
            {"write", {"write", "O", "3000", "-5", "--yes"}},
            {"fill", {"fill", "C", "2000", "3000", "4", "--yes"}},
            {"list", {"list", "O", "-o", dir.filePath("LO_Table.txt")}},
            {"export", {"export", dir.filePath("backup.tun")}},
            {"import", {"import", source, "--yes"}},
            {"monitor", {"monitor", "--seconds", "1", "--log", dir.filePath("run.txt")}},
            {"monitor", {"monitor", "--rate", "100", "--seconds", "1", "--log", dir.filePath("run.txt")}},
        };
    }

    // A fresh unit holding tune 1 (made anew in place: the port keeps a
    // reference to it), on the clock where the last run ended.
    void freshUnit()
    {
        device.~VentrixDevice();
        new (&device) VentrixDevice;
        tune_test::FillTune(device.memory(), 1);
        // Tune 1 fills the registers too; the unit's configuration stays sane.
        for (const auto& [reg, byte] : {std::pair{0x00, 0x02}, {0x01, 0x00}, {0x06, 0x81}})
            device.memory().setRegister(reg, byte);
        port.close();
        port.ledger() = ReplyLedger();
        for (int number = 1; number <= 6; ++number)
            writtenBefore[number] = port.writtenTo(number).size();
        for (const char* name : {"LO_Table.txt", "backup.tun", "run.txt"})
            QFile::remove(dir.filePath(QString::fromLatin1(name)));
        replies.clear();
        device.setFrameListener([this](const QByteArray& frame, const QByteArray& reply) {
            if (frame.startsWith("UU01M"))
                replies << reply;
        });
    }

    // What a healthy unit gives: the outputs and the unit's memory afterwards.
    struct Outcome {
        QString out;
        QByteArray file; // the command's file from its third line on (the first two carry the time)
        VentrixMemory memory;
    };
    Outcome outcomeOf(const Operation& op)
    {
        Outcome o;
        o.out = op.name == "monitor" ? QString() : out;
        // The backup's file is named by the time it was taken.
        o.out.remove(QRegularExpression(QStringLiteral("Backed up 1044 entries to [^\n]*\n")));
        for (const char* name : {"LO_Table.txt", "backup.tun"}) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            if (QFile::exists(path)) {
                const QByteArray all = contents(path);
                o.file = all.mid(all.indexOf("\r\n", all.indexOf("\r\n") + 2));
            }
        }
        o.memory = device.memory();
        return o;
    }

    // Every frame written on any port during the run, as payloads.
    QList<QByteArray> framesWritten() const
    {
        QList<QByteArray> payloads;
        for (int number = 1; number <= 6; ++number) {
            const QByteArray written = port.writtenTo(number).mid(writtenBefore.value(number));
            for (const QByteArray& frame : written.split('$')) {
                const qsizetype start = frame.indexOf("UU");
                if (start >= 0 && frame.size() >= start + 6)
                    payloads << frame.mid(start + 4, frame.mid(start + 2, 2).toInt(nullptr, 16));
            }
        }
        return payloads;
    }

    // The longest the run may take: each frame its attempt's time-out and
    // once more for the replies owed before the next request, the port
    // search's waits, and the monitor's own second.
    qint64 budgetMs(const Operation& op) const
    {
        qint64 budget = 6 * 1000 + 3000 + (op.name == "monitor" ? 2000 : 0);
        for (const QByteArray& payload : framesWritten())
            budget += 2 * timeoutOf(payload) + 2000;
        return budget;
    }

    // Each logged sample is one of the unit's own samples, decoded.
    void expectOnlyTheUnitsSamples()
    {
        DecodeContext context;
        context.tpsKeyOnVolts = 41 / 256.0 * 5;
        context.wotBreakpointVolts = 2.5;
        context.installedInjectorSize = device.memory().registerValue(0x04);
        context.widebandModel = 1;
        context.wasteSpark = true;
        QSet<QString> possible;
        for (const QByteArray& reply : replies) {
            // Only a whole sample is one: a short one holds no values.
            const qsizetype start = reply.indexOf("uu01m");
            const qsizetype end = reply.indexOf('$', start);
            if (start < 0 || end < start + 4 + 29)
                continue;
            int counter = 0;
            const LiveSample sample =
                DecodeLiveSample(QString::fromLatin1(reply.mid(start + 4, end - start - 4)), context, counter);
            possible << datalog::ShownValues(sample).join(',');
        }
        const QStringList lines = QString::fromLatin1(contents(dir.filePath("run.txt"))).split("\r\n");
        for (qsizetype i = 2; i < lines.size(); ++i) {
            if (lines[i].isEmpty() || lines[i].startsWith("\"USER TIMESTAMP:\""))
                continue; // the gap of a lost link
            QStringList fields = lines[i].split(',');
            fields.removeFirst();
            if (lines[1].endsWith(",\"ms\""))
                fields.removeLast(); // sampled fast: the thousandths of the second
            EXPECT_TRUE(possible.contains(fields.join(',').remove('"'))) << lines[i].toStdString();
        }
    }

    QString source;
    QList<QByteArray> replies; // the unit's replies to "M" in this run
    QMap<int, qsizetype> writtenBefore;
};

TEST_F(FaultMatrixTest, EveryCommandAgainstEveryFault)
{
    // The tune to import: tune 2, written by a healthy export.
    freshUnit();
    tune_test::FillTune(device.memory(), 2);
    source = dir.filePath("source.tun");
    ASSERT_EQ(run({"export", source}), exit_status::Done);
    VentrixMemory imported = device.memory();

    for (const Operation& op : operations()) {
        freshUnit();
        ASSERT_EQ(run(op.args), exit_status::Done) << op.name.toStdString() << err.toStdString();
        const Outcome healthy = outcomeOf(op);
        if (op.name == "import") {
            ASSERT_TRUE(tune_test::SameTune(device.memory(), imported));
        }

        for (const QString& fault : Faults) {
            SCOPED_TRACE((op.name + " with " + fault).toStdString());
            freshUnit();
            QString why;
            for (const QString& one : fault.split(' '))
                ASSERT_TRUE(device.faults().apply(one, &why)) << why.toStdString();
            const VentrixMemory before = device.memory();
            const qint64 start = clock.nowMs();
            const int status = run(op.args);

            EXPECT_LE(clock.nowMs() - start, budgetMs(op));
            // FAULT_MATRIX_TABLE=1 prints each cell's outcome.
            if (qEnvironmentVariableIsSet("FAULT_MATRIX_TABLE"))
                std::printf("%-8s %-22s exit %d  %8.1f s  %s\n", qPrintable(op.name), qPrintable(fault), status,
                            (clock.nowMs() - start) / 1000.0, qPrintable(err.section('\n', -3, -2)));
            if (status == exit_status::Done) {
                const Outcome got = outcomeOf(op);
                if (op.name == "probe") {
                    // A revision not read is said to be so, never shown wrong.
                    QString notRead = healthy.out;
                    notRead.replace("Firmware: 1.23", "Firmware: Not detected.");
                    EXPECT_TRUE(got.out == healthy.out || got.out == notRead) << got.out.toStdString();
                } else {
                    EXPECT_EQ(got.out, healthy.out);
                }
                EXPECT_EQ(got.file, healthy.file);
                EXPECT_TRUE(got.memory == healthy.memory) << "the unit holds something else";
                if (op.name == "monitor") {
                    expectOnlyTheUnitsSamples();
                }
            } else {
                EXPECT_TRUE(status == exit_status::UnitFailed) << status;
                const bool named = std::any_of(FailureTexts.begin(), FailureTexts.end(),
                                               [this](const QString& text) { return err.contains(text); });
                EXPECT_TRUE(named) << err.toStdString();
                EXPECT_FALSE(QFile::exists(dir.filePath("backup.tun")));
                EXPECT_FALSE(QFile::exists(dir.filePath("LO_Table.txt")));
                // A command that only reads leaves the unit as it was.
                if (op.name == "read" || op.name == "info" || op.name == "probe" || op.name == "list"
                    || op.name == "export") {
                    EXPECT_TRUE(device.memory() == before);
                }
            }
        }
    }
}

} // namespace
