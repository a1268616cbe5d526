#pragma once

class frmMain;

// The program's start: main window, splash, a short pause, the port search
// and, when a unit answers, the configuration load; then the splash goes.
void RunStartupSequence(frmMain& main);
