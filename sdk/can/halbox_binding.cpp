#include "sdk/can/halbox_binding.h"

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

std::shared_ptr<const HalboxEntries> Load(const std::string& name) {
    platform::DynamicLibrary library;
    if (!platform::LoadBesideOrByName(library, name, reinterpret_cast<void*>(&BindHalbox))) return nullptr;
    auto entries = std::make_shared<HalboxEntries>();
    const bool complete = Look(library, "Marlix_OpenDevice", entries->openDevice) &&
                          Look(library, "Marlix_CloseDevice", entries->closeDevice) &&
                          Look(library, "Marlix_ResetCan", entries->resetCan) &&
                          Look(library, "Marlix_InitCan", entries->initCan) &&
                          Look(library, "Marlix_Transmit", entries->transmit) &&
                          Look(library, "Marlix_Receive", entries->receive) &&
                          Look(library, "Marlix_GetReceiveNum", entries->getReceiveNum) &&
                          Look(library, "Marlix_ClearBuffer", entries->clearBuffer);
    if (!complete) return nullptr;
    // Never unloaded: the entries stay valid for the rest of the process.
    static std::mutex keptLock;
    static auto* kept = new std::map<std::string, platform::DynamicLibrary>();
    std::lock_guard lock(keptLock);
    kept->emplace(name, std::move(library));
    return entries;
}

}  // namespace

std::shared_ptr<const HalboxEntries> BindHalbox(const std::string& name) {
    static std::mutex lock;
    static auto* bound = new std::map<std::string, std::shared_ptr<const HalboxEntries>>();
    std::lock_guard guard(lock);
    auto& entry = (*bound)[name];
    if (!entry) entry = Load(name);
    return entry;
}

}  // namespace norvane::sdk::can
