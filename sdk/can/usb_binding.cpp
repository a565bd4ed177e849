#include "sdk/can/usb_binding.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/dynlib.h"

namespace norvane::sdk::can {
namespace {

template <typename T>
bool Look(const platform::DynamicLibrary& library, const char* name, T& entry) {
    entry = reinterpret_cast<T>(library.Symbol(name));
    return entry != nullptr;
}

std::shared_ptr<const UsbEntries> Load(const std::string& name) {
    platform::DynamicLibrary library;
    if (!platform::LoadBesideOrByName(library, name, reinterpret_cast<void*>(&BindLibusb))) return nullptr;
    auto entries = std::make_shared<UsbEntries>();
    const bool complete =
        Look(library, "usb_init", entries->init) && Look(library, "usb_find_busses", entries->findBusses) &&
        Look(library, "usb_find_devices", entries->findDevices) &&
        Look(library, "usb_get_busses", entries->getBusses) && Look(library, "usb_open", entries->open) &&
        Look(library, "usb_set_configuration", entries->setConfiguration) &&
        Look(library, "usb_claim_interface", entries->claimInterface) &&
        Look(library, "usb_bulk_write", entries->bulkWrite) &&
        Look(library, "usb_bulk_read", entries->bulkRead) &&
        Look(library, "usb_release_interface", entries->releaseInterface) &&
        Look(library, "usb_close", entries->close);
    if (!complete) return nullptr;
    Look(library, "usb_reset", entries->reset);
    // Never unloaded: adapters keep calling it until the process ends.
    static std::mutex keptLock;
    static auto* kept = new std::map<std::string, platform::DynamicLibrary>();
    std::lock_guard lock(keptLock);
    kept->emplace(name, std::move(library));
    return entries;
}

}  // namespace

std::string LibusbName() {
    const char* chosen = std::getenv("NORVANE_LIBUSB");
    return chosen != nullptr && *chosen != '\0' ? std::string(chosen) : std::string(kLibusbName);
}

std::shared_ptr<const UsbEntries> BindLibusb(const std::string& name) {
    static std::mutex lock;
    static auto* bound = new std::map<std::string, std::shared_ptr<const UsbEntries>>();
    std::lock_guard guard(lock);
    auto& entry = (*bound)[name];
    if (!entry) entry = Load(name);
    return entry;
}

}  // namespace norvane::sdk::can
