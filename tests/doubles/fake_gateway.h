#pragma once
// Neutral stand-ins for the gateway and port interfaces: every operation the interface requires
// is overridden explicitly, counts its call and gives 0 (nothing found, nothing sent, no port),
// whatever default bodies the interfaces themselves carry. Test doubles derive from these and
// override only what their tests look at. Counters are atomic: SDK threads may call in.
#include <atomic>
#include <cstdint>

#include "sdk/core/gateway.h"
#include "sdk/core/port.h"

namespace norvane::testing {

enum class GatewayOp {
    SearchPorts,
    OpenPort,
    ClosePort,
    RegisterNodes,
    RegisterAllNodes,
    PopNodeMessage,
    GetCommand,
    SetCommand,
    SendRaw,
    SendCanMessage,
    ReadNodeStream,
    Count
};

class FakeGateway : public sdk::CSDKGWCAN {
public:
    /// Calls of an operation that reached this class (a derived override that does not call the
    /// base is not counted).
    int CallsOf(GatewayOp op) const { return calls_[static_cast<int>(op)].load(); }

    int SearchPorts(void*, int) override { return Neutral(GatewayOp::SearchPorts); }
    int OpenPort(uint32_t, KymNodeRecord*, int, uint32_t*) override { return Neutral(GatewayOp::OpenPort); }
    int ClosePort(uint32_t) override { return Neutral(GatewayOp::ClosePort); }
    int RegisterNodes(uint32_t, KymNodeRecord*, int) override { return Neutral(GatewayOp::RegisterNodes); }
    int RegisterAllNodes(uint32_t, KymNodeRecord*, int) override {
        return Neutral(GatewayOp::RegisterAllNodes);
    }
    int PopNodeMessage(uint32_t, uint32_t, KymCanMsg*) override { return Neutral(GatewayOp::PopNodeMessage); }
    int GetCommand(uint32_t, uint32_t, uint8_t, int, KymReply*) override {
        return Neutral(GatewayOp::GetCommand);
    }
    int SetCommand(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override {
        return Neutral(GatewayOp::SetCommand);
    }
    int SendRaw(uint32_t, const uint8_t*, int) override { return Neutral(GatewayOp::SendRaw); }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override {
        return Neutral(GatewayOp::SendCanMessage);
    }
    int ReadNodeStream(uint32_t, uint32_t, uint8_t*, int) override {
        return Neutral(GatewayOp::ReadNodeStream);
    }

private:
    int Neutral(GatewayOp op) {
        ++calls_[static_cast<int>(op)];
        return 0;
    }
    std::atomic<int> calls_[static_cast<int>(GatewayOp::Count)] = {};
};

enum class PortOp {
    ProbeLegacy,
    Probe,
    SetCommandLegacy,
    SetCommand,
    GetCommandLegacy,
    GetCommand,
    ReceiveLoop,
    ReceiveLoopLegacy,
    RegisterNodesLegacy,
    RegisterNodes,
    OpenLegacy,
    Open,
    SendCanMessage,
    Count
};

/// A port with no wire: its receive loops return at once, so a started receive thread ends.
class FakePort : public sdk::CNvCallBackFunc {
public:
    int CallsOf(PortOp op) const { return calls_[static_cast<int>(op)].load(); }

    int ProbeLegacy() override { return Neutral(PortOp::ProbeLegacy); }
    int Probe() override { return Neutral(PortOp::Probe); }
    int SetCommandLegacy(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override {
        return Neutral(PortOp::SetCommandLegacy);
    }
    int SetCommand(uint32_t, uint32_t, uint8_t, int, const void*, KymReply*) override {
        return Neutral(PortOp::SetCommand);
    }
    int GetCommandLegacy(uint32_t, uint32_t, uint8_t, int, KymReply*) override {
        return Neutral(PortOp::GetCommandLegacy);
    }
    int GetCommand(uint32_t, uint32_t, uint8_t, int, KymReply*) override {
        return Neutral(PortOp::GetCommand);
    }
    int ReceiveLoop(uint32_t) override { return Neutral(PortOp::ReceiveLoop); }
    int ReceiveLoopLegacy(uint32_t) override { return Neutral(PortOp::ReceiveLoopLegacy); }
    int RegisterNodesLegacy(uint32_t, KymNodeRecord*, int) override {
        return Neutral(PortOp::RegisterNodesLegacy);
    }
    int RegisterNodes(uint32_t, KymNodeRecord*, int) override { return Neutral(PortOp::RegisterNodes); }
    int OpenLegacy(uint32_t, KymNodeRecord*, int, uint32_t*) override { return Neutral(PortOp::OpenLegacy); }
    int Open(uint32_t, KymNodeRecord*, int, uint32_t*) override { return Neutral(PortOp::Open); }
    int SendCanMessage(uint32_t, const KymCanMsg*, KymCanMsg*, int, int*) override {
        return Neutral(PortOp::SendCanMessage);
    }

private:
    int Neutral(PortOp op) {
        ++calls_[static_cast<int>(op)];
        return 0;
    }
    std::atomic<int> calls_[static_cast<int>(PortOp::Count)] = {};
};

}  // namespace norvane::testing
