#pragma once
// What the gateway contract suite needs from one transport: a simulated gateway with
// controllers at nodes 3, 5, 7 and 9 behind it (3 is below the discovery range), the search
// arguments that find it, and the faults the suite arms. One implementation per gateway kind.
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "norvane/NorvaneFunc.h"
#include "sim/nodes/second_gen_controller.h"
#include "sim/virtual_bus.h"

namespace norvane::contract {

class ContractTransport {
public:
    virtual ~ContractTransport() = default;
    /// Starts the simulated gateway and sets the process-wide switches the transport needs.
    virtual bool Start(std::string& error) = 0;
    virtual uint32_t SearchMask() const = 0;
    /// The ten-word search parameter array.
    virtual std::vector<uint32_t> SearchParams() const = 0;
    virtual uint32_t ExpectedHandle() const = 0;
    virtual uint32_t ExpectedKind() const = 0;
    virtual std::string ExpectedName() const = 0;
    virtual uint8_t BitRateCode() const = 0;
    virtual sim::nodes::SecondGenController* Controller(uint8_t id) = 0;
    /// While silent the gateway passes requests on but nothing comes back.
    virtual void SetSilent(bool silent) = 0;
    /// The next acknowledged request is answered with an error report carrying code.
    virtual void AnswerWithError(uint8_t code) = 0;
    /// false where the wire has no form for a node's error report (the serial reply frames).
    virtual bool CarriesErrorReports() const { return true; }
    /// Class word of the gateway's description.
    virtual uint32_t ExpectedGatewayClass() const { return 0x20000; }
    /// true where a new search leaves an open port open and working (serial lines, which
    /// the open port holds exclusively); false where it replaces the port.
    virtual bool SearchKeepsOpenPort() const { return false; }
    /// Ports a search finds (the one under test is the first).
    virtual int ExpectedPorts() const { return 1; }
    /// How long an unanswered set or get waits.
    virtual uint32_t AnswerTimeoutMs() const { return 500; }
    /// What a get gives when it goes unanswered or the gateway is closed (the USB adapter: -1).
    virtual int FailedGetResult() const { return 0; }
    /// What a get gives on a closed gateway (a PCI channel without its receive thread: -1).
    virtual int ClosedGetResult() const { return FailedGetResult(); }
    /// The bus the controllers are on (its traffic record is the simulator's bus log).
    virtual sim::VirtualBus* Bus() { return nullptr; }
};

struct TransportCase {
    std::string name;
    /// Builds the transport; testOctet (1-254) tells tests apart, so that tests running in
    /// parallel processes never share an address.
    std::function<std::unique_ptr<ContractTransport>(uint8_t testOctet)> make;
};
inline void PrintTo(const TransportCase& c, std::ostream* out) {
    *out << c.name;
}

/// Ethernet gateway on 127.0.<subnet>.<testOctet> and the process-wide server port, in CAN
/// framing or in serial transmission framing.
std::unique_ptr<ContractTransport> MakeEthernetTransport(uint8_t subnet, uint8_t testOctet,
                                                         bool serialFraming);

/// RS-232 gateway emulator on a pseudo-terminal, mapped to COM<comNumber> through
/// NORVANE_SERIAL_PORTS and searched at its known rate.
std::unique_ptr<ContractTransport> MakeRs232Transport(int comNumber);
/// Channel 0 of simulated PCI card 0 at 1 Mbit/s (channel 1 answers too, so the search does not
/// spend its bit-rate tries on an empty bus); testOctet tells the card sockets apart.
std::unique_ptr<ContractTransport> MakePciTransport(uint8_t testOctet);
/// Card 0 over SocketCAN: norvane-sim's stand-in interfaces can0 (channel 0) and can1, both at
/// 1 Mbit/s, reached through HALBOX_SOCKETCAN_SIM; testOctet tells the interface folders apart.
std::unique_ptr<ContractTransport> MakeSocketCanTransport(uint8_t testOctet);
/// Simulated USB adapter 0 reached through libusb-sim.so (NORVANE_LIBUSB), its bus at
/// bit-rate code 2; testOctet tells the adapter sockets apart.
std::unique_ptr<ContractTransport> MakeUsbTransport(uint8_t testOctet);
/// UART gateway emulator on a pseudo-terminal as COM<comNumber>, at 115200 baud.
std::unique_ptr<ContractTransport> MakeUartTransport(int comNumber);

/// A first-generation gateway with first-generation controllers at nodes 3, 5, 7 and 9, for the
/// first-generation exports.
class FirstGenRig {
public:
    virtual ~FirstGenRig() = default;
    virtual bool Start(std::string& error) = 0;
    /// The kind's search (after its quick-scan parameters, where it has them).
    virtual int Search(KymSearchRecord* records) = 0;
    /// While silent the requests reach the bus but nothing comes back.
    virtual void SetSilent(bool silent) = 0;
    /// The next acknowledged request is answered with an error report carrying code.
    virtual void AnswerWithError(uint8_t code) = 0;
    virtual sim::VirtualBus& Bus() = 0;
};

/// The RS-232 or UART gateway emulator in the first generation on a pseudo-terminal as COM<com>.
std::unique_ptr<FirstGenRig> MakeSerialFirstGenRig(bool uart, int com);
/// Simulated USB adapter 0 reached through libusb-sim.so, its bus at bit-rate code 2, the
/// controllers behind fault filters; testOctet tells the adapter sockets apart.
std::unique_ptr<FirstGenRig> MakeUsbFirstGenRig(uint8_t testOctet);

}  // namespace norvane::contract
