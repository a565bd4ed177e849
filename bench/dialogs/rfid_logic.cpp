#include "bench/dialogs/rfid_logic.h"

#include <cstdio>
#include <cstring>

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;
constexpr const char* kAuthFailed = "认证失败或卡不存在!";
constexpr const char* kNoCard = "未找到卡";

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
    s_.cardNumber = s_.cardButtons ? text : kNoCard;
}

bool RfidLogic::KeyLengthOk() {
    if (s_.key.size() >= 12) return true;
    t_.Plain("密钥长度要求12!");
    return false;
}

void RfidLogic::SendKey(const std::string& key) {
    if (key.size() < 12) {
        t_.Plain("密钥长度为12");
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
            return {false, kAuthFailed};
    }
    uint8_t data[16] = {};
    if (t_.sdk.OPR_GetRFIDBlkData(t_.handle, t_.node, data) != 1) return {false, kAuthFailed};
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
    if (s_.block == 3 &&
        t_.messages.Ask("警告", "权限区，确定要写入，可能造成该扇区不可操作!") != Answer::Yes)
        return;
    KymReply r{};
    t_.sdk.OPR_FindRFID(t_.handle, t_.node, kAck, &r);
    SendKey(s_.key);
    const std::string data =
        s_.block == 3 ? s_.fields[3] + s_.fields[4] + s_.fields[5] : s_.fields[static_cast<size_t>(s_.block)];
    if (data.size() < 32) {
        t_.Plain("数据区长度需要32(16字节)");
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
    if (!written) t_.Plain("密钥错误或卡不存在!");
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
        std::lock_guard<std::mutex> lock(readLock_);
        stopRequested_ = false;
    }
    running_.store(true);
    worker_ = std::thread(&RfidLogic::Work, this, s_.key, s_.keyA, s_.card);
}

void RfidLogic::StopWorker() {
    {
        std::lock_guard<std::mutex> lock(readLock_);
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
                std::lock_guard<std::mutex> lock(readLock_);
                if (stopRequested_) return;  // the stopping side resets the caption
                read = ReadOne(key, keyA, absolute);
            }
            char line[160];
            if (read.ok)
                std::snprintf(line, sizeof line, "BLK %d, Sector %d Block %d 数据%s", absolute, sector, block,
                              read.text.c_str());
            else
                std::snprintf(line, sizeof line, "Sector %d 认证失败!", sector);
            post_([this, text = std::string(line)] { AppendResult(text); });
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
    t_.Plain("RFID正在读取，不能退出，请终止RFID读取!");
    return false;
}

}  // namespace norvane::bench
