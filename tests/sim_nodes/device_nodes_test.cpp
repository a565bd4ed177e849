// I/O modules, RFID reader, temperature controller, liquid-level detector and the factory.
#include <gtest/gtest.h>

#include "node_test_util.h"
#include "sim/nodes/io_module.h"
#include "sim/nodes/level_detector.h"
#include "sim/nodes/node_factory.h"
#include "sim/nodes/rfid_reader.h"
#include "sim/nodes/temperature_controller.h"

namespace norvane::sim::nodes {
namespace {

using test::Bytes;
using test::Exchange;
using test::Frame;
using test::Recorder;
using V = std::vector<uint8_t>;

constexpr uint32_t kNode7 = 0x07080000;
constexpr uint32_t kNode9 = 0x09080000;
constexpr uint32_t kNode20 = 0x14080000;  // requests to node 20
constexpr uint32_t kFrom20 = 0x00A00000;  // node 20's own frames

CanFrame Answer(SimNode& node, const CanFrame& request) {
    auto out = Exchange(node, request);
    EXPECT_EQ(out.size(), 1u);
    return out.empty() ? CanFrame{} : out[0];
}

TEST(RfidReader, FindsCardAndReadsAndWritesBlocksThroughTheDataWindow) {
    RfidReader reader(7);
    reader.PlaceCard(CardType::S70, 0x5634AB12);
    // Find without the antenna fails (d3 = 1) and leaves a zero card number.
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 0x0B}))), (V{0x01, 0x0B, 0x00, 0x01}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x00, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 0x04}))), (V{0x01, 0x04, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 0x0B}))), (V{0x01, 0x0B, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x00, 0x12, 0xAB, 0x34, 0x56, 0x00, 0x00}));

    // Write block 130 (S70 sector 32, block 2): three window writes at 24, 30, 36, then write.
    Answer(reader, Frame(kNode7 | 0xD3, {24, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    Answer(reader, Frame(kNode7 | 0xD3, {30, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}));
    Answer(reader, Frame(kNode7 | 0xD3, {36, 0xCC, 0xDD, 0xEE, 0xFF}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 14, 130}))), (V{0x01, 0x0E, 0x82, 0x00}));
    const std::array<uint8_t, 16> expected = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                              0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
    EXPECT_EQ(reader.Block(130), expected);

    // Read it back: one read operation, then three window reads of 6, 6 and 4 bytes.
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 13, 130}))), (V{0x01, 0x0D, 0x82, 0x00}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x06, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x0C, 0xCC, 0xDD, 0xEE, 0xFF, 0x00, 0x00}));

    // A sector trailer reads keys FF..FF and access bits FF 07 80 69.
    Answer(reader, Frame(kNode7 | 0xD2, {0x01, 12, 3}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Bytes(Answer(reader, Frame(kNode7 | 0xD3))), (V{0x06, 0xFF, 0x07, 0x80, 0x69, 0xFF, 0xFF}));

    // Block 0 is read-only; a block beyond an S40 card fails; no card, no read.
    EXPECT_EQ(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 14, 0})).data[3], 1);
    reader.PlaceCard(CardType::S40, 1);
    Answer(reader, Frame(kNode7 | 0xD2, {0x01, 0x0B}));
    EXPECT_EQ(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 12, 63})).data[3], 0);
    EXPECT_EQ(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 12, 64})).data[3], 1);
    reader.RemoveCard();
    EXPECT_EQ(Answer(reader, Frame(kNode7 | 0xD2, {0x01, 12, 1})).data[3], 1);
}

TEST(TemperatureController, SetPointRunStateAndTheTwoPartRecord) {
    TemperatureController t(9);
    Recorder bus;
    EXPECT_EQ(Bytes(Answer(t, Frame(kNode9 | 0x8C, {0x72, 0x01, 0x00, 0x00}))), (V{0x72, 0x01, 0x00, 0x00}));
    EXPECT_EQ(t.Desired(), 370);
    EXPECT_EQ(Bytes(Answer(t, Frame(kNode9 | 0x8C, {0xDD, 0x05, 0x00, 0x00}))),
              (V{0x00, 0x0C, 0x02}));                                      // 150.1
    EXPECT_TRUE(Exchange(t, Frame(kNode9 | 0x01, {0x01, 0x00})).empty());  // start
    EXPECT_TRUE(t.Running());
    t.Tick(0, bus);
    t.Tick(1000, bus);
    EXPECT_EQ(t.Measured(), 260);
    // Record: run 1, ambient 250 (FA 00), desired 370 (72 01), measured 260 (04 01).
    EXPECT_EQ(Bytes(Answer(t, Frame(kNode9 | 0xD3))), (V{0x00, 0x01, 0xFA, 0x00, 0x72, 0x01, 0x04}));
    EXPECT_EQ(Bytes(Answer(t, Frame(kNode9 | 0xD3))), (V{0x06, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}));
    // A read long after the last one starts a new record.
    t.Tick(2000, bus);
    EXPECT_EQ(Answer(t, Frame(kNode9 | 0xD3)).data[0], 0x00);

    Answer(t, Frame(kNode9 | 0xB6, {0x00}));  // store
    Exchange(t, Frame(kNode9 | 0x0C, {0x2C, 0x01, 0x00, 0x00}));
    t.PowerCycle();
    EXPECT_EQ(t.Desired(), 370);
    EXPECT_FALSE(t.Running());
    EXPECT_EQ(Bytes(Answer(t, Frame(kNode9 | 0xC1))), (V{0x01, 89, 0x50, 100, 0x4C, 0x04}));
}

TEST(IoModule, PortConfigurationOutputsInputsAndAnalogValues) {
    IoModule io(20, IoOptions{});
    // P1 becomes an analog input (code 2); P5, P6 stay TTL outputs, P2-P4 TTL inputs.
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC7, {0xFE, 0x05, 0x00, 0x00}))), (V{0xFE, 0x05}));
    io.SetAnalogInput(1, 0x800);
    io.SetAnalogInput(2, 0x123);  // P2 is no analog input: not reported
    auto out = Exchange(io, Frame(kNode20 | 0xCC, {0x03}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(Bytes(out[0]), (V{0x00, 0x18}));
    EXPECT_EQ(out[1].length, 0);

    // Outputs drive only the TTL-output ports.
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC8, {0xF0, 0x00, 0x00, 0x00}))),
              (V{0x00, 0x30, 0x00, 0x00}));
    EXPECT_EQ(io.Outputs(), 0x30);
    io.SetInput(2, true);
    io.SetInput(8, true);  // P8 is a PWM port: no input level
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC8))), (V{0x02, 0x30, 0x00, 0x00}));
}

TEST(IoModule, PortChangeNoticeCarriesThePortIndex) {
    IoModule io(20, IoOptions{});
    Recorder bus;
    Exchange(io, Frame(kNode20 | 0x2E, {0x04, 0x00, 0x00, 0x00}));  // notices for P3 only
    io.SetInput(2, true);
    io.SetInput(3, true);
    io.SetInput(3, false);
    io.Tick(0, bus);
    ASSERT_EQ(bus.frames.size(), 2u);
    EXPECT_EQ(bus.frames[0].id, kFrom20 | 0xF0);
    EXPECT_EQ(Bytes(bus.frames[0]), (V{0x02, 0x01, 0xE2}));
    EXPECT_EQ(bus.frames[1].id, kFrom20 | 0x70);
    EXPECT_EQ(Bytes(bus.frames[1]), (V{0x02, 0x00, 0xE2}));
}

TEST(IoModule, PwmSettingsAreRangeCheckedAndStored) {
    IoModule io(20, IoOptions{});
    struct Case {
        uint8_t command;
        V data;
        bool refused;
    } cases[] = {
        {75, {0xC4, 0x09, 0, 0}, false}, {75, {0xC5, 0x09, 0, 0}, true}, {75, {0, 0, 0, 0}, true},
        {74, {200, 1, 0, 0}, false},     {74, {0, 1, 0, 0}, true},       {74, {1, 201, 0, 0}, true},
        {73, {200, 0, 0, 0}, false},     {73, {201, 0, 0, 0}, true},
    };
    for (const Case& k : cases) {
        CanFrame f = Frame(kNode20 | 0x80 | k.command);
        for (uint8_t b : k.data) f.data[f.length++] = b;
        const CanFrame a = Answer(io, f);
        EXPECT_EQ(a.id == (kFrom20 | 0x0F), k.refused) << int(k.command) << " " << int(k.data[0]);
    }
    EXPECT_EQ(io.Pbr(), 2500u);
    EXPECT_EQ(io.Pmb(), 0x01C8u);
    io.PowerCycle();  // not stored: defaults again
    EXPECT_EQ(io.Pbr(), 1u);
}

TEST(IoModule, Kyd0606OutputsUseTheMaskByte) {
    IoOptions o;
    o.flavor = IoFlavor::Kyd0606;
    IoModule io(20, o);
    io.SetInput(1, true);
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC8, {0x81, 0xFF}))), (V{0x01, 0x81, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC8, {0x00, 0x01}))), (V{0x01, 0x80, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0xC1))), (V{6, 82, 0, 6, 0x4C, 0x04}));
}

TEST(IoModule, MotionVariantRunsAtItsSpeed) {
    IoOptions o;
    o.flavor = IoFlavor::Motion;
    IoModule io(20, o);
    Recorder bus;
    EXPECT_EQ(Answer(io, Frame(kNode20 | 0xC1)).data[0], 0x52);
    io.Tick(0, bus);
    Exchange(io, Frame(kNode20 | 0x07, {0x64, 0x00, 0x00, 0x00}));
    io.Tick(500, bus);
    EXPECT_EQ(Bytes(Answer(io, Frame(kNode20 | 0x8C))), (V{0x32, 0x00, 0x00, 0x00}));
}

TEST(LevelDetector, ReadingsThresholdNoticeAndReset) {
    LevelDetector d(30);
    Recorder bus;
    constexpr uint32_t kNode30 = 0x1E080000;
    constexpr uint32_t kFrom30 = 0x00F00000;
    d.SetCapacitance(1500);  // relative 500 crosses the level threshold 200
    d.Tick(0, bus);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom30 | 0xF1);
    EXPECT_EQ(Bytes(Answer(d, Frame(kNode30 | 0x8B))), (V{0xDC, 0x05, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Answer(d, Frame(kNode30 | 0x8A))), (V{0xF4, 0x01, 0x00, 0x00}));
    auto out = Exchange(d, Frame(kNode30 | 0x83, {0, 0, 0, 0}));  // reset
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].id, kFrom30 | 0x71);
    EXPECT_EQ(d.Relative(), 0);
    EXPECT_EQ(Bytes(Answer(d, Frame(kNode30 | 0xCA, {0x2C, 0x01, 0x00, 0x00}))), (V{0x2C, 0x01, 0x00, 0x00}));
    EXPECT_EQ(d.TipThreshold(), 300);
}

TEST(NodeFactory, BuildsEveryKindAndRejectsBadConfigurations) {
    for (const char* name :
         {"controller", "controller1", "io", "kyd0606", "io-motion", "level", "rfid", "temperature"}) {
        NodeConfig c;
        ASSERT_TRUE(ParseNodeKind(name, &c.kind)) << name;
        EXPECT_STREQ(NodeKindName(c.kind), name);
        c.id = 42;
        auto node = MakeNode(c);
        ASSERT_NE(node, nullptr) << name;
        EXPECT_EQ(node->NodeId(), 42);
    }
    EXPECT_FALSE(ParseNodeKind("motor", nullptr));
    NodeConfig bad;
    bad.id = 0;
    EXPECT_EQ(MakeNode(bad), nullptr);
    bad.id = 126;
    EXPECT_EQ(MakeNode(bad), nullptr);
    bad.id = 5;
    bad.kind = NodeKind::IoModule;
    bad.deviceCode = 81;
    EXPECT_EQ(MakeNode(bad), nullptr);

    ControllerOptions o;
    ASSERT_TRUE(ParseModelOptions("-M-SP-IE", &o));
    EXPECT_EQ(ControllerModelFlags(o), 0x54);
    EXPECT_FALSE(ParseModelOptions("-M-X", &o));
    EXPECT_FALSE(ParseModelOptions("M", &o));
    EXPECT_TRUE(ParseModelOptions("", &o));
}

}  // namespace
}  // namespace norvane::sim::nodes
