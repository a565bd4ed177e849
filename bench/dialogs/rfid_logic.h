#pragma once
// The RFID dialog without a display: card search, block and sector reads, block writes and the
// worker that reads a whole card. Commands run on the user-interface thread; the worker reads
// with a snapshot of the key and card type, takes the lock around each block read, and posts
// its result lines through post, which runs them on the user-interface thread. Stopping sets a
// flag under that lock (so the worker is never stopped inside a block read) and joins.
#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "bench/dialogs/device_target.h"
#include "bench/dialogs/rfid_card.h"
#include "platform/fair_mutex.h"

namespace norvane::bench {

/// Language keys of the read-all button's two captions ("读 取 所 有 扇 区", "正在读取，点击终止").
inline constexpr const char* kReadAllCaption = "IDS_RFID_READ_ALL";
inline constexpr const char* kReadingCaption = "IDS_RFID_READING";
inline constexpr const char* kDefaultRfidKey = "A5C3E7190B2D";

struct RfidState {
    std::string key = kDefaultRfidKey;
    bool keyA = true;
    CardType card = CardType::S40;
    int sector = 0;  ///< selected sector list entry
    int block = 0;   ///< selected block list entry (0-3)
    /// Block fields: blocks 0, 1, 2, then the trailer's key A, access bits and key B.
    std::array<std::string, 6> fields;
    std::string cardNumber;
    bool cardButtons = false;  ///< read block, write card, read sector, read all
    std::string result;        ///< the result text box
    std::string readAllCaption = kReadAllCaption;
};

class RfidLogic {
public:
    RfidLogic(const DeviceTarget& target, PostToUi post) : t_(target), post_(std::move(post)) {}
    ~RfidLogic();

    /// Card type radio: the sector list restarts at entry 0.
    void ChooseCard(CardType type);
    void FindCard();
    void ReadBlock();
    void ReadSector();
    void WriteCard();
    /// Starts the worker, or stops it when it runs.
    void ReadAll();
    void ClearResult() { s_.result.clear(); }
    /// false (and the refusal shown) while the worker runs.
    bool CanClose();
    bool Reading() const { return running_.load(); }

    RfidState& State() { return s_; }

    /// One block read with a key: its 32 hexadecimal characters, or the failure text.
    struct BlockText {
        bool ok = false;
        std::string text;
    };
    BlockText ReadOne(const std::string& key, bool keyA, int absoluteBlock);

private:
    bool KeyLengthOk();
    void SendKey(const std::string& key);
    bool OperationOk(int32_t result, const KymReply& reply) const;
    void ShowBlock(int block, const BlockText& read);
    void StopWorker();
    void Work(std::string key, bool keyA, CardType card);
    void AppendResult(const std::string& line);

    DeviceTarget t_;
    PostToUi post_;
    RfidState s_;
    /// Held around each block read of the worker; handed over in turn, so that a stop request
    /// gets it at the next block instead of waiting while the worker takes it again and again.
    platform::FairMutex readLock_;
    bool stopRequested_ = false;  ///< guarded by readLock_
    std::atomic<bool> running_{false};
    std::thread worker_;
};

}  // namespace norvane::bench
