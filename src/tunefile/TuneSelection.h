#pragma once

#include <QString>

class frmTableSaveSelection;

// The tuner's question "which table do I save into?".
struct TuneSelection {
    bool cancelled = true; // left with QUIT (or closed without SAVE)
    QString letter;        // SelectedTuneLetter afterwards: "O", "C", "H" or "L"
};

// Sets TuneSelectionCancelled false and TuneSelectionPending true, opens the
// selection window (the option of tunerTableIndex, 0 to 3, selected) over the
// main window, and processes window events until the user leaves it.
TuneSelection AskForTuneSelection(int tunerTableIndex);

// The waiting part, for a window already shown: returns once
// TuneSelectionPending is false, or the window is closed or gone
// without clearing it (then it counts as QUIT).
void WaitForTuneSelection(frmTableSaveSelection* window);
