#pragma once

#include <QApplication>

// The one application object a test program needs before it makes widgets,
// ports or timers; created on first use.
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "kestrel_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}
