#pragma once
// A gateway object for dispatch tests: records the last call and returns a chosen result.
#include <cstring>

#include "sdk/core/gateway.h"

namespace norvane::testing {

class RecordingGateway : public sdk::CSDKGWCAN {
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

    int SearchPorts(void*, int) override { return 0; }
    int OpenPort(uint32_t, KymNodeRecord*, int, uint32_t*) override { return 0; }
    int ClosePort(uint32_t) override { return 0; }
    int RegisterNodes(uint32_t, KymNodeRecord*, int) override { return 0; }
    int RegisterAllNodes(uint32_t, KymNodeRecord*, int) override { return 0; }
    int PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) override { return 0; }
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override {
        return Record({"get", handle, node, controlWord, index, nullptr, out});
    }
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override {
        return Record({"set", handle, node, controlWord, index, data, out});
    }
    int SendRaw(uint32_t, const uint8_t*, int) override { return 0; }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override { return 0; }
    int ReadNodeStream(uint32_t, uint32_t, uint8_t*, int) override { return 0; }

private:
    int Record(const Call& call) {
        last = call;
        ++calls;
        return result;
    }
};

}  // namespace norvane::testing
