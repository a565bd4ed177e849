#pragma once
// The zone port: the generic port over the TCP connection of one zone device, in the zone
// device's wire format (0x49 messages with a zone byte, 0x09 keep-alive, 0x19 zone list).
// What is its own: the probe, the zone list, the first-generation request rules of the zone
// device, its filing rules and the keep-alive the receive loop sends.
//
// Threads: as CNvLinkPort. The zone of a request is the handle's top byte (bits 24-31).
#include <cstddef>
#include <cstdint>

#include "sdk/ethernet/socket_client.h"
#include "sdk/ethernet/zone_frames.h"

namespace norvane::sdk {

class CNvZonePort : public CNvSocketClient {
public:
    static constexpr uint32_t kKind = 32768;
    static constexpr int kMaxZones = 9;  ///< the device reports its zones as one digit

    explicit CNvZonePort(uint32_t address);
    ~CNvZonePort() override;

    /// Sends the probe frame and looks for its echo (200 ms, one retry). 1 identified, else 0.
    int ZoneProbe();
    /// Connects, starts the threads and lists the zones into records: at most kMaxZones and,
    /// when max > 0, at most max. The number of records filled; 0 on failure or null records.
    int ZoneOpen(uint32_t portIndex, KymNodeRecord* records, int max);
    /// First-generation set: 1 done, -1 not running / not packable / not sent / unanswered or
    /// undecodable, -code (or 0) when the node reports an error.
    int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* reply) override;
    /// First-generation get: 1 done, 0 no reply record / not running / unanswered / undecodable,
    /// -1 not packable.
    int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                         KymReply* reply) override;
    /// Node discovery with the serial-number request (withZeroData: the register-all form with
    /// two zero data bytes). Records of nodes 5-125 sorted by node id; their number.
    int ZoneRegister(uint32_t handle, KymNodeRecord* records, int max, bool withZeroData);
    int RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) override {
        return ZoneRegister(handle, records, max, false);
    }
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override {
        return ZoneRegister(handle, records, max, true);
    }
    /// The zone list exchange: copies at most capacity of the answer's bytes to out and their
    /// number to *length. 1 answered (possibly with no bytes), 0 otherwise.
    int ZoneList(uint8_t* out, size_t capacity, size_t* length);

    // The receive thread runs the zone loop whatever the protocol generation.
    int ReceiveLoop(uint32_t portIndex) override { return ReceiveLoopLegacy(portIndex); }
    int ReceiveLoopLegacy(uint32_t portIndex) override;

protected:
    bool ReceiveGoesOn() override;
    void BeforeRead(uint64_t nowMs) override;
    bool PauseWhenQuiet() override { return true; }  // also keeps a closed peer from spinning the loop
    void HandleUnit(const ReceivedUnit& unit, bool legacy) override;

private:
    void FileZoneMessage(const KymCanMsg& message, uint8_t zone);

    // Receive thread only.
    uint64_t lastKeepAlive_ = 0;
    bool keepAliveSent_ = false;
    uint64_t stopSeen_ = 0;
};

}  // namespace norvane::sdk
