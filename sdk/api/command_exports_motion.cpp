// Motion and drive commands of second-generation controllers: enable, speed, position, steps,
// encoder, current, acceleration profile, store, and the profiles built from several commands.
#include "sdk/api/command_args.h"
#include "sdk/core/switches.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

extern "C" {

NV_API int32_t KymENA(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, kEna, 0, ackFlag, ackBuffer); });
}
NV_API int32_t KymOFF(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, kOff, 0, ackFlag, ackBuffer); });
}
NV_API int32_t KymACK(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kAck, 0, reply);
}
NV_API int32_t KymFBK(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kFbk, 0, reply);
}
NV_API int32_t KymSFBK(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kSfbk, 0, reply);
}

NV_API int32_t SetSPD(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kSpd, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSPD(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kSpd, 0, reply);
}
NV_API int32_t SetPOS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kPos, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPOS(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kPos, 0, reply);
}
NV_API int32_t SetSTP(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kStp, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetSTP(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kStp, 0, reply);
}
NV_API int32_t SetQEC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kQec, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetQEC(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kQec, 0, reply);
}
NV_API int32_t SetORG(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kOrg, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t SetMCS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kMcs, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t SetCUR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kCur, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t SetACR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kAcr, AcrIndex(value), value, ackFlag, ackBuffer);
}
NV_API int32_t GetACR(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kAcr, 0, reply);
}

NV_API int32_t SetmACC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kMAcc, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetmACC(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMAcc, 0, reply);
}
NV_API int32_t SetmDEC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kMDec, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetmDEC(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMDec, 0, reply);
}
NV_API int32_t SetmMSS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kMMss, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetmMSS(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMMss, 0, reply);
}
// The answer field 0 is cleared first so that a missing answer does not leave an old value there.
NV_API int32_t SetmMDS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] {
        if (ackBuffer != nullptr) ackBuffer->field[0] = 0;
        return SetValue(handle, node, kMMds, 0, value, ackFlag, ackBuffer);
    });
}

NV_API int32_t SetQER(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    if (value < 1 || value > 16000) return -1;
    return SetValueExport(handle, node, kQer, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetQER(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kQer, 0, reply);
}
NV_API int32_t SetSQT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    if (value < 200) return -1;
    return SetValueExport(handle, node, kSqt, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t SetBLC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kBlc, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetBLC(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kBlc, 0, reply);
}

// Advanced enable: index 1, the value goes out as 16 bits; the query form sends 0xFFFF.
NV_API int32_t KymAdvENA(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                         KymReply* ackBuffer) {
    return SetValueExport(handle, node, kEna, 1, value, ackFlag, ackBuffer);
}
NV_API int32_t KymGetAdvENA(uint32_t handle, uint32_t node, KymReply* reply) {
    return SetValueExport(handle, node, kEna, 1, 0xFFFF, 1, reply);
}

NV_API int32_t SetSTO(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kStore, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t KymAdvSTORE(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                           KymReply* ackBuffer) {
    return SetSTO(handle, node, data, ackFlag, ackBuffer);
}
NV_API int32_t KymSTORE(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, kStore, 0, ackFlag, ackBuffer); });
}

NV_API int32_t SetRPT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kRpt, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetRPT(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kRpt, 0, reply);
}
NV_API int32_t SetRPC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kRpc, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetRPC(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kRpc, 0, reply);
}

// Bit-rate change of the bus is addressed to node 1 and never answered.
NV_API int32_t SetBDR(uint32_t handle, int32_t value) {
    return SetValueExport(handle, 1, kBdr, 0, value, 0, nullptr);
}

// Address change: the new address (bit 7 stripped) must be a usable node id; in UFQ mode the
// address range of the UFQ controllers (5-80). Sent with bit 7 set, never with an answer: the
// node answers under its new address.
NV_API int32_t SetADR(uint32_t handle, uint32_t node, uint32_t newNode) {
    const uint32_t address = newNode & 0x7F;
    const uint32_t highest = GlobalSwitches().ufqMode != 0 ? 80 : 125;
    if (address < 5 || address > highest) return -1;
    return Guarded(-1, [&] {
        return SetValue(handle, node, kAdr, 0, static_cast<int32_t>(address | 0x80), 0, nullptr);
    });
}

// Position (or encoder position when relative) then speed, each with an answer.
NV_API int32_t SetBasicMov(uint32_t handle, uint32_t node, const int32_t* record, int32_t relative) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] {
        if (record[1] != kSkip && SetValueAcked(handle, node, relative != 0 ? 12 : 11, 0, record[1]) == -1) {
            return -1;
        }
        if (record[0] != kSkip && SetValueAcked(handle, node, kSpd, 0, record[0]) == -1) return -1;
        return 1;
    });
}

NV_API int32_t GetBasicMov(uint32_t handle, uint32_t node, int32_t* out, int32_t relative) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        if (GetValue(handle, node, kSpd, 0, &out[0]) == -1) return -1;
        if (GetValue(handle, node, relative != 0 ? 12 : 11, 0, &out[1]) == -1) return -1;
        return 1;
    });
}

// record = {acc, dec, mss, mds}; the stop speed goes before the start speed.
NV_API int32_t SetAdvMov(uint32_t handle, uint32_t node, const int32_t* record) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] {
        const struct {
            uint8_t command;
            int word;
        } steps[] = {{42, 0}, {43, 1}, {45, 3}, {44, 2}};
        for (const auto& step : steps) {
            if (record[step.word] == kSkip) continue;
            if (SetValue(handle, node, step.command, 0, record[step.word], 0, nullptr) == -1) return -1;
        }
        return 1;
    });
}

NV_API int32_t GetAdvMov(uint32_t handle, uint32_t node, int32_t* out) {
    if (out == nullptr) return -1;
    return Guarded(-1, [&] {
        const struct {
            uint8_t command;
            int word;
        } steps[] = {{42, 0}, {43, 1}, {45, 3}, {44, 2}};
        for (const auto& step : steps) {
            if (GetValue(handle, node, step.command, 0, &out[step.word]) == -1) return -1;
        }
        return 1;
    });
}

// record = {speed, steps, acc, dec, mss, mds}, then the store command makes it the sensor profile.
NV_API int32_t SetSensorMov(uint32_t handle, uint32_t node, int32_t storeValue, const int32_t* record) {
    if (record == nullptr) return -1;
    return Guarded(-1, [&] {
        const struct {
            uint8_t command;
            int word;
        } steps[] = {{7, 0}, {10, 1}, {42, 2}, {43, 3}, {45, 5}, {44, 4}};
        for (const auto& step : steps) {
            if (record[step.word] == kSkip) continue;
            if (SetValue(handle, node, step.command, 0, record[step.word], 0, nullptr) == -1) return -1;
        }
        if (SetValue(handle, node, kStore, 0, storeValue, 0, nullptr) == -1) return -1;
        return 1;
    });
}

NV_API int32_t SetDevPara(uint32_t handle, uint32_t node, int32_t mcs, int32_t acr, int32_t cur) {
    return Guarded(-1, [&] {
        if (SetValue(handle, node, kMcs, 0, mcs, 0, nullptr) == -1) return -1;
        if (SetValue(handle, node, kCur, 0, cur, 0, nullptr) == -1) return -1;
        if (SetValue(handle, node, kAcr, AcrIndex(acr), acr, 0, nullptr) == -1) return -1;
        return 1;
    });
}

}  // extern "C"
