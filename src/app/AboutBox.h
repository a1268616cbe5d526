#pragma once

#include <QString>

// Help > About: the program's version and, with a unit connected, the
// firmware revision it reports ("V").
namespace about_box {

// "KESTREL for Windows Version 1.0.10\nFirmware Revision: 1.23".
QString Text();
void Show();

} // namespace about_box
