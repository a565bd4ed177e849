#include <gtest/gtest.h>

#include "codec/codec_cases.h"
#include "sdk/core/codec/codec.h"

using namespace codec_test;
using norvane::sdk::CanIdentifier;
using norvane::sdk::ErrorReportResult;

namespace {

TEST(CanIdentifier, NodeBitsCommandAndAnswerFlag) {
    struct {
        uint32_t node;
        uint8_t controlWord;
        bool answer;
        uint32_t want;
    } const cases[] = {
        {5, 0x01, true, 0x05080081},    {5, 0x81, false, 0x05080001},   {37, 0x07, true, 0x05082087},
        {100, 0x0B, false, 0x0408600B}, {125, 0x40, true, 0x1D0860C0},  {0, 0x16, false, 0x00080016},
        {127, 0xC0, true, 0x1F0FE040},  {127, 0x17, false, 0x1F0FE017},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CanIdentifier(c.node, c.controlWord, c.answer), c.want)
            << c.node << " " << int(c.controlWord);
}

TEST(ErrorReportResult, NegativeCodeOnlyForTheRequestedCommand) {
    struct {
        uint8_t requested;
        KymCanMsg answer;
        bool report;
        int want;
    } const cases[] = {
        {0x87, Answer(5, 0x8F, {0x00, 0x07, 0x05}), true, -5},
        {0x07, Answer(5, 0x0F, {0x00, 0x07, 0xFF}), true, -255},
        {0x07, Answer(5, 0x0F, {0x00, 0x08, 0x05}), true, 0},
        {0x07, Answer(5, 0x0F, {0x00, 0x07}), true, 0},  // code byte beyond the length reads 0
        {0x07, Answer(5, 0x87, {0x00, 0x07, 0x05}), false, 0},
        {0x8F, Answer(5, 0x8F, {0x00, 0x0F, 0x05}), false, 0},
    };
    for (const auto& c : cases) {
        bool report = !c.report;
        EXPECT_EQ(ErrorReportResult(c.requested, c.answer, &report), c.want);
        EXPECT_EQ(report, c.report);
    }
    EXPECT_EQ(ErrorReportResult(7, Answer(5, 0x0F, {0, 7, 3}), nullptr), -3);
}

}  // namespace
