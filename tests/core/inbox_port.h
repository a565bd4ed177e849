#pragma once
// A port whose "wire" is an in-process inbox: the test pushes received messages, the real
// receive thread of the port machinery files them. The other operations are the neutral ones.
#include <deque>
#include <mutex>

#include "doubles/fake_gateway.h"
#include "platform/clock.h"

namespace norvane::testing {

class InboxPort : public FakePort {
public:
    InboxPort() {
        legacyProtocol = 0;
        kind = 16;
        portIndex = 1;
    }
    ~InboxPort() override { StopThreads(); }

    void Receive(const KymCanMsg& message) {
        std::lock_guard lock(mutex_);
        inbox_.push_back(message);
    }

    int ReceiveLoop(uint32_t index) override {
        SignalReceiverStarted(index);
        while (receiveRunning) {
            std::deque<KymCanMsg> batch;
            {
                std::lock_guard lock(mutex_);
                batch.swap(inbox_);
            }
            for (const KymCanMsg& message : batch) FileMessage(message);
            if (batch.empty()) platform::SleepMs(1);
        }
        return 0;
    }

private:
    std::mutex mutex_;
    std::deque<KymCanMsg> inbox_;
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
