#include "bench/core/interpreter.h"

#include <cmath>
#include <cstring>

#include "bench/core/command_text.h"
#include "bench/core/node_table.h"
#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

constexpr const char* kStatus = "(ENA:%d,DIR:%d,ACR:%d,MCS:%d,CUR:%d,SPD:%d,STP:%d)";
constexpr const char* kNodeRange = "ERR: %s, CanNodeID（%d）不属于（5，125）";
constexpr const char* kBitRateNames[] = {"1000k", "800k", "500k", "250k", "125k", "50k", "20k", "10k"};
constexpr int kMaxDiscovered = 100;
constexpr int kAck = 1;  // asks the node for an answer

bool IsNodeId(int v) {
    return v >= 5 && v <= 125;
}

int64_t F(const KymReply& r, int i) {
    return r.field[i];
}

std::string BitRateName(int32_t index) {
    if (index >= 0 && index < 8) return kBitRateNames[index];
    return std::to_string(index);  // an index the list does not name shows as its number
}

}  // namespace

// One command being executed: its normalised text, target node and gateway.
class CommandRun {
public:
    CommandRun(const Interpreter& in, std::string text, int node)
        : in_(in), sdk_(in.sdk_), t_(std::move(text)), node_(node), gw_(in.state_.gateway.load()) {}

    void Dispatch();
    void Global();

private:
    char At(size_t i) const { return i < t_.size() ? t_[i] : '\0'; }
    bool GetForm() const { return t_.size() < 5; }
    bool Has(std::string_view part) const { return t_.find(part) != std::string::npos; }
    uint32_t Node() const { return static_cast<uint32_t>(node_); }
    int32_t N(size_t at = 3) const { return command::Decimal(t_, at); }

    void Line(const std::string& text) const { in_.log_.Write(node_, text); }
    void LineAt(int node, const std::string& text) const { in_.log_.Write(node, text); }
    std::string Text(const char* key, std::initializer_list<FormatArg> args) const {
        return FormatText(in_.language_.Lookup(key), args);
    }
    std::string Ok(const char* prefix) const { return FormatText(prefix, {std::string_view(t_)}); }
    std::string Status(const KymReply& r) const {
        return FormatText(kStatus, {F(r, 1), F(r, 2), F(r, 3), F(r, 4), F(r, 5), F(r, 6), F(r, 7)});
    }
    // A result of 1 is success; everything else (0, -1, a refusal's negative code) is reported.
    bool Done(int32_t result, const char* errorFormat) const {
        if (result == 1) return true;
        Line(FormatText(errorFormat, {std::string_view(t_), int64_t{result}}));
        return false;
    }
    void McfgSeen(int32_t word) const {
        if (in_.mcfgObserver_) in_.mcfgObserver_(node_, word);
    }
    void NotSupported() const { Line(FormatText("ERR: %s Cmd not supported", {std::string_view(t_)})); }
    void ErrCmd() const { Line(FormatText("ERR: %s errCmd", {std::string_view(t_)})); }

    // A register with a get and a set export and the usual composite lines.
    template <typename Get, typename Set>
    void Register(Get get, Set set, const char* ok, const char* error, const char* getKey,
                  const char* setKey) {
        KymReply r{};
        if (GetForm()) {
            if (Done(get(gw_, Node(), &r), error)) Line(Ok(ok) + Text(getKey, {F(r, 0)}));
            return;
        }
        const int32_t n = N();
        if (Done(set(gw_, Node(), n, kAck, &r), error))
            Line(Ok(ok) + Text(setKey, {int64_t{n}}) + Text(getKey, {F(r, 0)}));
    }
    // The same with a set line of its own that shows the sent and the returned value.
    template <typename Get, typename Set>
    void RegisterPair(Get get, Set set, const char* getKey, const char* setKey) {
        KymReply r{};
        const char* error = "ERR: %s errno: %d";
        if (GetForm()) {
            if (Done(get(gw_, Node(), &r), error)) Line(Ok("SUCCESS: %s ") + Text(getKey, {F(r, 0)}));
            return;
        }
        const int32_t n = N();
        if (Done(set(gw_, Node(), n, kAck, &r), error))
            Line(Ok("SUCCESS: %s ") + Text(setKey, {int64_t{n}, F(r, 0)}));
    }
    // Registers whose lines are fixed formats with the value (and the sent value).
    template <typename Get, typename Set>
    void Plain(Get get, Set set, const char* getLine, const char* setLine, const char* error) {
        KymReply r{};
        if (GetForm()) {
            if (Done(get(gw_, Node(), &r), error)) Line(FormatText(getLine, {std::string_view(t_), F(r, 0)}));
            return;
        }
        const int32_t n = N();
        if (Done(set(gw_, Node(), n, kAck, &r), error))
            Line(FormatText(setLine, {std::string_view(t_), int64_t{n}, F(r, 0)}));
    }

    void Ack();
    void Enable();
    void Current();
    void Icfg();
    void Mcfg();
    void Mcs();
    void Model();
    void Off();
    void Origin();
    void Scf();
    void SetAddress();
    void Sensors();
    void Stg();
    void Store();
    void BitRate();
    void Sleep();
    void Greg();

    const Interpreter& in_;
    const SdkTable& sdk_;
    const std::string t_;
    const int node_;
    const uint32_t gw_;
};

void CommandRun::Dispatch() {
    const SdkTable& s = sdk_;
    switch (At(0)) {
        case ';':
            return Ack();
        case 'A':
            if (At(1) == 'C')
                return Register(s.GetACR, s.SetACR, "SUCCESS: ACR<->%s ", "ERR: ACR<->%s errno: %d",
                                "IDS_GET_ACR", "IDS_SET_ACR");
            if (At(1) == 'D') {
                in_.state_.currentNode.store(N());
                return;
            }
            return NotSupported();
        case 'B':
            if (At(1) == 'L')
                return Register(s.GetBLC, s.SetBLC, "SUCCESS: BLC<->%s ", "ERR: BLC<->%s errno: %d",
                                "IDS_GET_BLC", "IDS_SET_BLC");
            if (At(1) == 'T') return BitRate();
            return NotSupported();
        case 'C':
            return Current();
        case 'D':
            return Register(s.GetDOUT, s.SetDOUT, "SUCCESS: DOU<->%s ", "ERR: DOU<->%s errno: %d",
                            "IDS_GET_DOUT", "IDS_SET_DOUT");
        case 'E':
            return Enable();
        case 'F': {
            KymReply r{};
            if (Done(s.KymFBK(gw_, Node(), &r), "ERR: FBK<->%s errno: %d"))
                Line(Ok("SUCCESS: FBK<->%s ") + Status(r));
            return;
        }
        case 'I':
            return Icfg();
        case 'M':
            if (At(1) == 'A')
                return Plain(s.GetmACC, s.SetmACC, "SUCCESS: MAC<->%s 加速度 %d",
                             "SUCCESS: MAC<->%s 设置加速度 %d 返回加速度 %d", "ERR: MAC<->%s errno: %d");
            if (At(1) == 'C' && At(2) == 'F') return Mcfg();
            if (At(1) == 'C' && At(2) == 'S') return Mcs();
            if (At(1) == 'D' && At(2) == 'E')
                return Plain(s.GetmDEC, s.SetmDEC, "SUCCESS: %s 减速度 %d",
                             "SUCCESS: %s 设置减速度 %d 返回减速度 %d", "ERR: %s errno: %d");
            if (At(1) == 'D' && At(2) == 'L') return Model();
            if (At(1) == 'M' && At(2) == 'D')
                return Register(s.GetmMDS, s.SetmMDS, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_GET_MDS",
                                "IDS_SET_MDS");
            if (At(1) == 'M' && At(2) == 'S')
                return Register(s.GetmMSS, s.SetmMSS, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_GET_MSS",
                                "IDS_SET_MSS");
            return NotSupported();
        case 'O':
            if (At(1) == 'F') return Off();
            if (At(1) == 'R') return Origin();
            return NotSupported();
        case 'P':
            return RegisterPair(s.GetPOS, s.SetPOS, "IDS_POS_GET", "IDS_SET_POS");
        case 'Q':
            if (At(1) == 'E' && At(2) == 'C')
                return Register(s.GetQEC, s.SetQEC, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_QEC_GET",
                                "IDS_SET_QEC");
            if (At(1) == 'E' && At(2) == 'R')
                return Register(s.GetQER, s.SetQER, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_QER_GET",
                                "IDS_SET_QER");
            return NotSupported();
        case 'S':
            switch (At(1)) {
                case 'C':
                    return Scf();
                case 'E':
                    return SetAddress();
                case 'F':
                    return Sensors();
                case 'P':
                    return Register(s.GetSPD, s.SetSPD, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_SPD_GET",
                                    "IDS_SET_SPD");
                case 'Q':
                    return Register(s.GetSQT, s.SetSQT, "SUCCESS: %s ", "ERR: %s errno: %d", "IDS_SQT_GET",
                                    "IDS_SQT_SET");
                case 'T':
                    if (At(2) == 'G') return Stg();
                    if (At(2) == 'O') return Store();
                    if (At(2) == 'P') return RegisterPair(s.GetSTP, s.SetSTP, "IDS_STP_GET", "IDS_SET_STP");
                    return NotSupported();
                default:
                    return NotSupported();
            }
        case '_':
            if (At(1) == 'S') return Sleep();
            return;  // other "_" commands are silently ignored
        default:
            return NotSupported();
    }
}

void CommandRun::Ack() {
    KymReply r{};
    if (Done(sdk_.KymACK(gw_, Node(), &r), "ERR: ;<->%s errno: %d")) Line(Ok("SUCCESS: ;<->%s ") + Status(r));
}

void CommandRun::Enable() {
    KymReply r{};
    if (t_.size() == 4) {
        if (Done(sdk_.KymENA(gw_, Node(), kAck, &r), "ERR: ENA<->%s errno: %d"))
            Line(Ok("SUCCESS: ENA<->%s ") + Status(r));
    } else if (Has("ENAXFFFF")) {
        if (Done(sdk_.KymGetAdvENA(gw_, Node(), &r), "ERR: ENAXFFFF<->%s errno: %d"))
            Line(Ok("SUCCESS: ENAXFFFF<->%s ") + Text("IDS_GET_AdvENA", {F(r, 0)}));
    } else {
        const int32_t n = N();
        if (Done(sdk_.KymAdvENA(gw_, Node(), n, kAck, &r), "ERR: ENA<->%s errno: %d"))
            Line(Ok("SUCCESS: ENA<->%s ") + Text("IDS_SET_ENA", {int64_t{n}}) +
                 Text("IDS_GET_AdvENA", {F(r, 0)}));
    }
}

void CommandRun::Current() {
    if (GetForm()) return;  // "CUR;" does nothing and writes nothing
    // Tenths of an ampere, truncated toward zero; values beyond the 32-bit range are clamped.
    double tenths = command::Real(t_, 3) * 10.0;
    if (std::isnan(tenths)) tenths = 0;
    tenths = std::fmax(std::fmin(tenths, 2147483647.0), -2147483648.0);
    KymReply r{};
    if (Done(sdk_.SetCUR(gw_, Node(), static_cast<int32_t>(tenths), kAck, &r), "ERR: CUR<->%s errno: %d"))
        Line(Ok("SUCCESS: CUR<->%s ") + Status(r));
}

void CommandRun::Icfg() {
    KymReply r{};
    if (GetForm()) {
        if (Done(sdk_.GetKymICFG(gw_, Node(), &r), "ERR: ICF<->%s errno: %d"))
            Line(FormatText("SUCCESS: ICF<->%s 0x%08x", {std::string_view(t_), F(r, 0)}));
        return;
    }
    // Exactly "ICFX", four hex digits and ";".
    if (t_.size() != 9 || t_.compare(0, 4, "ICFX") != 0 ||
        !command::IsHex(std::string_view(t_).substr(4, 4))) {
        Line(FormatText("ERR: ICFX<->%s", {std::string_view(t_)}));
        return;
    }
    int32_t value = command::SwapBytes(command::Hex(std::string_view(t_).substr(4, 4)));
    if (Done(sdk_.SetKymICFG(gw_, Node(), &value, kAck, &r), "ERR: ICFX<->%s errno: %d"))
        Line(Ok("SUCCESS: ICFX<->%s ") + Text("IDS_SET_ICFG", {int64_t{value}}) +
             FormatText(" 0x%08x", {F(r, 0)}));
}

void CommandRun::Mcfg() {
    // The model decides between the controller's and the I/O module's configuration exports.
    KymReply model{};
    sdk_.GetMDL(gw_, Node(), &model);
    const bool ioModule = ModelNameOf(model).find("KYD8") != std::string::npos;
    KymReply r{};
    const char* error = "ERR: %s errno: %d";
    if (GetForm()) {
        const int32_t result = ioModule ? sdk_.GetKYDMCFG(gw_, Node(), &r) : sdk_.GetKymMCFG(gw_, Node(), &r);
        if (Done(result, error)) {
            Line(FormatText("SUCCESS: %s 0x%08x", {std::string_view(t_), F(r, 0)}));
            if (!ioModule) McfgSeen(r.field[0]);
        }
        return;
    }
    int32_t value;
    if (t_.size() == 9 && t_.compare(0, 4, "MCFX") == 0 && command::IsHex(std::string_view(t_).substr(4, 4)))
        value = command::SwapBytes(command::Hex(std::string_view(t_).substr(4, 4)));
    else if (!ioModule && t_.compare(0, 4, "MCFG") == 0)
        value = command::DecimalAsSwappedHex(N(4));
    else
        value = command::DecimalAsSwappedHex(N(3));
    const int32_t result = ioModule ? sdk_.SetKYDMCFG(gw_, Node(), &value, kAck, &r)
                                    : sdk_.SetKymMCFG(gw_, Node(), &value, kAck, &r);
    if (Done(result, error)) {
        Line(Ok("SUCCESS: %s ") + Text("IDS_SET_MCFG", {int64_t{value}}) + FormatText(" 0x%08x", {F(r, 0)}));
        if (!ioModule) McfgSeen(r.field[0]);
    }
}

void CommandRun::Mcs() {
    if (GetForm()) return ErrCmd();
    const int32_t n = N();
    KymReply r{};
    if (Done(sdk_.SetMCS(gw_, Node(), n, kAck, &r), "ERR: %s errno: %d"))
        Line(Ok("SUCCESS: %s ") + Text("IDS_SET_MCS", {int64_t{n}}) + " 细分返回值 " + Status(r));
}

void CommandRun::Model() {
    const int32_t n = N();
    if (!IsNodeId(n)) return Line(FormatText(kNodeRange, {std::string_view(t_), int64_t{n}}));
    KymReply r{};
    if (Done(sdk_.GetMDL(gw_, static_cast<uint32_t>(n), &r), "ERR: %s errno: %d"))
        Line(FormatText("SUCCESS: %s 控制器名字 %s 固件版本 %d",
                        {std::string_view(t_), std::string_view(ModelNameOf(r)), F(r, 8)}));
}

void CommandRun::Off() {
    if (!GetForm()) return ErrCmd();
    KymReply r{};
    if (Done(sdk_.KymOFF(gw_, Node(), kAck, &r), "ERR: %s errno: %d")) Line(Ok("SUCCESS: %s ") + Status(r));
}

void CommandRun::Origin() {
    if (GetForm()) {
        if (Done(sdk_.SetORG(gw_, Node(), 0, 0, nullptr), "ERR: %s errno: %d")) Line(Ok("SUCCESS: %s"));
        return;
    }
    const int32_t n = N();
    KymReply r{};
    if (Done(sdk_.SetORG(gw_, Node(), n, kAck, &r), "ERR: %s errno: %d"))
        Line(FormatText("SUCCESS: %s 设置原点位置 %d 返回原点位置 %d",
                        {std::string_view(t_), int64_t{n}, F(r, 0)}));
}

void CommandRun::Scf() {
    KymReply r{};
    const char* error = "ERR: %s errno: %d";
    if (GetForm()) {
        if (Done(sdk_.GetSCFG(gw_, Node(), &r), error))
            Line(
                FormatText("SUCCESS: %s (S1FACT: %d S1RACT: %d S2FACT: %d S2RACT: %d S3FACT: %d S3RACT: %d "
                           "P4LVL:%d P4EVENT: %d STLValue: %d ATCONH: %08x ATCONL: %08x)",
                           {std::string_view(t_), F(r, 3), F(r, 2), F(r, 1), F(r, 0), F(r, 7), F(r, 6),
                            F(r, 4), F(r, 5), F(r, 8), F(r, 9), F(r, 10)}));
        return;
    }
    int32_t selector, value;
    if (const size_t x = t_.find("SCFX"); x != std::string::npos) {
        // "SCFX", the value in hex, one hex digit selecting the register, ";".
        const size_t semicolon = t_.size() - 1;
        if (semicolon < x + 6 || !command::IsHex(std::string_view(t_).substr(x + 4, semicolon - x - 4)))
            return ErrCmd();
        selector = command::Hex(std::string_view(t_).substr(semicolon - 1, 1));
        value = command::Hex(std::string_view(t_).substr(x + 4, semicolon - 1 - x - 4));
        if (value < 0) return ErrCmd();
    } else if (Has("SCF")) {
        const int32_t n = N();
        selector = n & 0xF;
        value = n >> 4;
    } else {
        return ErrCmd();
    }
    if (selector >= 4) return NotSupported();
    const auto nibble = [&](int shift, int32_t mask = 0xF) -> int64_t { return (value >> shift) & mask; };
    if (selector == 0) {
        // Record order: S2RACT, S2FACT, S1RACT, S1FACT.
        int32_t record[4] = {static_cast<int32_t>(nibble(12)), static_cast<int32_t>(nibble(8)),
                             static_cast<int32_t>(nibble(4)), static_cast<int32_t>(nibble(0))};
        if (Done(sdk_.SetS12CON(gw_, Node(), record, kAck, &r), error))
            Line(
                FormatText("SUCCESS: %s 设置传感器值(S1FACT: %d S1RACT: %d S2FACT: %d S2RACT: %d) "
                           "返回传感器值(S1FACT: %d S1RACT: %d S2FACT: %d S2RACT: %d)",
                           {std::string_view(t_), nibble(0), nibble(4), nibble(8), nibble(12), F(r, 3),
                            F(r, 2), F(r, 1), F(r, 0)}));
    } else if (selector == 1) {
        // Record order: P4LVL, P4EVENT, S3RACT, S3FACT, STLValue.
        int32_t record[5] = {static_cast<int32_t>(nibble(11, 1)), static_cast<int32_t>(nibble(8, 7)),
                             static_cast<int32_t>(nibble(4)), static_cast<int32_t>(nibble(0)),
                             static_cast<int32_t>(nibble(12))};
        if (Done(sdk_.SetS34CON(gw_, Node(), record, kAck, &r), error))
            Line(FormatText(
                "SUCCESS: %s 设置传感器值(S3FACT: %d S3RACT: %d P4LVL:%d P4EVENT: %d STLValue: %d) "
                "返回传感器值(S3FACT: %d S3RACT: %d P4LVL:%d P4EVENT: %d STLValue: %d)",
                {std::string_view(t_), nibble(0), nibble(4), nibble(11, 1), nibble(8, 7), nibble(12), F(r, 3),
                 F(r, 2), F(r, 0), F(r, 1), F(r, 4)}));
    } else {
        const int32_t sent = command::SwapBytes(value);
        const bool high = selector == 2;
        const int32_t result =
            high ? sdk_.SetATCONH(gw_, Node(), sent, kAck, &r) : sdk_.SetATCONL(gw_, Node(), sent, kAck, &r);
        if (Done(result, error))
            Line(FormatText(high ? "SUCCESS: %s 设置传感器值(ATCONH: %08x) 返回传感器值(ATCONH: %08x)"
                                 : "SUCCESS: %s 设置传感器值(ATCONL: %08x) 返回传感器值(ATCONL: %08x)",
                            {std::string_view(t_), int64_t{sent}, F(r, 0)}));
    }
}

void CommandRun::SetAddress() {
    if (GetForm()) return Line(FormatText("ERR: %s errCmd. try SET", {std::string_view(t_)}));
    const int32_t n = N();
    if (Done(sdk_.SetADR(gw_, Node(), static_cast<uint32_t>(n)), "ERR: SET<->%s errno: %d"))
        Line(FormatText("SUCCESS: SET<->%s oldAdr: %d newAdr: %d",
                        {std::string_view(t_), int64_t{node_}, int64_t{n}}));
}

void CommandRun::Sensors() {
    KymReply r{};
    if (!Done(sdk_.KymSFBK(gw_, Node(), &r), "ERR: %s errno: %d")) return;
    float volts;
    std::memcpy(&volts, &r.field[3], sizeof volts);
    Line(FormatText("SUCCESS: %s (S1:%1d,S2:%1d,S3:%1d,AnalogInput:%fV)",
                    {std::string_view(t_), F(r, 0), F(r, 1), F(r, 2), static_cast<double>(volts)}));
}

void CommandRun::Stg() {
    KymReply r{};
    const char* error = "ERR: %s errno: %d";
    if (GetForm()) {
        if (Done(sdk_.GetSTG(gw_, Node(), &r), error))
            Line(Ok("SUCCESS: %s ") + Text("IDS_GET_STG", {F(r, 1), F(r, 2), F(r, 3)}));
        return;
    }
    // "STGX", four hex digits (the time), two decimal digits (the sensor), ";".
    if (t_.size() != 11 || t_.compare(0, 4, "STGX") != 0 ||
        !command::IsHex(std::string_view(t_).substr(4, 4)))
        return ErrCmd();
    const int32_t sensor = command::Decimal(std::string_view(t_).substr(8, 2), 0);
    int32_t record[4] = {sensor + 1, 0, 0, 0};  // index, then the times of S1, S2, S3
    int32_t value = 0;
    if (sensor >= 0 && sensor <= 2) {
        value = command::SwapBytes(command::Hex(std::string_view(t_).substr(4, 4)));
        record[1 + sensor] = value;
    } else {
        Line(FormatText("ERR: %s Sensor nor supported", {std::string_view(t_)}));
    }
    if (Done(sdk_.SetSTG(gw_, Node(), record, 0, nullptr), error))
        Line(Ok("SUCCESS: %s ") + Text("IDS_SET_STG", {int64_t{record[0]}, int64_t{value}}) +
             Text("IDS_GET_STG", {int64_t{record[1]}, int64_t{record[2]}, int64_t{record[3]}}));
}

void CommandRun::Store() {
    KymReply r{};
    if (GetForm()) {
        if (Done(sdk_.KymSTORE(gw_, Node(), kAck, &r), "ERR: %s errno: %d"))
            Line(FormatText("SUCCESS: %s RtnVal: %d", {std::string_view(t_), F(r, 0)}));
        return;
    }
    int32_t n = N();
    if (Done(sdk_.KymAdvSTORE(gw_, Node(), &n, kAck, &r), "ERR: %s errno: %d"))
        Line(FormatText("SUCCESS: %s StoreType: %d RtnVal: %d", {std::string_view(t_), int64_t{n}, F(r, 0)}));
}

void CommandRun::BitRate() {
    int32_t index = 0;
    if (GetForm()) {
        if (Done(sdk_.GetBTR(gw_, &index), "ERR: BTR<->%s errno: %d"))
            Line(FormatText("SUCCESS: BTR<->%s BTR: %s",
                            {std::string_view(t_), std::string_view(BitRateName(index))}));
        return;
    }
    const int32_t n = N();
    if (Done(sdk_.SetBTR(gw_, n, kAck, &index), "ERR: BTR<->%s errno: %d"))
        Line(FormatText(
            "SUCCESS: BTR<->%s NewBTR: %s RtnBTR: %s ",
            {std::string_view(t_), std::string_view(BitRateName(n)), std::string_view(BitRateName(index))}));
}

void CommandRun::Sleep() {
    if (!Has("SLEEP") || !Has(";")) return Line(FormatText("ERR: _sleep3;<->%s", {std::string_view(t_)}));
    const int32_t ms = N(6);
    Line(FormatText("wait %dms............", {int64_t{ms}}));
    if (in_.sleeper_.SleepFor(ms)) Line(FormatText("SUCCESS: _sleep%dms", {int64_t{ms}}));
}

void CommandRun::Greg() {
    uint32_t ids[kMaxDiscovered] = {};
    const int32_t count = sdk_.KymGrobReg(gw_, ids, kMaxDiscovered);
    if (count < 1)
        return Line(FormatText("ERR: GREG<->%s errno: %d", {std::string_view(t_), int64_t{count}}));
    std::string line = FormatText("SUCCESS: GREG<->%s site:", {std::string_view(t_)});
    // Only ids the SDK wrote are listed (some gateways report one node without its id).
    for (int i = 0; i < std::min(count, kMaxDiscovered); ++i)
        if (ids[i] >= 1 && ids[i] <= 125) line += FormatText(" %d", {int64_t{ids[i]}});
    Line(line);
}

void CommandRun::Global() {
    const SdkTable& s = sdk_;
    const int32_t g = N(4);
    // Global commands write under node 0, except GREG and the not-supported line.
    auto send = [&](const char* name, int32_t result) {
        const std::string okFormat = std::string("SUCCESS: ") + name + "<->%s ";
        const std::string errorFormat = std::string("ERR: ") + name + "<->%s errno: %d";
        if (result == 1)
            LineAt(0, FormatText(okFormat, {std::string_view(t_)}));
        else
            LineAt(0, FormatText(errorFormat, {std::string_view(t_), int64_t{result}}));
    };
    auto warnOutside = [&](const char* name, int32_t low, int32_t high) {
        if (g < low || g > high)
            LineAt(0, FormatText(std::string("ERR Para: ") + name + "<->%s Para: %d",
                                 {std::string_view(t_), int64_t{g}}));
    };
    switch (At(1)) {
        case 'A':
            warnOutside("GACR", 0, 99);
            return send("GACR", s.SetgACR(gw_, g));
        case 'C':
            // The SDK's global current export takes no value: the value is only range-checked.
            warnOutside("GCUR", 0, 8);
            return send("GCUR", s.SetgCUR(gw_));
        case 'D':
            warnOutside("GDOU", 0, 1);
            return send("GDOU", s.SetgDOUT(gw_, g));
        case 'M':
            return send("GMCS", s.SetgMCS(gw_, g));
        case 'O':
            if (At(2) == 'F') return send("GOFF", s.SetgOFF(gw_));
            if (At(2) == 'R') return send("GORG", s.SetgORG(gw_));
            return NotSupported();
        case 'P':
            return send("GPOS", s.SetgPOS(gw_, g));
        case 'Q':
            return send("GQEC", s.SetgQEC(gw_, g));
        case 'R':
            return Greg();
        case 'S':
            if (At(2) == 'P') return send("GSPD", s.SetgSPD(gw_, g));
            if (At(2) == 'T') return send("GSTP", s.SetgSTP(gw_, g));
            return NotSupported();
        default:
            return NotSupported();
    }
}

void Interpreter::Execute(std::string_view command, int nodeArgument) const {
    std::string text = command::Normalise(command);
    if (text.empty()) return;
    const bool global = text[0] == 'G';
    if (!global && text.find("MDL") == std::string::npos && text.find("ADR") == std::string::npos) {
        if (nodeArgument == 0 || IsNodeId(nodeArgument)) state_.currentNode.store(nodeArgument);
        const int current = state_.currentNode.load();
        if (current != 0 && !IsNodeId(current)) {
            log_.Write(current, FormatText(kNodeRange, {std::string_view(text), int64_t{current}}));
            return;
        }
    }
    const int node = state_.currentNode.load();
    // The program's command buffer holds 30 characters before the ';': longer commands are refused.
    const size_t semicolon = command.find(';');
    if ((semicolon == std::string_view::npos ? command.size() : semicolon) > command::kMaxCommandLength) {
        log_.Write(node, FormatText("ERR: %s Cmd too long", {std::string_view(text)}));
        return;
    }
    CommandRun run(*this, std::move(text), node);
    if (global)
        run.Global();
    else
        run.Dispatch();
}

void Interpreter::RunList(const std::vector<std::string>& commands, int nodeArgument) const {
    for (const std::string& command : commands) {
        if (sleeper_.IsShutDown()) return;  // the program is ending: no further commands
        Execute(command, nodeArgument);
    }
}

std::vector<std::string> Interpreter::CutOrExplain(std::string_view text) const {
    std::vector<std::string> commands = command::Cut(text);
    if (commands.empty()) messages_.Show(kApplicationTitle, kNoCommand);
    return commands;
}

void Interpreter::RunText(std::string_view text, int nodeArgument) const {
    RunList(CutOrExplain(text), nodeArgument);
}

}  // namespace norvane::bench
