#include "bench/panel/store_commands.h"

namespace norvane::bench {

namespace {

constexpr uint32_t kAdvancedStore = 1232;

}  // namespace

void StoreChoice::SetEdge(int i, bool on) {
    if (i < 0 || i >= 6 || edgesLocked_) return;
    edges_[static_cast<size_t>(i)] = on;
    if (on) store_ = false;
}

void StoreCommands::Error(const char* key, const char* captionKey) {
    messages_.Show(language_.Lookup(captionKey), language_.Lookup(key));
}

std::optional<TickedNode> StoreCommands::Prepare() {
    if (!host_.Precheck()) return std::nullopt;
    const TickedNode first = host_.TickedNodes().front();
    if (!CheckMotorOff(sdk_, host_.Gateway(), first.id, language_, messages_)) return std::nullopt;
    return first;
}

void StoreCommands::Store(const StoreChoice& choice) {
    for (const TickedNode& node : host_.TickedNodes()) {
        // From 1232 on only STORE itself has a device command; what was not sent is not logged.
        if (node.firmware >= kAdvancedStore && !choice.Store()) continue;
        KymReply reply{};
        if (sdk_.KymSTORE(host_.Gateway(), static_cast<uint32_t>(node.id), 1, &reply) != 1) {
            Error("IDS_DATA_SEND_EROR_CHECK_DEVICE");
            return;
        }
        panel_.Record(node.id, "STORE;", "STORE");
    }
}

void StoreCommands::Sto(int slot) {
    for (const TickedNode& node : host_.TickedNodes()) {
        const auto n = static_cast<uint32_t>(node.id);
        KymReply reply{};
        std::string history = "STORE;";
        int32_t result = 0;
        if (node.firmware < kAdvancedStore) {
            result = sdk_.KymSTORE(host_.Gateway(), n, 1, &reply);
        } else {
            const int32_t data = slot;
            result = sdk_.KymAdvSTORE(host_.Gateway(), n, &data, 1, &reply);
            history = FormatText("STO%d;", {int64_t{slot}});
        }
        if (result != 1) {
            Error("IDS_DATA_SEND_EROR_CHECK_DEVICE");
            return;
        }
        panel_.Record(node.id, history, history);
    }
}

bool StoreCommands::WriteGroup(const TickedNode& node, const MotionGroup& group) {
    struct Field {
        const std::string& text;
        int64_t lo, hi;
    };
    const Field fields[] = {{group.speed, -65535, 65535},   {group.displacement, -200000000, 200000000},
                            {group.acceleration, 0, 60000}, {group.deceleration, 0, 60000},
                            {group.startSpeed, 0, 65000},   {group.stopSpeed, 0, 65000}};
    int32_t v[6] = {};
    for (size_t i = 0; i < 6; ++i) {
        const Exchanged e = ExchangeInteger(fields[i].text, fields[i].lo, fields[i].hi);
        if (!e.value) {
            messages_.Show(kApplicationTitle, e.message);
            return false;
        }
        v[i] = static_cast<int32_t>(*e.value);
    }
    if (v[0] == 0) {
        Error("IDS_SPD_NO_ZERO_WARNING", "IDS_WARING");
        return false;
    }
    const std::pair<const char*, const char*> zeroKeys[] = {{"IDS_MACC_TIME_0_NOTALLOW", "IDS_MACC_TIME_0"},
                                                            {"IDS_MDEC_TIME_0_NOTALLOW", "IDS_MDEC_TIME_0"}};
    for (size_t i = 0; i < 2; ++i) {
        if (v[2 + i] != 0) continue;
        if (node.firmware > 1231) {
            Error(zeroKeys[i].first, "IDS_WARING");
            return false;
        }
        if (messages_.Ask(language_.Lookup("IDS_WARING"), language_.Lookup(zeroKeys[i].second)) !=
            Answer::Yes)
            return false;
    }
    const uint32_t h = host_.Gateway();
    const auto n = static_cast<uint32_t>(node.id);
    KymReply r{};
    if (sdk_.KymOFF(h, n, 1, &r) != 1) {
        Error("IDS_FAIL");
        return false;
    }
    using Setter = int32_t (*)(uint32_t, uint32_t, int32_t, int32_t, KymReply*);
    const std::pair<Setter, const char*> steps[] = {
        {sdk_.SetSPD, "IDS_SETTING_ERROR"},       {sdk_.SetSTP, "IDS_SETTING_ERROR"},
        {sdk_.SetmACC, "IDS_DATA_RECEIVE_ERROR"}, {sdk_.SetmDEC, "IDS_DATA_RECEIVE_ERROR"},
        {sdk_.SetmMSS, "IDS_SETTING_ERROR"},      {sdk_.SetmMDS, "IDS_SETTING_ERROR"}};
    for (size_t i = 0; i < 6; ++i) {
        if (steps[i].first(h, n, v[i], 1, &r) != 1) {
            Error(steps[i].second);
            return false;
        }
    }
    return true;
}

std::string StoreCommands::SlotCaption(int slot) {
    static const char* const captions[] = {
        "堵状运动参数绑定",     "S1上升沿运动参数绑定", "S1下降沿运动参数绑定", "S2上升沿运动参数绑定",
        "S2下降沿运动参数绑定", "S3上升沿运动参数绑定", "S3下降沿运动参数绑定"};
    return slot >= 1 && slot <= 7 ? captions[slot - 1] : "";
}

}  // namespace norvane::bench
