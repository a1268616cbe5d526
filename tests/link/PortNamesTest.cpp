#include "link/PortNames.h"

#include <gtest/gtest.h>

namespace {

TEST(PortNamesTest, AdaptersComeBeforeBuiltInPortsInNumericOrder)
{
    const port_names::Assignments numbered = port_names::NumberLinuxDevices(
        {"ttyS10", "ttyS2", "ttyUSB1", "ttyACM0", "ttyUSB0", "ttyS0", "ttyS1", "ttyS3", "ttyprintk", "ttyAMA0"});
    EXPECT_EQ(numbered,
              (port_names::Assignments{{1, "/dev/ttyUSB0"},
                                       {2, "/dev/ttyUSB1"},
                                       {3, "/dev/ttyACM0"},
                                       {4, "/dev/ttyS0"},
                                       {5, "/dev/ttyS1"},
                                       {6, "/dev/ttyS2"}}));
}

TEST(PortNamesTest, ParsesExplicitAssignments)
{
    port_names::Assignments parsed;
    ASSERT_TRUE(port_names::ParseAssignments("1=/dev/ttyUSB0, 3=/dev/pts/4", parsed));
    EXPECT_EQ(parsed, (port_names::Assignments{{1, "/dev/ttyUSB0"}, {3, "/dev/pts/4"}}));
    EXPECT_EQ(port_names::DeviceFor(3, parsed), QStringLiteral("/dev/pts/4"));
    EXPECT_TRUE(port_names::DeviceFor(2, parsed).isEmpty());

    for (const char* bad : {"/dev/ttyUSB0", "x=/dev/a", "0=/dev/a", "2=", "=/dev/a"}) {
        port_names::Assignments ignored;
        QString why;
        EXPECT_FALSE(port_names::ParseAssignments(QString::fromLatin1(bad), ignored, &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
    }
}

} // namespace
