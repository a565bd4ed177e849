#pragma once
// A gateway object for the first-generation routing tests: records every request with the
// bytes the packer of the handle's generation makes of it, and answers through a responder.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "doubles/fake_gateway.h"
#include "doubles/registry_slots.h"
#include "sdk/core/codec/codec.h"

namespace norvane::testing {

struct Sent {
    bool set = false;
    uint32_t handle = 0, node = 0;
    uint8_t controlWord = 0;
    int index = 0;
    std::vector<uint8_t> bytes;  // data bytes of the packed message
    bool withAnswer = false;     // an answer record was passed
};

class LegacyFakeGateway : public FakeGateway {
public:
    /// Fills the answer record of a request and gives the result (default: 1, record untouched).
    std::function<int(const Sent&, KymReply*)> responder;
    /// Fills search records (88 bytes each) and gives the number found (default: none).
    std::function<int(void*, int)> searcher;
    int openResult = 0;
    int closeResult = 1;
    std::atomic<int> closeCalls{0};
    std::vector<std::string> raw;

    std::vector<Sent> Requests() {
        std::lock_guard lock(lock_);
        return sent_;
    }
    void Clear() {
        std::lock_guard lock(lock_);
        sent_.clear();
    }

    int SearchPorts(void* records, int max) override { return searcher ? searcher(records, max) : 0; }
    int OpenPort(uint32_t, KymNodeRecord*, int, uint32_t*) override { return openResult; }
    int ClosePort(uint32_t) override {
        ++closeCalls;
        return closeResult;
    }
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override {
        return Record(false, handle, node, controlWord, index, nullptr, out);
    }
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override {
        return Record(true, handle, node, controlWord, index, data, out);
    }
    int SendRaw(uint32_t, const uint8_t* bytes, int length) override {
        raw.emplace_back(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
        return length;
    }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override { return 5; }
    int ReadNodeStream(uint32_t, uint32_t, uint8_t*, int length) override { return length; }

private:
    int Record(bool set, uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
               KymReply* out) {
        Sent sent{set, handle, node, controlWord, index, {}, out != nullptr};
        KymCanMsg message{};
        const bool firstGen = ((handle >> 8) & 0xFFFF) >= 256;
        const int packed = firstGen
                               ? sdk::PackFirstGen(node, controlWord, index, set ? data : nullptr, &message)
                           : set ? sdk::PackSecondGen(node, controlWord, index, data, &message)
                                 : sdk::PackSecondGenGet(node, controlWord, index, &message);
        if (packed == 1) sent.bytes.assign(message.data, message.data + message.length);
        {
            std::lock_guard lock(lock_);
            sent_.push_back(sent);
        }
        return responder ? responder(sent, out) : 1;
    }

    std::mutex lock_;
    std::vector<Sent> sent_;
};

/// Empties every registry slot for a test, puts the previous gateways back afterwards, and
/// installs fake gateways.
class RegistryScope : public RegistrySlots {
public:
    std::shared_ptr<LegacyFakeGateway> Install(sdk::GatewaySlot slot) {
        return RegistrySlots::Install<LegacyFakeGateway>(slot);
    }
};

}  // namespace norvane::testing
