#pragma once

#include <QApplication>

// The application object every test program runs under (made by the tests'
// main before any test starts).
inline QApplication& TestApplication()
{
    return *static_cast<QApplication*>(QCoreApplication::instance());
}
