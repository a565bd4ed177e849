#pragma once
// The USB gateway (CUSBC7200CAN): every USB-CAN adapter that libusb-0.1 shows, one port per
// adapter at the position of its device index (the device's release number, 0-15 served).
// The adapters and the library binding are process-wide (UsbAdapters); the search opens each
// adapter only to detect its bus's bit rate and closes it again, OpenPort opens it for good.
//
// Any host thread may call; operations work on their own reference to the port.
#include <memory>
#include <string>

#include "sdk/can/usb_adapters.h"
#include "sdk/can/usb_port.h"
#include "sdk/core/gateway.h"

namespace norvane::sdk::can {

/// Most adapters one listing takes.
constexpr int kUsbListRoom = 128;

class CUSBC7200CAN : public CSDKGWCAN {
public:
    /// kind: the gateway kind that caused the object (4, or 4096 for the first generation);
    /// adapters: the process-wide adapters of the library to use (tests name a missing one).
    explicit CUSBC7200CAN(uint32_t kind, std::shared_ptr<UsbAdapters> adapters = SharedAdapters());
    ~CUSBC7200CAN() override;

    /// Lists the adapters, keeps a port per adapter and detects each bus's bit rate; fills
    /// 88-byte search records for those whose rate was found (first generation: all). The
    /// number of adapters listed.
    int SearchPorts(void* records, int maxRecords) override;
    int OpenPort(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) override;
    /// Stops the adapter (command 0x02) and closes it: 1; 0 without a port.
    int ClosePort(uint32_t handle) override;
    /// 1 when a port exists at the handle; nothing is taken.
    int PopNodeMessage(uint32_t handle, uint32_t node, KymCanMsg* out) override;
    /// Raw bytes have no form on the adapter: -1.
    int SendRaw(uint32_t, const uint8_t*, int) override { return -1; }

    /// Name "USBC7200 DevID%03d", transport value = the port's bit-rate code.
    int DescribePort(uint32_t handle, KymDevInfo* info) override;
    /// idBase | device index of every existing port, whatever its position.
    int ListPortIds(uint32_t idBase, uint32_t* ids, int room) override;
    /// The port's bit-rate code, read without probing; 0 without a port.
    int ChannelBitRate(uint32_t handle, int32_t* bitRate) override;

    /// Detects the bit rate of the adapter at handle (without probing while an adapter is open):
    /// the code, -1 when none was found, 0 without a port.
    int DetectBitRate(uint32_t handle);
    /// Sets the adapter's bit-rate code: the adapter's result, 0 without a port.
    int SetBitRate(uint32_t handle, uint8_t code);
    /// Stops the port's receiving and gives its adapter the new device index: the adapter's
    /// result, 0 without a port.
    int SetDeviceIndex(uint32_t handle, uint32_t newIndex);

    std::shared_ptr<CUSBC7200> UsbPort(uint32_t handle) const;
    UsbAdapters& Adapters() const { return *adapters_; }
    /// Waits of the bit-rate detection for ports the next search creates.
    DetectTiming detectTiming;

private:
    void CloseAll();

    const std::shared_ptr<UsbAdapters> adapters_;
};

}  // namespace norvane::sdk::can
