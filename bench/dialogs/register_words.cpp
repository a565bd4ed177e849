#include "bench/dialogs/register_words.h"

#include <algorithm>

#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr int kAne = 15, kChs = 14, kQei = 13, kQem = 11, kCm = 10, kAm = 9, kDm = 8, kStlie = 6, kP4ie = 3,
              kS3ie = 2, kS2ie = 1, kS1ie = 0;

template <size_t N>
std::optional<int> PositionIn(const std::array<int, N>& codes, int code) {
    const auto at = std::find(codes.begin(), codes.end(), code);
    if (at == codes.end()) return std::nullopt;
    return static_cast<int>(at - codes.begin());
}

std::string Code4(int32_t code) {
    return BitString(static_cast<uint32_t>(code), 4);
}

int32_t Field(const KymReply& record, size_t i) {
    return i < 14 ? record.field[i] : 0;
}

}  // namespace

NodeCapabilities CapabilitiesOf(const KymReply& model) {
    NodeCapabilities caps;
    caps.c3 = model.field[3] != 0;
    caps.c4 = model.field[4] != 0;
    caps.c5 = model.field[5] != 0;
    caps.c6 = model.field[6] != 0;
    caps.c7 = model.field[7] != 0;
    caps.firmware = static_cast<uint32_t>(model.field[8]);
    return caps;
}

void ApplyModelCode(NodeCapabilities& caps, int code) {
    if (code == 3) caps.c3 = true;
    if (code == 2) caps.c4 = true;
    if (code == 1) caps.c5 = true;
}

std::string BitString(uint32_t word, int bits) {
    std::string text;
    for (int bit = bits - 1; bit >= 0; --bit) text += ((word >> bit) & 1u) ? '1' : '0';
    return text;
}

// ---- MCFG ----

bool McfgEchoMatches(uint16_t sent, uint16_t echo) {
    return ((sent ^ echo) & kMcfgCheckedBits) == 0;
}

void McfgEditor::Force(int bit, int choice) {
    Set(bit, choice);
    Lock(bit, true);
}

void McfgEditor::SensorNotices(bool open) {
    // A model without sensor choices keeps its sensor notices off whatever the encoder does.
    const bool sensors = caps_.c6 || caps_.c7;
    Lock(kS2ie, !(open && sensors));
    Lock(kS1ie, !(open && sensors));
}

McfgEditor::McfgEditor(uint16_t word, const NodeCapabilities& caps) : caps_(caps), choices_(word) {
    for (const McfgBit& b : kMcfgBits) Lock(b.bit, false);
    if (!caps.c6 && !caps.c7)
        for (int bit : {kAne, kChs, kP4ie, kS3ie, kS2ie, kS1ie}) Force(bit, 0);
    if (!caps.c3 && !caps.c4)
        for (int bit : {kQei, kQem, kStlie}) Force(bit, 0);
    if (caps.c4 && Choice(kQei) == 1 && Choice(kQem) == 1) SensorNotices(false);
    if (caps.c3) {
        Set(kQei, 1);
        open_[kQei][0] = false;
    }
    if (!caps.c5)
        for (int bit : {kCm, kAm, kDm}) Force(bit, 0);
    if (Choice(kAne) == 0) {
        Force(kChs, 0);
    } else if (caps.c4) {
        Set(kChs, 1);
        open_[kChs][0] = false;
    }
    if (Choice(kQei) == 0) {
        Set(kQem, 0);
        Set(kStlie, 0);
    }
    if (Choice(kQem) == 0)
        Force(kStlie, 0);
    else if (caps.c3 || caps.c4)
        Lock(kStlie, false);
    if (Choice(kCm) == 0) {
        Lock(kAm, true);
        Lock(kDm, true);
    }
}

void McfgEditor::Click(int bit, int choice) {
    if (bit < 0 || bit > 15 || (choice != 0 && choice != 1) || !Open(bit, choice)) return;
    Set(bit, choice);
    switch (bit) {
        case kQei:
            Lock(kQem, choice == 0);
            if (choice == 0 && caps_.c4) SensorNotices(true);
            if (choice == 1) SensorNotices(!(caps_.c4 && Choice(kQem) == 1));
            break;
        case kAne:
            if (choice == 0) {
                Lock(kChs, true);
            } else if (caps_.c4) {
                Set(kChs, 1);
                open_[kChs] = {false, true};
            } else {
                Lock(kChs, false);
            }
            break;
        case kCm:
            Lock(kAm, choice == 0);
            Lock(kDm, choice == 0);
            break;
        case kQem:
            if (choice == 0) {
                SensorNotices(true);
                Lock(kStlie, true);
            } else {
                SensorNotices(!(caps_.c4 && Choice(kQei) == 1));
                Lock(kStlie, false);
            }
            break;
        default:
            break;
    }
}

uint16_t McfgEditor::Word() const {
    uint32_t word = choices_ & ~((1u << 12) | (1u << 7) | (1u << kQem));
    if (Choice(kQem) == 1 && Choice(kQei) == 1) word |= 1u << kQem;
    return static_cast<uint16_t>(word);
}

std::string McfgEditor::Tip(const std::string& tipFormat) const {
    const std::string bits = BitString(Word(), 16);
    const std::string command = FormatText("MCFG=%lu;", {int64_t{Word()}});
    return FormatText(tipFormat, {std::string_view(bits), std::string_view(command)});
}

// ---- ICFG ----

bool IcfgEchoMatches(uint16_t sent, uint16_t echo) {
    return ((sent ^ echo) & kIcfgCheckedBits) == 0;
}

void IcfgEditor::Click(int bit, int choice) {
    if (bit < 0 || bit > 7 || (choice != 0 && choice != 1)) return;
    word_ = static_cast<uint16_t>((word_ & ~(1u << bit)) | (unsigned(choice) << bit));
}

std::string IcfgEditor::Tip(const std::string& tipFormat) const {
    const std::string bits = BitString(word_, 8);
    const std::string command = FormatText("ICFG=%d;", {int64_t{word_}});
    return FormatText(tipFormat, {std::string_view(bits), std::string_view(command)});
}

// ---- sensor edges, stall ----

std::optional<int> EdgePosition(int code) {
    return PositionIn(kEdgeCodes, code);
}

std::optional<int> StallPosition(int code) {
    return PositionIn(kStallCodes, code);
}

std::string EdgeKey(int position, int sensor) {
    // The first two actions name the sensor in their key; the others are shared.
    static constexpr const char* kNoAction[3][2] = {{"IDS_SValue_0000_S1", "IDS_SValue_0001_S1"},
                                                    {"IDS_SValue_0000_S2", "IDS_SValue_0001_S2"},
                                                    {"IDS_SValue_0000_S3", "IDS_SValue_0001_S3"}};
    static constexpr const char* kShared[14] = {
        "IDS_SValue_0010", "IDS_SValue_1010", "IDS_SValue_0011", "IDS_SValue_1011", "IDS_SValue_0111",
        "IDS_SValue_0100", "IDS_SValue_1100", "IDS_SValue_0101", "IDS_SValue_1101", "IDS_SValue_0110",
        "IDS_SValue_1001", "IDS_SValue_1110", "IDS_SValue_1000", "IDS_SValue_1111"};
    const auto p = static_cast<size_t>(std::clamp(position, 0, 15));
    if (p < 2) return kNoAction[static_cast<size_t>(std::clamp(sensor, 1, 3) - 1)][p];
    return kShared[p - 2];
}

std::string StallKey(int position) {
    static constexpr const char* kKeys[8] = {"IDS_STL_VALUE_0000", "IDS_STL_VALUE_0001", "IDS_STL_VALUE_1110",
                                             "IDS_STL_VALUE_1001", "IDS_STL_VALUE_0100", "IDS_STL_VALUE_1100",
                                             "IDS_STL_VALUE_1000", "IDS_STL_VALUE_1111"};
    return kKeys[static_cast<size_t>(std::clamp(position, 0, 7))];
}

uint16_t S12Con::Word() const {
    return static_cast<uint16_t>((codes[0] & 15) << 12 | (codes[1] & 15) << 8 | (codes[2] & 15) << 4 |
                                 (codes[3] & 15));
}

S12Con S12Con::FromWord(uint32_t word) {
    return {{static_cast<int32_t>(word >> 12 & 15), static_cast<int32_t>(word >> 8 & 15),
             static_cast<int32_t>(word >> 4 & 15), static_cast<int32_t>(word & 15)}};
}

S12Con S12Con::FromRecord(const KymReply& record, size_t first) {
    return {
        {Field(record, first), Field(record, first + 1), Field(record, first + 2), Field(record, first + 3)}};
}

std::string S12Con::Tip(const std::string& tipFormat) const {
    const std::string bits =
        Code4(codes[0]) + " " + Code4(codes[1]) + " " + Code4(codes[2]) + " " + Code4(codes[3]) + " 0000";
    const std::string command = FormatText("SCFG=%d Value=%d;", {int64_t{Word()} * 16, int64_t{Word()}});
    return FormatText(tipFormat, {std::string_view(bits), std::string_view(command)});
}

uint16_t S34Con::Word() const {
    return static_cast<uint16_t>((stall & 15) << 12 | (level & 1) << 11 | (event & 7) << 8 |
                                 (s3Rising & 15) << 4 | (s3Falling & 15));
}

S34Con S34Con::FromWord(uint32_t word) {
    S34Con s;
    s.level = static_cast<int32_t>(word >> 11 & 1);
    s.event = static_cast<int32_t>(word >> 8 & 7);
    s.s3Rising = static_cast<int32_t>(word >> 4 & 15);
    s.s3Falling = static_cast<int32_t>(word & 15);
    s.stall = static_cast<int32_t>(word >> 12 & 15);
    return s;
}

S34Con S34Con::FromRecord(const KymReply& record, size_t first) {
    S34Con s;
    s.level = Field(record, first);
    s.event = Field(record, first + 1);
    s.s3Rising = Field(record, first + 2);
    s.s3Falling = Field(record, first + 3);
    s.stall = Field(record, first + 4);
    return s;
}

std::string S34Con::Tip(const std::string& tipFormat) const {
    const std::string bits = Code4(stall) + " " + (level & 1 ? "1" : "0") +
                             BitString(static_cast<uint32_t>(event), 3) + " " + Code4(s3Rising) + " " +
                             Code4(s3Falling) + " 0001";
    const std::string command = FormatText("SCFG=%d Value=%d;", {int64_t{Word()} * 16 + 1, int64_t{Word()}});
    return FormatText(tipFormat, {std::string_view(bits), std::string_view(command)});
}

// ---- trigger hold-off ----

Trigger TriggerFor(int32_t time) {
    if (time >= kTriggerOnceTime) return Trigger::Once;
    if (time <= 0) return Trigger::NoLimit;
    return Trigger::ByTime;
}

void TriggerSetting::Load(int32_t time) {
    choice_ = TriggerFor(time);
    time_ = std::clamp(time, 0, max_);
}

void TriggerSetting::Click(Trigger choice) {
    choice_ = choice;
    if (choice == Trigger::Once) time_ = kTriggerOnceTime;
    if (choice == Trigger::NoLimit) time_ = 0;
}

bool TriggerSetting::SetTime(int32_t time) {
    if (time < 0 || time > max_) return false;
    time_ = time;
    return true;
}

bool AtconInRange(int64_t value) {
    return value >= 0 && value <= kAtconMax;
}

}  // namespace norvane::bench
