// Every caller of the link, driven through the main window: how many attempts
// and which time-out each request gets (a recording port keeps one request from
// the unit and notes each wait), and what a wrong echo to each write does.
#include "app/frmMain.h"
#include "config/frmIgnitionConfig.h"
#include "memory/ReadWriteByte.h"
#include "monitor/frmMONITOR.h"
#include "state/PublicVars.h"
#include "support/FakePorts.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tunefile/TuneHistory.h"
#include "tuner/frmGraphicalTune.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

class RecordingPort final : public ForwardingPort {
public:
    using ForwardingPort::ForwardingPort;

    struct Frame {
        QString payload;
        int number; // the port number it was written on
        qint64 writtenMs;
        int waitedMs = -1; // the first wait for its reply; -1 when it came at once
    };
    const Clock* clock = nullptr;
    QList<Frame> frames;
    QString deafTo; // frames whose payload starts so never reach the unit

    PortError write(const QByteArray& bytes) override
    {
        const QString payload = QString::fromLatin1(bytes.mid(4, bytes.mid(2, 2).toInt(nullptr, 16)));
        frames.append({payload, portNumber(), clock->nowMs()});
        waiting_ = true;
        if (!deafTo.isEmpty() && payload.startsWith(deafTo))
            return inner_.isOpen() ? PortError::None : PortError::PortNotOpen;
        return inner_.write(bytes);
    }
    bool waitForData(int ms) override
    {
        if (waiting_ && !frames.isEmpty())
            frames.last().waitedMs = ms;
        waiting_ = false;
        return inner_.waitForData(ms);
    }

private:
    bool waiting_ = false;
};

class AttemptsTableTest : public ::testing::Test {
public: // the table's steps drive the fixture from outside the test body
    void SetUp() override
    {
        world = std::make_unique<SimulatedWorld>([this](SerialPort& scripted) {
            auto recording = std::make_unique<RecordingPort>(scripted);
            port = recording.get();
            return recording;
        });
        port->clock = &world->clock;
        ASSERT_TRUE(world->dir.isValid());
        previousBackupFolder = tunefile::BackupFolder();
        tunefile::SetBackupFolder(world->dir.filePath(QStringLiteral("backups")));
    }
    void TearDown() override
    {
        world.reset();
        tunefile::SetBackupFolder(previousBackupFolder);
    }

    // A new world brought to a caller (the unit hears everything).
    void freshStart(const std::function<void(AttemptsTableTest&)>& before)
    {
        TearDown();
        SetUp();
        if (before)
            before(*this);
    }
    void connectAndLoad()
    {
        world->main->cmdConnect_Click();
        ASSERT_TRUE(mdlPublicVars::Connected);
        world->main->LoadConfigurationAtStartup();
    }

    std::unique_ptr<SimulatedWorld> world;
    RecordingPort* port = nullptr;
    QString previousBackupFolder;
};

using T = AttemptsTableTest;
using Step = std::function<void(T&)>;

// The program brought to a caller, and the caller's requests.
namespace steps {
frmGraphicalTune* tuner(T& t)
{
    return t.world->main->findChild<frmGraphicalTune*>();
}
ReadWriteByte* memoryWindow(T& t)
{
    t.connectAndLoad();
    t.world->main->mnuMemoryModifyItem_Click();
    return t.world->main->findChild<ReadWriteByte*>();
}
// Moves a bar as the user's drag does (a value the program sets writes nothing).
void drag(QScrollBar* bar, int value)
{
    bar->setSliderPosition(value);
    bar->triggerAction(QAbstractSlider::SliderMove);
}
const Step connected = [](T& t) { t.connectAndLoad(); };
const Step connectClick = [](T& t) { t.world->main->cmdConnect_Click(); };
const Step monitorOpen = [](T& t) {
    t.connectAndLoad();
    t.world->main->mnuVentrixRunItem_Click();
};
const Step monitorRun = [](T& t) {
    t.world->dialogs.answerNext(MsgAnswer::No); // no data log
    t.world->main->findChild<frmMONITOR*>()->cmdRUN_Click();
};
const Step monitorRunning = [](T& t) {
    monitorOpen(t);
    monitorRun(t);
};
// The user moves it (a value the program sets writes nothing).
const Step moveOffsetSlider = [](T& t) {
    t.world->main->findChild<frmMONITOR*>()
        ->findChild<QScrollBar*>("HScroll1")
        ->triggerAction(QAbstractSlider::SliderPageStepAdd);
};
const Step readCell = [](T& t) { memoryWindow(t)->cmdReadByte_Click(); };
const Step writeCell = [](T& t) { memoryWindow(t)->cmdWriteByte_Click(); };
const Step writeBlock = [](T& t) { memoryWindow(t)->cmdWriteBlock_Click(); };
const Step listTable = [](T& t) { memoryWindow(t)->cmdReadTable_Click(); };
const Step ignitionUpdate = [](T& t) {
    auto* window = t.world->main->findChild<frmIgnitionConfig*>();
    window->optIgnitionType(3)->click();
    window->optRPMConfig(1)->click();
    window->cmdIgnitionChange()->click();
};
const Step exportTune = [](T& t) {
    t.world->dialogs.answerNext(MsgAnswer::Yes);
    t.world->main->mnuExportTuneItem_Click();
};
const Step importTune = [](T& t) {
    const QString path = t.world->dir.filePath("a.tun");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // Values the unit does not hold yet: an import sends only what changes it.
    file.write("&M110901\r\n12-05-2026-07:41:09\r\nC005A\r\nT135A\r\n\r\n");
    file.close();
    t.world->dialogs.answerNext(MsgAnswer::Yes);
    t.world->dialogs.chooseNextFile(path);
    t.world->main->mnuImportTuneItem_Click();
};
const Step openTuner = [](T& t) { t.world->main->mnuGraphicalTunerItem_Click(); };
const Step tunerOpen = [](T& t) {
    t.connectAndLoad();
    openTuner(t);
};
const Step goOnLine = [](T& t) {
    t.world->dialogs.answerNext(MsgAnswer::Yes);
    tuner(t)->cmdONLINE_Click();
};
const Step tunerOnLine = [](T& t) {
    tunerOpen(t);
    goOnLine(t);
};
const Step moveTunerSlider = [](T& t) { drag(tuner(t)->VScroll1(5), 20); }; // cell 3A first
const Step moveBreakpoint = [](T& t) {
    QScrollBar* breakpoint = tuner(t)->findChild<QScrollBar*>(QStringLiteral("HScroll1"));
    drag(breakpoint, breakpoint->value() == 512 ? 256 : 512); // the unit is not fresh for each row
};
// The tune last seen on port 1 holds a register: Connect reads the twenty to compare.
const Step lastSeenThenDisconnect = [](T& t) {
    connected(t);
    tunefile::Tune seen;
    seen.setValue({'T', 0x13}, 0x80);
    ASSERT_TRUE(tune_history::History().add(tune_history::Source::Export, "1", seen,
                                            QDateTime(QDate(2026, 12, 5), QTime(14, 2))));
    t.world->main->cmdDisconnect_Click();
};
const Step tunerSliderMoved = [](T& t) {
    tunerOnLine(t);
    moveTunerSlider(t);
};
const Step tunerRefusingWrites = [](T& t) {
    tunerOnLine(t);
    t.world->device.faults().wrongEcho = true;
};
const Step tunerSample = [](T& t) {
    t.world->clock.advance(1000);
    tuner(t)->Timer1_Timer();
};
} // namespace steps

TEST_F(AttemptsTableTest, EveryCallerUsesItsAttemptsAndTimeOut)
{
    using namespace steps;
    struct Row {
        const char* caller;
        const char* deafTo; // the request the unit does not hear
        Step before;        // brings the program to the caller (the unit hears everything)
        Step action;        // the caller's request, unanswered
        int attempts;
        int timeoutMs;
    };
    const Row rows[] = {
        {"start-up probe", "Z", nullptr, connectClick, 5, 1000},
        {"configuration load, last register", "RT0D", connectClick,
         [](T& t) { t.world->main->LoadConfigurationAtStartup(); }, 25, 1000},
        {"ignition update, write", "WT06", connected, ignitionUpdate, 20, 2000},
        {"ignition update, switch mode read back", "RT09", connected, ignitionUpdate, 20, 2000},
        {"monitor opening", "Z", connected, [](T& t) { t.world->main->mnuVentrixRunItem_Click(); }, 10, 25000},
        {"monitor start", "RT13", monitorOpen, monitorRun, 25, 10000},
        {"monitor sample", "M", monitorRunning, [](T& t) { t.world->main->findChild<frmMONITOR*>()->Timer1_Timer(); },
         50, 1000},
        {"monitor offset slider", "WT13", monitorRunning, moveOffsetSlider, 25, 10000},
        {"memory window opening", "Z", connected, [](T& t) { t.world->main->mnuMemoryModifyItem_Click(); }, 10, 1000},
        {"memory window, read one cell", "RO", nullptr, readCell, 10, 1000},
        {"memory window, write one cell", "WO", nullptr, writeCell, 10, 1000},
        {"memory window, block write", "SO", nullptr, writeBlock, 5, 10000},
        {"memory window, table listing", "RO", nullptr, listTable, 50, 1000},
        {"tune export, registers", "RT13", connected, exportTune, 50, 1000},
        {"tune import, registers", "WT13", connected, importTune, 10, 1000},
        {"connect, registers against the tune last seen", "RT13", lastSeenThenDisconnect, connectClick, 3, 1000},
        {"self-test", "T", connected, [](T& t) { t.world->main->mnuAccuracyTestItem_Click(); }, 10, 50000},
        {"soft reset", "K", connected, [](T& t) { t.world->main->mnuResetItem_Click(); }, 20, 3000},
        {"About box", "V", connected, [](T& t) { t.world->main->mnuAboutItem_Click(); }, 10, 5000},
        {"tuner table load", "RO", connected, openTuner, 25, 10000},
        {"tuner going on line, register write", "WT07", tunerOpen, goOnLine, 25, 10000},
        {"tuner slider, cell write", "WO3A", tunerOnLine, moveTunerSlider, 25, 10000},
        {"tuner breakpoint, register write", "WT00", tunerOnLine, moveBreakpoint, 25, 10000},
        {"tuner undo, cell write back", "WO43", tunerSliderMoved, [](T& t) { tuner(t)->cmdUndo_Click(); }, 25, 10000},
        {"tuner live sample", "M", tunerOnLine, tunerSample, 25, 500},
        {"tuner read after a refused write", "RO3A", tunerRefusingWrites, moveTunerSlider, 25, 500},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caller);
        freshStart(row.before);
        port->frames.clear();
        port->deafTo = QString::fromLatin1(row.deafTo);
        row.action(*this);

        // The first run of frames of the unheard request: its attempts, each
        // written as the one before gave up.
        qsizetype first = 0;
        while (first < port->frames.size() && !port->frames[first].payload.startsWith(port->deafTo))
            ++first;
        ASSERT_LT(first, port->frames.size()) << "the request was never sent";
        int attempts = 1;
        for (qsizetype i = first + 1; i < port->frames.size(); ++i, ++attempts) {
            const RecordingPort::Frame& previous = port->frames[i - 1];
            const RecordingPort::Frame& frame = port->frames[i];
            if (frame.payload != previous.payload || frame.number != previous.number
                || frame.writtenMs != previous.writtenMs + previous.waitedMs)
                break;
        }
        for (qsizetype i = first; i < first + attempts; ++i)
            EXPECT_EQ(port->frames[i].waitedMs, row.timeoutMs) << port->frames[i].payload.toStdString();
        EXPECT_EQ(attempts, row.attempts) << port->frames[first].payload.toStdString();
    }
}

// A unit that stores and echoes every written byte with its lowest bit
// flipped: each write is refused as failed, in the caller's own words.
TEST_F(AttemptsTableTest, AWrongEchoFailsEveryWrite)
{
    using namespace steps;
    struct Row {
        const char* caller;
        const char* write; // the request whose echo is wrong
        Step before;
        Step action;
        const char* message; // the failure the user is told of
    };
    const Row rows[] = {
        {"memory window, one cell", "WO", nullptr, writeCell, "Write byte operation failed!"},
        {"memory window, block", "SO", nullptr, writeBlock, "Write Block operation failed!"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.caller);
        freshStart(row.before);
        world->dialogs.messages.clear();
        port->frames.clear();
        world->device.faults().wrongEcho = true;
        row.action(*this);
        QCoreApplication::processEvents(); // messages told once a handler is done

        EXPECT_TRUE(std::any_of(port->frames.cbegin(), port->frames.cend(), [&](const RecordingPort::Frame& f) {
            return f.payload.startsWith(row.write);
        })) << "the write was never sent";
        QStringList texts;
        for (const auto& m : world->dialogs.messages)
            texts << m.text;
        EXPECT_TRUE(texts.contains(QString::fromLatin1(row.message))) << texts.join(" | ").toStdString();
    }
}

} // namespace
