// The pure words and texts of the device dialogs: port selectors per model variant, PWM texts and
// ranges, the KYD0606 word, card geometry and hexadecimal texts, temperature records.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "bench/dialogs/io_ports.h"
#include "bench/dialogs/rfid_card.h"
#include "bench/dialogs/temperature_logic.h"

namespace norvane::bench {
namespace {

KymReply Model(const char* name, uint32_t code) {
    KymReply r{};
    r.field[1] = static_cast<int32_t>(code);
    std::memcpy(reinterpret_cast<char*>(r.field) + 36, name, std::strlen(name));
    return r;
}

TEST(IoPorts, VariantsByNameAndDeviceCode) {
    struct Case {
        const char* name;
        uint32_t code;
        int32_t result;
        bool v919, v7364, v60606;
    } cases[] = {
        {"KYD82701", 0x5207, 1, false, false, false}, {"KYD91919", 0x5B09, 1, true, false, false},
        {"KYD7364", 0, 1, false, true, false},        {"KYD827364", 0x5249, 1, false, true, false},
        {"KYD60606", 0, 1, false, false, true},       {"KYD826006", 0x523C, 1, false, false, true},
        {"XKYD919KYD7364", 0, 1, true, true, false},  {"KYD91919", 0x5B09, 0, false, false, false},
    };
    for (const Case& c : cases) {
        const IoVariant v = VariantOf(Model(c.name, c.code), c.result);
        EXPECT_EQ(v.v919, c.v919) << c.name;
        EXPECT_EQ(v.v7364, c.v7364) << c.name;
        EXPECT_EQ(v.v60606, c.v60606) << c.name;
    }
}

TEST(IoPorts, SelectorItemsPerVariant) {
    using V = std::vector<int>;
    struct Case {
        IoVariant variant;
        V pwmPorts, otherPorts;  // P1 P2 P7 P8, and P3-P6
    } cases[] = {
        {{}, V{0, 1, 3}, V{1, 3}},
        {{true, false, false}, V{2, 0, 1, 3}, V{2, 1, 3}},
        {{false, true, false}, V{2, 1, 3}, V{2, 1, 3}},
        {{true, false, true}, V{2, 1, 3}, V{2, 1, 3}},
    };
    for (const Case& c : cases)
        for (int port = 1; port <= 8; ++port)
            EXPECT_EQ(SelectorCodes(c.variant, port), (port <= 2 || port >= 7) ? c.pwmPorts : c.otherPorts)
                << port;
    // P6 read as analog on a module without variants shows its first item and writes back TTL out.
    const auto p6 = SelectorCodes({}, 6);
    EXPECT_EQ(CodeOfItem(p6, ItemOfCode(p6, kPortAnalog)), kPortTtlOut);
    EXPECT_EQ(CodeOfItem(p6, -1), 0);
}

TEST(IoPorts, WordsAndMasks) {
    EXPECT_EQ(ComposeIoc({3, 3, 3, 3, 1, 1, 0, 0}), 0x05FF);
    EXPECT_EQ(SplitIoc(0x05FF), (PortArray<int>{3, 3, 3, 3, 1, 1, 0, 0}));
    EXPECT_EQ(MaskOf({true, false, false, false, false, false, false, true}), 0x81);
    EXPECT_EQ(Kyd0606Word(0x81), 0x00FF0081u);
    EXPECT_EQ((PwmFields{200, 3, 7, 200, 1}.PmbWord()), 0x03C8u);
    EXPECT_EQ((PwmFields{200, 3, 7, 200, 1}.PmdWord()), 0x01C8u);
}

TEST(IoPorts, PwmTextsAndRanges) {
    EXPECT_EQ(PeriodText(200, 2500), "100000.000 ms");
    EXPECT_EQ(PeriodText(1, 1), "0.200 ms");
    EXPECT_EQ(DutyText(200), "100.00%");
    EXPECT_EQ(DutyPercent(199), 99);
    EXPECT_EQ(VoltageText(4095), "5.000");
    struct Case {
        PwmTexts texts;
        bool ok;
    } cases[] = {
        {{"200", "1", "2500", "200", "0"}, true}, {{"0", "1", "1", "0", "0"}, false},
        {{"1", "1", "2501", "0", "0"}, false},    {{"1", "1", "1", "201", "0"}, false},
        {{"1", "x", "1", "0", "0"}, false},       {{"1", "1", "", "0", "0"}, false},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(ExchangePwm(c.texts, &error).has_value(), c.ok) << c.texts.base1 << " " << c.texts.pbr;
        EXPECT_EQ(error.empty(), c.ok);
    }
}

TEST(RfidCard, GeometryAndHex) {
    EXPECT_EQ(SectorCount(CardType::S40), 16);
    EXPECT_EQ(SectorCount(CardType::S70), 40);
    EXPECT_EQ(AbsoluteBlock(CardType::S40, 15, 3), 63);
    EXPECT_EQ(AbsoluteBlock(CardType::S70, 31, 3), 127);
    EXPECT_EQ(AbsoluteBlock(CardType::S70, 32, 0), 128);
    EXPECT_EQ(AbsoluteBlock(CardType::S70, 39, 15), 255);
    int blocks = 0;
    for (int s = 0; s < SectorCount(CardType::S70); ++s) blocks += BlocksInSector(CardType::S70, s);
    EXPECT_EQ(blocks, 256);

    const uint8_t number[] = {0x12, 0xAB, 0x34, 0x56};
    EXPECT_EQ(BytesToHex(number, 4), "12AB3456");
    EXPECT_EQ(HexToBytes("a5C3e7190B2DFF", 6), (std::vector<uint8_t>{0xA5, 0xC3, 0xE7, 0x19, 0x0B, 0x2D}));
    EXPECT_FALSE(HexToBytes("A5C3E7190B2G", 6));
    EXPECT_FALSE(HexToBytes("A5C3E7190B2", 6));
    const TrailerTexts t = SplitTrailer(std::string(32, 'F'));
    EXPECT_EQ(t.keyA, std::string(12, 'F'));
    EXPECT_EQ(t.access, std::string(8, 'F'));
    EXPECT_EQ(t.keyB, std::string(12, 'F'));
}

TEST(TemperatureRecord, SignedRecordAndDesiredValue) {
    KymReply a{}, b{};
    auto* ab = reinterpret_cast<uint8_t*>(a.field);
    const uint8_t bytesA[] = {1, 0x9C, 0xFF, 0x72, 0x01, 0x05};  // running, -10.0, 37.0, measured low
    std::memcpy(ab + 4, bytesA, sizeof bytesA);
    reinterpret_cast<uint8_t*>(b.field)[4] = 0x01;  // measured 0x0105 = 26.1
    const TemperatureRecord r = DecodeTemperature(a, b);
    EXPECT_EQ(r.state, 1);
    EXPECT_EQ(TemperatureText(r.ambient), "-10.0°C");
    EXPECT_EQ(TemperatureText(r.set), "37.0°C");
    EXPECT_EQ(TemperatureText(r.measured), "26.1°C");
    // Tenths are kept (the device's unit), rounded to the nearest; beyond 16 bits nothing is sent.
    const std::pair<double, std::optional<int32_t>> desired[] = {{37.9, 379},
                                                                 {45.5, 455},
                                                                 {50.5, 505},
                                                                 {-5.5, -55},
                                                                 {0.04, 0},
                                                                 {3276.7, 32767},
                                                                 {-3276.8, -32768},
                                                                 {3276.8, std::nullopt},
                                                                 {1e300, std::nullopt},
                                                                 {std::nan(""), std::nullopt}};
    for (const auto& [degrees, tenths] : desired) EXPECT_EQ(DesiredTenths(degrees), tenths) << degrees;
}

}  // namespace
}  // namespace norvane::bench
