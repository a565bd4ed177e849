#pragma once
// A USB-CAN adapter from the device's side: its bulk command protocol (0x01 configure, 0x02
// stop, 0x03 start, 0x04 send a frame, 0x05 fetch frames, 0x06 pending count, 0x07 commit,
// 0x08 new device index), its receive queue, and the faults tests arm. A bulk write computes
// the reply that the next bulk read returns. Frames travel only while the adapter is started
// and configured with the bus's own bit-rate code: at another code the bus delivers nothing.
//
// Threads: every member may be called from any thread (one lock inside).
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "sim/can_frame.h"

namespace norvane::sim {

/// One bulk exchange as the adapter saw it.
struct UsbExchange {
    uint8_t command = 0;    ///< first byte written
    uint32_t written = 0;   ///< bytes written
    int32_t readSize = -1;  ///< bytes the host asked for in the read that followed (-1 none yet)
    uint8_t argument = 0;   ///< second byte written (0x05: frames asked for; 0x01: byte 10, the code)
};

class UsbAdapterModel {
public:
    /// busCode: the bit-rate code of the bus behind the adapter; send: puts a frame on it.
    UsbAdapterModel(uint8_t deviceIndex, uint8_t busCode, std::function<void(const CanFrame&)> send);

    /// A bulk write: the bytes taken (one fewer when a short write is armed).
    int Write(const uint8_t* bytes, size_t length);
    /// A bulk read of up to size bytes: the pending reply (cut to size), or -1 when none.
    int Read(uint8_t* out, size_t size);
    /// A frame from the bus: queued while the adapter listens at the bus's code.
    void FromBus(const CanFrame& frame);

    uint8_t DeviceIndex() const;
    size_t Waiting() const;
    std::vector<UsbExchange> Exchanges() const;
    void ClearExchanges();
    /// Frames dropped because the queue was full.
    uint64_t Overflows() const;

    /// The adapter loses its power (unplugged): stopped, unconfigured, its queue and any pending
    /// reply gone, as a real adapter comes back from a replug.
    void PowerOff();

    // Faults, each for the next exchange that it concerns.
    void ShortWriteNext();
    void WrongReplyNext();

    static constexpr size_t kQueueLimit = 4096;

private:
    std::vector<uint8_t> Reply(const uint8_t* bytes, size_t length);

    mutable std::mutex mutex_;
    const std::function<void(const CanFrame&)> send_;
    const uint8_t busCode_;
    uint8_t index_;
    int code_ = -1;  ///< configured bit-rate code, -1 before the first 0x01
    bool started_ = false;
    std::deque<CanFrame> queue_;
    std::vector<uint8_t> reply_;
    bool replyPending_ = false;
    bool shortWrite_ = false;
    bool wrongReply_ = false;
    uint64_t overflows_ = 0;
    std::vector<UsbExchange> exchanges_;
};

}  // namespace norvane::sim
