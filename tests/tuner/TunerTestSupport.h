#pragma once

#include "link/Frame.h"
#include "platform/Colours.h"
#include "support/SimulatedWorld.h"
#include "tunefile/Backups.h"
#include "tuner/GlobalEdits.h"
#include "tuner/frmGraphicalTune.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>

// The simulated world with the unit's injector sizes, breakpoint and switch
// points known, connected, and the tuner opened from the main window's menu.
class TunerTest : public ::testing::Test, protected SimulatedWorld {
protected:
    void SetUp() override
    {
        tuner::LastAppliedRatioOL = {};
        tuner::LastAppliedRatioCL = {};
        ASSERT_TRUE(dir.isValid());
        previousBackupFolder = tunefile::BackupFolder();
        tunefile::SetBackupFolder(dir.filePath(QStringLiteral("backups")));
        VentrixMemory& memory = device.memory();
        for (int reg = 0x02; reg <= 0x0D; ++reg)
            if (reg < 0x06 || reg > 0x09)
                memory.setRegister(reg, 19);
        for (const auto& [reg, byte] : {std::pair{0x00, 0x02}, {0x01, 0x00}, {0x07, 3000 / 40}, {0x08, 6000 / 40}})
            memory.setRegister(reg, byte);
        connectAndLoad();
    }
    void TearDown() override { tunefile::SetBackupFolder(previousBackupFolder); }

    // Tune > Graphical Tuner, as the user chooses it.
    frmGraphicalTune* open()
    {
        main->mnuGraphicalTunerItem_Click();
        window = main->findChild<frmGraphicalTune*>();
        return window;
    }
    void goOnline()
    {
        dialogs.answerNext(MsgAnswer::Yes);
        window->cmdONLINE_Click();
    }
    // One timer tick a second after the last.
    void tick()
    {
        clock.advance(1000);
        window->Timer1_Timer();
    }
    // QUIT (off line its question answered Yes), and the window gone.
    void quit()
    {
        if (!window->OnLine())
            dialogs.answerNext(MsgAnswer::Yes);
        window->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    template <typename T = QWidget>
    T* control(const QString& name) const
    {
        return window->findChild<T*>(name);
    }
    QScrollBar* slider(int cell) const { return window->VScroll1(cell); }
    QScrollBar* bar(const char* name) const { return control<QScrollBar>(QString::fromLatin1(name)); }
    // The user moves the bar to `value` (as a drag or a click does; a bar
    // that acts on release takes it then).
    static void move(QAbstractSlider* bar, int value)
    {
        bar->setSliderPosition(value);
        bar->triggerAction(QAbstractSlider::SliderMove);
    }
    // The middle of a part of a slider (its thumb, an arrow), where a mouse press lands.
    static QPoint partCentre(QScrollBar* bar, QStyle::SubControl part)
    {
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.subControls = QStyle::SC_All;
        return bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, part, bar).center();
    }
    QString text(const QString& name) const
    {
        if (auto* label = control<QLabel>(name))
            return label->text();
        if (auto* box = control<QLineEdit>(name))
            return box->text();
        if (auto* list = control<QComboBox>(name))
            return list->currentText();
        return control<QPushButton>(name)->text();
    }
    QColor background(const QString& name) const { return colours::Background(control(name)); }
    QColor buttonFace() const { return colours::ButtonFace(); }

    // Payloads the unit heard since the last call; live samples left out
    // unless asked for.
    QStringList heard(bool withSamples = false) { return SimulatedWorld::heard(withSamples); }
    static QStringList readsOf(char table, int count = 256)
    {
        QStringList reads;
        for (int j = 0; j < count; ++j)
            reads << QStringLiteral("R") + QLatin1Char(table) + frame::HexByte(j);
        return reads;
    }
    // The reads of registers 00 to 13 (a backup of the whole unit ends with them).
    static QStringList registerReads() { return readsOf('T', 0x14); }
    QList<ScriptedDialogs::Message>& messages() { return dialogs.messages; }
    // Box i's title and icon.
    std::pair<QString, MsgIcon> titled(qsizetype i) { return {messages()[i].title, messages()[i].icon}; }

    QString previousBackupFolder;
    QPointer<frmGraphicalTune> window;
};
