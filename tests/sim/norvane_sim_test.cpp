// norvane-sim's configuration text and the program as a process.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <thread>

#include "raw_client.h"
#include "sim/sim_config.h"

namespace norvane::sim::test {
namespace {

TEST(SimConfigTest, ReadsGatewaysAndTheirNodes) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(
        ParseSimConfig("# bench\n"
                       "ethernet 127.0.0.2:28877 bitrate-code=3 bus-time log=/tmp/x.log\n"
                       "  node controller 5 options=-M-S-IE firmware=1240   # comment\n"
                       "node io 8 code=80\n"
                       "zone 127.0.0.3:28878 zones=3\n"
                       "node controller1 9 zone=3 serial=77\n",
                       config, error))
        << error;
    ASSERT_EQ(config.gateways.size(), 2u);
    const GatewaySpec& e = config.gateways[0];
    EXPECT_EQ(e.address, "127.0.0.2");
    EXPECT_EQ(e.port, 28877);
    EXPECT_EQ(e.bitRateCode, 3);
    EXPECT_TRUE(e.busTime);
    EXPECT_EQ(e.log, "/tmp/x.log");
    ASSERT_EQ(e.nodes.size(), 2u);
    EXPECT_EQ(e.nodes[0].id, 5);
    EXPECT_EQ(e.nodes[0].options, "-M-S-IE");
    EXPECT_EQ(e.nodes[0].firmware, 1240);
    EXPECT_EQ(e.nodes[1].code, 80);
    const GatewaySpec& z = config.gateways[1];
    EXPECT_EQ(z.kind, GatewaySpec::Kind::Zone);
    EXPECT_EQ(z.zones, 3);
    ASSERT_EQ(z.nodes.size(), 1u);
    EXPECT_EQ(z.nodes[0].zone, 3);
    EXPECT_EQ(z.nodes[0].serial, 77u);
}

TEST(SimConfigTest, ReportsTheFirstBadLine) {
    struct Case {
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"", "no gateway configured"},
        {"node controller 5\n", "line 1: node before any gateway"},
        {"ethernet 127.0.0.1\n", "line 1: expected address:port after ethernet"},
        {"ethernet 300.0.0.1:1\n", "line 1: expected address:port after ethernet"},
        {"ethernet 127.0.0.1:70000\n", "line 1: expected address:port after ethernet"},
        {"ethernet 127.0.0.1:1 bitrate-code=8\n", "line 1: bad gateway setting 'bitrate-code=8'"},
        {"ethernet 127.0.0.1:1\nnode toaster 5\n", "line 2: unknown node kind 'toaster'"},
        {"ethernet 127.0.0.1:1\nnode controller 126\n", "line 2: node id must be 1-125"},
        {"ethernet 127.0.0.1:1\nnode controller 5 options=-X\n", "line 2: bad model options '-X'"},
        {"zone 127.0.0.1:1 zones=2\nnode controller1 5 zone=3\n", "line 2: no such zone"},
        {"gateway\n", "line 1: unknown line 'gateway'"},
    };
    for (const auto& c : cases) {
        SimConfig config;
        std::string error;
        EXPECT_FALSE(ParseSimConfig(c.text, config, error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(SimConfigTest, DefaultServesOneEthernetGatewayWithMixedDevices) {
    const SimConfig config = DefaultSimConfig();
    ASSERT_EQ(config.gateways.size(), 1u);
    EXPECT_EQ(config.gateways[0].address, "127.0.0.1");
    EXPECT_EQ(config.gateways[0].port, 28877);
    EXPECT_GE(config.gateways[0].nodes.size(), 5u);
}

std::string ProgramPath() {
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + "norvane-sim";
}

uint16_t FreePort(const char* address) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    inet_pton(AF_INET, address, &addr.sin_addr);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

pid_t Spawn(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        freopen("/dev/null", "w", stdout);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int WaitExit(pid_t pid) {
    int status = 0;
    for (int i = 0; i < 500; ++i) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -2;  // did not end within 5 s
}

TEST(NorvaneSimProcessTest, ServesTheConfiguredGatewayAndEndsCleanlyOnSigterm) {
    const std::string program = ProgramPath();
    if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "norvane-sim not built next to the tests";
    const uint16_t port = FreePort("127.0.0.7");
    const pid_t pid =
        Spawn({program, "-e", "ethernet 127.0.0.7:" + std::to_string(port), "-e", "node controller 5"});
    ASSERT_GT(pid, 0);

    std::unique_ptr<RawClient> client;
    for (int i = 0; i < 300 && !(client && client->Connected()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        client = std::make_unique<RawClient>("127.0.0.7", port);
    }
    ASSERT_TRUE(client && client->Connected());
    // Model query to node 5 (control word 0xC1): the controller answers with command 65.
    ASSERT_TRUE(client->Send(Frame(0x72, {0xC1, 0x00, 0x28, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    const auto answer = client->NextOf(0x73);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[0] & 0x7F, 0x41);
    EXPECT_EQ(answer->payload[3], 5);

    ASSERT_EQ(kill(pid, SIGTERM), 0);
    EXPECT_EQ(WaitExit(pid), 0);
}

TEST(NorvaneSimProcessTest, BadConfigurationEndsWithStatusTwo) {
    const std::string program = ProgramPath();
    if (access(program.c_str(), X_OK) != 0) GTEST_SKIP() << "norvane-sim not built next to the tests";
    const pid_t pid = Spawn({program, "-e", "node controller 5"});
    EXPECT_EQ(WaitExit(pid), 2);
}

}  // namespace
}  // namespace norvane::sim::test
