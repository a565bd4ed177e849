// Configuration registers of second-generation controllers and I/O modules: motion and I/O
// module configuration, sensor configuration blocks, power and braking, interrupt configuration.
#include <chrono>
#include <thread>

#include "sdk/api/command_args.h"

using namespace norvane::sdk;
using namespace norvane::sdk::cmd;

extern "C" {

NV_API int32_t SetSTG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kStg, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetSTG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kStg, 0, reply);
}
NV_API int32_t SetPBR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer) {
    return SetValueExport(handle, node, kPbr, 0, value, ackFlag, ackBuffer);
}
NV_API int32_t GetPBR(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kPbr, 0, reply);
}
NV_API int32_t SetPMB(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kPmb, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetPMB(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kPmb, 0, reply);
}
NV_API int32_t SetPMD(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                      KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kPmd, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetPMD(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kPmd, 0, reply);
}

// Motion configuration: index 0 for controllers, 1 for I/O modules (16 or 32 bits answered).
NV_API int32_t SetKymMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kMcfg, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetKymMCFG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMcfg, 0, reply);
}
NV_API int32_t SetMIOMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kMcfg, 1, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetMIOMCFG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kMcfg, 1, reply);
}
NV_API int32_t SetKYDMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return SetMIOMCFG(handle, node, data, ackFlag, ackBuffer);
}
NV_API int32_t GetKYDMCFG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetMIOMCFG(handle, node, reply);
}

// Sensor configuration (command 47): the index names the part of the block, and travels in the frame.
NV_API int32_t SetS12CON(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                         KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kScfg, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetS12CON(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kScfg, 0, reply);
}
NV_API int32_t SetS34CON(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                         KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kScfg, 1, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetS34CON(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kScfg, 1, reply);
}
NV_API int32_t SetATCONL(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                         KymReply* ackBuffer) {
    return SetValueExport(handle, node, kScfg, 2, value, ackFlag, ackBuffer);
}
NV_API int32_t SetATCONH(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                         KymReply* ackBuffer) {
    return SetValueExport(handle, node, kScfg, 3, value, ackFlag, ackBuffer);
}
// The AT registers are read with a data-less set; the index picks bytes 4-5 or 6-7 of the answer.
NV_API int32_t GetATCONL(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, kScfg, 2, ackFlag, ackBuffer); });
}
NV_API int32_t GetATCONH(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetPlain(handle, node, kScfg, 3, ackFlag, ackBuffer); });
}
NV_API int32_t GetSCFG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kScfg, 4, reply);
}

// block = 11 words: S1/S2 (0-3), S3/S4 (4-8), ATCONH (9), ATCONL (10); then stored.
NV_API int32_t SetSCFG(uint32_t handle, uint32_t node, const int32_t* block) {
    if (block == nullptr) return -1;
    return Guarded(-1, [&] {
        if (SetData(handle, node, kScfg, 0, &block[0], 0, nullptr) == -1) return -1;
        if (SetData(handle, node, kScfg, 1, &block[4], 0, nullptr) == -1) return -1;
        if (SetData(handle, node, kScfg, 3, &block[9], 0, nullptr) == -1) return -1;
        if (SetData(handle, node, kScfg, 2, &block[10], 0, nullptr) == -1) return -1;
        if (SetValue(handle, node, kStore, 0, 0, 0, nullptr) == -1) return -1;
        return 1;
    });
}

NV_API int32_t SetKymICFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer) {
    return Guarded(-1, [&] { return SetData(handle, node, kIcfg, 0, data, ackFlag, ackBuffer); });
}
NV_API int32_t GetKymICFG(uint32_t handle, uint32_t node, KymReply* reply) {
    return GetReplyExport(handle, node, kIcfg, 0, reply);
}

// Interrupt configuration, then (after the controller has applied it) motion configuration.
NV_API int32_t SetCFG(uint32_t handle, uint32_t node, const void* icfg, const void* mcfg) {
    if (icfg == nullptr || mcfg == nullptr) return -1;
    return Guarded(-1, [&] {
        KymReply scratch{};
        if (SetData(handle, node, kIcfg, 0, icfg, 1, &scratch) == -1) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        if (SetData(handle, node, kMcfg, 0, mcfg, 1, &scratch) == -1) return -1;
        return 1;
    });
}

NV_API int32_t GetCFG(uint32_t handle, uint32_t node, KymReply* icfgOut, KymReply* mcfgOut) {
    if (icfgOut == nullptr || mcfgOut == nullptr) return -1;
    return Guarded(-1, [&] {
        if (DispatchGetAnswer(handle, node, kIcfg, 0, icfgOut) == -1) return -1;
        if (DispatchGetAnswer(handle, node, kMcfg, 0, mcfgOut) == -1) return -1;
        return 1;
    });
}

NV_API int32_t Kym153SetBtr(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                            KymReply* ackBuffer) {
    return SetValueExport(handle, node, kBitRate153, 0, value, ackFlag, ackBuffer);
}

}  // extern "C"
