#pragma once

#include "monitor/LiveSample.h"

#include <QStringList>

class QLabel;
class QLineEdit;

// What a window shows of a decoded live sample in the same way wherever it
// is shown: the voltages, flows, throttle, engine speed, air/fuel ratio and
// its band colour, the rich/lean box, the W.O.T. and multispark squares, and
// the ACTIVITY heartbeat. The window keeps its own layout and whatever only
// it shows; the readout only fills the controls it is given.
struct LiveReadoutControls {
    QLabel* mafVolts = nullptr;      // VOLTAGE FROM MAF
    QLabel* pcmVolts = nullptr;      // VOLTAGE TO PCM
    QLabel* voltageChange = nullptr; // VOLTAGE CHANGE; none where it is not shown
    QLabel* inputFlow = nullptr;
    QLabel* outputFlow = nullptr;
    QLabel* flowChange = nullptr;
    QLabel* airFuel = nullptr;
    QLabel* tpsVolts = nullptr;
    QLabel* throttleAngle = nullptr;
    QLabel* engineSpeed = nullptr;
    QLineEdit* richLean = nullptr;
    QLineEdit* wot = nullptr;
    QLineEdit* multispark = nullptr;
    QLineEdit* heartbeat = nullptr; // ACTIVITY
};

// Where the windows differ in what they make of the same values.
struct LiveReadoutStyle {
    // The pattern of the two MAF voltages.
    QString (*mafVolts)(double volts) = live_display::Volts;
    // The rich/lean verdict on the flow change.
    live_display::RichLean (*richLean)(double flowChange) = live_display::RichOrLean;
};

class LiveReadout {
public:
    LiveReadout() = default;
    LiveReadout(const LiveReadoutControls& controls, LiveReadoutStyle style = {});

    // Shows a sample (and brings back readouts greyed while it was awaited).
    void show(const LiveSample& sample);

    // Greys the readouts (their values are no longer live) or brings them
    // back; greyed, the coloured ones lose the colour of the last sample.
    void setStale(bool stale);

    // ACTIVITY: green with the count from 0 (the sampling starts), the
    // button face (it stops), and one timer tick of its blinking.
    void startHeartbeat();
    void stopHeartbeat();
    void heartbeatTick();
    int heartbeatCounter() const { return heartbeatCounter_; }

private:
    QList<QLabel*> readouts() const;

    LiveReadoutControls c_;
    LiveReadoutStyle style_;
    int heartbeatCounter_ = 0;
};
