#include "platform/serial_ports.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>

#include "platform/paths.h"

using norvane::platform::DeviceComNumber;
using norvane::platform::ParseSerialPortList;
using norvane::platform::SerialPortEntry;

namespace {

std::string Render(const std::vector<SerialPortEntry>& entries) {
    std::string text;
    for (const auto& e : entries) text += std::to_string(e.number) + ":" + e.path + " ";
    return text;
}

}  // namespace

TEST(SerialPortList, ParsesEntriesAndSkipsWhatIsNoEntry) {
    const struct {
        const char* text;
        char separator;
        const char* expected;
    } cases[] = {
        {"COM3=/dev/ttyUSB0;COM7=/dev/pts/4", ';', "3:/dev/ttyUSB0 7:/dev/pts/4 "},
        {"COM7=/dev/pts/4;COM3=/dev/ttyUSB0", ';', "7:/dev/pts/4 3:/dev/ttyUSB0 "},  // order kept
        {" com12 = /dev/ttyS1 ;;", ';', "12:/dev/ttyS1 "},
        {"# serial gateways\nCOM1=/dev/pts/9   # the bench\r\n\nCOM2=/dev/pts/10\n", '\n',
         "1:/dev/pts/9 2:/dev/pts/10 "},
        {"COM0=/dev/a;COM=/dev/b;COMx=/dev/c;LPT1=/dev/d;COM5=;COM6;COM-1=/dev/e;COM123456=/dev/f", ';', ""},
        {"COM4=/dev/a;COM4=/dev/b", ';', "4:/dev/a "},  // the first of a number wins
        {"COM8=/dev/serial/by-id/usb-FTDI=x", ';', "8:/dev/serial/by-id/usb-FTDI=x "},
        {"", ';', ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Render(ParseSerialPortList(c.text, c.separator)), c.expected) << c.text;
}

TEST(SerialPortList, DeviceNamesGetStableNumbers) {
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"ttyS0", 1},     {"ttyS3", 4},    {"ttyS31", 32},  {"ttyS32", 0},     {"ttyUSB0", 33},
        {"ttyUSB31", 64}, {"ttyUSB32", 0}, {"ttyACM0", 65}, {"ttyACM63", 128}, {"ttyAMA0", 0},
        {"ttyUSB", 0},    {"ttyUSB01", 0}, {"ttyS-1", 0},   {"tty0", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(DeviceComNumber(c.name), c.number) << c.name;
}

TEST(SerialPortList, TheEnvironmentIsTheWholeTable) {
    const char* old = getenv("NORVANE_SERIAL_PORTS");
    const std::string saved = old ? old : "";
    setenv("NORVANE_SERIAL_PORTS", "COM9=/dev/pts/77;COM2=/dev/null", 1);
    EXPECT_EQ(Render(norvane::platform::SystemSerialPorts()), "9:/dev/pts/77 2:/dev/null ");
    EXPECT_EQ(norvane::platform::SerialPortPath(2), "/dev/null");
    EXPECT_EQ(norvane::platform::SerialPortPath(1), "");  // not in the table: no path
    setenv("NORVANE_SERIAL_PORTS", "", 1);
    EXPECT_TRUE(norvane::platform::SystemSerialPorts().empty());  // set but empty: no ports
    if (old)
        setenv("NORVANE_SERIAL_PORTS", saved.c_str(), 1);
    else
        unsetenv("NORVANE_SERIAL_PORTS");
}

TEST(SerialPortList, WithoutTheEnvironmentTheFileBesideTheProgramIsTheTable) {
    const std::string file = norvane::platform::ExecutableDirectory() + "SerialPorts.cfg";
    if (std::FILE* existing = std::fopen(file.c_str(), "r")) {
        std::fclose(existing);
        GTEST_SKIP() << file << " exists already";
    }
    const char* old = getenv("NORVANE_SERIAL_PORTS");
    const std::string saved = old ? old : "";
    unsetenv("NORVANE_SERIAL_PORTS");
    std::FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    std::fputs("# serial gateways of the bench\nCOM4=/dev/pts/90\nCOM2 = /dev/null  # spare\n", out);
    std::fclose(out);
    EXPECT_EQ(Render(norvane::platform::SystemSerialPorts()), "4:/dev/pts/90 2:/dev/null ");
    EXPECT_EQ(norvane::platform::SerialPortPath(2), "/dev/null");
    std::remove(file.c_str());
    if (old) setenv("NORVANE_SERIAL_PORTS", saved.c_str(), 1);
}
