// Which backend serves a card: the simulated SJA1000 cards when HALBOX_SIM names their socket,
// SocketCAN interfaces otherwise.
#include <cstdlib>

#include "pcican/driver/can_channel.h"
#include "pcican/sja1000_channel.h"
#include "pcican/socketcan/socketcan_card.h"

namespace norvane::halbox {

std::unique_ptr<ChannelCard> OpenChannelCard(uint32_t index) {
    if (index > 7) return nullptr;
    const char* sim = std::getenv("HALBOX_SIM");
    if (sim != nullptr && *sim != '\0') {
        std::shared_ptr<CardDriver> driver = OpenCard(index);
        return driver ? std::make_unique<Sja1000Card>(std::move(driver)) : nullptr;
    }
    return socketcan::OpenSocketCanCard(index);
}

}  // namespace norvane::halbox
