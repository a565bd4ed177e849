#include "bench/dialogs/kyd0606_logic.h"

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;

}  // namespace

void Kyd0606Logic::Open() {
    s_.outputLeds = {};
    Query();
}

void Kyd0606Logic::Query() {
    KymReply r{};
    if (t_.sdk.GetIOOutput(t_.handle, t_.node, &r) != 1) {
        t_.ErrorText("DVA获取失败");
        return;
    }
    const auto word = static_cast<uint32_t>(r.field[0]);
    s_.inputLeds = BitsOf(word & 0xFF);
    s_.outputLeds = BitsOf((word >> 16) & 0xFF);
    s_.outputs = s_.outputLeds;
}

void Kyd0606Logic::Set() {
    const uint8_t byte = MaskOf(s_.outputs);
    auto word = static_cast<int32_t>(Kyd0606Word(byte));
    KymReply r{};
    if (t_.Failed(t_.sdk.SetIOOutput(t_.handle, t_.node, &word, kAck, &r), "IDS_NO_DEVICE_FIND")) return;
    s_.outputLeds = BitsOf(byte);
}

}  // namespace norvane::bench
