#pragma once
// A gateway object that records every set and get it is given, as the frame a second-generation
// port would build from it, so tests see the command, node, data bytes and answer bit.
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "doubles/fake_gateway.h"
#include "doubles/registry_slots.h"
#include "sdk/core/codec/codec.h"

namespace norvane::testing {

class CommandRecorder : public FakeGateway {
public:
    struct Call {
        bool get = false;
        uint32_t handle = 0;
        uint32_t node = 0;
        uint8_t controlWord = 0;
        int index = 0;
        bool withAnswer = false;  ///< an answer record was passed
        int packed = 0;           ///< the packer's result (0: a port would send nothing)
        KymCanMsg frame{};
    };
    std::vector<Call> calls;
    /// Result of the n-th call (0-based); calls beyond the list give defaultResult.
    std::vector<int> results;
    int defaultResult = 1;
    /// Fills the answer record of a call, as a port would decode the node's answer.
    std::function<void(const Call&, KymReply*)> answer;
    uint8_t streamBytes[16] = {};
    int streamCount = 0;

    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override {
        Call call{true, handle, node, controlWord, index, out != nullptr};
        call.packed = sdk::PackSecondGenGet(node, controlWord, index, &call.frame);
        return Record(call, out);
    }
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override {
        Call call{false, handle, node, controlWord, index, out != nullptr};
        call.packed = sdk::PackSecondGen(node, controlWord, index, data, &call.frame);
        return Record(call, out);
    }
    int ReadNodeStream(uint32_t handle, uint32_t node, uint8_t* buffer, int length) override {
        calls.push_back(Call{false, handle, node, 0, -1, false});
        const int n = std::min(length, streamCount);
        std::memcpy(buffer, streamBytes, static_cast<size_t>(n));
        return n;
    }

    /// Data bytes of the n-th call's frame.
    std::vector<uint8_t> Bytes(size_t n) const {
        const KymCanMsg& f = calls.at(n).frame;
        return {f.data, f.data + f.length};
    }

private:
    int Record(const Call& call, KymReply* out) {
        calls.push_back(call);
        if (answer && out != nullptr) answer(call, out);
        const size_t n = calls.size() - 1;
        return n < results.size() ? results[n] : defaultResult;
    }
};

/// Installs a recorder in every gateway slot for the life of a test and restores the slots after.
class RecorderSlots {
public:
    RecorderSlots() : recorder(std::make_shared<CommandRecorder>()) { scope_.InstallEverywhere(recorder); }
    void Remove(sdk::GatewaySlot slot) { sdk::RemoveGateway(slot); }
    std::shared_ptr<CommandRecorder> recorder;

private:
    RegistrySlots scope_;
};

}  // namespace norvane::testing
