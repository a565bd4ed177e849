#include "sdk/can/halbox_binding.h"

#include "platform/library_binding.h"

namespace norvane::sdk::can {
namespace {

bool Fill(const platform::DynamicLibrary& library, HalboxEntries& entries) {
    using platform::LookUp;
    return LookUp(library, "Marlix_OpenDevice", entries.openDevice) &&
           LookUp(library, "Marlix_CloseDevice", entries.closeDevice) &&
           LookUp(library, "Marlix_ResetCan", entries.resetCan) &&
           LookUp(library, "Marlix_InitCan", entries.initCan) &&
           LookUp(library, "Marlix_Transmit", entries.transmit) &&
           LookUp(library, "Marlix_Receive", entries.receive) &&
           LookUp(library, "Marlix_GetReceiveNum", entries.getReceiveNum) &&
           LookUp(library, "Marlix_ClearBuffer", entries.clearBuffer);
}

}  // namespace

std::shared_ptr<const HalboxEntries> BindHalbox(const std::string& name) {
    return platform::BindOnce<HalboxEntries>(name, reinterpret_cast<void*>(&BindHalbox), Fill);
}

}  // namespace norvane::sdk::can
