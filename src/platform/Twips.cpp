#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

int Twips(int twips, const QWidget* onScreenOf)
{
    double dpi = 96.0;
    if (onScreenOf && onScreenOf->screen())
        dpi = onScreenOf->screen()->logicalDotsPerInch();
    else if (QGuiApplication::primaryScreen())
        dpi = QGuiApplication::primaryScreen()->logicalDotsPerInch();
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}
