#pragma once
// A port whose "wire" is an in-process inbox: the test pushes received messages, the real
// receive thread of the port machinery files them. Request operations are not used here.
#include <deque>
#include <mutex>

#include "platform/clock.h"
#include "sdk/core/port.h"

namespace norvane::testing {

class InboxPort : public sdk::CNvCallBackFunc {
public:
    InboxPort() {
        legacyProtocol = 0;
        kind = 16;
        portIndex = 1;
    }
    ~InboxPort() override { StopThreads(); }

    void Receive(const KymCanMsg& message, Framing framing = Framing::Can) {
        std::lock_guard lock(mutex_);
        inbox_.push_back({message, framing});
    }

    int ReceiveLoop(uint32_t index) override {
        SignalReceiverStarted(index);
        while (receiveRunning) {
            std::deque<Entry> batch;
            {
                std::lock_guard lock(mutex_);
                batch.swap(inbox_);
            }
            for (const Entry& entry : batch) FileMessage(entry.message, entry.framing);
            if (batch.empty()) platform::SleepMs(1);
        }
        return 0;
    }
    int ReceiveLoopLegacy(uint32_t) override { return 0; }
    int ProbeLegacy() override { return 0; }
    int Probe() override { return 0; }
    int SetCommandLegacy(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override { return 0; }
    int SetCommand(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override { return 0; }
    int GetCommandLegacy(uint32_t, uint32_t, uint8_t, int, KymReply*) override { return 0; }
    int GetCommand(uint32_t, uint32_t, uint8_t, int, KymReply*) override { return 0; }
    int RegisterNodesLegacy(uint32_t, KymNodeRecord*, int) override { return 0; }
    int RegisterNodes(uint32_t, KymNodeRecord*, int) override { return 0; }
    int OpenLegacy(uint32_t, KymNodeRecord*, int, uint32_t*) override { return 0; }
    int Open(uint32_t, KymNodeRecord*, int, uint32_t*) override { return 0; }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override { return 0; }

private:
    struct Entry {
        KymCanMsg message;
        Framing framing;
    };
    std::mutex mutex_;
    std::deque<Entry> inbox_;
};

inline KymCanMsg Message(uint8_t node, uint8_t controlWord, std::initializer_list<uint8_t> data) {
    KymCanMsg message{};
    message.node = node;
    message.controlWord = controlWord;
    message.length = static_cast<uint8_t>(data.size());
    int i = 0;
    for (uint8_t byte : data) message.data[i++] = byte;
    message.extra = message.length > 0 ? message.data[0] : 0;
    return message;
}

}  // namespace norvane::testing
