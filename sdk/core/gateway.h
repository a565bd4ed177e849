#pragma once
// The gateway interface: one object per gateway kind, owning up to five ports.
//
// Any host thread may call any operation. Ports are held as shared pointers: an operation
// works on its own reference to the port, so a port replaced or removed by a search or a
// close on another thread is destroyed only after the last operation on it has returned.
#include <cstdint>
#include <memory>
#include <mutex>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

class CNvCallBackFunc;

class CSDKGWCAN {
public:
    static constexpr uint32_t kMaxPorts = 5;
    /// Positions a gateway may keep ports at (the PCI gateway uses ten of them).
    static constexpr uint32_t kMaxPositions = 16;

    virtual ~CSDKGWCAN() = default;

    // Operations in slot order. Unless said otherwise, a handle without a port gives 0.
    /// Probes for gateways of this kind; records (88-byte search records) may be null.
    virtual int SearchPorts(void* records, int maxRecords) = 0;
    /// Connects the port found at portIndex and starts its threads; the port's Open result.
    virtual int OpenPort(uint32_t portIndex, KymNodeRecord* records, int max, uint32_t* out) = 0;
    /// 1 when the port existed (closed now), 0 otherwise.
    virtual int ClosePort(uint32_t handle) = 0;
    // The operations below forward to the port in the handle's low byte, in the gateway's
    // protocol generation (after selecting the handle's answer table); a gateway overrides only
    // what differs for it. Without a port they give 0.
    virtual int RegisterNodes(uint32_t handle, KymNodeRecord* records, int max);
    /// First-generation register-all discovery (ports over a link only).
    virtual int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max);
    virtual int PopNodeMessage(uint32_t handle, uint32_t node, KymCanMsg* out);
    virtual int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* out);
    virtual int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                           KymReply* out);
    /// Bytes as they stand on the port's link: the number sent, 0 when nothing was sent.
    virtual int SendRaw(uint32_t handle, const uint8_t* bytes, int length);
    virtual int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                               int* countOut);
    virtual int ReadNodeStream(uint32_t handle, uint32_t node, uint8_t* buffer, int length);

    // Operations added after the eleven slots, with default bodies for gateways that lack them.
    /// Fills the 84-byte gateway description of the port at handle; the name's length, or -1
    /// (record untouched) when there is no port to describe.
    virtual int DescribePort(uint32_t handle, KymDevInfo* info) {
        (void)handle, (void)info;
        return -1;
    }
    /// Writes idBase | index for every existing port among the first portCount positions, at
    /// most room ids; returns how many.
    virtual int ListPortIds(uint32_t idBase, uint32_t* ids, int room);
    /// Bit-rate value of the channel at handle into *bitRate; 0 when the channel has no port.
    virtual int ChannelBitRate(uint32_t handle, int32_t* bitRate) {
        (void)handle, (void)bitRate;
        return 0;
    }

    int32_t portCount = 0;        ///< ports found by the last search
    uint32_t legacyProtocol = 0;  ///< 0 second generation, 1 first generation
    uint32_t searchFlag = 0;      ///< first search parameter word of this kind
    uint32_t searchValue = 0;     ///< second search parameter word (Ethernet: IPv4 address, host order)
    uint32_t searchDefault = 1;   ///< 1 until a search stored parameters

    /// The port at index (a reference the caller may keep while it works), or null.
    std::shared_ptr<CNvCallBackFunc> Port(uint32_t index) const;
    /// Replaces the port at index; returns the previous one (the caller closes it).
    std::shared_ptr<CNvCallBackFunc> ExchangePort(uint32_t index, std::shared_ptr<CNvCallBackFunc> port);
    /// Position of the port a handle addresses (default: its low byte).
    virtual uint32_t PositionOf(uint32_t handle) const { return handle & 0xFF; }
    /// Port addressed by a handle.
    std::shared_ptr<CNvCallBackFunc> PortOf(uint32_t handle) const { return Port(PositionOf(handle)); }

private:
    mutable std::mutex portsLock_;
    std::shared_ptr<CNvCallBackFunc> ports_[kMaxPositions];
};

}  // namespace norvane::sdk
