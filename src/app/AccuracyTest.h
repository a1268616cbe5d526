#pragma once

// The two one-shot device commands of the main window: the unit's accuracy
// self-test (Diagnostics > Accuracy Test and the TEST button) and its soft
// reset (Reset). Both refuse briefly when no unit is connected.

// Asks for confirmation, runs the self-test and reports pass, fail or
// time-out. The main window's device commands stay disabled meanwhile and
// are restored in every outcome.
void RunAccuracyTest();

// Asks the unit to restart. When it does not answer the port is closed and
// the program shows itself as not connected, so nothing more is sent on it.
void RunSoftReset();
