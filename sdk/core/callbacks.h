#pragma once
// The host's process-wide callbacks and the notice record.
//
// Registering again replaces, registering null switches off; a change takes effect with the
// next message. The pointers are atomics so receive threads read them without a lock.
#include <atomic>
#include <cstdint>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

struct Callbacks {
    std::atomic<KymRtcnCallBack> realtime{nullptr};       ///< second-generation real-time notices
    std::atomic<KymMsgCallBack> legacyRealtime{nullptr};  ///< first-generation real-time messages
    std::atomic<KymMsgCallBack> translate{nullptr};       ///< translated messages (notification thread)
    std::atomic<KymSerialCallBack> serialTranslate{nullptr};
    std::atomic<KymSerialCallBack> serialTranslate318{nullptr};
    std::atomic<void*> record{nullptr};  ///< stored only
};

Callbacks& GlobalCallbacks();

/// Builds the 24-byte notice frame of a message: identifier from node and full control word.
KymNoticeFrame MakeNoticeFrame(const KymCanMsg& message);

/// The 36-byte record that accumulates which notices arrived (see NoticeRecordUpdate).
struct NoticeRecord {
    uint32_t handle;
    uint32_t node;
    uint8_t flags[12];       ///< 0x71, 0xF1, 0x72, 0xF2, ... 0x76, 0x77
    uint8_t fallingEdge[8];  ///< control word 0xF0, one flag per channel
    uint8_t risingEdge[8];   ///< control word 0x70, one flag per channel
};
static_assert(sizeof(NoticeRecord) == 36, "notice record is 36 bytes");

/// Pure: applies one notice frame from handle to record.
void NoticeRecordUpdate(NoticeRecord& record, uint32_t handle, const KymNoticeFrame& frame);

/// Receive thread: hands a real-time message to the registered callback (if any), updating
/// the notice record when it exists. Returns true when a callback was called.
bool DeliverRealtimeNotice(uint32_t handle, const KymCanMsg& message);

/// KYMRegNotice: null -> -1; first call creates the record (1, buffer untouched); later calls
/// copy the record out, clear it and return 1. Safe against concurrent receive threads.
int32_t TakeNoticeRecord(void* buffer);
/// For tests: forget the notice record (as if never created).
void ResetNoticeRecordForTests();

}  // namespace norvane::sdk
