#include "bench/dialogs/io_module_logic.h"

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr int32_t kAck = 1;

}  // namespace

void IoModuleLogic::Open() {
    KymReply model{};
    s_.variant = VariantOf(model, t_.sdk.GetMDL(t_.handle, t_.node, &model));
    for (size_t k = 0; k < 8; ++k) {
        s_.selectorCodes[k] = SelectorCodes(s_.variant, static_cast<int>(k) + 1);
        s_.selectorItem[k] = -1;
        s_.analogValue[k].clear();
        s_.analogVolts[k].clear();
    }
    s_.sliderMin = 1;
    s_.sliderMax = 2500;
    ReadMcfg();
    ReadPortConfig();
    if (!s_.variant.NoPwm()) ReadPwm();
    RefreshDisplays();
    QueryInputs();
    s_.outputLeds = {};
}

void IoModuleLogic::ReadMcfg() {
    KymReply r{};
    if (t_.Failed(t_.sdk.GetKYDMCFG(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) return;
    const auto word = static_cast<uint32_t>(r.field[0]);
    s_.notify = BitsOf(word & 0xFF);
    s_.initial = BitsOf((word >> 8) & 0xFF);
}

bool IoModuleLogic::ReadPortConfig() {
    KymReply r{};
    if (t_.Failed(t_.sdk.GetIOconfig(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) return false;
    ShowConfig(static_cast<uint32_t>(r.field[0]));
    return true;
}

void IoModuleLogic::ShowConfig(uint32_t word) {
    const PortArray<int> codes = SplitIoc(word);
    for (size_t k = 0; k < 8; ++k) s_.selectorItem[k] = ItemOfCode(s_.selectorCodes[k], codes[k]);
    UpdateAnalogBoxes(word);
}

void IoModuleLogic::UpdateAnalogBoxes(uint32_t word) {
    const PortArray<int> codes = SplitIoc(word);
    for (size_t k = 0; k < 8; ++k) {
        s_.analogEnabled[k] = codes[k] == kPortAnalog;
        if (!s_.analogEnabled[k]) s_.analogTicked[k] = false;
    }
    SelectAll(s_.selectAll);
}

void IoModuleLogic::SelectAll(bool ticked) {
    s_.selectAll = ticked;
    s_.analogTicked = ticked ? s_.analogEnabled : PortArray<bool>{};
}

void IoModuleLogic::SetPortConfig() {
    PortArray<int> codes{};
    for (size_t k = 0; k < 8; ++k) codes[k] = CodeOfItem(s_.selectorCodes[k], s_.selectorItem[k]);
    const int32_t word = ComposeIoc(codes);
    KymReply r{};
    if (t_.Failed(t_.sdk.SetIOconfig(t_.handle, t_.node, &word, kAck, &r), "IDS_NO_DEVICE_FIND")) return;
    UpdateAnalogBoxes(static_cast<uint32_t>(word));
}

// A failed read of the word stops the set: writing a word composed from nothing would wipe the
// byte that was not edited.
void IoModuleLogic::SetMcfgByte(bool high) {
    KymReply r{};
    if (t_.Failed(t_.sdk.GetKYDMCFG(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) return;
    auto word = static_cast<uint32_t>(r.field[0]);
    if (high)
        word = (word & ~0xFF00u) | static_cast<uint32_t>(MaskOf(s_.initial)) << 8;
    else
        word = (word & ~0xFFu) | MaskOf(s_.notify);
    const auto data = static_cast<int32_t>(word);
    KymReply reply{};
    t_.Failed(t_.sdk.SetKYDMCFG(t_.handle, t_.node, &data, kAck, &reply), "IDS_NO_DEVICE_FIND");
}

void IoModuleLogic::OutputBoxChanged(int port, bool ticked) {
    if (port < 1 || port > 8) return;
    s_.outputs[static_cast<size_t>(port - 1)] = ticked;
    s_.outputLeds[static_cast<size_t>(port - 1)] = ticked;
}

void IoModuleLogic::SetOutputs() {
    const uint8_t byte = MaskOf(s_.outputs);
    const int32_t word = byte;
    KymReply r{};
    if (t_.Failed(t_.sdk.SetDVAInfo(t_.handle, t_.node, &word, kAck, &r), "IDS_NO_DEVICE_FIND")) return;
    s_.outputLeds = BitsOf(byte);
}

void IoModuleLogic::QueryInputs() {
    KymReply r{};
    if (t_.sdk.GetDVAInfo(t_.handle, t_.node, &r) != 1) {
        t_.ErrorText("DVA获取失败");
        return;
    }
    s_.inputLeds = BitsOf(static_cast<uint32_t>(r.field[0]) & 0xFF);
}

void IoModuleLogic::QueryAnalog() {
    Exchange(true);  // a bad field is reported; the query goes on
    const uint8_t mask = MaskOf(s_.analogTicked);
    KymReply reply{};
    const int32_t result = t_.sdk.GetAVAInfo(t_.handle, t_.node, &mask, kAck, &reply);
    if (result == 0) return;  // nothing asked or nothing answered: nothing to show
    // A failed query leaves the fields: its zeroed record is no reading.
    if (t_.Failed(result, "IDS_NO_DEVICE_FIND")) return;
    for (size_t k = 0; k < 8; ++k) {
        s_.analogValue[k] = AnalogText(reply.field[k + 1]);
        s_.analogVolts[k] = VoltageText(reply.field[k + 1]);
    }
}

// Each read that fails is reported and leaves its fields; the next read runs all the same.
void IoModuleLogic::ReadPwm() {
    PwmFields f;
    if (const auto current = ExchangePwm(s_.pwmTexts, nullptr)) f = *current;
    KymReply r{};
    if (!t_.Failed(t_.sdk.GetPMB(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) {
        f.base1 = r.field[0] & 0xFF;
        f.base2 = (r.field[0] >> 8) & 0xFF;
    }
    r = KymReply{};
    if (!t_.Failed(t_.sdk.GetPMD(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) {
        f.duty1 = r.field[0] & 0xFF;
        f.duty2 = (r.field[0] >> 8) & 0xFF;
    }
    r = KymReply{};
    if (!t_.Failed(t_.sdk.GetPBR(t_.handle, t_.node, &r), "IDS_NO_DEVICE_FIND")) f.pbr = r.field[0];
    s_.slider = f.pbr;
    s_.pwmTexts = TextsOf(f);
}

std::optional<PwmFields> IoModuleLogic::Exchange(bool report) {
    std::string error;
    const auto fields = ExchangePwm(s_.pwmTexts, &error);
    if (!fields && report) t_.Plain(error);
    return fields;
}

void IoModuleLogic::ApplyPwm() {
    const auto f = Exchange(true);
    if (!f) return;
    KymReply r{};
    t_.Failed(t_.sdk.SetPBR(t_.handle, t_.node, f->pbr, kAck, &r), "IDS_NO_DEVICE_FIND");
    s_.slider = f->pbr;
    const auto pmb = static_cast<int32_t>(f->PmbWord());
    const auto pmd = static_cast<int32_t>(f->PmdWord());
    t_.Failed(t_.sdk.SetPMB(t_.handle, t_.node, &pmb, kAck, &r), "IDS_NO_DEVICE_FIND");
    t_.Failed(t_.sdk.SetPMD(t_.handle, t_.node, &pmd, kAck, &r), "IDS_NO_DEVICE_FIND");
    RefreshDisplays();
}

void IoModuleLogic::SliderMoved(int position) {
    s_.slider = position;
    s_.pwmTexts.pbr = std::to_string(position);
    ApplyPwm();
}

void IoModuleLogic::PbrTextChanged() {
    if (const auto f = Exchange(false)) s_.slider = f->pbr;
}

void IoModuleLogic::RefreshDisplays() {
    const auto f = Exchange(false);
    if (!f) return;
    s_.period1 = PeriodText(f->base1, f->pbr);
    s_.period2 = PeriodText(f->base2, f->pbr);
    s_.duty1 = DutyText(f->duty1);
    s_.duty2 = DutyText(f->duty2);
    const std::string cycle = t_.language.Lookup("IDS_CYCLE_TIME");
    s_.wave1 = {FormatText(cycle, {PeriodMs(f->base1, f->pbr)}), s_.duty1, DutyPercent(f->duty1)};
    s_.wave2 = {FormatText(cycle, {PeriodMs(f->base2, f->pbr)}), s_.duty2, DutyPercent(f->duty2)};
}

}  // namespace norvane::bench
