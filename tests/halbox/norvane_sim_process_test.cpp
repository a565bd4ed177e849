// Halbox against norvane-sim as a separate process: the program serves a PCI card at
// --pci-socket and removes the socket when it stops.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "card_bench.h"

namespace norvane::halbox::test {
namespace {

std::string SimulatorPath() {
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + "norvane-sim";
}

TEST(NorvaneSimPci, ServesACardThatHalboxDrives) {
    const std::string program = SimulatorPath();
    if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "norvane-sim not built next to the tests";
    const std::string socket = "/tmp/halbox-process-" + std::to_string(getpid()) + ".sock";
    const std::vector<std::string> args = {
        program, "--pci-socket", socket, "-e", "pci 1:0 bitrate-code=3", "-e", "node controller 5"};
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        (void)!freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    setenv("HALBOX_SIM", socket.c_str(), 1);
    // The program needs a moment to start listening.
    bool opened = false;
    for (int i = 0; i < 300 && !opened; ++i) {
        opened = Marlix_OpenDevice(1) == 1;
        if (!opened) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(opened);
    EXPECT_EQ(Marlix_OpenDevice(0), 0);  // only card 1 is configured
    MarlixInitConfig config = OneMegabit();
    config.busTiming0 = 0x01;
    config.busTiming1 = 0x1C;  // 250 kbit/s, as the bus runs
    ASSERT_EQ(Marlix_InitCan(1, 0, &config), 1);
    MarlixFrame request = Extended(0x05080081);
    ASSERT_EQ(Marlix_Transmit(1, 0, &request), 1);
    MarlixFrame answer{};
    ASSERT_EQ(Marlix_Receive(1, 0, &answer, 1, 2000), 1);
    EXPECT_EQ(answer.identifier, 0x00280081u);
    EXPECT_EQ(Marlix_CloseDevice(1), 1);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(access(socket.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace norvane::halbox::test
