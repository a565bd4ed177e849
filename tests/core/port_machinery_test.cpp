// The port machinery every transport shares: threads, answer filing, streams, the ring.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "inbox_port.h"
#include "sdk/core/answer_match.h"
#include "sdk/core/callbacks.h"
#include "sdk/core/request_flow.h"
#include "sdk/core/sdk_settings.h"

using namespace norvane::sdk;
using norvane::testing::InboxPort;
using norvane::testing::Message;

namespace {

class PortMachinery : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(port.StartReceiver(0x001001), 1); }
    void TearDown() override {
        port.StopThreads();
        GlobalCallbacks().translate = nullptr;
        GlobalCallbacks().realtime = nullptr;
        ResetNoticeRecordForTests();
    }
    NodeAnswerTable& Table() { return *port.TableFor(0x001001); }
    InboxPort port;
};

std::atomic<int> translated{0};
std::vector<uint32_t> translatedWords;
std::atomic<bool> holdTranslate{false};

std::atomic<int> translateEntered{0};  ///< callbacks begun (a held one included)

void CountTranslated(uint32_t, uint32_t w0, uint32_t, uint32_t, uint32_t) {
    ++translateEntered;
    while (holdTranslate) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    translatedWords.push_back(w0);
    ++translated;
}

}  // namespace

TEST_F(PortMachinery, AnswerForTheNodeInFlightWakesTheRequester) {
    NodeAnswerTable& table = Table();
    table.Expect(9, 0x07);
    table.answerEvent.Clear();
    port.Receive(Message(9, 0x87, {1, 2, 3, 4}));
    ASSERT_TRUE(port.WaitForAnswer(table, 9, 2000));
    KymCanMsg stored[1];
    table.CopyAnswers(9, stored, 1);
    EXPECT_EQ(stored[0].controlWord, 0x87);
    EXPECT_EQ(stored[0].data[3], 4);
    EXPECT_EQ(table.Count(9), 1u);
}

// With an answer spin the requester sleeps until shortly before the answer is due (learned from
// the last one) and watches for it: answers earlier, on time or later than due are all taken,
// and what is learned is when the answer arrived, not when the requester woke.
TEST_F(PortMachinery, WatchedAnswerWaitTakesAnswersWhenTheyComeAndLearnsTheirTime) {
    NodeAnswerTable& table = Table();
    SetAnswerSpinUs(2000);
    for (const int delayMs : {30, 30, 5, 60, 0}) {
        table.Expect(9, 0x07);
        table.answerEvent.Clear();
        const auto sent = std::chrono::steady_clock::now();
        std::thread node([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            port.Receive(Message(9, 0x87, {1}));
        });
        EXPECT_TRUE(AwaitAnswer(port, table, 9, 2000)) << delayMs;
        const auto waited = std::chrono::steady_clock::now() - sent;
        node.join();
        const uint32_t learned = table.answerLatencyUs.load();
        EXPECT_GE(learned, static_cast<uint32_t>(delayMs) * 1000u) << delayMs;
        EXPECT_LE(learned, std::chrono::duration_cast<std::chrono::microseconds>(waited).count()) << delayMs;
        table.Clear(9);
    }
    EXPECT_FALSE(AwaitAnswer(port, table, 9, 50));
    EXPECT_EQ(port.counters.timeouts.load(), 1u);
    SetAnswerSpinUs(0);
}

TEST_F(PortMachinery, NodeZeroAndOutOfRangeNodesAreDropped) {
    NodeAnswerTable& table = Table();
    table.Expect(0, 0x07);
    port.Receive(Message(0, 0x87, {1}));
    port.Receive(Message(126, 0x87, {1}));
    EXPECT_FALSE(port.WaitForAnswer(table, 0, 100));
    EXPECT_EQ(port.counters.droppedMessages.load(), 2u);
}

TEST_F(PortMachinery, NotificationsNeverCountAsAnswers) {
    NodeAnswerTable& table = Table();
    table.Expect(4, 0x0B);
    table.answerEvent.Clear();
    for (uint8_t word : {0x3E, 0x5A, 0x70, 0xF3, 0x78}) port.Receive(Message(4, word, {1}));
    EXPECT_FALSE(port.WaitForAnswer(table, 4, 150));
    EXPECT_EQ(table.Count(4), 0u);
}

TEST_F(PortMachinery, DiscoveryAnswersGoToNodeZerosAreaWithoutSignal) {
    NodeAnswerTable& table = Table();
    for (uint32_t node = 0; node < kNodeSlots; ++node) table.Expect(node, 0x40);
    table.answerEvent.Clear();
    port.Receive(Message(7, 0xC0, {0x18, 0, 0, 1}));
    port.Receive(Message(6, 0xC0, {0x18, 0, 0, 2}));
    EXPECT_FALSE(table.answerEvent.Wait(150));
    EXPECT_EQ(table.Count(0), 2u);
    KymCanMsg area[2];
    table.CopyAnswers(0, area, 2);
    EXPECT_EQ(area[0].node, 7);
    EXPECT_EQ(area[1].node, 6);
}

TEST_F(PortMachinery, ExpectedCommand111RelabelsEveryAnswerFromTheNode) {
    NodeAnswerTable& table = Table();
    table.Expect(3, 0x6F);
    port.Receive(Message(3, 0x85, {9}));
    ASSERT_TRUE(port.WaitForAnswer(table, 3, 2000));
    KymCanMsg stored[1];
    table.CopyAnswers(3, stored, 1);
    EXPECT_EQ(stored[0].controlWord, 0x6F);
}

// The receive thread files an answer only under a request that awaits it: same node, same
// command (or the node's error report), on whichever table the request was made. Everything
// else is counted as unmatched and dropped, never kept for a later request.
TEST_F(PortMachinery, AnswersGoOnlyToTheRequestThatAwaitsThem) {
    struct Case {
        const char* what;
        KymCanMsg message;
        uint32_t takenBy;  // node whose count rises on table A (0: none)
    };
    const Case cases[] = {
        {"the awaited answer", Message(9, 0x87, {1}), 9},
        {"the node's error report", Message(9, 0x8F, {0, 7, 3}), 9},
        {"another command from the node", Message(9, 0x88, {1}), 0},
        {"the same command from another node", Message(8, 0x87, {1}), 0},
        {"a node nothing was asked of", Message(11, 0x87, {1}), 0},
    };
    NodeAnswerTable& a = Table();
    NodeAnswerTable& b = *port.TableFor(0x001002);
    for (const Case& c : cases) {
        a.Expect(9, 0x07);
        b.Expect(4, 0x07);
        const uint64_t unmatched = port.counters.unmatchedAnswers.load();
        port.Receive(c.message);
        port.Receive(Message(4, 0x87, {2}));  // b's answer, filed after c.message
        ASSERT_TRUE(port.WaitForAnswer(b, 4, 2000)) << c.what;
        for (int i = 0; i < 100 && b.Count(4) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(b.Count(4), 1u) << c.what;
        EXPECT_EQ(a.Count(9), c.takenBy == 9 ? 1u : 0u) << c.what;
        EXPECT_EQ(port.counters.unmatchedAnswers.load() - unmatched, c.takenBy == 0 ? 1u : 0u) << c.what;
        a.Clear(9);
        b.Clear(4);
    }
}

TEST_F(PortMachinery, ARequestStartsFromEmptySlots) {
    NodeAnswerTable& table = Table();
    table.Expect(5, 0x07);
    port.Receive(Message(5, 0x87, {1, 2, 3, 4}));
    ASSERT_TRUE(port.WaitForAnswer(table, 5, 2000));
    table.Expect(5, 0x07);
    KymCanMsg stored[2];
    table.CopyAnswers(5, stored, 2);
    EXPECT_EQ(stored[0].controlWord, 0);
    EXPECT_EQ(stored[0].data[3], 0);
}

TEST_F(PortMachinery, StreamDataIsAByteFifoPerNode) {
    port.Receive(Message(12, 0x3E, {1, 2, 3, 4, 5}));
    port.Receive(Message(12, 0xBE, {6, 7}));
    uint8_t buffer[16] = {};
    int got = 0;
    for (int i = 0; i < 200 && got == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        got = port.ReadNodeStream(12, buffer, 3);
    }
    ASSERT_EQ(got, 3);
    EXPECT_EQ(buffer[2], 3);
    // The rest, in order, once the second message is filed.
    uint8_t rest[16] = {};
    int restCount = 0;
    for (int i = 0; i < 400 && restCount < 4; ++i) {
        restCount += port.ReadNodeStream(12, rest + restCount, 16 - restCount);
        if (restCount < 4) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(restCount, 4);
    EXPECT_EQ(rest[0], 4);
    EXPECT_EQ(rest[3], 7);
    EXPECT_EQ(port.ReadNodeStream(12, buffer, 16), 0);
    EXPECT_EQ(port.ReadNodeStream(0, buffer, 16), 0);
    EXPECT_EQ(port.ReadNodeStream(126, buffer, 16), 0);
}

TEST_F(PortMachinery, StreamBytesBeyondTheBufferAreDroppedAndCounted) {
    uint8_t bytes[8] = {};
    int appended = 0;
    while (port.AppendStream(20, bytes, 8)) ++appended;
    EXPECT_EQ(appended, 127);  // 127 x 8 = 1016; one more would reach 1024
    EXPECT_EQ(port.counters.droppedStreamBytes.load(), 8u);
    uint8_t out[2000];
    EXPECT_EQ(port.ReadNodeStream(20, out, sizeof out), 1016);
}

TEST_F(PortMachinery, TranslatedMessagesBypassTheAnswerTable) {
    translated = 0;
    translatedWords.clear();
    GlobalCallbacks().translate = CountTranslated;
    NodeAnswerTable& table = Table();
    table.Expect(8, 0x07);
    table.answerEvent.Clear();
    port.Receive(Message(8, 0x87, {1}));
    EXPECT_FALSE(port.WaitForAnswer(table, 8, 200));
    for (int i = 0; i < 200 && translated == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(translated.load(), 1);
    EXPECT_EQ(translatedWords[0], 0x00018708u);  // node 8, control word 0x87, length 1
}

TEST_F(PortMachinery, FullRingDropsTheNewestAndKeepsOrder) {
    // The callback is held, so the ring fills up behind the first message it was handed.
    translated = 0;
    translatedWords.clear();
    holdTranslate = true;
    translateEntered = 0;
    GlobalCallbacks().translate = CountTranslated;
    const int sent = NotificationRing::kCapacity + 100;
    auto receive = [&](int i) {
        port.Receive(Message(static_cast<uint8_t>(1 + i % 100), 0x87, {static_cast<uint8_t>(i)}));
    };
    // The first message is in the callback before the rest come; else a slow notification thread
    // frees its slot only after the ring was full, and a later message takes it.
    receive(0);
    for (int i = 0; i < 400 && translateEntered == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(translateEntered.load(), 1);
    for (int i = 1; i < sent; ++i) receive(i);
    // One message sits in the held callback; the rest are queued or dropped.
    auto accounted = [&] { return static_cast<int>(port.Ring().FillLevel() + port.Ring().Dropped()) + 1; };
    for (int i = 0; i < 400 && accounted() < sent; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_GE(port.Ring().FillLevel(), NotificationRing::kCapacity - 1)
        << "translated " << translated << " dropped " << port.Ring().Dropped();
    holdTranslate = false;
    for (int i = 0; i < 400 && translated + static_cast<int>(port.Ring().Dropped()) < sent; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const uint64_t dropped = port.Ring().Dropped();
    EXPECT_EQ(translated.load() + static_cast<int>(dropped), sent);
    EXPECT_GE(dropped, 99u);
    for (size_t i = 1; i < translatedWords.size(); ++i) {
        EXPECT_EQ(translatedWords[i] & 0xFF, 1 + i % 100) << "delivered out of order at " << i;
    }
}

TEST_F(PortMachinery, RealtimeNoticeReachesCallbackAndNoticeRecord) {
    static KymNoticeFrame seen{};
    static std::atomic<uint32_t> seenHandle{0};
    GlobalCallbacks().realtime = [](uint32_t handle, KymNoticeFrame* frame, int32_t flag) {
        if (flag == 1) seen = *frame;
        seenHandle = handle;
    };
    uint8_t record[36] = {};
    EXPECT_EQ(TakeNoticeRecord(record), 1);  // creates it
    port.Receive(Message(9, 0xF1, {2}));
    for (int i = 0; i < 200 && seenHandle == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(seenHandle.load(), 0x001001u);
    EXPECT_EQ(seen.identifier, (9u << 19) | 0xF1u);
    EXPECT_EQ(seen.length, 1);
    EXPECT_EQ(TakeNoticeRecord(record), 1);
    uint32_t words[2];
    std::memcpy(words, record, sizeof words);
    EXPECT_EQ(words[0], 0x001001u);
    EXPECT_EQ(words[1], 9u);
    EXPECT_EQ(record[9], 1);
    EXPECT_EQ(TakeNoticeRecord(record), 1);  // cleared by the previous read
    EXPECT_EQ(record[9], 0);
}

TEST(PortThreads, StopReturnsAsSoonAsTheThreadsEnd) {
    InboxPort port;
    ASSERT_EQ(port.StartReceiver(0x001001), 1);
    const auto start = std::chrono::steady_clock::now();
    port.StopThreads();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    // Close latency is measured by benchmarks/bench_port_costs; this only rules out a hang.
    EXPECT_LT(elapsed, std::chrono::milliseconds(5000));
    EXPECT_EQ(port.receiveRunning.load(), 0);
    port.StopThreads();                          // twice is harmless
    ASSERT_EQ(port.StartReceiver(0x001001), 1);  // and the port can run again
}

TEST(NoticeRecord, FlagBytesByControlWord) {
    struct Case {
        uint8_t controlWord, firstData;
        int byte;  // offset in the 36-byte record, -1 = none
    } cases[] = {{0x71, 0, 8},  {0xF1, 0, 9},  {0x72, 0, 10}, {0xF5, 0, 17}, {0x76, 0, 18}, {0x77, 0, 19},
                 {0xF0, 2, 22}, {0x70, 3, 31}, {0x70, 8, -1}, {0xF6, 0, -1}, {0x78, 0, -1}};
    for (const Case& c : cases) {
        NoticeRecord record{};
        KymCanMsg message = Message(5, c.controlWord, {c.firstData});
        NoticeRecordUpdate(record, 0x1000, MakeNoticeFrame(message));
        const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
        for (int i = 8; i < 36; ++i) {
            EXPECT_EQ(bytes[i], i == c.byte ? 1 : 0)
                << std::hex << int(c.controlWord) << " byte " << std::dec << i;
        }
        EXPECT_EQ(record.node, 5u);
    }
}

TEST(NoticeFrame, IdentifierCarriesNodeBitsAndFullControlWord) {
    KymNoticeFrame frame = MakeNoticeFrame(Message(0x65, 0xF2, {1, 2}));  // node 101 = 0b1100101
    EXPECT_EQ(frame.identifier, (0x05u << 19) | (0x60u << 3) | 0xF2u);
    EXPECT_EQ(frame.length, 2);
    EXPECT_EQ(frame.data[1], 2);
}

TEST(AnswerMatch, WhichCommandAnswersWhichRequest) {
    struct Case {
        uint8_t expected, number;
        bool second, first;
    };
    const Case cases[] = {
        {0, 7, false, false},               // nothing in flight
        {7, 7, true, true},                 // the awaited command
        {7, 8, false, false},               // another command
        {7, 15, true, true},                // the node's error report
        {0x6F, 8, true, false},             // waits for anything (second generation)
        {0x40, 0x40, true, true},           // discovery
        {1, 61, true, false},               // a status reply answers a status command (serial replies)
        {7, 61, false, false},              // ... and no other
        {kCommandZeroMark, 0, true, true},  // command 0 in flight
        {kCommandZeroMark, 7, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswersSecondGen(c.expected, c.number), c.second)
            << int(c.expected) << "/" << int(c.number);
        EXPECT_EQ(AnswersFirstGen(c.expected, c.number), c.first) << int(c.expected) << "/" << int(c.number);
    }
}

// Four threads ask four nodes through two handles that share the port (tables 1 and 0); each
// answer arrives while others are in flight and must reach its own requester.
TEST_F(PortMachinery, AliasedHandlesAndThreadsEachTakeTheirOwnAnswers) {
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    const uint32_t handles[] = {0x001001, 0x001009, 0x001001, 0x001009};
    for (uint32_t t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const uint32_t node = 20 + t;
            for (uint8_t i = 0; i < 100; ++i) {
                RequestWire wire;
                wire.answerTimeoutMs = 2000;
                wire.build = [] { return true; };
                wire.send = [&] {
                    port.Receive(
                        Message(static_cast<uint8_t>(node), 0x87, {i, static_cast<uint8_t>(node), 0, 0}));
                    return true;
                };
                KymReply reply{};
                const int result = RunGetRequest(port, {handles[t], node, 0x87, 0, nullptr, &reply}, wire);
                if (result != 1 || reply.field[0] != static_cast<int32_t>(i | (node << 8))) ++wrong;
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(port.counters.unmatchedAnswers.load(), 0u);
}
