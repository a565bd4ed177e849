#include "sdk/core/callbacks.h"

#include <cstring>
#include <mutex>

namespace norvane::sdk {
namespace {

struct NoticeState {
    std::mutex lock;
    bool exists = false;
    NoticeRecord record{};
};

NoticeState& Notices() {
    static NoticeState state;
    return state;
}

// Flag byte offsets inside NoticeRecord::flags: 0x71, 0xF1, 0x72, 0xF2 ... 0x75, 0xF5, 0x76, 0x77.
int FlagIndex(uint8_t controlWord) {
    static constexpr uint8_t kOrder[12] = {0x71, 0xF1, 0x72, 0xF2, 0x73, 0xF3,
                                           0x74, 0xF4, 0x75, 0xF5, 0x76, 0x77};
    for (int i = 0; i < 12; ++i) {
        if (kOrder[i] == controlWord) return i;
    }
    return -1;
}

}  // namespace

Callbacks& GlobalCallbacks() {
    static Callbacks callbacks;
    return callbacks;
}

KymNoticeFrame MakeNoticeFrame(const KymCanMsg& message) {
    KymNoticeFrame frame{};
    const uint32_t node = message.node;
    frame.identifier = ((node & 0x1F) << 19) | ((node & 0x60) << 3) | message.controlWord;
    frame.length = message.length;
    std::memcpy(frame.data, message.data, sizeof frame.data);
    return frame;
}

void NoticeRecordUpdate(NoticeRecord& record, uint32_t handle, const KymNoticeFrame& frame) {
    const uint32_t id = frame.identifier;
    const uint8_t controlWord = static_cast<uint8_t>(id & 0xFF);
    record.handle = handle;
    record.node = ((id >> 3) & 0x60) + ((id >> 19) & 0x1F);
    const uint8_t channel = frame.data[0];
    if (controlWord == 0x70) {
        if (channel <= 7) record.risingEdge[channel] = 1;
    } else if (controlWord == 0xF0) {
        if (channel <= 7) record.fallingEdge[channel] = 1;
    } else {
        const int index = FlagIndex(controlWord);
        if (index >= 0) record.flags[index] = 1;
    }
}

bool DeliverRealtimeNotice(uint32_t handle, const KymCanMsg& message) {
    const KymRtcnCallBack callback = GlobalCallbacks().realtime.load();
    if (callback == nullptr) return false;
    KymNoticeFrame frame = MakeNoticeFrame(message);
    {
        NoticeState& state = Notices();
        std::lock_guard lock(state.lock);
        if (state.exists) NoticeRecordUpdate(state.record, handle, frame);
    }
    callback(handle, &frame, 1);
    return true;
}

int32_t TakeNoticeRecord(void* buffer) {
    if (buffer == nullptr) return -1;
    NoticeState& state = Notices();
    std::lock_guard lock(state.lock);
    if (!state.exists) {
        state.exists = true;
        state.record = NoticeRecord{};
        return 1;
    }
    std::memcpy(buffer, &state.record, sizeof state.record);
    state.record = NoticeRecord{};
    return 1;
}

void ResetNoticeRecordForTests() {
    NoticeState& state = Notices();
    std::lock_guard lock(state.lock);
    state.exists = false;
    state.record = NoticeRecord{};
}

}  // namespace norvane::sdk
