// SocketCAN interfaces of the simulator: their configuration lines, the 16-byte frame records and
// bit-rate texts, and the server as a raw seqpacket client meets it (answers, several clients,
// bit rate, down, bus-off and restart, faults through the control line, bad messages).
#include <gtest/gtest.h>
#include <linux/can.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

#include "sim/events/fault_command.h"
#include "sim/simulation.h"
#include "sim/socketcan_frames.h"
#include "sim/socketcan_link.h"

namespace norvane::sim {
namespace {

using Record = std::array<uint8_t, 16>;

TEST(SocketCanConfig, LinesAndRefusals) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(
        ParseSimConfig("socketcan can0 bitrate-code=0 restart-ms=100 bus-time log=/tmp/c.log\n"
                       "node controller 5\n"
                       "socketcan vcan0 bridge\n"
                       "usb 0\n",
                       config, error))
        << error;
    ASSERT_EQ(config.gateways.size(), 3u);
    const GatewaySpec& can0 = config.gateways[0];
    EXPECT_EQ(can0.kind, GatewaySpec::Kind::SocketCan);
    EXPECT_EQ(can0.interfaceName, "can0");
    EXPECT_EQ(can0.bitRateCode, 0);
    EXPECT_EQ(can0.restartMs, 100u);
    EXPECT_TRUE(can0.busTime);
    EXPECT_FALSE(can0.bridge);
    EXPECT_EQ(can0.nodes.size(), 1u);
    EXPECT_TRUE(config.gateways[1].bridge);
    EXPECT_EQ(EventName(config.gateways[1]), "vcan0");

    const std::pair<const char*, const char*> bad[] = {
        {"socketcan\n",
         "line 1: expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan"},
        {"socketcan can/0\n",
         "line 1: expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan"},
        {"socketcan a:1\n",
         "line 1: expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan"},
        {"socketcan ..\n",
         "line 1: expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan"},
        {"socketcan abcdefghijklmnop\n",
         "line 1: expected an interface name (1-15 letters, digits, '_', '-', '.') after socketcan"},
        {"socketcan can0\nsocketcan can0\n", "line 2: socketcan can0 configured twice"},
        {"usb 3\nsocketcan usb3\n", "line 2: the name usb3 belongs to another gateway"},
        {"socketcan COM2\nrs232 COM2\n", "line 2: the name COM2 belongs to another gateway"},
        {"socketcan can0 restart-ms=60001\n", "line 1: bad gateway setting 'restart-ms=60001'"},
        {"socketcan can0 bridge=1\n", "line 1: bad gateway setting 'bridge=1'"},
        {"pci 0:0 restart-ms=5\n", "line 1: bad gateway setting 'restart-ms=5'"},
        {"usb 0 bridge\n", "line 1: bad gateway setting 'bridge'"},
        // Same-kind duplicates keep their messages.
        {"rs232 COM3\nuart COM3\n", "line 2: COM3 configured twice"},
        {"usb 4\nusb 4\n", "line 2: usb 4 configured twice"},
    };
    for (const auto& [text, want] : bad) {
        EXPECT_FALSE(ParseSimConfig(text, config, error)) << text;
        EXPECT_EQ(error, want);
    }
}

// The records as linux/can.h lays them out on this (little-endian) machine, written out by hand.
TEST(SocketCanFrames, RecordsBothWays) {
    struct Case {
        CanFrame frame;
        Record bytes;
    };
    const Case cases[] = {
        {{0x05080081, 2, {0x12, 0x34}, true, false},
         {0x81, 0x00, 0x08, 0x85, 2, 0, 0, 0, 0x12, 0x34, 0, 0, 0, 0, 0, 0}},
        {{0x1FFFFFFF, 8, {1, 2, 3, 4, 5, 6, 7, 8}, true, false},
         {0xFF, 0xFF, 0xFF, 0x9F, 8, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {{0x123, 1, {0xAA}, false, false}, {0x23, 0x01, 0x00, 0x00, 1, 0, 0, 0, 0xAA, 0, 0, 0, 0, 0, 0, 0}},
        {{0x7FF, 0, {}, false, true}, {0xFF, 0x07, 0x00, 0x40, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{0x00280081, 4, {0xE8, 0x03, 0, 0}, true, true},
         {0x81, 0x00, 0x28, 0xC0, 4, 0, 0, 0, 0xE8, 0x03, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeCanFrameRecord(c.frame), c.bytes) << std::hex << c.frame.id;
        CanFrame back;
        ASSERT_EQ(DecodeCanFrameRecord(c.bytes.data(), c.bytes.size(), back), RecordKind::Frame);
        EXPECT_EQ(back.id, c.frame.id);
        EXPECT_EQ(back.length, c.frame.length);
        EXPECT_EQ(back.extended, c.frame.extended);
        EXPECT_EQ(back.remote, c.frame.remote);
        EXPECT_EQ(0, std::memcmp(back.data, c.frame.data, 8));
    }
    // Bits above the identifier's width are not sent; a length above 8 is capped.
    EXPECT_EQ(EncodeCanFrameRecord({0xFFFFF923, 9, {}, false, false})[0], 0x23);
    EXPECT_EQ(EncodeCanFrameRecord({0xFFFFF923, 9, {}, false, false})[1], 0x01);
    EXPECT_EQ(EncodeCanFrameRecord({0xFFFFF923, 9, {}, false, false})[4], 8);

    const Record busOff = {0x40, 0, 0, 0x20, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const Record restarted = {0x00, 0x01, 0, 0x20, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(ErrorFrameRecord(0x40), busOff);
    EXPECT_EQ(ErrorFrameRecord(0x100), restarted);

    CanFrame f;
    const Record longLength = {0x81, 0, 0x08, 0x85, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(DecodeCanFrameRecord(busOff.data(), 16, f), RecordKind::Error);
    EXPECT_EQ(DecodeCanFrameRecord(longLength.data(), 16, f), RecordKind::Malformed);
    EXPECT_EQ(DecodeCanFrameRecord(busOff.data(), 15, f), RecordKind::Malformed);
    EXPECT_EQ(DecodeCanFrameRecord(busOff.data(), 0, f), RecordKind::Malformed);
}

TEST(SocketCanFrames, BitRateTexts) {
    const std::pair<const char*, std::optional<uint32_t>> cases[] = {
        {"500000", 500000},         {"500000\n", 500000},
        {" 1000000 \r\n", 1000000}, {"10000", 10000},
        {"1000000000", 1000000000}, {"1000000001", std::nullopt},
        {"0", std::nullopt},        {"", std::nullopt},
        {"\n", std::nullopt},       {"500k", std::nullopt},
        {"-500000", std::nullopt},  {"+500000", std::nullopt},
        {"5 00000", std::nullopt},  {"99999999999999999999", std::nullopt},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(ParseBitRateText(text), want) << "'" << text << "'";
}

// The interface's state through a sequence of events, one table row per step.
TEST(SocketCanLinkState, StepsOfUpDownRateBusOffAndRestart) {
    enum class Step { File, NoFile, ClientFrame, BusFrame, ForceBusOff, Tick };
    using V = SocketCanLink::Verdict;
    struct Row {
        Step step;
        const char* text;  ///< File
        uint64_t ms;
        V verdict;    ///< ClientFrame, BusFrame
        bool effect;  ///< File: restarted; ClientFrame: entered bus-off; ForceBusOff, Tick: result
        bool busOffAfter;
    };
    const Row rows[] = {
        {Step::ClientFrame, "", 0, V::Down, false, false},  // no file yet: down
        {Step::File, "250000\n", 0, V::Pass, false, false},
        {Step::BusFrame, "", 0, V::WrongRate, false, false},    // bus runs at 500k
        {Step::ClientFrame, "", 10, V::WrongRate, true, true},  // unacknowledged: bus-off
        {Step::ClientFrame, "", 11, V::BusOff, false, true},
        {Step::Tick, "", 5000, V::Pass, false, true},      // no automatic restart configured...
        {Step::File, "500000", 20, V::Pass, true, false},  // ...a written file restarts
        {Step::ClientFrame, "", 21, V::Pass, false, false},
        {Step::BusFrame, "", 21, V::Pass, false, false},
        {Step::ForceBusOff, "", 30, V::Pass, true, true},
        {Step::ForceBusOff, "", 31, V::Pass, false, true},  // already bus-off
        {Step::BusFrame, "", 32, V::BusOff, false, true},
        {Step::NoFile, "", 40, V::Pass, false, false},       // down clears bus-off
        {Step::ForceBusOff, "", 41, V::Pass, false, false},  // a down interface cannot go bus-off
        {Step::BusFrame, "", 41, V::Down, false, false},
        {Step::File, "five hundred", 50, V::Pass, false, false},  // up, but at no rate
        {Step::BusFrame, "", 50, V::WrongRate, false, false},
    };
    SocketCanLink link(500000, 0);
    for (size_t n = 0; n < std::size(rows); ++n) {
        const Row& r = rows[n];
        bool effect = false;
        switch (r.step) {
            case Step::File:
                effect = link.FileChanged(std::string_view(r.text));
                break;
            case Step::NoFile:
                effect = link.FileChanged(std::nullopt);
                break;
            case Step::ClientFrame:
                EXPECT_EQ(link.FromClient(r.ms, effect), r.verdict) << "row " << n;
                break;
            case Step::BusFrame:
                EXPECT_EQ(link.FromBus(), r.verdict) << "row " << n;
                break;
            case Step::ForceBusOff:
                effect = link.ForceBusOff(r.ms);
                break;
            case Step::Tick:
                effect = link.RestartDue(r.ms);
                break;
        }
        EXPECT_EQ(effect, r.effect) << "row " << n;
        EXPECT_EQ(link.BusOff(), r.busOffAfter) << "row " << n;
    }

    SocketCanLink automatic(500000, 100);
    automatic.FileChanged(std::string_view("500000"));
    ASSERT_TRUE(automatic.ForceBusOff(1000));
    EXPECT_EQ(automatic.RestartAtMs(), 1100u);
    EXPECT_FALSE(automatic.RestartDue(1099));
    EXPECT_TRUE(automatic.RestartDue(1100));
    EXPECT_FALSE(automatic.BusOff());
    EXPECT_EQ(automatic.RestartAtMs(), std::nullopt);
}

/// A CAN_RAW-like client of a stand-in interface, written against the socket directly.
class RawCanClient {
public:
    explicit RawCanClient(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~RawCanClient() {
        if (fd_ >= 0) close(fd_);
    }
    bool Connected() const { return fd_ >= 0; }
    bool SendBytes(const void* bytes, size_t size) {
        return send(fd_, bytes, size, MSG_NOSIGNAL) == static_cast<ssize_t>(size);
    }
    /// An extended data frame.
    bool Send(uint32_t id, std::initializer_list<uint8_t> data) {
        can_frame f{};
        f.can_id = id | CAN_EFF_FLAG;
        f.can_dlc = static_cast<uint8_t>(data.size());
        std::copy(data.begin(), data.end(), f.data);
        return SendBytes(&f, sizeof f);
    }
    /// The next message's can_id and length code, nullopt after timeoutMs.
    std::optional<can_frame> Receive(int timeoutMs = 1000) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
        can_frame f{};
        if (recv(fd_, &f, sizeof f, 0) != static_cast<ssize_t>(sizeof f)) return std::nullopt;
        return f;
    }

private:
    int fd_ = -1;
};

constexpr uint32_t kEnaToNode5 = 0x05080081;  // ENA with answer, node 5, second generation
constexpr uint32_t kNode5Answer = 0x00280081;
constexpr canid_t kExtended = 0x80000000;
constexpr canid_t kBusOffFrame = 0x20000040;     // CAN_ERR_FLAG | CAN_ERR_BUSOFF
constexpr canid_t kRestartedFrame = 0x20000100;  // CAN_ERR_FLAG | CAN_ERR_RESTARTED

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::trunc) << text;
}

bool Eventually(const std::function<bool()>& done, int ms = 2000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

class SocketCanServing : public ::testing::Test {
protected:
    void Serve(const std::string& lines) {
        SimConfig config;
        std::string error;
        ASSERT_TRUE(ParseSimConfig(lines, config, error)) << error;
        config.socketcanDir = dir_;
        std::vector<std::string> notes;
        ASSERT_TRUE(simulation_.Start(config, error, notes)) << error;
        cans_ = simulation_.SocketCans();
        ASSERT_NE(cans_, nullptr);
    }
    /// A client, once the server has taken it in.
    std::unique_ptr<RawCanClient> Connect(const std::string& name) {
        const size_t before = cans_->Counters(name).clients;
        auto client = std::make_unique<RawCanClient>(dir_ + "/" + name);
        EXPECT_TRUE(client->Connected());
        EXPECT_TRUE(Eventually([&] { return cans_->Counters(name).clients == before + 1; }));
        return client;
    }
    void TearDown() override {
        simulation_.Stop();
        rmdir(dir_.c_str());
    }

    const std::string dir_ = "/tmp/norvane-socketcan-test-" + std::to_string(getpid());
    Simulation simulation_;
    SocketCanServer* cans_ = nullptr;
};

TEST_F(SocketCanServing, NodeAnswersEveryClientAndOtherClientsSeeTheRequest) {
    Serve("socketcan can0 bitrate-code=0\nnode controller 5\nsocketcan can1\n");
    std::string text;
    std::ifstream(dir_ + "/can0.bitrate") >> text;
    EXPECT_EQ(text, "1000000");
    std::ifstream(dir_ + "/can1.bitrate") >> text;
    EXPECT_EQ(text, "500000");

    auto a = Connect("can0");
    auto b = Connect("can0");
    auto other = Connect("can1");
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    const auto answerA = a->Receive();
    ASSERT_TRUE(answerA);
    EXPECT_EQ(answerA->can_id, kNode5Answer | kExtended);  // never its own request back
    const auto requestB = b->Receive();
    const auto answerB = b->Receive();
    ASSERT_TRUE(requestB && answerB);
    EXPECT_EQ(requestB->can_id, kEnaToNode5 | kExtended);
    EXPECT_EQ(answerB->can_id, kNode5Answer | kExtended);
    EXPECT_FALSE(a->Receive(100));
    EXPECT_FALSE(other->Receive(100));  // another interface, another bus

    // A frame from the bus in any format reaches the clients as it was.
    cans_->InjectFromBus("can0", CanFrame{0x123, 1, {0x5A}, false, true});
    const auto injected = a->Receive();
    ASSERT_TRUE(injected);
    EXPECT_EQ(injected->can_id, 0x123u | CAN_RTR_FLAG);
    EXPECT_EQ(injected->can_dlc, 1);

    const SocketCanCounters c = cans_->Counters("can0");
    EXPECT_EQ(c.toBus, 1u);
    EXPECT_EQ(c.toClients, 2u);
    EXPECT_EQ(c.clients, 2u);
    b.reset();
    EXPECT_TRUE(Eventually([&] { return cans_->Counters("can0").clients == 1; }));
}

TEST_F(SocketCanServing, WrongRateLosesFramesAndGoesBusOffUntilTheRateIsWritten) {
    Serve("socketcan can0\nnode controller 5\n");
    auto a = Connect("can0");
    auto b = Connect("can0");
    WriteFile(dir_ + "/can0.bitrate", "250000\n");
    // The rate written just before the frame counts for it.
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    for (auto* client : {a.get(), b.get()}) {
        const auto e = client->Receive();
        ASSERT_TRUE(e);
        EXPECT_EQ(e->can_id, kBusOffFrame);
        EXPECT_EQ(e->can_dlc, 8);
    }
    EXPECT_FALSE(b->Receive(150));  // neither the request nor an answer
    EXPECT_TRUE(cans_->BusOff("can0"));
    EXPECT_EQ(cans_->Bus("can0").Traffic().size(), 0u);

    // Back at the bus's rate: the interface restarts and passes frames again.
    WriteFile(dir_ + "/can0.bitrate", "500000");
    const auto restarted = a->Receive();
    ASSERT_TRUE(restarted);
    EXPECT_EQ(restarted->can_id, kRestartedFrame);
    ASSERT_TRUE(b->Receive());
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    const auto answer = a->Receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->can_id, kNode5Answer | kExtended);

    // A bus frame while the rates differ is lost without bus-off (receiving sends nothing).
    WriteFile(dir_ + "/can0.bitrate", "125000");
    cans_->InjectFromBus("can0", CanFrame{kNode5Answer, 0, {}});
    EXPECT_FALSE(a->Receive(150));
    const SocketCanCounters c = cans_->Counters("can0");
    EXPECT_EQ(c.lostWrongRate, 2u);
    EXPECT_EQ(c.busOffs, 1u);
    EXPECT_EQ(c.restarts, 1u);
}

TEST_F(SocketCanServing, DownWithoutTheRateFileAndUpAgain) {
    Serve("socketcan can0\nnode controller 5\n");
    auto a = Connect("can0");
    ASSERT_EQ(unlink((dir_ + "/can0.bitrate").c_str()), 0);
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    cans_->InjectFromBus("can0", CanFrame{kNode5Answer, 0, {}});
    EXPECT_FALSE(a->Receive(150));
    EXPECT_EQ(cans_->Counters("can0").lostDown, 2u);
    EXPECT_EQ(cans_->Bus("can0").Traffic().size(), 0u);
    // Down is not bus-off: the fault has nothing to act on.
    EXPECT_EQ(events::RunFaultLine("fault can0 busoff", simulation_),
              "error: can0 is down or bus-off already\n");

    WriteFile(dir_ + "/can0.bitrate", "500000\n");
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    const auto answer = a->Receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->can_id, kNode5Answer | kExtended);  // no restart frame: it was not bus-off
}

TEST_F(SocketCanServing, FaultsThroughTheControlLine) {
    Serve("socketcan can0 restart-ms=400\nnode controller 5\n");
    auto a = Connect("can0");
    struct Case {
        const char* line;
        const char* reply;
    };
    const Case replies[] = {
        {"fault can0 garbage 4", "error: can0 takes no such fault\n"},
        {"fault can0 close", "error: can0 takes no such fault\n"},
        {"fault can0 delay 1 10", "error: can0 takes no such fault\n"},
        {"fault can1 busoff", "error: no gateway can1\n"},
        {"fault can0 drop 1", "ok\n"},
    };
    for (const Case& c : replies) EXPECT_EQ(events::RunFaultLine(c.line, simulation_), c.reply) << c.line;

    // drop 1: the first answer is lost, the second arrives.
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    EXPECT_FALSE(a->Receive(150));
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    EXPECT_TRUE(a->Receive());
    EXPECT_EQ(events::RunFaultLine("fault can0 silent on", simulation_), "ok\n");
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    EXPECT_FALSE(a->Receive(150));
    EXPECT_EQ(events::RunFaultLine("fault can0 reset", simulation_), "ok\n");
    EXPECT_EQ(cans_->Counters("can0").lostFault, 2u);

    // busoff: the error frame, then the automatic restart after restart-ms.
    const auto since = std::chrono::steady_clock::now();
    EXPECT_EQ(events::RunFaultLine("fault can0 busoff", simulation_), "ok\n");
    const auto busOff = a->Receive();
    ASSERT_TRUE(busOff);
    EXPECT_EQ(busOff->can_id, kBusOffFrame);
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));  // lost while bus-off
    const auto restarted = a->Receive(2000);
    ASSERT_TRUE(restarted);
    EXPECT_EQ(restarted->can_id, kRestartedFrame);
    EXPECT_GE(std::chrono::steady_clock::now() - since, std::chrono::milliseconds(390));
    EXPECT_EQ(cans_->Counters("can0").lostBusOff, 1u);
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    EXPECT_TRUE(a->Receive());
}

TEST_F(SocketCanServing, MessagesThatAreNoFrameAreRefusedAndServingGoesOn) {
    Serve("socketcan can0\nnode controller 5\n");
    auto a = Connect("can0");
    can_frame errorFrame{};
    errorFrame.can_id = kBusOffFrame;
    errorFrame.can_dlc = 8;
    can_frame longLength{};
    longLength.can_id = kEnaToNode5 | CAN_EFF_FLAG;
    longLength.can_dlc = 15;
    const uint8_t shortMessage[15] = {};
    const uint8_t longMessage[72] = {};  // a CAN FD record: this interface is classic CAN
    ASSERT_TRUE(a->SendBytes(&errorFrame, sizeof errorFrame));
    ASSERT_TRUE(a->SendBytes(&longLength, sizeof longLength));
    ASSERT_TRUE(a->SendBytes(shortMessage, sizeof shortMessage));
    ASSERT_TRUE(a->SendBytes(longMessage, sizeof longMessage));
    ASSERT_TRUE(a->SendBytes(shortMessage, 0));
    ASSERT_TRUE(a->Send(kEnaToNode5, {}));
    const auto answer = a->Receive();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->can_id, kNode5Answer | kExtended);
    EXPECT_EQ(cans_->Counters("can0").refused, 5u);
    EXPECT_EQ(cans_->Counters("can0").clients, 1u);
}

TEST_F(SocketCanServing, StopRemovesTheFilesAndASecondServerIsRefused) {
    Serve("socketcan can0\n");
    Simulation second;
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("socketcan can0\n", config, error));
    config.socketcanDir = dir_;
    std::vector<std::string> notes;
    EXPECT_FALSE(second.Start(config, error, notes));
    EXPECT_EQ(error, "SocketCAN interface socket " + dir_ + "/can0 is in use");
    EXPECT_EQ(access((dir_ + "/can0.bitrate").c_str(), F_OK), 0);  // the first one's file stays
    simulation_.Stop();
    EXPECT_NE(access((dir_ + "/can0").c_str(), F_OK), 0);
    EXPECT_NE(access((dir_ + "/can0.bitrate").c_str(), F_OK), 0);
}

// The bus joined to the kernel's vcan0: needs AF_CAN and the interface, so it runs only where
// they exist (modprobe vcan; ip link add vcan0 type vcan; ip link set vcan0 up).
TEST(SocketCanBridge, NodeAnswersOnTheKernelsInterface) {
    const int probe = socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
    if (probe < 0) GTEST_SKIP() << "no CAN in this kernel: socket(AF_CAN): " << std::strerror(errno);
    close(probe);
    if (if_nametoindex("vcan0") == 0) GTEST_SKIP() << "no interface vcan0";

    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("socketcan vcan0 bridge\nnode controller 5\n", config, error));
    Simulation simulation;
    std::vector<std::string> notes;
    ASSERT_TRUE(simulation.Start(config, error, notes)) << error;

    const int fd = socket(PF_CAN, SOCK_RAW | SOCK_CLOEXEC, CAN_RAW);
    sockaddr_can a{};
    a.can_family = AF_CAN;
    a.can_ifindex = static_cast<int>(if_nametoindex("vcan0"));
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    can_frame request{};
    request.can_id = kEnaToNode5 | CAN_EFF_FLAG;
    ASSERT_EQ(write(fd, &request, sizeof request), static_cast<ssize_t>(sizeof request));
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    can_frame answer{};
    ASSERT_EQ(read(fd, &answer, sizeof answer), static_cast<ssize_t>(sizeof answer));
    EXPECT_EQ(answer.can_id, kNode5Answer | CAN_EFF_FLAG);
    close(fd);
}

TEST(SocketCanBridge, MissingInterfaceIsAClearStartError) {
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("socketcan nosuchcan9 bridge\n", config, error));
    Simulation simulation;
    std::vector<std::string> notes;
    EXPECT_FALSE(simulation.Start(config, error, notes));
    EXPECT_TRUE(error.rfind("socketcan nosuchcan9 bridge: no CAN", 0) == 0) << error;
}

}  // namespace
}  // namespace norvane::sim
