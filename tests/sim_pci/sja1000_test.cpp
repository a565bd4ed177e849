// The SJA1000 model from the host's side: register bytes written out by hand from the chip's
// register map, never derived from the model's own constants.
#include "sim/sja1000.h"

#include <gtest/gtest.h>

#include <vector>

namespace norvane::sim {
namespace {

using Bytes = std::vector<uint8_t>;

/// A chip on a 1 Mbit/s bus, set up as Halbox does: reset mode, PeliCAN, timing 0x00/0x14,
/// receive/overrun/bus-error interrupts, accept-all single filter, then operating mode.
struct Chip {
    explicit Chip(uint8_t mode = 0x08, uint32_t busRate = 1000000, uint8_t timing1 = 0x14) : chip(busRate) {
        W(0, mode | 1);
        W(31, 0x80);
        W(4, 0x89);
        W(6, 0x00);
        W(7, timing1);
        for (uint8_t a = 20; a < 24; ++a) W(a, 0xFF);
        W(0, mode);
    }
    uint8_t R(uint8_t a) { return chip.Read(a, now); }
    void W(uint8_t a, uint8_t v) { chip.Write(a, v, now); }
    Bytes RxBuffer(size_t n) {
        Bytes b;
        for (uint8_t i = 0; i < n; ++i) b.push_back(R(static_cast<uint8_t>(16 + i)));
        return b;
    }
    void Load(const Bytes& tx) {
        for (size_t i = 0; i < tx.size(); ++i) W(static_cast<uint8_t>(16 + i), tx[i]);
    }
    Sja1000 chip;
    uint64_t now = 1000;
};

CanFrame Extended(uint32_t id, Bytes data = {}) {
    CanFrame f;
    f.id = id;
    f.length = static_cast<uint8_t>(data.size());
    for (size_t i = 0; i < data.size(); ++i) f.data[i] = data[i];
    return f;
}

CanFrame Standard(uint32_t id, Bytes data = {}) {
    CanFrame f = Extended(id, data);
    f.extended = false;
    return f;
}

TEST(Sja1000, ResetModeGuardsTimingFilterAndCounters) {
    Chip c;
    EXPECT_EQ(c.R(0), 0x08);
    c.W(6, 0x31);   // bus timing: refused outside reset mode
    c.W(13, 0x10);  // warning limit: refused
    EXPECT_EQ(c.R(6), 0x00);
    EXPECT_EQ(c.R(13), 96);
    c.W(0, 0x01);  // reset mode; the filter mode bit keeps its value (it changes only in reset mode)
    EXPECT_EQ(c.R(0), 0x09);
    c.W(16, 0x12);
    c.W(23, 0x34);
    EXPECT_EQ(c.R(16), 0x12);
    EXPECT_EQ(c.R(23), 0x34);
    c.W(0, 0x0E);  // leave reset mode with listen-only, self-test and single filter
    EXPECT_EQ(c.R(0), 0x0E);
    c.W(0, 0x00);  // options stay: they change only in reset mode
    EXPECT_EQ(c.R(0), 0x0E);
    EXPECT_EQ(c.R(1), 0xFF);  // the command register reads as all ones
}

TEST(Sja1000, ReceiveBufferHoldsIdentifierBytesOfBothFormats) {
    struct Case {
        const char* name;
        CanFrame frame;
        Bytes buffer;  // registers 16.. as the host reads them
    };
    const Case cases[] = {
        {"standard 0x123", Standard(0x123, {0xAB}), {0x01, 0x24, 0x60, 0xAB}},
        {"extended 0x12345678", Extended(0x12345678, {1, 2}), {0x82, 0x91, 0xA2, 0xB3, 0xC0, 1, 2}},
        {"node 5 answer", Extended(0x00280081), {0x80, 0x01, 0x40, 0x04, 0x08}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Chip c;
        c.chip.FrameFromBus(k.frame, c.now);
        EXPECT_EQ(c.R(2) & 0x01, 0x01);  // receive buffer status
        EXPECT_EQ(c.RxBuffer(k.buffer.size()), k.buffer);
        c.W(1, 0x04);
        EXPECT_EQ(c.R(2) & 0x01, 0x00);
    }
}

TEST(Sja1000, AcceptanceFilterSingleAndDual) {
    struct Case {
        const char* name;
        uint8_t mode;  // 0x08 single, 0x00 dual
        Bytes code, mask;
        CanFrame frame;
        bool accepted;
    };
    const Case cases[] = {
        // Single: all 29 identifier bits (code << 3 over the four bytes), bits 1-0 of byte 3 ignored.
        {"single exact", 0x08, {0x91, 0xA2, 0xB3, 0xC0}, {0, 0, 0, 0x03}, Extended(0x12345678), true},
        {"single one bit off", 0x08, {0x91, 0xA2, 0xB3, 0xC0}, {0, 0, 0, 0x03}, Extended(0x12345679), false},
        {"single masked bits", 0x08, {0x91, 0xA2, 0xB3, 0xC0}, {0, 0, 0, 0xFF}, Extended(0x1234567F), true},
        {"single standard id and data",
         0x08,
         {0x24, 0x60, 0xAB, 0},
         {0, 0x0F, 0, 0xFF},
         Standard(0x123, {0xAB}),
         true},
        {"single standard data differs",
         0x08,
         {0x24, 0x60, 0xAB, 0},
         {0, 0x0F, 0, 0xFF},
         Standard(0x123, {0xAC}),
         false},
        // Dual, extended: identifier bits 28-13 against filter 1 (bytes 0-1) or filter 2 (bytes 2-3).
        {"dual filter 1", 0x00, {0x91, 0xA2, 0x00, 0x00}, {0, 0, 0, 0}, Extended(0x12345678), true},
        {"dual filter 2", 0x00, {0x00, 0x00, 0x91, 0xA2}, {0, 0, 0, 0}, Extended(0x12345678), true},
        {"dual neither", 0x00, {0x91, 0xA3, 0x91, 0xA0}, {0, 0, 0, 0}, Extended(0x12345678), false},
        {"dual low bits ignored", 0x00, {0x91, 0xA2, 0, 0}, {0, 0, 0, 0}, Extended(0x12345FFF), true},
        // Dual, standard: filter 2 = code 2 and the upper nibble of code 3.
        {"dual standard filter 2", 0x00, {0xFF, 0xFF, 0x24, 0x60}, {0, 0, 0, 0x0F}, Standard(0x123), true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        Chip c(k.mode);
        c.W(0, static_cast<uint8_t>(k.mode | 1));
        for (uint8_t i = 0; i < 4; ++i) {
            c.W(static_cast<uint8_t>(16 + i), k.code[i]);
            c.W(static_cast<uint8_t>(20 + i), k.mask[i]);
        }
        c.W(0, k.mode);
        c.chip.FrameFromBus(k.frame, c.now);
        EXPECT_EQ(c.R(29), k.accepted ? 1 : 0);
    }
}

TEST(Sja1000, FifoOfSixtyFourBytesOverrunsAndInterruptRegisterClearsOnRead) {
    Chip c;
    // An extended frame with 8 data bytes takes 13 FIFO bytes: four fit, the fifth is lost.
    for (uint32_t i = 0; i < 5; ++i)
        c.chip.FrameFromBus(Extended(0x100 + i, {1, 2, 3, 4, 5, 6, 7, 8}), c.now);
    EXPECT_EQ(c.R(29), 4);
    EXPECT_EQ(c.R(2) & 0x03, 0x03);  // receive buffer full, data overrun
    EXPECT_TRUE(c.chip.InterruptActive());
    EXPECT_EQ(c.R(3), 0x09);  // receive and data overrun interrupts
    EXPECT_EQ(c.R(3), 0x01);  // reading cleared the overrun; receive follows the FIFO
    EXPECT_EQ(c.chip.Counters().overruns, 1u);
    c.W(1, 0x0C);  // release and clear overrun
    EXPECT_EQ(c.R(2) & 0x03, 0x01);
    EXPECT_EQ(c.RxBuffer(5), (Bytes{0x88, 0, 0, 0x08, 0x08}));  // second frame, id 0x101
    for (int i = 0; i < 3; ++i) c.W(1, 0x04);
    EXPECT_EQ(c.R(29), 0);
    EXPECT_EQ(c.R(3), 0x00);
    EXPECT_FALSE(c.chip.InterruptActive());
    // The window wraps around the FIFO's end.
    c.chip.FrameFromBus(Extended(0x12345678, {9, 9, 9, 9, 9, 9, 9, 9}), c.now);
    EXPECT_EQ(c.RxBuffer(13), (Bytes{0x88, 0x91, 0xA2, 0xB3, 0xC0, 9, 9, 9, 9, 9, 9, 9, 9}));
}

TEST(Sja1000, TransmissionNeedsAnAcknowledgementOrSelfTest) {
    Chip c;
    c.Load({0x82, 0x28, 0x40, 0x00, 0x08, 0xAA, 0xBB});  // identifier 0x05080001, 2 data bytes
    c.W(1, 0x01);
    EXPECT_EQ(c.R(2) & 0x2C, 0x20);                       // transmitting, buffer locked, not complete
    EXPECT_FALSE(c.chip.TakeTransmission(false, c.now));  // nobody acknowledges: stays pending
    EXPECT_GE(c.R(15), 128);
    c.W(1, 0x02);  // abort
    EXPECT_EQ(c.R(2) & 0x2C, 0x04);
    c.W(1, 0x01);
    auto sent = c.chip.TakeTransmission(true, c.now);
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->id, 0x05080001u);
    EXPECT_TRUE(sent->extended);
    EXPECT_EQ(sent->length, 2);
    EXPECT_EQ(sent->data[1], 0xBB);
    EXPECT_EQ(c.R(2) & 0x2C, 0x0C);  // released, complete
    EXPECT_EQ(c.R(29), 0);           // no self-reception without the request

    Chip self(0x0C);  // self-test, single filter
    self.Load({0x01, 0x24, 0x60, 0x77});
    self.W(1, 0x10);  // self-reception request: no acknowledgement needed, received back
    sent = self.chip.TakeTransmission(false, self.now);
    ASSERT_TRUE(sent);
    EXPECT_FALSE(sent->extended);
    EXPECT_EQ(sent->id, 0x123u);
    EXPECT_EQ(self.RxBuffer(4), (Bytes{0x01, 0x24, 0x60, 0x77}));
}

TEST(Sja1000, BitTimingMustMatchTheBus) {
    struct Case {
        uint32_t busRate;
        uint8_t timing0, timing1;
        bool matches;
    };
    const Case cases[] = {
        {1000000, 0x00, 0x14, true},  {800000, 0x00, 0x16, true}, {500000, 0x00, 0x1C, true},
        {250000, 0x01, 0x1C, true},   {125000, 0x03, 0x1C, true}, {50000, 0x09, 0x1C, true},
        {20000, 0x18, 0x1C, true},    {10000, 0x31, 0x1C, true},  {250000, 0x00, 0x1C, false},
        {1000000, 0x00, 0x16, false},
    };
    for (const Case& k : cases) {
        Sja1000 chip(k.busRate);
        chip.Write(6, k.timing0, 0);
        chip.Write(7, k.timing1, 0);
        EXPECT_EQ(chip.TimingMatches(), k.matches)
            << k.busRate << " " << int(k.timing0) << "/" << int(k.timing1);
    }
    // At the wrong rate nothing is received, and a transmission ends in bus-off.
    Chip c(0x08, 250000, 0x1C);
    c.chip.FrameFromBus(Extended(0x00280081), c.now);
    EXPECT_EQ(c.R(29), 0);
    c.Load({0x80, 0, 0, 0, 0});
    c.W(1, 0x01);
    EXPECT_FALSE(c.chip.TakeTransmission(true, c.now));
    EXPECT_EQ(c.R(2) & 0xC0, 0xC0);  // error status, bus-off
    EXPECT_EQ(c.R(0) & 0x01, 0x01);  // the chip put itself in reset mode
    EXPECT_EQ(c.R(3), 0x80);         // bus error (enabled); error warning is not
}

TEST(Sja1000, BusOffEndsByWritingTheErrorCounterOrAfterTheRecoveryTime) {
    {
        Chip c;
        c.chip.ForceBusOff(false, c.now);
        EXPECT_EQ(c.R(3), 0x00);  // no interrupt: only the status register tells
        EXPECT_EQ(c.R(2) & 0x80, 0x80);
        c.W(15, 0);  // in reset mode, during bus-off: ends it when reset mode is left
        c.W(0, 0x08);
        EXPECT_EQ(c.R(2) & 0x80, 0x00);
        EXPECT_EQ(c.chip.Counters().hostRecoveries, 1u);
    }
    {
        Chip c;  // 1 Mbit/s: 128 x 11 bits = 1408 us after reset mode is left
        c.chip.ForceBusOff(true, c.now);
        EXPECT_EQ(c.R(3), 0x80);
        c.W(0, 0x08);
        EXPECT_EQ(c.R(0) & 0x01, 0x00);
        c.now += 1407;
        EXPECT_EQ(c.R(2) & 0x80, 0x80);
        c.chip.FrameFromBus(Extended(0x00280081), c.now);
        EXPECT_EQ(c.R(29), 0);  // bus-off: deaf
        c.now += 1;
        EXPECT_EQ(c.R(2) & 0x80, 0x00);
        EXPECT_EQ(c.chip.Counters().hostRecoveries, 0u);
    }
}

}  // namespace
}  // namespace norvane::sim
