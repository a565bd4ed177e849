// First-generation operation commands (command 81: UFQ, system and servo groups), the system
// command (126), unlock and reboot, and the firmware line update (127).
#include <chrono>
#include <cstring>
#include <thread>

#include "sdk/api/legacy_firmware_line.h"
#include "sdk/api/legacy_steps.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

constexpr uint8_t kUfq = 2;
constexpr uint8_t kSystem = 0;
constexpr uint8_t kServo = 3;

int Operate(uint32_t handle, uint32_t node, const OperationBlock& block, int32_t ackFlag,
            KymReply* ackBuffer) {
    return SetData(handle, node, first_gen::kOperation, 0, &block, ackFlag, ackBuffer);
}

int Operation(uint32_t handle, uint32_t node, uint8_t group, uint8_t code, int32_t ackFlag,
              KymReply* ackBuffer) {
    return Guarded(-1, [&] { return Operate(handle, node, MakeOperation(group, code), ackFlag, ackBuffer); });
}

int OperationByte(uint32_t handle, uint32_t node, uint8_t group, uint8_t code, int32_t value, int32_t ackFlag,
                  KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const auto byte = static_cast<uint8_t>(value);
        return Operate(handle, node, MakeOperation(group, code, &byte, 1), ackFlag, ackBuffer);
    });
}

// Operations whose result depends on the answer always ask for one, into the caller's record
// or a scratch record.
int AnsweredOperation(uint32_t handle, uint32_t node, const OperationBlock& block, KymReply* ackBuffer,
                      KymReply* answer) {
    const int result = Operate(handle, node, block, 1, answer);
    if (ackBuffer != nullptr && ackBuffer != answer) *ackBuffer = *answer;
    return result;
}

// An answer repeating the request's single extra byte confirms it.
int EchoedByte(uint32_t handle, uint32_t node, uint8_t group, uint8_t code, uint8_t byte, int32_t ackFlag,
               KymReply* ackBuffer) {
    const OperationBlock block = MakeOperation(group, code, &byte, 1);
    if (ackFlag == 0 || ackBuffer == nullptr) return Operate(handle, node, block, 0, nullptr);
    const int result = Operate(handle, node, block, 1, ackBuffer);
    if (result != 1) return result;
    return AnswerExtra(*ackBuffer)[0] == byte ? 1 : -1;
}

// Unlock and reboot: operation group 2 code 0 with one byte 0, then system command 126 with
// the data bytes {value, 0}.
int UnlockThenSystem(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    const uint8_t zero = 0;
    Operate(handle, node, MakeOperation(kUfq, 0, &zero, 1), 0, nullptr);
    return SetValue(handle, node, first_gen::kSystem, 0, value, ackFlag, ackBuffer);
}

}  // namespace

extern "C" {

NV_API int32_t OPR_Operate(uint32_t handle, uint32_t node, void* block, int32_t ackFlag,
                           KymReply* ackBuffer) {
    return Guarded(
        -1, [&] { return SetData(handle, node, first_gen::kOperation, 0, block, ackFlag, ackBuffer); });
}

// ---- UFQ group (2) ----

NV_API int32_t OPR_UFQStart(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 1, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQShutDown(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 2, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQHome(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 3, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQFreez(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 4, ackFlag, ackBuffer);
}
// The odometer value is bytes 8-11 of the answer record.
NV_API int32_t OPR_UFQGetODO(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 5, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQGetErr(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 6, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQSetNodeID(uint32_t handle, uint32_t node, int32_t id, int32_t ackFlag,
                                KymReply* ackBuffer) {
    if (id != 0 && (id < 5 || id > 80)) return -1;
    return OperationByte(handle, node, kUfq, 7, id, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQSetGroupID(uint32_t handle, uint32_t node, int32_t group, int32_t ackFlag,
                                 KymReply* ackBuffer) {
    if (group < 81 || group > 125) return -1;
    return OperationByte(handle, node, kUfq, 8, group, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQGetGroupID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kUfq, 8, ackFlag, ackBuffer);
}
NV_API int32_t OPR_UFQSetPVTWarn(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                 KymReply* ackBuffer) {
    return OperationByte(handle, node, kUfq, 9, value, ackFlag, ackBuffer);
}
// Returns the state byte (answer byte 8) when the answer carries exactly one further byte.
NV_API int32_t OPR_UFQStateCheck(uint32_t handle, uint32_t node, int32_t, KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        KymReply scratch{};
        KymReply* answer = ackBuffer != nullptr ? ackBuffer : &scratch;
        const int result = AnsweredOperation(handle, node, MakeOperation(kUfq, 11), ackBuffer, answer);
        if (result != 1) return result;
        return answer->field[1] == 1 ? static_cast<int>(AnswerExtra(*answer)[0]) : -1;
    });
}
NV_API int32_t OPR_ResetCommand(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        return EchoedByte(handle, node, kUfq, 12, static_cast<uint8_t>(value), ackFlag, ackBuffer);
    });
}
NV_API int32_t OPR_UFQSetBrake(uint32_t handle, uint32_t node, int32_t on, int32_t ackFlag,
                               KymReply* ackBuffer) {
    if (node == 0) return -1;
    return Guarded(-1, [&] {
        const uint8_t extra[3] = {'D', 'U', static_cast<uint8_t>(on != 0 ? 1 : 0)};
        return Operate(handle, node, MakeOperation(kUfq, 13, extra, 3), ackFlag, ackBuffer);
    });
}
NV_API int32_t OPR_UFQSetMode(uint32_t handle, uint32_t node, int32_t mode, int32_t ackFlag,
                              KymReply* ackBuffer) {
    return OperationByte(handle, node, kUfq, 0, mode, ackFlag, ackBuffer);
}

// ---- system group (0) ----

NV_API int32_t OPR_SystemCommand(uint32_t handle, uint32_t node, int32_t code, int32_t ackFlag,
                                 KymReply* ackBuffer) {
    return Operation(handle, node, kSystem, static_cast<uint8_t>(code), ackFlag, ackBuffer);
}
NV_API int32_t OPR_SystemSetCurrent(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                    KymReply* ackBuffer) {
    return OperationByte(handle, node, kSystem, 28, value, ackFlag, ackBuffer);
}
NV_API int32_t OPR_SystemGetCurrent(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                    KymReply* ackBuffer) {
    return OperationByte(handle, node, kSystem, 28, value, ackFlag, ackBuffer);
}
NV_API int32_t OPR_SystemCheck(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer) {
    if (value != 0 && value != 1) return -1;
    return OperationByte(handle, node, kSystem, 31, value, ackFlag, ackBuffer);
}
NV_API int32_t OPR_SystemShutDown(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                  KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const uint8_t extra[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
        return Operate(handle, node, MakeOperation(kSystem, 32, extra, 2), ackFlag, ackBuffer);
    });
}

// ---- servo group (3) ----

// Reads one servo parameter: the answer repeats the parameter number (2 bytes) followed by
// its 24-bit value, which is the result.
NV_API int32_t OPR_ServoGetValue(uint32_t handle, uint32_t node, int32_t parameter, int32_t,
                                 KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const uint8_t extra[2] = {static_cast<uint8_t>(parameter), static_cast<uint8_t>(parameter >> 8)};
        KymReply scratch{};
        KymReply* answer = ackBuffer != nullptr ? ackBuffer : &scratch;
        const int result =
            AnsweredOperation(handle, node, MakeOperation(kServo, 1, extra, 2), ackBuffer, answer);
        if (result != 1) return result;
        const uint8_t* bytes = AnswerExtra(*answer);
        if (bytes[0] != extra[0] || bytes[1] != extra[1]) return -1;
        return static_cast<int>(bytes[2] | (bytes[3] << 8) | (bytes[4] << 16));
    });
}
NV_API int32_t OPR_ServoSetValue(uint32_t handle, uint32_t node, int32_t parameter, int32_t value,
                                 int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        const auto v = static_cast<uint32_t>(value);
        const uint8_t extra[6] = {static_cast<uint8_t>(parameter), static_cast<uint8_t>(parameter >> 8),
                                  static_cast<uint8_t>(v),         static_cast<uint8_t>(v >> 8),
                                  static_cast<uint8_t>(v >> 16),   static_cast<uint8_t>(v >> 24)};
        return Operate(handle, node, MakeOperation(kServo, 1, extra, 6), ackFlag, ackBuffer);
    });
}
NV_API int32_t OPR_ServoWriteEEP(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Operation(handle, node, kServo, 2, ackFlag, ackBuffer);
}
NV_API int32_t OPR_ServoAuthorization(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer) {
    if (value != 0 && value != 1) return -1;
    return Guarded(-1, [&] {
        return EchoedByte(handle, node, kServo, 3, static_cast<uint8_t>(value), ackFlag, ackBuffer);
    });
}

// ---- system command (126), unlock, reboot ----

NV_API int32_t SetSystemCommand(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSystem, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSystemCommand(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSystem, 0, reply);
}
NV_API int32_t KYMSetSystemType(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSystem, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t KYMGetSystemType(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSystem, 0, reply);
}
NV_API int32_t SetSY(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSystem, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSY(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSystem, index, reply);
}
NV_API int32_t SystemUnlock(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return UnlockThenSystem(handle, node, 0, ackFlag, ackBuffer); });
}
NV_API int32_t SystemReboot(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return UnlockThenSystem(handle, node, 1, ackFlag, ackBuffer); });
}

// ---- firmware update ----

// One line of a firmware file: a pause, or up to eight bytes sent as command 127.
NV_API int32_t UpdateFirmwareLine(uint32_t handle, uint32_t node, const char* line, int32_t ackFlag,
                                  KymReply* ackBuffer) {
    if (line == nullptr) return 0;
    return Guarded(-1, [&] {
        const FirmwareLine parsed = ParseFirmwareLine(line, std::strlen(line));
        switch (parsed.kind) {
            case FirmwareLineKind::Pause:
                std::this_thread::sleep_for(std::chrono::milliseconds(parsed.pauseMs));
                return 1;
            case FirmwareLineKind::Data:
                return SetData(handle, node, first_gen::kFirmwareLine, 0, parsed.hex, ackFlag, ackBuffer);
            case FirmwareLineKind::Invalid:
                break;
        }
        return 0;
    });
}

}  // extern "C"
