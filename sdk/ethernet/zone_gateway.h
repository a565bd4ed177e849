#pragma once
// The zone gateway (kind 32768): the process-wide holder of up to five zone ports.
//
// Its gateway operations route to the zone port routines: SearchPorts probes one address
// (ZoneSearch), OpenPort connects and lists the zones (ZoneOpen), Set/GetCommand,
// Register(All)Nodes and SendCanMessage address the zone port in the handle's low byte. An
// empty port position gives 0 (SendCanMessage: -1). Any host thread may call.
#include <cstdint>
#include <memory>

#include "sdk/core/gateway.h"

namespace norvane::sdk {

constexpr uint32_t kZoneKind = 32768;

class CZoneGateway : public CSDKGWCAN {
public:
    CZoneGateway();
    ~CZoneGateway() override;

    /// Probes one address (word 2 of the first search record when non-zero, else searchValue)
    /// with the zone probe; 1 with record 0 filled when a zone device answered, else 0.
    int SearchPorts(void* records, int maxRecords) override;
    /// Connects the port at portIndex, starts its threads and lists its zones into records
    /// (at most max when max > 0). The number of zones, 0 on failure or a null record array.
    int OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) override;
    int ClosePort(uint32_t handle) override;
    int RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    int PopNodeMessage(uint32_t handle, uint32_t node, KymCanMsg* out) override;
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out) override;
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* out) override;
    int SendRaw(uint32_t handle, const uint8_t* bytes, int length) override;
    int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                       int* countOut) override;
    int ReadNodeStream(uint32_t handle, uint32_t node, uint8_t* buffer, int length) override;
};

/// A new zone gateway object (for GatewayAtOrCreate(GatewaySlot::Zone, ...)).
std::shared_ptr<CSDKGWCAN> MakeZoneGateway();

}  // namespace norvane::sdk
