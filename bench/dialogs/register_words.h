#pragma once
// The controller's configuration registers as the register dialogs edit them: a word split into
// the dialog's choices, the locking rules that depend on the node's capabilities, and the word
// composed back, with the bits the device's echo is checked on and the command tips. Pure: no
// SDK calls, no I/O; the dialogs and the register commands own one editor each on the
// user-interface thread.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "norvane/NorvaneFunc.h"

namespace norvane::bench {

/// What a node offers, from its model record (fields 3-7 capability flags, field 8 firmware).
struct NodeCapabilities {
    bool c3 = false;  ///< the encoder is always on
    bool c4 = false;  ///< the encoder is an option (S1/S2 unavailable while it is used)
    bool c5 = false;  ///< advanced motion modes
    bool c6 = false;  ///< sensor choices (A)
    bool c7 = false;  ///< sensor choices (B)
    uint32_t firmware = 0;
};
NodeCapabilities CapabilitiesOf(const KymReply& model);
/// The model code of ICFG bits 14-15 stands in for a flag: 3 -> C3, 2 -> C4, 1 -> C5.
void ApplyModelCode(NodeCapabilities& caps, int code);

/// "0"/"1" characters of the low `bits` bits of word, most significant first.
std::string BitString(uint32_t word, int bits);

// ---- MCFG ----

/// One bit of MCFG as the dialog shows it: its name (the language keys are built from it) and
/// its position in the word.
struct McfgBit {
    const char* name;
    int bit;
};
/// The fourteen bits in the dialog's order (ANE first, S1IE last); bits 12 and 7 are unused.
inline constexpr std::array<McfgBit, 14> kMcfgBits{{{"ANE", 15},
                                                    {"CHS", 14},
                                                    {"QEI", 13},
                                                    {"QEM", 11},
                                                    {"CM", 10},
                                                    {"AM", 9},
                                                    {"DM", 8},
                                                    {"STLIE", 6},
                                                    {"ORGIE", 5},
                                                    {"STPIE", 4},
                                                    {"P4IE", 3},
                                                    {"S3IE", 2},
                                                    {"S2IE", 1},
                                                    {"S1IE", 0}}};

/// The bits a written MCFG is checked on in the node's echo: all used bits except QEI (13),
/// which some nodes report differently from what was sent.
inline constexpr uint16_t kMcfgCheckedBits = 0xCF7F;
bool McfgEchoMatches(uint16_t sent, uint16_t echo);

/// The MCFG dialog's choices and which of them may be clicked.
class McfgEditor {
public:
    /// Splits word and applies the opening rules for caps.
    McfgEditor(uint16_t word, const NodeCapabilities& caps);

    int Choice(int bit) const { return (choices_ >> bit) & 1; }
    /// Whether the radio for choice (0 or 1) of bit may be clicked.
    bool Open(int bit, int choice) const {
        return open_[static_cast<size_t>(bit)][static_cast<size_t>(choice)];
    }
    /// The operator clicks choice of bit; a locked choice is ignored. Applies the click rules.
    void Click(int bit, int choice);

    /// The word to send: QEM only together with QEI, bits 12 and 7 cleared.
    uint16_t Word() const;
    /// The command tip: tipFormat (two %s) with the 16-bit string and "MCFG=%lu;".
    std::string Tip(const std::string& tipFormat) const;

private:
    void Set(int bit, int choice) {
        choices_ = static_cast<uint16_t>((choices_ & ~(1u << bit)) | (unsigned(choice) << bit));
    }
    void Lock(int bit, bool locked) { open_[static_cast<size_t>(bit)] = {!locked, !locked}; }
    void Force(int bit, int choice);  ///< set and lock
    void SensorNotices(bool open);    ///< S1IE, S2IE follow the encoder unless the model has no sensors

    NodeCapabilities caps_;
    uint16_t choices_ = 0;
    std::array<std::array<bool, 2>, 16> open_{};
};

// ---- ICFG ----

/// One bit of ICFG: the group title key and the radio key stem (IDS_IDC_RADIO_<stem>_TIP_0/1).
struct IcfgBit {
    const char* title;
    const char* radio;
    int bit;
};
inline constexpr std::array<IcfgBit, 8> kIcfgBits{{{"IDS_IDC_STATIC_ADVENA", "ENA", 0},
                                                   {"IDS_IDC_STATIC_CCW", "CCW", 1},
                                                   {"IDS_IDC_STATIC_PROG", "PROG", 2},
                                                   {"IDS_IDC_STATIC_ELOCK", "ELOCK", 3},
                                                   {"IDS_IDC_STATIC_POWERONS1", "POWERONS1", 4},
                                                   {"IDS_IDC_STATIC_POWERONS2", "POWERONS2", 5},
                                                   {"IDS_IDC_STATIC_POWERONS3", "POWERONS3", 6},
                                                   {"IDS_IDC_STATIC_POWERONS4", "POWERONS4", 7}}};

/// Bits a written ICFG is checked on: the model code (14-15), ELOCK, CCW and ENA.
inline constexpr uint16_t kIcfgCheckedBits = 0xC00B;
bool IcfgEchoMatches(uint16_t sent, uint16_t echo);

/// The ICFG dialog edits bits 0-7; bits 8-15 go back as they were read.
class IcfgEditor {
public:
    explicit IcfgEditor(uint16_t word) : word_(word) {}
    int Choice(int bit) const { return (word_ >> bit) & 1; }
    void Click(int bit, int choice);
    uint16_t Word() const { return word_; }
    /// tipFormat with bits 7..0 and "ICFG=%d;".
    std::string Tip(const std::string& tipFormat) const;

private:
    uint16_t word_;
};

// ---- sensor edges, stall, P4 ----

/// Action codes of an edge group in radio order (16 actions) and of the stall group (8).
inline constexpr std::array<int, 16> kEdgeCodes{0b0000, 0b0001, 0b0010, 0b1010, 0b0011, 0b1011,
                                                0b0111, 0b0100, 0b1100, 0b0101, 0b1101, 0b0110,
                                                0b1001, 0b1110, 0b1000, 0b1111};
inline constexpr std::array<int, 8> kStallCodes{0b0000, 0b0001, 0b1110, 0b1001,
                                                0b0100, 0b1100, 0b1000, 0b1111};
/// Radio position of a code, none for a code the group does not offer.
std::optional<int> EdgePosition(int code);
std::optional<int> StallPosition(int code);
/// Language key of the edge radio at position for sensor 1-3 ("IDS_SValue_0000_S2", "IDS_SValue_1010").
std::string EdgeKey(int position, int sensor);
/// Language key of the stall radio at position ("IDS_STL_VALUE_1110").
std::string StallKey(int position);

/// S12CON: the SDK record order and the word S2 rising << 12 | S2 falling << 8 | S1 rising << 4 | S1 falling.
struct S12Con {
    std::array<int32_t, 4> codes{};  ///< S2 rising, S2 falling, S1 rising, S1 falling
    uint16_t Word() const;
    static S12Con FromWord(uint32_t word);
    static S12Con FromRecord(const KymReply& record, size_t first = 0);
    /// tipFormat with "%s %s %s %s 0000" and "SCFG=%d Value=%d;" (word x 16, word).
    std::string Tip(const std::string& tipFormat) const;
    bool operator==(const S12Con&) const = default;
};

/// S34CON: record order P4 level, P4 event, S3 rising, S3 falling, stall; word
/// stall << 12 | level << 11 | event << 8 | S3 rising << 4 | S3 falling.
struct S34Con {
    int32_t level = 0, event = 0, s3Rising = 0, s3Falling = 0, stall = 0;
    std::array<int32_t, 5> Record() const { return {level, event, s3Rising, s3Falling, stall}; }
    uint16_t Word() const;
    static S34Con FromWord(uint32_t word);
    static S34Con FromRecord(const KymReply& record, size_t first = 0);
    /// tipFormat with "%s %s%s %s %s 0001" and "SCFG=%d Value=%d;" (word x 16 + 1, word).
    std::string Tip(const std::string& tipFormat) const;
    bool operator==(const S34Con&) const = default;
};

// ---- trigger hold-off ----

enum class Trigger { Once, NoLimit, ByTime };
inline constexpr int32_t kTriggerOnceTime = 60001;
/// The choice a time read from the device preselects: 60001 or more once, 0 (or less) without
/// limit, 1-60000 by time.
Trigger TriggerFor(int32_t time);

/// One trigger group: the choice, the time field and whether the field may be edited.
class TriggerSetting {
public:
    TriggerSetting(int32_t time, int32_t maxTime) : max_(maxTime) { Load(time); }
    void Load(int32_t time);
    /// Clicking once sets the field to 60001, without limit to 0 (both lock it); by time unlocks.
    void Click(Trigger choice);
    /// A typed time; false (and nothing changes) outside 0..maxTime.
    bool SetTime(int32_t time);
    Trigger Choice() const { return choice_; }
    int32_t Time() const { return time_; }
    bool FieldOpen() const { return choice_ == Trigger::ByTime; }
    int32_t MaxTime() const { return max_; }

private:
    int32_t max_;
    Trigger choice_ = Trigger::NoLimit;
    int32_t time_ = 0;
};

// ---- ATCONH / ATCONL ----

inline constexpr int32_t kAtconMax = 4095;
bool AtconInRange(int64_t value);

}  // namespace norvane::bench
