// First-generation communication, identity, error, power-up and interrupt settings, and the
// node and gateway address changes.
#include <chrono>
#include <thread>

#include "sdk/api/legacy_steps.h"
#include "sdk/api/node_locks.h"
#include "sdk/core/switches.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;
using namespace norvane::sdk::legacy;

namespace {

constexpr uint32_t kPowerUpFlags = 9;
constexpr uint32_t kInterruptFlags = 12;

bool UfqMode() {
    return GlobalSwitches().ufqMode.load() != 0;
}

// Power-up flags: command 6 index 0 first, then one read per flag; bit k of out = bit 0 of the
// answer to index k. Callers hold the node lock.
int ReadPowerUpFlags(uint32_t handle, uint32_t node, KymReply* out) {
    Steps steps;
    if (!steps.Add(DispatchGetAnswer(handle, node, first_gen::kPowerUpConfig, 0, out))) return steps.Result();
    for (uint32_t bit = 0; bit < kPowerUpFlags; ++bit) {
        KymReply answer{};
        const int result =
            DispatchGetAnswer(handle, node, first_gen::kPowerUpConfig, static_cast<int>(bit), &answer);
        if (!steps.Add(result)) return steps.Result();
        if (result == 1) {
            const uint32_t mask = 1u << bit;
            auto word = static_cast<uint32_t>(out->field[0]);
            word = (answer.field[0] & 1) != 0 ? (word | mask) : (word & ~mask);
            out->field[0] = static_cast<int32_t>(word);
        }
    }
    return steps.Result();
}

// Interrupt flag k travels as command 7 with index k; nodes 1-4 have flags 0-7, the others
// flags 0-3 and 8-11.
bool NodeHasInterruptFlag(uint32_t node, uint32_t bit) {
    if (node < 5) return bit < 8;
    return bit < 4 || bit >= 8;
}

int SetInterruptEnableImpl(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    const uint32_t kind = KindOf(handle);
    if (IsSecondGenKind(kind)) return SetData(handle, node, kInterruptEnable, 0, data, ackFlag, ackBuffer);
    if (kind == kKindUartFirstGen)
        return SetData(handle, node, first_gen::kInterruptConfig, 13, data, ackFlag, ackBuffer);
    return -1;
}

int GetInterruptEnableImpl(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    const uint32_t kind = KindOf(handle);
    if (IsSecondGenKind(kind)) return DispatchGetAnswer(handle, node, kInterruptEnable, index, reply);
    if (IsFirstGenFormKind(kind))
        return DispatchGetAnswer(handle, node, first_gen::kInterruptConfig, index, reply);
    return -1;
}

// Address change: command 12 index 1 with {old, new, 0}. The packer of this form reads three
// words; the caller's record holds two, so they are copied into a full block first.
int ChangeAddress(uint32_t handle, uint32_t node, const int32_t* record) {
    const int32_t block[3] = {record[0], record[1], 0};
    KymReply scratch{};
    return DispatchSet(handle, node, first_gen::kSerialNumber | kAnswerBit, 1, block, &scratch);
}

}  // namespace

extern "C" {

// ---- communication settings (command 1) ----

NV_API int32_t SetComm_RS232(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer) {
    if (KindOf(handle) != kKindRs232FirstGen) return -1;
    return SetValueExport(handle, node, first_gen::kCommunication, 1, value, ackFlag, ackBuffer);
}
NV_API int32_t GetComm_RS232(uint32_t handle, uint32_t node, KymReply* reply) {
    if (KindOf(handle) != kKindRs232FirstGen) return -1;
    return GetReplyExport(handle, node, first_gen::kCommunication, 1, reply);
}
NV_API int32_t SetComm_CAN_Master(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                  KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kCommunication, 5, value, ackFlag, ackBuffer);
}
NV_API int32_t GetComm_CAN_Master(uint32_t handle, uint32_t node, KymReply* reply) {
    if (reply == nullptr) return -1;
    return Guarded(-1, [&] {
        Steps steps;
        if (steps.Add(GetStep(handle, node, first_gen::kCommunication, 7, reply, 0)))
            steps.Add(GetStep(handle, node, first_gen::kCommunication, 5, reply, 1));
        return steps.Result();
    });
}
NV_API int32_t SetComm_CAN_Slave(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                                 KymReply* ackBuffer) {
    if (record == nullptr) return -1;
    if (UfqMode() && record[2] != 0 && (record[2] < 81 || record[2] > 125)) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        const int indexes[3] = {5, 8, 6};
        for (int k = 0; k < 3; ++k) {
            if (!steps.Add(SetStep(handle, node, first_gen::kCommunication, indexes[k], &record[k + 1],
                                   ackFlag, ackBuffer, k)))
                break;
        }
        return steps.Result();
    });
}
NV_API int32_t GetComm_CAN_Slave(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        const int indexes[4] = {7, 5, 8, 6};
        for (int k = 0; k < 4; ++k) {
            if (!steps.Add(GetStep(handle, node, first_gen::kCommunication, indexes[k], out, k))) break;
        }
        return steps.Result();
    });
}
NV_API int32_t Comm_Update(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer) {
    if (static_cast<uint32_t>(value) > 3) return 0;
    return SetValueExport(handle, node, first_gen::kCommunication, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t SetPP(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kCommunication, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPP(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kCommunication, index, reply);
}

// ---- power-up and loop configuration (command 6) ----

NV_API int32_t SetIC(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPowerUpConfig, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetIC(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPowerUpConfig, index, reply);
}
NV_API int32_t SetCloseLoopControl(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPowerUpConfig, 6, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPowerUpCfg(uint32_t handle, uint32_t node, KymReply* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        return ReadPowerUpFlags(handle, node, out);
    });
}
// Sends only the flags that differ from the node's current ones, each followed by a pause the
// controller needs to store it.
NV_API int32_t SetPowerUpCfg(uint32_t handle, uint32_t node, uint32_t* flags, int32_t ackFlag,
                             uint32_t* flagsOut) {
    if (flags == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        KymReply current{};
        Steps steps;
        if (!steps.Add(ReadPowerUpFlags(handle, node, &current))) return steps.Result();
        const auto now = static_cast<uint32_t>(current.field[0]);
        for (uint32_t bit = 0; bit < kPowerUpFlags; ++bit) {
            const int32_t wanted = static_cast<int32_t>((*flags >> bit) & 1);
            if (static_cast<int32_t>((now >> bit) & 1) == wanted) continue;
            KymReply answer{};
            const bool acked = ackFlag != 0 && flagsOut != nullptr;
            const int result = SetValue(handle, node, first_gen::kPowerUpConfig, static_cast<int>(bit),
                                        wanted, acked ? 1 : 0, &answer);
            if (!steps.Add(result)) return steps.Result();
            if (acked && result == 1) {
                const uint32_t mask = 1u << bit;
                *flagsOut = (answer.field[0] & 1) != 0 ? (*flagsOut | mask) : (*flagsOut & ~mask);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return steps.Result();
    });
}

// ---- interrupt configuration (command 7) ----

NV_API int32_t SetIE(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kInterruptConfig, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetIE(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kInterruptConfig, index, reply);
}
NV_API int32_t SetInterruptCfg(uint32_t handle, uint32_t node, uint32_t* flags, int32_t ackFlag,
                               uint32_t* flagsOut) {
    if (flags == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        const bool acked = ackFlag != 0 && flagsOut != nullptr;
        for (uint32_t bit = 0; bit < kInterruptFlags; ++bit) {
            if (!NodeHasInterruptFlag(node, bit)) continue;
            KymReply answer{};
            const int32_t value = static_cast<int32_t>((*flags >> bit) & 1);
            const int result = SetValue(handle, node, first_gen::kInterruptConfig, static_cast<int>(bit),
                                        value, acked ? 1 : 0, &answer);
            if (!steps.Add(result)) break;
            if (acked && result == 1) {
                const uint32_t mask = 1u << bit;
                *flagsOut = (answer.field[0] & 1) != 0 ? (*flagsOut | mask) : (*flagsOut & ~mask);
            }
        }
        return steps.Result();
    });
}
NV_API int32_t GetInterruptCfg(uint32_t handle, uint32_t node, uint32_t* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        NodeLockGuard lock(node);
        Steps steps;
        for (uint32_t bit = 0; bit < kInterruptFlags; ++bit) {
            if (!NodeHasInterruptFlag(node, bit)) continue;
            KymReply answer{};
            const int result =
                DispatchGetAnswer(handle, node, first_gen::kInterruptConfig, static_cast<int>(bit), &answer);
            if (!steps.Add(result)) break;
            if (result == 1) {
                const uint32_t mask = 1u << bit;
                *out = (answer.field[0] & 1) != 0 ? (*out | mask) : (*out & ~mask);
            }
        }
        return steps.Result();
    });
}
NV_API int32_t SetInterruptEnable(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                                  KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetInterruptEnableImpl(handle, node, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetInterruptEnable(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return Guarded(-1, [&] { return GetInterruptEnableImpl(handle, node, index, reply); });
}
NV_API int32_t SetGWIE(uint32_t handle, void* data, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetInterruptEnableImpl(handle, 1, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetGWIE(uint32_t handle, int32_t index, KymReply* reply) {
    return Guarded(-1, [&] { return GetInterruptEnableImpl(handle, 1, index, reply); });
}

// ---- identity, serial number, power-on time ----

NV_API int32_t GetModelInfo(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kModel, 0, reply);
}
NV_API int32_t GetSerialNumber(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kSerialNumber, 3, reply);
}
NV_API int32_t SetSerialNumber(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kSerialNumber, 2, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPowerOnTime(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kPowerOnTime, 0, reply);
}
NV_API int32_t ResetPowerOnTime(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kPowerOnTime, 0, 0, ackFlag, ackBuffer);
}

// ---- node and gateway addresses, identification light (command 12) ----

NV_API int32_t Set_ADR(uint32_t handle, uint32_t node, int32_t* record) {
    if (record == nullptr || record[1] == record[0]) return -1;
    const int32_t address = record[1];
    const bool allowed =
        UfqMode() ? (address == 0 || (address >= 5 && address <= 80)) : (address >= 5 && address <= 127);
    if (!allowed) return -1;
    return Guarded(-1, [&] { return ChangeAddress(handle, node, record); });
}
NV_API int32_t Set_GatewayADR(uint32_t handle, uint32_t node, int32_t* record) {
    if (record == nullptr || record[1] == record[0] || record[1] < 1 || record[1] > 5) return -1;
    return Guarded(-1, [&] { return ChangeAddress(handle, node, record); });
}
NV_API int32_t SetLightFlash(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag) {
    return Guarded(-1, [&] {
        const int32_t block[3] = {static_cast<int32_t>(node), 254, value};
        KymReply scratch{};
        return SetData(handle, node, first_gen::kSerialNumber, 1, block, ackFlag, &scratch);
    });
}

// ---- controller errors (command 15) ----

NV_API int32_t SetER(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kError, index, value, ackFlag, ackBuffer);
}
NV_API int32_t GetER(uint32_t handle, uint32_t node, int32_t index, KymReply* reply) {
    return GetReplyExport(handle, node, first_gen::kError, index, reply);
}
NV_API int32_t ClearControlerError(uint32_t handle, uint32_t node, int32_t index, int32_t ackFlag,
                                   KymReply* ackBuffer) {
    return SetValueExport(handle, node, first_gen::kError, index, 0, ackFlag, ackBuffer);
}
NV_API int32_t GetControlerError(uint32_t handle, uint32_t node, int32_t which, KymReply* reply) {
    if (which < 0 || which > 7) return -1;
    return GetReplyExport(handle, node, first_gen::kError, which + 10, reply);
}

}  // extern "C"
