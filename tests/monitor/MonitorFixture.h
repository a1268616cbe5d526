#pragma once

#include "monitor/frmMONITOR.h"
#include "app/Startup.h"
#include "app/mdlMain.h"
#include "config/frmIgnitionConfig.h"
#include "link/Frame.h"
#include "monitor/Datalog.h"
#include "platform/Colours.h"
#include "platform/Twips.h"
#include "support/ReadFile.h"
#include "support/LostLink.h"
#include "support/SimulatedWorld.h"
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mdlPublicVars;

// 2.346 V in, 2.053 V out, TPS 0.802 V, wideband byte 128, flows 185 and
// 160 raw, 3480 rpm, no multispark, no flip-chip.
const QString KnownSample = QStringLiteral("m01E001A400A48000B900A0570001");

class MonitorWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        w.connectAndLoad();
        // Known conversions for the known sample.
        InstalledInjectorSize = 19;
        TpsKeyOnVolts = 0.5;
        WidebandModel = 1;
    }

    // Ventrix > Run, as the user chooses it.
    frmMONITOR* open()
    {
        w.main->mnuVentrixRunItem_Click();
        window = w.main->findChild<frmMONITOR*>();
        return window;
    }
    void quit()
    {
        window->cmdQUIT_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // START with the logging question answered and, for Yes, the file chosen.
    void start(MsgAnswer answer, const QString& file = QString())
    {
        w.dialogs.answerNext(answer);
        if (answer == MsgAnswer::Yes)
            w.dialogs.chooseNextFile(file);
        window->cmdRUN_Click();
    }
    // One timer tick a second after the last.
    void tick()
    {
        w.clock.advance(1000);
        window->Timer1_Timer();
    }
    // The user drags the offset slider to a value and lets go.
    void drag(int value)
    {
        auto* slider = control<QScrollBar>("HScroll1");
        slider->setSliderDown(true);
        slider->setSliderPosition(value);
        slider->setSliderDown(false);
    }

    template <typename T = QWidget>
    T* control(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* name) const
    {
        if (auto* label = control<QLabel>(name))
            return label->text();
        return control<QLineEdit>(name)->text();
    }
    QColor background(const char* name) const { return colours::Background(control(name)); }
    QColor buttonFace() const { return QApplication::palette().color(QPalette::Button); }
    bool shownAndEnabled(const char* name) const { return !control(name)->isHidden() && control(name)->isEnabled(); }
    // The run in words: "running logging ticking STOP" (START or STOP: the button offered).
    QString runState() const
    {
        QStringList words;
        for (const auto& [on, word] : {std::pair{window->Running(), "running"},
                                       {window->Logging(), "logging"},
                                       {window->Timer1()->isActive(), "ticking"}})
            if (on)
                words << word;
        words << (shownAndEnabled("cmdRUN") ? "START" : shownAndEnabled("cmdSTOP") ? "STOP" : "neither");
        return words.join(' ');
    }
    QList<ScriptedDialogs::Message>& messages() { return w.dialogs.messages; }
    // The count of boxes shown and what the box at `at` said.
    void expectMessage(qsizetype count, qsizetype at, MsgIcon icon, const QString& title, const QString& text)
    {
        ASSERT_EQ(messages().size(), count);
        EXPECT_EQ(messages()[at].icon, icon);
        EXPECT_EQ(messages()[at].title, title);
        EXPECT_EQ(messages()[at].text, text);
    }

    SimulatedWorld w;
    QPointer<frmMONITOR> window;
};
