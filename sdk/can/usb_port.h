#pragma once
// The port of one USB-CAN adapter (CUSBC7200): the generic port over a UsbLink in the USB
// adapter's raw-CAN wire format. What is its own: opening the adapter at its bit-rate code,
// detecting the bus's bit rate, telling the nodes which protocol generation to speak, and the
// receive-side rewrites of the adapter (input-edge notices, register-all answers).
//
// Threads: as CNvLinkPort. DetectBitRate and Open run on host threads before or while the
// receive thread runs; the adapter lock serialises their exchanges with it.
#include <atomic>
#include <cstdint>
#include <memory>

#include "sdk/can/usb_adapters.h"
#include "sdk/can/usb_link.h"
#include "sdk/core/link_port.h"

namespace norvane::sdk::can {

/// Waits of the bit-rate detection: after opening, after configuring, after the test frame, and
/// between polls; polls per candidate code = 2^(code + 1) + 2.
struct DetectTiming {
    uint32_t afterOpenMs = 5;
    uint32_t settleMs = 50;
    uint32_t afterSendMs = 10;
    uint32_t pollMs = 20;
};

/// The candidate bit-rate codes in the order they are tried.
inline constexpr uint8_t kCandidateCodes[] = {2, 1, 0, 3, 4};

/// A received input-edge notice (control word 0x70) as the notice record shows it: data byte 0 =
/// (d2 - 0xE0) / 2 + 1 for d2 from 0xE0 to 0xED, else 0; bytes 1-3 = 0.
void RewriteInputEdge(KymCanMsg& message);
/// A register-all answer (identifier bits 0-3 = 12): node id from data byte 0, value from data
/// bytes 2-5, length 4.
void RewriteRegisterAllAnswer(KymCanMsg& message);

class CUSBC7200 : public CNvLinkPort {
public:
    CUSBC7200(std::shared_ptr<UsbAdapters> adapters, uint32_t deviceIndex, bool legacy);
    ~CUSBC7200() override;

    /// Bit-rate detection takes the place of the probes: both do nothing and give 1.
    int Probe() override { return 1; }
    int ProbeLegacy() override { return 1; }
    /// Opens the adapter at bitRateCode, starts the threads, discovers and names the nodes:
    /// their number (0 without records or when anything failed).
    int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    /// 1 done; -1 for every failure (not running, not framable, unanswered, undecodable).
    int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, KymReply* reply) override;
    /// First-generation raw message, sent with I3 = 1.
    int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                       int* countOut) override;
    int RegisterAllNodes(uint32_t handle, KymNodeRecord* records, int max) override;
    /// The second-generation receive loop, which traces "<---SDK_EVENT_SIGNAL" as it starts.
    int ReceiveLoop(uint32_t portIndex) override;

    /// The bus's bit-rate code found by trying the candidate codes (the fixed rate when one is
    /// set; bitRateCode without probing while any adapter is open); -1 when nothing answered.
    /// The adapter is closed again.
    int DetectBitRate(uint32_t index, uint32_t flag);
    /// Sends the frame that tells the nodes which generation to speak (opening the adapter for
    /// it, and closing it again, when none is open): 1 when the adapter took it, else 0.
    int AnnounceProtocol(uint32_t index, uint32_t flag);
    /// Stops the threads and releases the adapter opening this port made (the adapter closes
    /// when no other opening holds it); 1.
    int CloseAdapter();
    /// Sends the stop command (0x02) through this port's opening: 1, or the failure (kNotReady
    /// when the port holds no opening).
    int StopAdapter();

    uint32_t DeviceIndex() const { return usbLink_.Index(); }
    UsbAdapters& Adapters() const { return usbLink_.Adapters(); }

    uint32_t fixedRateFlag = 0;
    uint32_t fixedRate = 0;
    DetectTiming detectTiming;

protected:
    void HandleUnit(const ReceivedUnit& unit, bool legacy) override;

private:
    bool OpenAdapter();

    UsbLink& usbLink_;
    std::atomic<bool> registerAll_{false};
};

}  // namespace norvane::sdk::can
