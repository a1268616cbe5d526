// The tests' main: one application object on the stack, alive for every
// test and gone before the libraries' own static objects are torn down.
#include "tunefile/Backups.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Windows are tested off screen unless a display is asked for.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Backups taken by any test go to a folder of the run's own, never to
    // the user's data folder.
    const QTemporaryDir backups;
    tunefile::SetBackupFolder(backups.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
