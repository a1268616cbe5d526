#pragma once

class QWidget;

// Window layouts are drawn in twips, 1440 to the inch; the screen's logical
// resolution turns them into pixels.
int Twips(int twips, const QWidget* onScreenOf = nullptr);
