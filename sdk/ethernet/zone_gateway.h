#pragma once
// The zone gateway (kind 32768): the process-wide holder of up to five zone ports.
//
// SearchPorts probes one address with the zone probe, OpenPort connects and lists the zones;
// the other operations forward to the zone port in the handle's low byte as every gateway's
// do. An empty port position gives 0 (SendCanMessage: -1). Any host thread may call.
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
    /// An empty port position gives -1.
    int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                       int* countOut) override;
};

/// A new zone gateway object (for GatewayAtOrCreate(GatewaySlot::Zone, ...)).
std::shared_ptr<CSDKGWCAN> MakeZoneGateway();

}  // namespace norvane::sdk
