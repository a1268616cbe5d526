#pragma once

class QComboBox;
class QWidget;

// The monitor's "SAMPLE RATE" choice, its caption to the left: "50 ms" or
// "as fast as the link answers" (and a rate stored from the command line's
// settings, as "25 a second"). It shows the stored choice and stores what
// the user picks at once; the graphical tuner samples at it too. A choice
// counts from the next START (or the tuner's next ONLINE).
QComboBox* AddSampleRateChoice(QWidget* parent, int left, int top);
