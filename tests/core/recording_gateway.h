#pragma once
// A gateway object for dispatch tests: records the last call and returns a chosen result.
#include <cstring>

#include "doubles/fake_gateway.h"

namespace norvane::testing {

class RecordingGateway : public FakeGateway {
public:
    struct Call {
        const char* slot = nullptr;
        uint32_t handle = 0, node = 0;
        uint8_t controlWord = 0;
        int index = 0;
        const void* data = nullptr;
        KymReply* answer = nullptr;
    };
    Call last;
    int calls = 0;
    int result = 1;

    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override {
        return Record({"get", handle, node, controlWord, index, nullptr, out});
    }
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override {
        return Record({"set", handle, node, controlWord, index, data, out});
    }

private:
    int Record(const Call& call) {
        last = call;
        ++calls;
        return result;
    }
};

}  // namespace norvane::testing
