#include "bench/dialogs/rfid_logic.h"

#include <cstdio>
#include <cstring>

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;

}  // namespace

RfidLogic::~RfidLogic() {
    StopWorker();
}

// An operation succeeded when the SDK answered (result 1) and the answer's result byte (record
// byte 9) is 0; a zeroed record of a time-out is no success.
bool RfidLogic::OperationOk(int32_t result, const KymReply& reply) const {
    uint8_t bytes[sizeof reply];
    std::memcpy(bytes, &reply, sizeof reply);
    return result == 1 && bytes[9] == 0;
}

void RfidLogic::ChooseCard(CardType type) {
    s_.card = type;
    s_.sector = 0;
}

void RfidLogic::FindCard() {
    KymReply r{};
    t_.sdk.OPR_OpenAntenna(t_.handle, t_.node, kAck, &r);
    r = KymReply{};
    t_.sdk.OPR_FindRFID(t_.handle, t_.node, kAck, &r);
    uint8_t number[4] = {};
    // A failed read leaves nothing defined: it counts as no card.
    if (t_.sdk.OPR_GetRFIDCardNum(t_.handle, t_.node, number) != 1) std::memset(number, 0, sizeof number);
    const std::string text = BytesToHex(number, sizeof number);
    s_.cardButtons = text != "00000000";
    s_.cardNumber = s_.cardButtons ? text : t_.language.Lookup("IDS_RFID_NO_CARD");
}

bool RfidLogic::KeyLengthOk() {
    if (s_.key.size() >= 12) return true;
    t_.PlainKey("IDS_RFID_KEY_LENGTH_12");
    return false;
}

void RfidLogic::SendKey(const std::string& key) {
    if (key.size() < 12) {
        t_.PlainKey("IDS_RFID_KEY_IS_12");
        return;
    }
    auto bytes = HexToBytes(key, 6);
    if (!bytes) return;  // a key that is not hexadecimal is not sent, and the read goes on
    KymReply r{};
    t_.sdk.OPR_SetRFIDKey(t_.handle, t_.node, bytes->data(), 1, &r);
    t_.sdk.OPR_SetRFIDKey(t_.handle, t_.node, bytes->data(), 0, &r);
}

RfidLogic::BlockText RfidLogic::ReadOne(const std::string& key, bool keyA, int absoluteBlock) {
    SendKey(key);
    KymReply r{};
    const int32_t flag = keyA ? 1 : 0;
    if (!OperationOk(t_.sdk.OPR_RFIDRead(t_.handle, t_.node, kAck, flag, absoluteBlock, &r), r)) {
        KymReply find{};
        t_.sdk.OPR_FindRFID(t_.handle, t_.node, kAck, &find);
        r = KymReply{};
        if (!OperationOk(t_.sdk.OPR_RFIDRead(t_.handle, t_.node, kAck, flag, absoluteBlock, &r), r))
            return {false, t_.language.Lookup("IDS_RFID_AUTH_FAILED")};
    }
    uint8_t data[16] = {};
    if (t_.sdk.OPR_GetRFIDBlkData(t_.handle, t_.node, data) != 1)
        return {false, t_.language.Lookup("IDS_RFID_AUTH_FAILED")};
    return {true, BytesToHex(data, sizeof data)};
}

void RfidLogic::ShowBlock(int block, const BlockText& read) {
    if (block < 3) {
        s_.fields[static_cast<size_t>(block)] = read.text;
        return;
    }
    // The failure text is not split: it goes whole into the first trailer field.
    const TrailerTexts trailer = read.ok ? SplitTrailer(read.text) : TrailerTexts{read.text, "", ""};
    s_.fields[3] = trailer.keyA;
    s_.fields[4] = trailer.access;
    s_.fields[5] = trailer.keyB;
}

void RfidLogic::ReadBlock() {
    if (!KeyLengthOk()) return;
    s_.fields = {};
    ShowBlock(s_.block, ReadOne(s_.key, s_.keyA, AbsoluteBlock(s_.card, s_.sector, s_.block)));
}

void RfidLogic::ReadSector() {
    if (!KeyLengthOk()) return;
    s_.fields = {};
    for (int b = 0; b < 4; ++b) ShowBlock(b, ReadOne(s_.key, s_.keyA, AbsoluteBlock(s_.card, s_.sector, b)));
}

void RfidLogic::WriteCard() {
    if (!KeyLengthOk()) return;
    if (s_.block == 3 && t_.messages.Ask(t_.language.Lookup("IDS_WARING"),
                                         t_.language.Lookup("IDS_RFID_TRAILER_WARNING")) != Answer::Yes)
        return;
    KymReply r{};
    t_.sdk.OPR_FindRFID(t_.handle, t_.node, kAck, &r);
    SendKey(s_.key);
    const std::string data =
        s_.block == 3 ? s_.fields[3] + s_.fields[4] + s_.fields[5] : s_.fields[static_cast<size_t>(s_.block)];
    if (data.size() < 32) {
        t_.PlainKey("IDS_RFID_DATA_LENGTH_32");
        return;
    }
    const auto bytes = HexToBytes(data, 16);
    bool written = false;
    if (bytes && t_.sdk.OPR_SetRFIDBlkData(t_.handle, t_.node, bytes->data()) == 1) {
        r = KymReply{};
        const int32_t result = t_.sdk.OPR_RFIDWrite(t_.handle, t_.node, kAck, s_.keyA ? 1 : 0,
                                                    AbsoluteBlock(s_.card, s_.sector, s_.block), &r);
        written = OperationOk(result, r);
    }
    if (!written) t_.PlainKey("IDS_RFID_WRITE_FAILED");
}

// "Worker running" is looked at before the key: a short key must never keep a reading worker
// from being stopped.
void RfidLogic::ReadAll() {
    if (running_.load()) {
        StopWorker();
        s_.readAllCaption = kReadAllCaption;
        return;
    }
    if (!KeyLengthOk()) return;
    if (worker_.joinable()) worker_.join();  // a worker that ended by itself
    s_.result.clear();
    s_.readAllCaption = kReadingCaption;
    {
        std::lock_guard lock(readLock_);
        stopRequested_ = false;
    }
    running_.store(true);
    worker_ = std::thread(&RfidLogic::Work, this, s_.key, s_.keyA, s_.card);
}

void RfidLogic::StopWorker() {
    {
        std::lock_guard lock(readLock_);
        stopRequested_ = true;
    }
    if (worker_.joinable()) worker_.join();
    running_.store(false);
}

void RfidLogic::Work(std::string key, bool keyA, CardType card) {
    for (int sector = 0; sector < SectorCount(card); ++sector) {
        for (int block = 0; block < BlocksInSector(card, sector); ++block) {
            const int absolute = AbsoluteBlock(card, sector, block);
            BlockText read;
            {
                std::lock_guard lock(readLock_);
                if (stopRequested_) return;  // the stopping side resets the caption
                read = ReadOne(key, keyA, absolute);
            }
            // The language's words go in as text, never as a format.
            char head[64];
            if (read.ok)
                std::snprintf(head, sizeof head, "BLK %d, Sector %d Block %d ", absolute, sector, block);
            else
                std::snprintf(head, sizeof head, "Sector %d ", sector);
            const std::string line = read.ok ? head + t_.language.Lookup("IDS_RFID_DATA") + read.text
                                             : head + t_.language.Lookup("IDS_RFID_SECTOR_AUTH_FAILED");
            post_([this, text = line] { AppendResult(text); });
            if (!read.ok) break;  // the sector's other blocks are skipped
        }
    }
    post_([this] { s_.readAllCaption = kReadAllCaption; });
    running_.store(false);
}

void RfidLogic::AppendResult(const std::string& line) {
    s_.result = s_.result.empty() ? line : s_.result + "\r\n" + line;
}

bool RfidLogic::CanClose() {
    if (!running_.load()) return true;
    t_.PlainKey("IDS_RFID_READING_NO_EXIT");
    return false;
}

}  // namespace norvane::bench
