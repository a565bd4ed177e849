// Which backend serves a card: the simulated cards when HALBOX_SIM names their socket. A real
// kernel driver backend would be tried here when the variable is not set.
#include <cstdlib>

#include "pcican/driver/card_driver.h"
#include "pcican/driver/sim_card_driver.h"

namespace norvane::halbox {

std::unique_ptr<CardDriver> OpenCard(uint32_t index) {
    if (index > 7) return nullptr;
    const char* path = std::getenv("HALBOX_SIM");
    if (path == nullptr || *path == '\0') return nullptr;
    return SimCardDriver::Connect(path, index);
}

}  // namespace norvane::halbox
