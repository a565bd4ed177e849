#pragma once
// The Ethernet gateway object: one per protocol generation, owning the Ethernet ports. The
// second generation keeps its port at index 1, the first generation at index 0; a search
// probes one address and replaces the port at that index.
//
// Any host thread may call; operations work on their own reference to the port (see
// CSDKGWCAN), so a search or close on another thread never frees a port under them.
#include <memory>

#include "sdk/core/gateway.h"
#include "sdk/ethernet/socket_client.h"

namespace norvane::sdk {

class CETHCAN : public CSDKGWCAN {
public:
    /// kind: the gateway kind that caused the object (16, or 8192 for the first generation).
    explicit CETHCAN(uint32_t kind);
    ~CETHCAN() override;

    /// Probes the address of the first 88-byte search record (when non-zero) or searchValue;
    /// blocks up to about 3 s for the connection and the probe. 1 found, 0 not.
    int SearchPorts(void* records, int maxRecords) override;
    int OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) override;
    int ClosePort(uint32_t handle) override;

    /// Name "KYM%d.%d.%.d.%d" of the port's address; -1 when the position holds no port.
    int DescribePort(uint32_t handle, KymDevInfo* info) override;
    /// One id for the port of the last search: 0x1001 (second generation) or 0x1000.
    int ListPortIds(uint32_t idBase, uint32_t* ids, int room) override;

    /// The Ethernet port at the handle's position, or null.
    std::shared_ptr<CNvSocketClient> EthernetPort(uint32_t handle) const;
};

}  // namespace norvane::sdk
