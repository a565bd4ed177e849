#pragma once
// The generic port: every transport-neutral flow of both protocol generations (set and get
// with their answer-node rules, discovery, naming the found nodes, raw messages, the probe
// exchange with the gateway node, the receive loop and the filing of what it receives) over
// one link and one wire format.
//
// A transport plugs in by giving a Link (how units move), a WireFormat (how requests become
// units and units become messages) and, where its gateway differs, timing values and the
// receive hooks below. It keeps only what is its own: how the link opens and closes, its
// probes, and its gateway's special frames.
//
// Threads: as CNvCallBackFunc. Host threads call the request slots; the receive thread runs
// ReceiveLoop/ReceiveLoopLegacy and is the link's only reader while it runs; Exchange and the
// probes read the link themselves and run only while the receive thread does not.
#include <cstdint>
#include <functional>
#include <memory>

#include "sdk/core/link.h"
#include "sdk/core/port.h"
#include "sdk/core/wire_format.h"

namespace norvane::sdk {

/// Node whose answer a first-generation set awaits: node 1 for the bus-wide update of node 0
/// (enable with value 1), the new address for an address change (command 12, index 1), else node.
uint32_t LegacyAnswerNode(uint32_t node, uint8_t controlWord, int index, const void* data);

/// Waits and time-outs in which gateways differ.
struct PortTiming {
    uint32_t discoveryWaitMs = 1000;        ///< second-generation node discovery
    uint32_t legacyDiscoveryWaitMs = 1500;  ///< first-generation serial-number discovery
    uint32_t systemCheckTimeoutMs = 10500;  ///< first-generation operation 0/31 (system check)
    uint32_t receivePollMs = 10;            ///< longest single read of the receive loop
    uint32_t answerTimeoutMs = 500;         ///< answer wait of a first-generation set
    uint32_t setTimeoutMs = 500;            ///< answer wait of a second-generation set
    uint32_t getTimeoutMs = 500;            ///< answer wait of a get (both generations)
    uint32_t longAnswerTimeoutMs = 1500;    ///< second-generation operation commands (81)
};

class CNvLinkPort : public CNvCallBackFunc {
public:
    CNvLinkPort(std::unique_ptr<Link> link, std::unique_ptr<WireFormat> format);

    // ---- request slots ----
    int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                   KymReply* reply) override;
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) override;
    /// 1 done; 0 not framable; -1 not running, not sent, unanswered, undecodable or answered with
    /// another value than the one set; -code when the node reports an error for the command.
    int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                         KymReply* reply) override;
    /// 1 done; 0 not running, not framable, unanswered, refused or undecodable; -1 not sent.
    int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                         KymReply* reply) override;
    int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                       int* countOut) override;
    int RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    int RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) override;
    /// First-generation register-all discovery (serial-number request with two zero bytes).
    virtual int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max);
    /// A unit the host built itself (command texts, a packet, a frame record), written as it
    /// stands: counted as sent and recorded as the bus frame the wire format reads from it (one
    /// per complete known command text). The bytes sent, 0 when nothing was.
    int SendRawUnit(const uint8_t* bytes, size_t length);

    // ---- receive thread ----
    int ReceiveLoop(uint32_t portIndex) override;
    int ReceiveLoopLegacy(uint32_t portIndex) override;

    // ---- gateway node exchanges (probes; receive thread not running) ----
    /// Sends request and reads until a message with expectedCommand's number arrives, two reads
    /// bring nothing, or twice timeoutMs passed. 1 with the message in *answer, else 0.
    int Exchange(const KymCanMsg& request, uint8_t expectedCommand, uint32_t timeoutMs, KymCanMsg* answer);
    /// A first-generation request to node 1 (the gateway) and its answer: 1, else 0.
    int ExchangeWithGateway(KymCanMsg* answer, uint8_t controlWord, const void* data, uint32_t timeoutMs);
    /// 1 when the gateway confirmed the protocol of legacyProtocol (20 or 30), else 0.
    int SelectProtocol();

    PortTiming timing;
    Link& link() { return *link_; }

protected:
    /// After the link is open: start the receiver, discover and name the nodes. The number of
    /// nodes; 0 when the receiver does not run, nothing was found or the last node went unnamed.
    int OpenNodes(uint32_t handle, KymNodeRecord* records, int max);
    /// The first-generation counterpart: also reads the gateway's bit-rate setting into *out
    /// and registers with RegisterLegacy.
    int OpenNodesLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out);
    /// First-generation registration of an open: RegisterNodesLegacy, falling back to the
    /// register-all discovery (a gateway that knows which to try first overrides it).
    virtual int RegisterLegacy(uint32_t handle, KymNodeRecord* records, int max);

    // ---- receive hooks ----
    /// Whether the receive loop goes on (default: while the port runs).
    virtual bool ReceiveGoesOn() { return receiveRunning == 1; }
    /// Called before every read with the current tick (a zone device sends its keep-alive).
    virtual void BeforeRead(uint64_t nowMs) { (void)nowMs; }
    /// Sleep after a read that brought nothing (default: only once the peer has gone).
    virtual bool PauseWhenQuiet() { return link_->PeerClosed(); }
    /// Files one received unit in the given generation.
    virtual void HandleUnit(const ReceivedUnit& unit, bool legacy);
    /// Files a first-generation message: notices to the callback, answers to the table.
    virtual void FileLegacyMessage(const KymCanMsg& message);

    /// Files the reply frames of a serial answer (second generation).
    void FileReplyFrames(const uint8_t* bytes, size_t length);
    /// A first-generation serial answer: to the serial callback, then filed as a message.
    void FileLegacySerialAnswer(const uint8_t* payload, size_t length);

    const WireFormat& format() const { return *format_; }
    /// Sends a unit that carries message as it stands, recording it first.
    bool SendMessageUnit(const uint8_t* bytes, size_t length, const KymCanMsg& message);
    /// Records the request a second- or first-generation encode into unit stands for (nothing
    /// while off).
    void RecordSecondGenRequest(uint32_t node, uint8_t controlWord, int index, const void* data, bool get,
                                const uint8_t* unit, size_t length);
    void RecordFirstGenRequest(uint32_t node, uint8_t controlWord, int index, const void* data,
                               const uint8_t* unit, size_t length);
    bool SendUnit(const uint8_t* bytes, size_t length) {
        const bool sent = length > 0 && link_->Send(bytes, length) > 0;
        if (sent) counters.unitsSent.fetch_add(1);
        return sent;
    }

private:
    /// Records a unit about to be sent: the frame it is where the wire carries frames, else the
    /// message it stands for (packed by pack only then).
    void RecordSent(const uint8_t* unit, size_t length, bool firstGen,
                    const std::function<bool(KymCanMsg&)>& pack);
    int RunReceiveLoop(uint32_t portIndex, bool legacy);
    int RunLegacyDiscovery(KymNodeRecord* records, int max, bool withData);
    bool DescribeNodes(KymNodeRecord* records, int n);
    bool DescribeLegacyNodes(KymNodeRecord* records, int n);

    std::unique_ptr<Link> link_;
    std::unique_ptr<WireFormat> format_;
};

}  // namespace norvane::sdk
