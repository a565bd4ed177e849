#pragma once
// The zone port: the TCP client of one zone device. It reuses the Ethernet port's connection
// (Connect, Disconnect, SendBytes, ReceiveBytes) but has its own frames (0x49 messages with a
// zone byte, 0x09 keep-alive, 0x19 zone list), its own receive loop and request routines.
//
// Threads: host threads call the Zone* routines (serialised by the answer table's locks); the
// receive thread runs the zone receive loop, which also sends the keep-alive. ZoneProbe reads
// the socket itself and runs only while the receive thread does not (the search disconnects
// before an open). The zone of a request is the handle's top byte (bits 24-31).
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
    int ZoneSet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                KymReply* reply);
    /// First-generation get: 1 done, 0 no reply record / not running / unanswered / undecodable,
    /// -1 not packable.
    int ZoneGet(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply);
    /// Node discovery with the serial-number request (withZeroData: the register-all form with
    /// two zero data bytes). Records of nodes 5-125 sorted by node id; their number.
    int ZoneRegister(uint32_t handle, KymNodeRecord* records, int max, bool withZeroData);
    /// One raw message in a zone frame and the answers it draws (see RunRawMessage).
    int ZoneRawMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max, int* countOut);
    /// The zone list exchange: copies at most capacity of the answer's bytes to out and their
    /// number to *length. 1 answered (possibly with no bytes), 0 otherwise.
    int ZoneList(uint8_t* out, size_t capacity, size_t* length);

    // The receive thread runs the zone loop whatever the protocol generation.
    int ReceiveLoop(uint32_t portIndex) override;
    int ReceiveLoopLegacy(uint32_t portIndex) override;

private:
    int ZoneReceiveLoop(uint32_t portIndex);
    void HandleEvent(const zone::FrameEvent& event);
    void FileZoneMessage(const zone::ZoneMessage& received);
    bool SendZoneMessage(uint32_t handle, const KymCanMsg& message);
};

}  // namespace norvane::sdk
