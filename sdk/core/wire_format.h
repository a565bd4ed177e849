#pragma once
// A wire format turns requests into the units a link carries and received units back into
// messages. One per gateway protocol (Ethernet frames in CAN or serial transmission framing,
// zone frames, serial text with reply frames, raw CAN frame records). Pure code apart from the
// framing choice it is constructed with: no locks, no I/O.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/traffic_line.h"

namespace norvane::sdk {

/// One thing taken from the received units.
struct ReceivedUnit {
    enum class Kind {
        None,        ///< nothing complete yet: read more
        Message,     ///< a CAN message (answer, notice or discovery answer)
        ReplyBytes,  ///< bytes of serial reply frames (bytes/length)
        ZoneList,    ///< a zone device's list answer (bytes/length)
        Malformed,   ///< a complete unit that could not be decoded (counted)
        Dropped,     ///< a unit the port does not serve (counted)
        Other,       ///< acknowledgements, keep-alive echoes and the like: consumed
    };
    Kind kind = Kind::None;
    KymCanMsg message{};
    uint8_t zone = 0;
    size_t length = 0;
    uint8_t bytes[2048] = {};
};

class WireFormat {
public:
    virtual ~WireFormat() = default;

    /// Largest unit any Encode call writes.
    static constexpr size_t kMaxUnitBytes = 160;

    /// A second-generation request (get: no data). Returns the unit's length, 0 when the request
    /// cannot be framed.
    virtual size_t EncodeSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                                   uint8_t* out) const = 0;
    /// A first-generation request; handle carries what the format needs of it (a zone number).
    virtual size_t EncodeFirstGen(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                  const void* data, uint8_t* out) const = 0;
    /// The second-generation discovery request (default: a get of command 64 to node 127).
    virtual size_t EncodeDiscovery(uint8_t* out) const {
        return EncodeSecondGen(127, 0xC0, 0, nullptr, true, out);
    }
    /// One message as it stands (raw messages, probes, discovery requests).
    virtual size_t EncodeMessage(uint32_t handle, const KymCanMsg& message, uint8_t* out) const = 0;
    /// What a second-generation request with command number 0 marks its node to expect (0: 0).
    virtual uint8_t ExpectedForCommandZero() const { return 0; }
    /// Node whose area gathers second-generation discovery answers.
    virtual uint32_t DiscoveryArea() const { return 0; }

    /// Takes the next complete unit from the front of buffer[0..count) (count shrinks by what
    /// was consumed). Kind::None when more bytes are needed.
    virtual void Take(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const = 0;
    /// As Take, for the answers of probe exchanges with the gateway node (which may come in
    /// another form than the receive loop's units).
    virtual void TakeProbeAnswer(uint8_t* buffer, size_t& count, size_t capacity, ReceivedUnit& unit) const {
        Take(buffer, count, capacity, unit);
    }
    /// Where a unit is itself a bus frame (raw CAN), that frame: the traffic log then shows the
    /// identifier as sent rather than the message's usual layout. false for other wires.
    virtual bool SentFrame(const uint8_t* unit, size_t length, BusFrame& frame) const {
        (void)unit, (void)length, (void)frame;
        return false;
    }
    /// Where the wire carries command texts or packets (serial gateways): each message the
    /// complete ones in a unit the host built itself stand for, in order (firstGen: the text
    /// dialect). Nothing for other wires, for incomplete texts or texts that are no known command.
    virtual void ReadHostUnit(const uint8_t* unit, size_t length, bool firstGen,
                              const std::function<void(const KymCanMsg&)>& each) const {
        (void)unit, (void)length, (void)firstGen, (void)each;
    }
    /// Size of the receive loop's buffer (at most the size of ReceivedUnit::bytes).
    virtual size_t ReceiveBufferBytes(bool legacy) const {
        (void)legacy;
        return 1024;
    }
};

}  // namespace norvane::sdk
