// The RFID and temperature dialogs' logic over a recording SDK: card texts, reads that fail,
// writing a trailer, the read-all worker (run through, stopped mid-card, stopped with a short
// key) and the temperature worker (updates, stopped while a request is in flight).
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "bench/dialogs/rfid_logic.h"
#include "bench/dialogs/temperature_logic.h"
#include "dialog_rig.h"

namespace norvane::bench::test {
namespace {

class Rfid : public ::testing::Test, public DialogRig {
protected:
    Rfid() {
        sdk.bytesOf["OPR_GetRFIDCardNum"] = {0x12, 0xAB, 0x34, 0x56};
        sdk.bytesOf["OPR_GetRFIDBlkData"] = std::vector<uint8_t>(16, 0xFF);
    }
    /// Makes OPR_RFIDRead answer with result byte 1 (authentication failed).
    void RefuseReads() { reinterpret_cast<uint8_t*>(ReplyOf("OPR_RFIDRead").field)[9] = 1; }
    static size_t Lines(const std::string& text) {
        return text.empty() ? 0 : 1 + static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    }
    RfidLogic rfid{target, ui.Poster()};
};

TEST_F(Rfid, FindCardAndReadSectorTexts) {
    rfid.FindCard();
    EXPECT_EQ(rfid.State().cardNumber, "12AB3456");
    EXPECT_TRUE(rfid.State().cardButtons);
    rfid.State().sector = 2;
    rfid.ReadSector();
    const auto& f = rfid.State().fields;
    EXPECT_EQ(f[0], std::string(32, 'F'));
    EXPECT_EQ(f[3] + "|" + f[4] + "|" + f[5],
              std::string(12, 'F') + "|" + std::string(8, 'F') + "|" + std::string(12, 'F'));
    EXPECT_EQ(CallsOf("OPR_RFIDRead").front(), "OPR_RFIDRead(4096,9,1,1,8,&r)");

    sdk.bytesOf["OPR_GetRFIDCardNum"] = {0, 0, 0, 0};
    rfid.FindCard();
    EXPECT_EQ(rfid.State().cardNumber, language.Lookup("IDS_RFID_NO_CARD"));
    EXPECT_FALSE(rfid.State().cardButtons);
}

TEST_F(Rfid, FailedReadsAndKeys) {
    // A time-out (result 0, zeroed record) is a failure: find once more, read once more, give up.
    sdk.resultOf["OPR_RFIDRead"] = 0;
    rfid.State().block = 1;
    rfid.ReadBlock();
    EXPECT_EQ(rfid.State().fields[1], language.Lookup("IDS_RFID_AUTH_FAILED"));
    EXPECT_EQ(CallsOf("OPR_RFIDRead").size(), 2u);
    EXPECT_EQ(CallsOf("OPR_FindRFID").size(), 1u);
    // A 12-character key that is not hexadecimal is not sent; the block is read all the same.
    sdk.resultOf.erase("OPR_RFIDRead");
    sdk.ClearCalls();
    rfid.State().key = "A5C3E7190B2G";
    rfid.ReadBlock();
    EXPECT_TRUE(CallsOf("OPR_SetRFIDKey").empty());
    EXPECT_EQ(rfid.State().fields[1], std::string(32, 'F'));
    // A short key ends the command before anything is sent.
    sdk.ClearCalls();
    rfid.State().key = "A5C3";
    rfid.ReadBlock();
    EXPECT_TRUE(sdk.Calls().empty());
    EXPECT_EQ(messages.Shown().back(), "[Kestrin] " + language.Lookup("IDS_RFID_KEY_LENGTH_12"));
}

TEST_F(Rfid, WritingATrailerAsksFirst) {
    auto& s = rfid.State();
    s.block = 3;
    s.fields = {"", "", "", "A0A1A2A3A4A5", "FF078069", "B0B1B2B3B4B5"};
    messages.next = Answer::No;
    rfid.WriteCard();
    EXPECT_TRUE(sdk.Calls().empty());
    messages.next = Answer::Yes;
    s.sector = 1;
    rfid.WriteCard();
    EXPECT_EQ(CallsOf("OPR_SetRFIDBlkData").back(),
              "OPR_SetRFIDBlkData(4096,9,[a0 a1 a2 a3 a4 a5 ff 7 80 69 b0 b1 b2 b3 b4 b5])");
    EXPECT_EQ(CallsOf("OPR_RFIDWrite").back(), "OPR_RFIDWrite(4096,9,1,1,7,&r)");
    // A data block shorter than 32 characters is refused; a failed write is reported.
    s.block = 0;
    s.fields[0] = "00";
    rfid.WriteCard();
    EXPECT_EQ(messages.Shown().back(), "[Kestrin] " + language.Lookup("IDS_RFID_DATA_LENGTH_32"));
    s.fields[0] = std::string(32, '0');
    sdk.resultOf["OPR_RFIDWrite"] = 0;
    rfid.WriteCard();
    EXPECT_EQ(messages.Shown().back(), "[Kestrin] " + language.Lookup("IDS_RFID_WRITE_FAILED"));
}

TEST_F(Rfid, ReadAllOfAnS70CardGivesAtMost256Lines) {
    rfid.ChooseCard(CardType::S70);
    rfid.ReadAll();
    EXPECT_EQ(rfid.State().readAllCaption, kReadingCaption);
    while (rfid.Reading()) std::this_thread::yield();
    ui.Drain();
    const std::string& result = rfid.State().result;
    EXPECT_EQ(Lines(result), 256u);
    EXPECT_NE(result.find("BLK 255, Sector 39 Block 15 data " + std::string(32, 'F')), std::string::npos);
    EXPECT_EQ(rfid.State().readAllCaption, kReadAllCaption);

    // A card whose reads fail gives one line per sector.
    RefuseReads();
    rfid.ChooseCard(CardType::S40);
    rfid.ClearResult();
    rfid.ReadAll();
    while (rfid.Reading()) std::this_thread::yield();
    ui.Drain();
    EXPECT_EQ(Lines(rfid.State().result), 16u);
    EXPECT_EQ(
        rfid.State().result.rfind("Sector 0 authentication failed!\r\nSector 1 authentication failed!", 0),
        0u);
    EXPECT_TRUE(rfid.CanClose());
}

TEST_F(Rfid, StoppingMidCardWaitsForTheReadAndWorksWithAShortKey) {
    std::mutex m;
    std::condition_variable cv;
    int reads = 0;
    sdk.onCall = [&](const std::string& call) {
        if (call.rfind("OPR_RFIDRead", 0) != 0) return;
        std::lock_guard<std::mutex> lock(m);
        ++reads;
        cv.notify_all();
        // Later reads take a while (inside the worker's lock), as over a real bus.
        if (reads > 10) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    };
    rfid.ChooseCard(CardType::S70);
    rfid.ReadAll();
    {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return reads >= 10; });
    }
    EXPECT_FALSE(rfid.CanClose());
    rfid.State().key = "12";  // too short: stopping must not depend on it
    rfid.ReadAll();
    EXPECT_FALSE(rfid.Reading());
    EXPECT_TRUE(rfid.CanClose());
    ui.Drain();
    const size_t lines = Lines(rfid.State().result);
    EXPECT_GE(lines, 9u);
    EXPECT_LT(lines, 256u);
    EXPECT_EQ(rfid.State().readAllCaption, kReadAllCaption);
}

class Temperature : public ::testing::Test, public DialogRig {
protected:
    void Record(uint8_t state, int16_t ambient) {
        auto* a = reinterpret_cast<uint8_t*>(ReplyOf("GetDMA").field);
        a[4] = state;
        a[5] = static_cast<uint8_t>(ambient & 0xFF);
        a[6] = static_cast<uint8_t>((ambient >> 8) & 0xFF);
    }
};

TEST_F(Temperature, ButtonsAndTheirFailures) {
    TemperatureLogic t(target, ui.Poster(), std::chrono::hours(1));
    Record(0, -45);
    t.Open();
    EXPECT_EQ(t.State().ambient, "-4.5°C");
    t.StartButton();
    EXPECT_EQ(t.State().startCaption, kStandbyCaption);
    sdk.resultOf["KymAdvENA"] = -1;
    t.StartButton();
    EXPECT_EQ(t.State().startCaption, kStandbyCaption);
    t.SetTemperature(37.9);  // the tenth is kept
    t.Save();
    EXPECT_EQ(CallsOf("K").back(), "KymAdvSTORE(4096,9,[0x0],1,&r)");
    EXPECT_EQ(CallsOf("SetQEC").back(), "SetQEC(4096,9,379,0,null)");
    t.SetTemperature(5000);  // beyond the device's 16 bits: refused, not sent
    EXPECT_EQ(CallsOf("SetQEC").size(), 1u);
    EXPECT_EQ(messages.Shown(),
              (std::vector<std::string>{"[Kestrin] Close fail!", "[Kestrin] Temperature has saved!",
                                        "[Kestrin] " + language.Lookup("IDS_TMP_OUT_OF_RANGE")}));
    t.Close();
    EXPECT_FALSE(t.WorkerRunning());
}

TEST_F(Temperature, WorkerPostsRecordsAndStopsWhileARequestIsInFlight) {
    std::mutex m;
    std::condition_variable cv;
    int reads = 0;
    bool release = false;
    sdk.onCall = [&](const std::string& call) {
        if (call.rfind("GetDMA", 0) != 0) return;
        std::unique_lock<std::mutex> lock(m);
        ++reads;
        cv.notify_all();
        if (reads == 7) cv.wait(lock, [&] { return release; });  // hold the fourth cycle's first read
    };
    Record(1, 250);
    TemperatureLogic t(target, ui.Poster(), std::chrono::milliseconds(1));
    t.Open();
    {
        std::unique_lock<std::mutex> lock(m);
        cv.wait(lock, [&] { return reads >= 7; });
    }
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        std::lock_guard<std::mutex> lock(m);
        release = true;
        cv.notify_all();
    });
    t.Close();  // returns once the request in flight ended
    releaser.join();
    EXPECT_FALSE(t.WorkerRunning());
    EXPECT_GE(ui.Drain(), 2u);
    EXPECT_EQ(t.State().startCaption, kStandbyCaption);
    EXPECT_EQ(t.State().ambient, "25.0°C");
    EXPECT_LE(reads, 8);
}

}  // namespace
}  // namespace norvane::bench::test
