// norvane-sim's device events: the command language, the events reaching the devices of a running
// simulation over the control socket, and the program serving them on --control and --stdin.
#include "sim/events/event_control.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

#include "sim/events/event_apply.h"
#include "sim/nodes/io_module.h"
#include "sim/nodes/level_detector.h"
#include "sim/nodes/rfid_reader.h"
#include "sim/nodes/temperature_controller.h"

namespace norvane::sim::events {
namespace {

std::string Describe(const EventCommand& c) {
    return std::to_string(static_cast<int>(c.kind)) + " @" + c.gateway + " n" + std::to_string(c.node) +
           " p" + std::to_string(c.port) + (c.high ? " H" : " L") + " v" + std::to_string(c.value) +
           (c.s70 ? " s70 " : " s40 ") + std::to_string(c.card);
}

TEST(EventCommandTest, ParsesEachCommand) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "0 @ n0 p0 L v0 s40 0"},
        {"   # only a comment", "0 @ n0 p0 L v0 s40 0"},
        {"help", "1 @ n0 p0 L v0 s40 0"},
        {"NODES\r", "2 @ n0 p0 L v0 s40 0"},
        {"sensor 5 1 high", "3 @ n5 p1 H v0 s40 0"},
        {"Sensor 125 3 0  # falling", "3 @ n125 p3 L v0 s40 0"},
        {"@127.0.0.1:28877 stall 1", "4 @127.0.0.1:28877 n1 p0 L v0 s40 0"},
        {"input 8 8 1", "5 @ n8 p8 H v0 s40 0"},
        {"analog 5 4095", "6 @ n5 p0 L v4095 s40 0"},
        {"analog 8 1 0", "6 @ n8 p1 L v0 s40 0"},
        {"card 20 place S70 0xFFFFFFFF", "7 @ n20 p0 L v0 s70 4294967295"},
        {"card 20 place s40 1234", "7 @ n20 p0 L v0 s40 1234"},
        {"@COM3 card 20 remove", "8 @COM3 n20 p0 L v0 s40 0"},
        {"ambient 30 -400", "9 @ n30 p0 L v-400 s40 0"},
        {"\tlevel 40 1000000", "10 @ n40 p0 L v1000000 s40 0"},
    };
    for (const auto& [line, expected] : cases) {
        EventCommand c;
        std::string error;
        EXPECT_TRUE(ParseEventCommand(line, c, error)) << line << ": " << error;
        EXPECT_EQ(Describe(c), expected) << line;
    }
}

TEST(EventCommandTest, RefusesWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"jump 5", "unknown command 'jump' (try help)"},
        {"@", "gateway missing after '@'"},
        {"@COM3", "command missing"},
        {"@COM3 nodes", "no '@' selector with this command"},
        {"help me", "no arguments expected"},
        {"sensor 0 1 high", "node id must be 1-125"},
        {"sensor 126 1 high", "node id must be 1-125"},
        {"sensor 5 4 high", "usage: sensor NODE 1-3 high|low"},
        {"sensor 5 1 up", "level must be high or low"},
        {"sensor 5 1", "usage: sensor NODE 1-3 high|low"},
        {"input 8 9 low", "usage: input NODE 1-8 high|low"},
        {"stall", "usage: stall NODE"},
        {"stall +5", "node id must be 1-125"},
        {"analog 5 4096", "analog value must be 0-4095"},
        {"analog 8 0 1", "port must be 1-8"},
        {"analog 5", "usage: analog NODE [1-8] 0..4095"},
        {"card 20 place s50 1", "card type must be s40 or s70"},
        {"card 20 place s40 0x100000000", "card number must be 0-0xFFFFFFFF"},
        {"card 20 place s40", "usage: card NODE place s40|s70 NUMBER, or card NODE remove"},
        {"card 20 remove now", "usage: card NODE remove"},
        {"ambient 30 1501", "usage: ambient NODE -400..1500"},
        {"ambient 30 2x", "usage: ambient NODE -400..1500"},
        {"level 40 -1", "usage: level NODE 0..1000000"},
    };
    for (const auto& [line, expected] : cases) {
        EventCommand c;
        std::string error;
        EXPECT_FALSE(ParseEventCommand(line, c, error)) << line;
        EXPECT_EQ(error, expected) << line;
    }
}

/// A line client of the control socket.
class ControlClient {
public:
    explicit ControlClient(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        // The program may still be starting: try for a while.
        for (int i = 0; i < 500; ++i) {
            if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~ControlClient() { close(fd_); }
    /// Sends one line and returns the reply up to and including its "ok" or "error: ..." line.
    std::string Ask(const std::string& line) {
        const std::string text = line + "\n";
        if (send(fd_, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) return "";
        return ReadReply(fd_);
    }
    static std::string ReadReply(int fd) {
        std::string reply;
        while (true) {
            const size_t last = reply.rfind('\n', reply.size() >= 2 ? reply.size() - 2 : 0);
            const std::string tail = reply.substr(last == std::string::npos ? 0 : last + 1);
            if (!reply.empty() && reply.back() == '\n' && (tail == "ok\n" || tail.rfind("error: ", 0) == 0))
                return reply;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 10000) != 1) return reply + "<time-out>";
            char buffer[512];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) return reply + "<closed>";
            reply.append(buffer, static_cast<size_t>(n));
        }
    }

private:
    int fd_ = -1;
};

std::string SocketPath(const char* name) {
    return "/tmp/norvane-events-" + std::to_string(getpid()) + "-" + name + ".sock";
}

template <typename T>
T* Find(const Simulation& sim, int id) {
    T* found = nullptr;
    for (const NamedBus& b : sim.Buses())
        b.bus->ForEachNode([&](SimNode& n) {
            if (n.NodeId() == id && !found) found = dynamic_cast<T*>(&n);
        });
    return found;
}

TEST(EventControlTest, EventsOverTheSocketReachTheDevices) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(
        ParseSimConfig("ethernet 127.0.0.93:0\nnode controller 5\nnode io 8\nnode rfid 20\n"
                       "node temperature 30\nnode level 40\n"
                       "zone 127.0.0.94:0 zones=2\nnode controller1 5 zone=2\n",
                       config, error));
    Simulation sim;
    std::vector<std::string> notes;
    ASSERT_TRUE(sim.Start(config, error, notes)) << error;
    const std::string ethernet = sim.Buses()[0].name;
    EventControl control(sim);
    ASSERT_TRUE(control.Listen(SocketPath("inproc"), error)) << error;
    ASSERT_TRUE(control.Start(error)) << error;
    ControlClient client(control.SocketPath());

    EXPECT_EQ(client.Ask("nodes"),
              ethernet + " 5 controller\n" + ethernet + " 8 io\n" + ethernet + " 20 rfid\n" + ethernet +
                  " 30 temperature\n" + ethernet + " 40 level\n" +
                  "127.0.0.94:" + std::to_string(sim.ZoneDevices()[0]->Port()) + "/2 5 controller1\nok\n");
    EXPECT_EQ(client.Ask("input 8 3 high"), "ok\n");
    EXPECT_EQ(client.Ask("ambient 30 -55"), "ok\n");
    EXPECT_EQ(client.Ask("level 40 1234"), "ok\n");
    EXPECT_EQ(client.Ask("card 20 place s40 0x11223344"), "ok\n");
    EXPECT_EQ(Find<nodes::IoModule>(sim, 8)->Inputs() & 0x04, 0x04);
    EXPECT_EQ(Find<nodes::TemperatureController>(sim, 30)->Ambient(), -55);
    EXPECT_EQ(Find<nodes::LevelDetector>(sim, 40)->Absolute(), 1234);
    EXPECT_EQ(Find<nodes::RfidReader>(sim, 20)->Block(0)[3], 0x11);
    EXPECT_EQ(client.Ask("card 20 remove"), "ok\n");
    EXPECT_EQ(Find<nodes::RfidReader>(sim, 20)->Block(0)[3], 0x00);

    // Wrong node kind, ambiguity, unknown node or gateway: an error and nothing else.
    EXPECT_EQ(client.Ask("sensor 8 1 high"), "error: node 8 is no controller with sensors\n");
    EXPECT_EQ(client.Ask("stall 5"), "error: node 5 is behind several gateways: choose one with @GATEWAY\n");
    EXPECT_EQ(client.Ask("@" + ethernet + " stall 5"), "ok\n");
    EXPECT_EQ(client.Ask("@" + ethernet + " stall 6"), "error: no node 6 behind " + ethernet + "\n");
    EXPECT_EQ(client.Ask("@COM9 stall 5"), "error: no gateway COM9 (see nodes)\n");
    EXPECT_EQ(client.Ask("analog 8 100"), "error: node 8 is no controller (give a port for an I/O module)\n");
    EXPECT_EQ(client.Ask(std::string(300, 'x')), "error: line longer than 256 characters\n");
    EXPECT_EQ(client.Ask("bogus"), "error: unknown command 'bogus' (try help)\n");
    EXPECT_NE(client.Ask("help").find("card NODE place"), std::string::npos);

    control.Stop();
    EXPECT_NE(access(SocketPath("inproc").c_str(), F_OK), 0);  // the socket file is removed
}

std::string ProgramPath() {
    char self[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path(self, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.rfind('/') + 1) + "norvane-sim";
}

TEST(EventControlTest, ProgramTakesEventsOnItsSocketAndStandardInput) {
    const std::string path = SocketPath("process");
    int input[2], output[2];
    ASSERT_EQ(pipe(input), 0);
    ASSERT_EQ(pipe(output), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(input[0], 0);
        dup2(output[1], 1);
        close(input[1]);
        close(output[0]);
        const std::string program = ProgramPath();
        execl(program.c_str(), program.c_str(), "-e", "ethernet 127.0.0.95:0", "-e", "node io 8", "--control",
              path.c_str(), "--stdin", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(input[0]);
    close(output[1]);
    {
        ControlClient client(path);
        EXPECT_EQ(client.Ask("input 8 1 high"), "ok\n");
    }
    // Standard input: the replies follow the greeting on standard output.
    const std::string line = "stall 8\n";
    ASSERT_EQ(write(input[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
    const std::string out = ControlClient::ReadReply(output[0]);
    EXPECT_NE(out.find("device events on " + path), std::string::npos) << out;
    EXPECT_NE(out.find("error: node 8 is no controller\n"), std::string::npos) << out;
    close(input[1]);  // end of standard input does not end the program
    {
        ControlClient client(path);
        EXPECT_EQ(client.Ask("input 8 1 low"), "ok\n");
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(access(path.c_str(), F_OK), 0);
    close(output[0]);
}

}  // namespace
}  // namespace norvane::sim::events
