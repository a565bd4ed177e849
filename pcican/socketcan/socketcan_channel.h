#pragma once
// A Halbox channel on a SocketCAN interface (through CanLinks, so the stand-in serves it the same
// way). Frame level: the interface's driver does what the SJA1000 registers do on a card.
//
// Initialise: the bit rate from the bus timing pair; an interface already up at that rate is taken
// as it is, otherwise the rate (and listen-only or loopback) is set when the process may, and the
// channel is refused with a trace line naming the `ip link` command otherwise. The acceptance
// filter is applied exactly in software to every frame and approximately by the kernel.
// Transmit: one struct can_frame; a self-reception request goes out on a second socket, so the
// kernel's local loopback brings it back to the receive socket. Error frames drive the status,
// the error counters and bus-off; the watchdog restarts a bus-off interface where it may.
// Registers it stands in for: 0 mode, 2 status, 4 interrupt enable, 13 error warning limit,
// 14 and 15 the error counters (read); 0 (reset bit only), 4 and 13 (write). Others are refused.
//
// Threads: any operation from any thread; one state lock guards the configuration, the sockets and
// the error state and is never held across a send or receive (only across opening a socket, which
// the send time-out bounds). Sockets are shared, so one the
// receive thread drops (its stand-in went away) stays valid for a transmission already using it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "pcican/driver/can_channel.h"
#include "pcican/socketcan/acceptance_filter.h"
#include "pcican/socketcan/can_frames.h"
#include "pcican/socketcan/can_links.h"

namespace norvane::halbox::socketcan {

class SocketCanChannel : public CanChannel {
public:
    SocketCanChannel(std::shared_ptr<CanLinks> links, std::string name);
    ~SocketCanChannel() override;

    bool Initialise(const MarlixInitConfig& config) override;
    bool Reset() override;
    bool Transmit(MarlixFrame& frame) override;
    uint8_t State() override;
    bool Info(MarlixInfo& info) override;
    void AbortSend() override {}  // a frame handed to the kernel cannot be taken back
    bool ReadRegisters(uint32_t address, uint8_t* out, uint32_t count) override;
    bool WriteRegisters(uint32_t address, const uint8_t* data, uint32_t count) override;
    void Receive(FrameSink& sink) override;
    void StopReceiving() override;
    void Watch(const MarlixInitConfig& saved) override;

    const std::string& Name() const { return name_; }
    /// Messages of the wrong size that came in (counted, dropped).
    uint64_t Malformed() const { return malformed_.load(); }

    struct Socket;

private:
    std::shared_ptr<Socket> OpenSocket(int& error);
    /// With mutex_: the receive socket, opened (with the filters) if there is none; trace: say why
    /// when it cannot be.
    bool EnsureSocketLocked(bool trace);
    void Take(const can_frame& frame, FrameSink& sink);
    /// Waits up to ms for StopReceiving; true when it came.
    bool StopRequested(int ms);

    const std::shared_ptr<CanLinks> links_;
    const std::string name_;
    const int stopFd_;  ///< eventfd written by StopReceiving
    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> malformed_{0};

    std::mutex mutex_;                    ///< guards everything below
    std::shared_ptr<Socket> socket_;      ///< receives, and sends normal frames
    std::shared_ptr<Socket> selfSocket_;  ///< sends self-reception requests
    bool initialised_ = false;
    bool resetMode_ = true;
    MarlixInitConfig config_{};
    AcceptanceFilter filter_;
    uint8_t interruptEnable_ = 0;
    uint8_t warningLimit_ = 0x60;
    ErrorState errors_;
    bool busOffReported_ = false;
};

}  // namespace norvane::halbox::socketcan
