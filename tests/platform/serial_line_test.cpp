#include "platform/serial_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <thread>

#include "tests/platform/pty_pair.h"

using norvane::platform::SerialLine;
using norvane::testing::PtyPair;

namespace {

std::string ReadMaster(int master, size_t want) {
    std::string got;
    while (got.size() < want) {
        pollfd fd{master, POLLIN, 0};
        if (poll(&fd, 1, 2000) <= 0) break;
        char buffer[64];
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

}  // namespace

TEST(SerialLine, CarriesBytesBothWaysRawAtTheRate) {
    PtyPair pty;
    SerialLine line;
    ASSERT_TRUE(line.Open(pty.slavePath, 57600));
    termios seen{};
    ASSERT_EQ(tcgetattr(pty.master, &seen), 0);  // the device side sees the host's settings
    EXPECT_EQ(cfgetospeed(&seen), B57600);
    EXPECT_EQ(seen.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(seen.c_cflag & (PARENB | CSTOPB), 0u);

    const uint8_t text[] = {'g', 'R', 'E', 'G', ';', '\n', 0xFF};
    EXPECT_EQ(line.Write(text, sizeof text), static_cast<int>(sizeof text));
    EXPECT_EQ(ReadMaster(pty.master, sizeof text),
              std::string(reinterpret_cast<const char*>(text), sizeof text));

    const uint8_t frame[] = {0x0A, 0x0D, 0xFE};  // no translation of CR/LF in raw mode
    ASSERT_EQ(write(pty.master, frame, sizeof frame), 3);
    uint8_t got[8] = {};
    size_t have = 0;
    while (have < 3) {
        const int n = line.Read(got + have, sizeof got - have, 2000);
        ASSERT_GT(n, 0);
        have += static_cast<size_t>(n);
    }
    EXPECT_EQ(0, memcmp(got, frame, 3));
    EXPECT_EQ(line.Read(got, sizeof got, 20), 0);  // nothing more: a plain time-out
}

TEST(SerialLine, OpenIsExclusiveUntilClosed) {
    PtyPair pty;
    SerialLine first, second;
    ASSERT_TRUE(first.Open(pty.slavePath, 9600));
    EXPECT_FALSE(second.Open(pty.slavePath, 9600));
    EXPECT_FALSE(first.Open(pty.slavePath, 9600));  // already open
    EXPECT_TRUE(first.Close());
    EXPECT_TRUE(first.Close());  // closing twice is fine
    EXPECT_TRUE(second.Open(pty.slavePath, 9600));
}

TEST(SerialLine, CloseRestoresTheEarlierSettings) {
    PtyPair pty;
    const int keeper = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);  // keeps the settings alive
    ASSERT_GE(keeper, 0);
    termios before{};
    tcgetattr(keeper, &before);
    cfsetspeed(&before, B4800);
    before.c_lflag |= ICANON | ECHO;
    ASSERT_EQ(tcsetattr(keeper, TCSANOW, &before), 0);
    {
        SerialLine line;
        ASSERT_TRUE(line.Open(pty.slavePath, 115200));
        termios during{};
        tcgetattr(keeper, &during);
        EXPECT_EQ(cfgetospeed(&during), B115200);
        EXPECT_EQ(during.c_lflag & ICANON, 0u);
    }
    termios after{};
    tcgetattr(keeper, &after);
    EXPECT_EQ(cfgetospeed(&after), B4800);
    EXPECT_NE(after.c_lflag & ICANON, 0u);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
    close(keeper);
}

TEST(SerialLine, RefusesWhatIsNoUsableLine) {
    PtyPair pty;
    SerialLine line;
    EXPECT_FALSE(line.Open("/nonexistent/ttyUSB9", 9600));
    EXPECT_FALSE(line.Open("/dev/null", 9600));     // no terminal
    EXPECT_FALSE(line.Open(pty.slavePath, 12345));  // no such rate
    uint8_t byte = 0;
    EXPECT_EQ(line.Write(&byte, 1), -1);
    EXPECT_EQ(line.Read(&byte, 1, 0), -1);
}

TEST(SerialLine, HangUpBreaksTheLineInsteadOfWaiting) {
    PtyPair pty;
    SerialLine line;
    ASSERT_TRUE(line.Open(pty.slavePath, 9600));
    int result = 0;
    std::thread reader([&] {
        uint8_t buffer[16];
        result = line.Read(buffer, sizeof buffer, 60000);
    });
    pty.CloseMaster();
    reader.join();
    EXPECT_EQ(result, -1);
    EXPECT_TRUE(line.Broken());
    const uint8_t byte = 'x';
    EXPECT_EQ(line.Write(&byte, 1), -1);
    EXPECT_TRUE(line.Close());
}

TEST(SerialLine, CloseEndsAWaitingRead) {
    PtyPair pty;
    SerialLine line;
    ASSERT_TRUE(line.Open(pty.slavePath, 9600));
    int result = 0;
    std::thread reader([&] {
        uint8_t buffer[16];
        result = line.Read(buffer, sizeof buffer, 60000);
    });
    // The close cannot pass the reader before the reader holds the line or after it left:
    // either way the read ends with -1 and the close completes.
    EXPECT_TRUE(line.Close());
    reader.join();
    EXPECT_EQ(result, -1);
    EXPECT_FALSE(line.IsOpen());
}

TEST(SerialLine, WriteGivesUpWhenTheDeviceStopsTakingBytes) {
    PtyPair pty;
    SerialLine line;
    ASSERT_TRUE(line.Open(pty.slavePath, 9600));
    std::vector<uint8_t> lots(1 << 20, 'a');  // far beyond what the pty buffers
    EXPECT_EQ(line.Write(lots.data(), lots.size()), -1);
    EXPECT_FALSE(line.Broken());  // too slow is not broken
}
