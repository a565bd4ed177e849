// The global commands (broadcast to every node, no acknowledgement), the RS-232 baud rate change
// and burning a new node id.
#include "bench/panel/panel_logic.h"

namespace norvane::bench {

namespace {

constexpr uint32_t kRs232Gateway = 1, kEthernetGateway = 16;

}  // namespace

void PanelLogic::GlobalSpeed() {
    int32_t v = 0;
    if (!RequireConnected() || !ExchangeInt(fields_.globalSpeed, -65535, 65535, v)) return;
    if (Global(sdk_.SetgSPD(host_.Gateway(), v)) && showReturn_)
        log_.Write(0, Text("IDS_SET_G_SPD", {int64_t{v}}));
}

void PanelLogic::GlobalDisplacement() {
    int32_t v = 0;
    if (!RequireConnected() || !ExchangeInt(fields_.globalDisplacement, -200000000, 200000000, v)) return;
    if (Global(sdk_.SetgSTP(host_.Gateway(), v)) && showReturn_)
        log_.Write(0, Text("IDS_SET_G_STP", {int64_t{v}}));
}

void PanelLogic::GlobalPosition() {
    int32_t v = 0;
    if (!RequireConnected() || !ExchangeInt(fields_.globalPosition, -200000000, 2000000000, v)) return;
    if (Global(sdk_.SetgPOS(host_.Gateway(), v)) && showReturn_)
        log_.Write(0, Text("IDS_SET_G_POS", {int64_t{v}}));
}

void PanelLogic::GlobalEncoderPosition() {
    int32_t v = 0;
    if (!RequireConnected() || !ExchangeInt(fields_.globalEncoder, -200000000, 2000000000, v)) return;
    if (Global(sdk_.SetgQEC(host_.Gateway(), v)) && showReturn_)
        log_.Write(0, Text("IDS_SET_G_QEC", {int64_t{v}}));
}

void PanelLogic::GlobalCurrent() {
    if (!RequireConnected()) return;
    const ExchangedNumber c = ExchangeNumber(fields_.globalCurrent, 0, 8);
    if (!c.value) {
        messages_.Show(kApplicationTitle, c.message);
        return;
    }
    // The SDK's global current command carries no value of its own.
    if (!Global(sdk_.SetgCUR(host_.Gateway()))) return;
    history_.Add(FormatText("gCUR=%d;", {int64_t{CurrentTenths(*c.value)}}));
    if (showReturn_) log_.Write(0, Text("IDS_SET_G_CUR", {*c.value}));
}

void PanelLogic::GlobalMicrostep() {
    if (!RequireConnected()) return;
    const int32_t m = MicrostepOf(fields_.globalMicrostep);
    if (!Global(sdk_.SetgMCS(host_.Gateway(), m))) return;
    history_.Add(FormatText("gMCS=%d;", {int64_t{m}}));
    if (showReturn_) log_.Write(0, Text("IDS_G_MCS", {int64_t{m}}));
}

void PanelLogic::GlobalHalving() {
    if (!RequireConnected()) return;
    const int32_t a = fields_.globalHalving == 1 ? 1 : 0;
    if (!Global(sdk_.SetgACR(host_.Gateway(), a))) return;
    history_.Add(FormatText("gACR=%d;", {int64_t{a}}));
    if (showReturn_) log_.Write(0, Text("IDS_G_ACR_SET", {int64_t{a}}));
}

void PanelLogic::GlobalTtl() {
    if (!RequireConnected()) return;
    const int32_t i = fields_.globalTtl == 1 ? 1 : 0;
    if (Global(sdk_.SetgDOUT(host_.Gateway(), i)) && showReturn_)
        log_.Write(0, Text("IDS_PDOUT_SET", {int64_t{i}}));
}

void PanelLogic::GlobalOff() {
    if (!RequireConnected()) return;
    if (Global(sdk_.SetgOFF(host_.Gateway())) && showReturn_) log_.Write(0, language_.Lookup("IDS_G_OFF"));
}

void PanelLogic::GlobalOrigin() {
    if (!RequireConnected()) return;
    if (Global(sdk_.SetgORG(host_.Gateway())) && showReturn_) log_.Write(0, language_.Lookup("IDS_G_ORG"));
}

void PanelLogic::ChangeRs232Baud() {
    int32_t baud = 0;
    if (!ExchangeInt(fields_.baud, 1, INT32_MAX, baud)) return;
    const bool connected = host_.Connected();
    if (connected && messages_.Ask(language_.Lookup("IDS_WARING"),
                                   language_.Lookup("IDS_SET_BAUDRATE_WARNING")) != Answer::Yes)
        return;
    if (monitor_.Running()) monitor_.Stop();
    host_.SetBaudRate(baud);
    if (!connected) return;
    // The gateway kind is checked before anything changes: on another gateway the motors keep
    // running and the connection stays as it is.
    const uint32_t h = host_.Gateway();
    KymDevInfo info{};
    if (sdk_.GetKymDevInfo(h, &info) != 1 || info.kind != kRs232Gateway) {
        Error("IDS_NOT_RS232_DEVICE");
        return;
    }
    GlobalOff();
    if (sdk_.SetBDR(h, baud) == 1)
        messages_.Inform(language_.Lookup("IDS_CONGRATULATIONS"),
                         language_.Lookup("IDS_SETTING_BDR_SUCCESS"));
    if (sdk_.CloseGateway(h) < 0) Error("IDS_CLOSE_DEVICE_ERROR");
    host_.Disconnected();
}

void PanelLogic::BurnNodeId() {
    int32_t id = 0;
    if (!ExchangeInt(fields_.newNodeId, 5, 125, id)) return;
    if (!host_.Precheck()) return;
    const int node = host_.TickedNodes().front().id;
    if (monitor_.Running()) monitor_.Stop();
    // RS-232 and Ethernet gateways take the new id with bit 7 set.
    KymDevInfo info{};
    if (sdk_.GetKymDevInfo(host_.Gateway(), &info) == 1 &&
        (info.kind == kRs232Gateway || info.kind == kEthernetGateway))
        id += 128;
    if (sdk_.SetADR(host_.Gateway(), static_cast<uint32_t>(node), static_cast<uint32_t>(id)) != 1) {
        Error("IDS_DATA_SEND_EROR_CHECK_DEVICE");
        return;
    }
    messages_.Inform(language_.Lookup("IDS_CONGRATULATIONS"), language_.Lookup("IDS_BURN_SITE_SUC"));
    host_.Rediscover();
}

}  // namespace norvane::bench
