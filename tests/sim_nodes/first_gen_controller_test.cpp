#include "sim/nodes/first_gen_controller.h"

#include <gtest/gtest.h>

#include "node_test_util.h"

namespace norvane::sim::nodes {
namespace {

using test::Bytes;
using test::Exchange;
using test::Frame;
using test::Recorder;
using V = std::vector<uint8_t>;

// Requests to node 5: I2 = 5 << 3 = 0x28. Answers from node 5: node bits 0-4 at identifier bits 24-28.
constexpr uint32_t kTo5 = 0x00280000;
constexpr uint32_t kFrom5 = 0x05000000;

TEST(FirstGenController, SerialNumberDiscoveryToNodeZero) {
    FirstGenOptions o;
    o.serial = 0xA1B2C3D4;
    FirstGenController c(5, o);
    for (const CanFrame& request : {Frame(0x0000008C), Frame(0x0100008C), Frame(0x0000008C, {0x00, 0x00})}) {
        auto out = Exchange(c, request);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].id, kFrom5 | 0x0C);
        EXPECT_EQ(Bytes(out[0]), (V{0xD4, 0xC3, 0xB2, 0xA1}));
    }
    // A node-0 frame without the answer bit looks like node 1's answers: ignored.
    EXPECT_TRUE(Exchange(c, Frame(0x0000001E, {0x10, 0x00, 0x00, 0x00})).empty());
    EXPECT_EQ(c.PtpSpeed(), 1000);
}

TEST(FirstGenController, ModelAnswerCarriesFamilySizeFirmwareAndPower) {
    FirstGenController c(5);
    auto out = Exchange(c, Frame(kTo5 | 0x8B));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, kFrom5 | 0x0B);
    EXPECT_EQ(Bytes(out[0]), (V{23, 56, 0, 0, 0x4C, 0x04, 0x02, 0x00}));
    FirstGenOptions o;
    o.cModel = true;
    FirstGenController cm(5, o);
    EXPECT_EQ(Exchange(cm, Frame(kTo5 | 0x8B))[0].data[0], '?');
}

TEST(FirstGenController, IndexedRegistersAnswerIndexThenValue) {
    FirstGenController c(5);
    struct Case {
        const char* name;
        V set;
        V query;
        uint8_t command;
        V answer;
    } cases[] = {
        {"comm setting 5", {0x05, 0x02}, {0x05}, 1, {0x05, 0x02}},
        {"power-up flag 6", {0x06, 0x01}, {0x06}, 6, {0x06, 0x01}},
        {"interrupt config 3", {0x03, 0x34, 0x12}, {0x03}, 7, {0x03, 0x34, 0x12}},
        {"motor parameter 1", {0x01, 0x20, 0x00}, {0x01}, 16, {0x01, 0x20, 0x00}},
        {"limit 2", {0x02, 0x10, 0x27, 0x00, 0x00}, {0x02}, 44, {0x02, 0x10, 0x27, 0x00, 0x00}},
        {"encoder lines", {0x00, 0xE8, 0x03}, {0x00}, 61, {0x00, 0xE8, 0x03}},
        {"PVT point 7 position",
         {0x07, 0x00, 0x40, 0x42, 0x0F, 0x00},
         {0x07, 0x00},
         37,
         {0x07, 0x00, 0x40, 0x42, 0x0F, 0x00}},
        {"PVT point 7 velocity", {0x07, 0x00, 0x2C, 0x01}, {0x07, 0x00}, 39, {0x07, 0x00, 0x2C, 0x01}},
    };
    for (const Case& k : cases) {
        CanFrame set = Frame(kTo5 | 0x80 | k.command);
        for (uint8_t b : k.set) set.data[set.length++] = b;
        auto out = Exchange(c, set);
        ASSERT_EQ(out.size(), 1u) << k.name;
        EXPECT_EQ(out[0].id, kFrom5 | k.command) << k.name;
        EXPECT_EQ(Bytes(out[0]), k.answer) << k.name;
        CanFrame get = Frame(kTo5 | 0x80 | k.command);
        for (uint8_t b : k.query) get.data[get.length++] = b;
        out = Exchange(c, get);
        ASSERT_EQ(out.size(), 1u) << k.name;
        EXPECT_EQ(Bytes(out[0]), k.answer) << k.name;
    }
    EXPECT_EQ(c.CommSetting(5), 2);
    EXPECT_EQ(c.MotorParameter(1), 0x20);
}

TEST(FirstGenController, PtpMoveRunsAfterBeginMotionAndNotifies) {
    FirstGenController c(5);
    Recorder bus;
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0x95, {1, 0, 0, 0}))[0]), (V{0x01}));  // motor on
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0x98, {0, 0}))[0]), (V{0x00}));        // PTP absolute
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0x9E, {0xE8, 0x03, 0, 0}))[0]),
              (V{0x00, 0xE8, 0x03, 0x00, 0x00}));
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xA0, {0xF4, 0x01, 0, 0}))[0]),
              (V{0x00, 0xF4, 0x01, 0x00, 0x00}));
    Exchange(c, Frame(kTo5 | 0x07, {0x00, 0x01, 0x00}));  // interrupt config 0: move notice on
    c.Tick(0, bus);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0x96))[0]), (V{0x01}));  // begin motion
    c.Tick(300, bus);
    EXPECT_EQ(c.Position(), 300);
    c.Tick(600, bus);
    EXPECT_EQ(c.Position(), 500);
    ASSERT_EQ(bus.frames.size(), 1u);
    EXPECT_EQ(bus.frames[0].id, kFrom5 | 0x5A);
    EXPECT_EQ(Bytes(bus.frames[0]), (V{0xF4, 0x01, 0x00, 0x00}));
    // Desired values: index 3 is the position, 4 bytes from d1.
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xAE, {0x03}))[0]), (V{0x03, 0xF4, 0x01, 0x00, 0x00}));
}

TEST(FirstGenController, AddressChangeAnswersFromTheNewAddress) {
    FirstGenController c(5);
    auto out = Exchange(c, Frame(kTo5 | 0x8C, {0x09, 0x00, 0x00, 0x00, 0x00}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].id, 0x0900000Cu);
    EXPECT_EQ(c.NodeId(), 9);
    c.PowerCycle();
    EXPECT_EQ(c.NodeId(), 9);
}

TEST(FirstGenController, OperationsAndErrors) {
    FirstGenController c(5);
    // Group 2 code 8 with a byte sets the group id; without, reads it (answer bytes 8.. = d2..).
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xD1, {0x02, 0x08, 90}))[0]), (V{0x02, 0x08, 90}));
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xD1, {0x02, 0x08}))[0]), (V{0x02, 0x08, 90}));
    auto out = Exchange(c, Frame(kTo5 | 0xD1, {0x02, 0x08, 80}));  // group id below 81 refused
    EXPECT_EQ(out[0].id, kFrom5 | 0x0F);
    EXPECT_EQ(Bytes(out[0]), (V{0x00, 81, 0x02}));
    // Servo value: the answer repeats the parameter number, then 24 bits.
    Exchange(c, Frame(kTo5 | 0x51, {0x03, 0x01, 0x10, 0x00, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xD1, {0x03, 0x01, 0x10, 0x00}))[0]),
              (V{0x03, 0x01, 0x10, 0x00, 0x56, 0x34, 0x12}));
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0x82))[0]), (V{0x00, 0x02, 0x01}));  // no command 2
    EXPECT_EQ(Bytes(Exchange(c, Frame(kTo5 | 0xFF, {0x01, 0x02}))[0]), (V{0x01, 0x02}));
    EXPECT_EQ(c.FirmwareLines(), 1);
}

}  // namespace
}  // namespace norvane::sim::nodes
