// The recorder's writer thread and bounded queue, over real files and a FIFO that nobody reads
// (a disk that has fallen behind): recording never waits, what does not fit is counted.
#include "sdk/core/traffic_recorder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <thread>

namespace norvane::sdk {
namespace {

std::string TempPath(const char* name) {
    return "/tmp/norvane-" + std::string(name) + "-" + std::to_string(getpid());
}

TEST(TrafficRecorder, WritesEveryLineInOrderAndSwitchesFiles) {
    TrafficRecorder recorder;
    EXPECT_FALSE(recorder.On());
    EXPECT_FALSE(recorder.Push("x\n", 2));  // off: nothing queued
    const std::string first = TempPath("rec-a"), second = TempPath("rec-b");
    recorder.Configure(first);
    ASSERT_TRUE(recorder.On());
    for (int i = 0; i < 1000; ++i) {
        const std::string line = std::to_string(i) + "\n";
        ASSERT_TRUE(recorder.Push(line.data(), line.size()));
    }
    ASSERT_TRUE(recorder.Flush(5000));
    recorder.Configure(second);
    ASSERT_TRUE(recorder.Push("last\n", 5));
    recorder.Configure("");
    EXPECT_FALSE(recorder.On());
    std::ifstream a(first), b(second);
    int expected = 0;
    for (std::string line; std::getline(a, line); ++expected) ASSERT_EQ(line, std::to_string(expected));
    EXPECT_EQ(expected, 1000);
    std::string line;
    EXPECT_TRUE(std::getline(b, line) && line == "last");
    EXPECT_EQ(recorder.Written(), 1001u);
    EXPECT_EQ(recorder.Dropped(), 0u);
    unlink(first.c_str());
    unlink(second.c_str());
}

TEST(TrafficRecorder, StalledWriterDropsAndCountsWithoutBlocking) {
    const std::string fifo = TempPath("rec-fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    TrafficRecorder recorder;
    recorder.Configure(fifo);  // the writer waits in open until a reader comes
    const size_t extra = 250;
    size_t accepted = 0;
    for (size_t i = 0; i < TrafficRecorder::kQueueLines + extra; ++i) accepted += recorder.Push("frame\n", 6);
    EXPECT_EQ(accepted, TrafficRecorder::kQueueLines);
    EXPECT_EQ(recorder.Dropped(), extra);
    EXPECT_FALSE(recorder.Flush(50));

    // A reader comes: the queued lines arrive, and recording goes on.
    size_t bytes = 0;
    std::thread reader([&] {
        const int fd = open(fifo.c_str(), O_RDONLY);
        char buffer[4096];
        for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) bytes += static_cast<size_t>(n);
        close(fd);
    });
    ASSERT_TRUE(recorder.Flush(10000));
    EXPECT_TRUE(recorder.Push("frame\n", 6));
    recorder.Configure("");  // closes the FIFO: the reader sees its end
    reader.join();
    EXPECT_EQ(bytes, (TrafficRecorder::kQueueLines + 1) * 6);
    EXPECT_EQ(recorder.Written(), TrafficRecorder::kQueueLines + 1);
    unlink(fifo.c_str());
}

}  // namespace
}  // namespace norvane::sdk
