#pragma once
// Emulated USB-CAN adapters, each with its own virtual bus, served to the simulated libusb
// (libusb-sim.so, which finds the server through NORVANE_USB_SIM) over one Unix-domain socket.
// The server holds the devices: their presence, claims, device indices (kept across
// re-enumeration) and the adapter protocol (UsbAdapterModel); the library holds only handles.
//
// Threads: an accept thread and one thread per connected process; each adapter's bus thread
// queues frames in the adapter. Every public function may be called from any thread once Start
// returned (AddAdapter before).
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/local_socket_server.h"
#include "sim/usb_adapter_model.h"
#include "sim/virtual_bus.h"

namespace norvane::sim {

/// Where norvane-sim serves the adapters unless told otherwise.
std::string DefaultUsbSocketPath();

class UsbAdapterServer {
public:
    explicit UsbAdapterServer(std::string socketPath);
    ~UsbAdapterServer();
    UsbAdapterServer(const UsbAdapterServer&) = delete;
    UsbAdapterServer& operator=(const UsbAdapterServer&) = delete;

    /// Before Start: an adapter with the given device index (its release number) on a bus whose
    /// bit-rate code is busCode. Returns the bus, for nodes. Adapters are numbered in the order
    /// they are added (their slot).
    VirtualBus& AddAdapter(uint8_t deviceIndex, uint8_t busCode, const BusOptions& bus);
    /// Listens at the socket path (a stale socket file is replaced; one in use is not) and starts
    /// the buses. false with ErrorText when it cannot.
    bool Start();
    /// Closes every connection and the listener, removes the socket file, joins the threads.
    void Stop();

    const std::string& SocketPath() const { return listener_.Path(); }
    const std::string& ErrorText() const { return error_; }
    size_t AdapterCount() const { return adapters_.size(); }
    VirtualBus& Bus(size_t slot);
    UsbAdapterModel& Model(size_t slot);
    bool Claimed(size_t slot) const;

    // Faults.
    /// The device vanishes: it leaves the bus list and every transfer fails (also one waiting).
    void Unplug(size_t slot);
    void Replug(size_t slot);
    /// Claiming the interface fails while busy (another program holds the device).
    void SetBusy(size_t slot, bool busy);
    /// A frame arrives from the adapter's bus as if a node sent it.
    void InjectFromBus(size_t slot, const CanFrame& frame);

private:
    struct Adapter;

    void Serve(int fd);

    std::string error_;
    std::vector<std::unique_ptr<Adapter>> adapters_;
    LocalSocketServer listener_;  ///< declared last: its threads stop before the adapters go
};

}  // namespace norvane::sim
