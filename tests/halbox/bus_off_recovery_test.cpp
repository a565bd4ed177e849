// Halbox's controller sequences against the simulator's SJA1000 model, with the card driver
// reduced to direct register access, so that a bus-off can fall on an exact register access.
#include <gtest/gtest.h>

#include "pcican/controller.h"
#include "pcican/driver/card_driver.h"
#include "sim/sja1000.h"

namespace norvane::halbox {
namespace {

/// One channel's chip behind the driver interface; the clock advances a microsecond per access.
class ChipDriver : public CardDriver {
public:
    bool ReadRegisters(uint32_t, uint32_t address, uint8_t* out, uint32_t count, uint32_t& delivered,
                       uint32_t&) override {
        for (uint32_t i = 0; i < count; ++i) out[i] = chip.Read(static_cast<uint8_t>(address + i), ++nowUs);
        delivered = count;
        return true;
    }
    bool WriteRegisters(uint32_t, uint32_t address, const uint8_t* data, uint32_t count) override {
        if (address == 16 && busOffAtFrameWrite) {
            busOffAtFrameWrite = false;
            chip.ForceBusOff(true, ++nowUs);
        }
        for (uint32_t i = 0; i < count; ++i) chip.Write(static_cast<uint8_t>(address + i), data[i], ++nowUs);
        (void)chip.TakeTransmission(true, ++nowUs);
        return true;
    }
    bool SetNotification(uint32_t, std::shared_ptr<platform::Event>) override { return true; }
    bool BeforeWait() override { return true; }
    bool OpenCloseRequest() override { return true; }

    sim::Sja1000 chip{1000000};
    uint64_t nowUs = 0;
    bool busOffAtFrameWrite = false;  ///< the chip goes bus-off at the next write to the frame buffer
};

MarlixFrame Extended(uint32_t id, uint8_t length) {
    MarlixFrame f{};
    f.identifier = id;
    f.extended = 1;
    f.length = length;
    return f;
}

TEST(BusOffRecovery, ABusOffBetweenStatusCheckAndFrameWritesLeavesTheFilterAsConfigured) {
    // In reset mode the frame buffer registers are the acceptance code and mask: a transmission
    // caught by the bus-off writes its frame there.
    ChipDriver driver;
    Controller controller(driver, 0);
    MarlixInitConfig config{};
    config.acceptanceMask = 0xFFFFFFFFu;
    config.busTiming1 = 0x14;
    ASSERT_TRUE(controller.Initialise(config));

    driver.busOffAtFrameWrite = true;
    MarlixFrame request = Extended(0x05080081, 8);  // zero data bytes: a mask that lets almost nothing in
    EXPECT_FALSE(controller.Transmit(request));
    MarlixFrame frame{};
    EXPECT_FALSE(controller.ReadOneFrame(frame, config));  // the bus error interrupt: recovery
    EXPECT_EQ(controller.Read(reg::kStatus) & 0x80, 0) << "still bus-off";

    for (const uint32_t id : {0x00280081u, 0x00300099u, 0x1FFFFFFFu}) {
        sim::CanFrame answer;
        answer.id = id;
        answer.extended = true;
        answer.length = 2;
        driver.chip.FrameFromBus(answer, ++driver.nowUs);
        ASSERT_TRUE(controller.ReadOneFrame(frame, config)) << std::hex << id << " filtered out";
        EXPECT_EQ(frame.identifier, id);
    }
}

}  // namespace
}  // namespace norvane::halbox
