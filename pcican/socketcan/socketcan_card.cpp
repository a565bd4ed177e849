#include "pcican/socketcan/socketcan_card.h"

#include <cstdlib>

#include "pcican/socketcan/card_map.h"
#include "pcican/socketcan/socketcan_channel.h"
#include "platform/trace.h"

namespace norvane::halbox::socketcan {
namespace {

class SocketCanCard : public ChannelCard {
public:
    SocketCanCard(const std::shared_ptr<CanLinks>& links, const CardInterfaces& names) {
        for (size_t c = 0; c < names.size(); ++c)
            if (!names[c].empty()) channels_[c] = std::make_unique<SocketCanChannel>(links, names[c]);
    }
    CanChannel* Channel(uint32_t channel) override {
        return channel < 2 ? channels_[channel].get() : nullptr;
    }
    void OpenCloseRequest() override {}

private:
    std::unique_ptr<SocketCanChannel> channels_[2];
};

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::unique_ptr<ChannelCard> OpenSocketCanCard(uint32_t index) {
    const char* standIn = Variable("HALBOX_SOCKETCAN_SIM");
    const std::shared_ptr<CanLinks> links = standIn ? StandInLinks(standIn) : KernelLinks();
    std::vector<CardInterfaces> cards;
    if (const char* map = Variable("HALBOX_SOCKETCAN")) {
        std::vector<std::string> problems;
        cards = ParseCardMap(map, problems);
        for (const std::string& problem : problems)
            platform::TraceF("halbox: HALBOX_SOCKETCAN: %s", problem.c_str());
    } else {
        cards = PairInterfaces(links->Interfaces());
    }
    if (index >= cards.size()) return nullptr;
    const CardInterfaces& names = cards[index];
    bool present = false;
    for (const std::string& name : names) present = present || (!name.empty() && links->Exists(name));
    if (!present) return nullptr;
    return std::make_unique<SocketCanCard>(links, names);
}

}  // namespace norvane::halbox::socketcan
