#pragma once
// libusb-0.1, bound at run time by name: "libusb-0.1.so.4" as Debian ships it, or the file the
// environment variable NORVANE_LIBUSB names (the simulated adapter, libusb-sim.so). The
// structures are those of the real <usb.h>. Bound once per name and never unloaded.
#include <usb.h>

#include <memory>
#include <string>

namespace norvane::sdk::can {

struct UsbEntries {
    void (*init)() = nullptr;
    int (*findBusses)() = nullptr;
    int (*findDevices)() = nullptr;
    struct usb_bus* (*getBusses)() = nullptr;
    usb_dev_handle* (*open)(struct usb_device*) = nullptr;
    int (*setConfiguration)(usb_dev_handle*, int) = nullptr;
    int (*claimInterface)(usb_dev_handle*, int) = nullptr;
    int (*bulkWrite)(usb_dev_handle*, int, const char*, int, int) = nullptr;
    int (*bulkRead)(usb_dev_handle*, int, char*, int, int) = nullptr;
    int (*releaseInterface)(usb_dev_handle*, int) = nullptr;
    int (*close)(usb_dev_handle*) = nullptr;
    int (*reset)(usb_dev_handle*) = nullptr;  ///< optional: may stay null
};

constexpr const char* kLibusbName = "libusb-0.1.so.4";

/// The library to bind: $NORVANE_LIBUSB when set and not empty, else libusb-0.1.so.4.
std::string LibusbName();
/// The entry points of the library called name (a name without '/' is looked for beside the SDK
/// first, then through the loader's search), or null when it cannot be loaded or lacks any entry
/// point but usb_reset. Thread-safe.
std::shared_ptr<const UsbEntries> BindLibusb(const std::string& name);

}  // namespace norvane::sdk::can
