#include "sdk/can/usb_binding.h"

#include <cstdlib>

#include "platform/library_binding.h"

namespace norvane::sdk::can {
namespace {

bool Fill(const platform::DynamicLibrary& library, UsbEntries& entries) {
    using platform::LookUp;
    const bool complete =
        LookUp(library, "usb_init", entries.init) && LookUp(library, "usb_find_busses", entries.findBusses) &&
        LookUp(library, "usb_find_devices", entries.findDevices) &&
        LookUp(library, "usb_get_busses", entries.getBusses) && LookUp(library, "usb_open", entries.open) &&
        LookUp(library, "usb_set_configuration", entries.setConfiguration) &&
        LookUp(library, "usb_claim_interface", entries.claimInterface) &&
        LookUp(library, "usb_bulk_write", entries.bulkWrite) &&
        LookUp(library, "usb_bulk_read", entries.bulkRead) &&
        LookUp(library, "usb_release_interface", entries.releaseInterface) &&
        LookUp(library, "usb_close", entries.close);
    if (complete) LookUp(library, "usb_reset", entries.reset);  // optional
    return complete;
}

}  // namespace

std::string LibusbName() {
    const char* chosen = std::getenv("NORVANE_LIBUSB");
    return chosen != nullptr && *chosen != '\0' ? std::string(chosen) : std::string(kLibusbName);
}

std::shared_ptr<const UsbEntries> BindLibusb(const std::string& name) {
    return platform::BindOnce<UsbEntries>(name, reinterpret_cast<void*>(&BindLibusb), Fill);
}

}  // namespace norvane::sdk::can
