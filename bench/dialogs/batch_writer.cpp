#include "bench/dialogs/batch_writer.h"

#include "bench/core/file_text.h"
#include "bench/core/text_format.h"
#include "bench/dialogs/param_csv.h"
#include "bench/dialogs/register_words.h"

namespace norvane::bench {

namespace {

// Positions in kBatchKeys.
enum Key : size_t {
    kIcfg,
    kEnaTime,
    kCur,
    kAcr,
    kMcs,
    kMcfg,
    kSqt,
    kQer,
    kBlc,
    kMacc,
    kMdec,
    kMmss,
    kMmds,
    kS12Con,
    kS34Con,
    kStg1,
    kStg2,
    kStg3,
    kSpd,
    kStp,
    kQec
};

constexpr const char* kOpenFailed = "Open csv fail!";

// Status record fields of KymACK / KymFBK.
constexpr size_t kStatusEna = 1, kStatusMcs = 4, kStatusCur = 5;

int MotionSlot(size_t key) {
    switch (key) {
        case kSpd:
            return 0;
        case kStp:
            return 1;
        case kMacc:
            return 2;
        case kMdec:
            return 3;
        case kMmss:
            return 4;
        case kMmds:
            return 5;
        default:
            return -1;
    }
}

size_t KeyOf(const BatchRow& row) {
    return *BatchKeyIndex(row.key);  // every row's key was accepted at import
}

}  // namespace

BatchWriter::BatchWriter(const SdkTable& sdk, const Language& language, UserMessages& messages,
                         uint32_t gateway, int node, Wait wait)
    : sdk_(sdk),
      language_(language),
      messages_(messages),
      gateway_(gateway),
      node_(node),
      wait_(std::move(wait)) {}

void BatchWriter::Message(const std::string& body) {
    messages_.Show(kApplicationTitle, body);
}

bool BatchWriter::NeedsList() {
    if (!rows_.empty()) return false;
    Message(Text("IDS_OPEN_DATA_FILE_WARNING"));
    return true;
}

void BatchWriter::CacheMotion(size_t key, int32_t value) {
    if (const int slot = MotionSlot(key); slot >= 0) cache_[static_cast<size_t>(slot)] = value;
}

bool BatchWriter::ImportText(std::string_view text) {
    CsvImport parsed = ParseParameterCsv(text);
    rows_.clear();
    if (parsed.refused) {
        Message(FormatText("%s Not support", {std::string_view(*parsed.refused)}));
        return false;
    }
    for (CsvLine& line : parsed.lines) {
        BatchRow row;
        row.setValue = LeadingInteger(line.value);
        row.key = std::move(line.key);
        row.value = std::move(line.value);
        // Write EEPROM right after an import stores the file's motion values, not zeros.
        CacheMotion(KeyOf(row), row.setValue);
        rows_.push_back(std::move(row));
    }
    info_ = Text("IDS_IMPORT_SUCCEESS");
    enabled_ = true;
    return true;
}

bool BatchWriter::ImportFile(const std::string& path) {
    const auto text = ReadFileText(path);
    if (!text) {
        Message(kOpenFailed);
        return false;
    }
    return ImportText(*text);
}

std::string BatchWriter::ExportText() const {
    std::vector<CsvLine> lines;
    for (const BatchRow& row : rows_) lines.push_back({row.key, row.value});
    return FormatParameterCsv(lines);
}

bool BatchWriter::ExportFile(const std::string& path) {
    if (NeedsList()) return false;
    if (!WriteFileText(path, ExportText())) {
        Message(kOpenFailed);
        return false;
    }
    info_ = Text("IDS_EXPORT_SUCCEESS");
    return true;
}

BatchWriter::Access BatchWriter::ReadKey(size_t key, int32_t setValue) {
    const uint32_t h = gateway_, n = static_cast<uint32_t>(node_);
    KymReply r{};
    auto get = [&](int32_t result, size_t field = 0) {
        return Access{result == 1, result == 1 ? r.field[field] : 0};
    };
    Access a;
    switch (key) {
        case kIcfg:
            a = get(sdk_.GetKymICFG(h, n, &r));
            wait_(500);
            return a;
        case kEnaTime:
            return get(sdk_.KymGetAdvENA(h, n, &r));
        case kCur:
            return get(sdk_.KymACK(h, n, &r), kStatusCur);
        case kMcs:
            return get(sdk_.KymACK(h, n, &r), kStatusMcs);
        case kAcr:
            return get(sdk_.GetACR(h, n, &r));
        case kMcfg:
            return get(sdk_.GetKymMCFG(h, n, &r));
        case kSqt:
            return get(sdk_.GetSQT(h, n, &r));
        case kQer:
            return get(sdk_.GetQER(h, n, &r));
        case kBlc:
            return get(sdk_.GetBLC(h, n, &r));
        case kMacc:
            a = get(sdk_.GetmACC(h, n, &r));
            break;
        case kMdec:
            a = get(sdk_.GetmDEC(h, n, &r));
            break;
        case kMmss:
            a = get(sdk_.GetmMSS(h, n, &r));
            break;
        case kMmds:
            a = get(sdk_.GetmMDS(h, n, &r));
            break;
        case kS12Con:
            a = get(sdk_.GetS12CON(h, n, &r));
            if (a.ok) a.value = S12Con::FromRecord(r).Word();
            return a;
        case kS34Con:
            a = get(sdk_.GetS34CON(h, n, &r));
            if (a.ok) a.value = S34Con::FromRecord(r).Word();
            return a;
        case kStg1:
        case kStg2:
        case kStg3: {
            const size_t slot = key - kStg1 + 1;
            r.field[0] = static_cast<int32_t>(slot);
            return get(sdk_.GetSTG(h, n, &r), slot);
        }
        case kSpd:
        case kStp:
            // Not read from the device: the file's value stands, and goes to the motion cache.
            a = {true, setValue};
            break;
        case kQec:
            return get(sdk_.GetQEC(h, n, &r));
        default:
            return a;
    }
    if (a.ok) CacheMotion(key, a.value);
    return a;
}

BatchWriter::Access BatchWriter::WriteKey(size_t key, int32_t value) {
    const uint32_t h = gateway_, n = static_cast<uint32_t>(node_);
    KymReply r{};
    auto set = [&](int32_t result, size_t field = 0) {
        return Access{result == 1, result == 1 ? r.field[field] : 0};
    };
    // A set without acknowledgement, then the status record for the value the node holds.
    auto setThenStatus = [&](int32_t result, size_t field) {
        if (result != 1) return Access{};
        r = KymReply{};
        return set(sdk_.KymACK(h, n, &r), field);
    };
    switch (key) {
        case kIcfg: {
            const Access a = set(sdk_.SetKymICFG(h, n, &value, 1, &r));
            wait_(300);
            KymReply ack{};
            sdk_.KymOFF(h, n, 1, &ack);
            wait_(300);
            return a;
        }
        case kEnaTime:
            return set(sdk_.KymAdvENA(h, n, value, 1, &r));
        case kCur:
            return setThenStatus(sdk_.SetCUR(h, n, value, 0, &r), kStatusCur);
        case kMcs:
            return setThenStatus(sdk_.SetMCS(h, n, value, 0, &r), kStatusMcs);
        case kAcr:
            return set(sdk_.SetACR(h, n, value, 1, &r));
        case kMcfg:
            return set(sdk_.SetKymMCFG(h, n, &value, 1, &r));
        case kSqt:
            return set(sdk_.SetSQT(h, n, value, 1, &r));
        case kQer:
            return set(sdk_.SetQER(h, n, value, 1, &r));
        case kBlc:
            return set(sdk_.SetBLC(h, n, value, 1, &r));
        case kMacc:
            CacheMotion(key, value);
            return set(sdk_.SetmACC(h, n, value, 1, &r));
        case kMdec:
            CacheMotion(key, value);
            return set(sdk_.SetmDEC(h, n, value, 1, &r));
        case kMmss:
            CacheMotion(key, value);
            return set(sdk_.SetmMSS(h, n, value, 1, &r));
        case kMmds:
            CacheMotion(key, value);
            return set(sdk_.SetmMDS(h, n, value, 1, &r));
        case kS12Con: {
            const auto record = S12Con::FromWord(static_cast<uint32_t>(value)).codes;
            Access a = set(sdk_.SetS12CON(h, n, record.data(), 1, &r));
            if (a.ok) a.value = S12Con::FromRecord(r).Word();
            return a;
        }
        case kS34Con: {
            const auto record = S34Con::FromWord(static_cast<uint32_t>(value)).Record();
            Access a = set(sdk_.SetS34CON(h, n, record.data(), 1, &r));
            if (a.ok) a.value = S34Con::FromRecord(r).Word();
            return a;
        }
        case kStg1:
        case kStg2:
        case kStg3: {
            const size_t slot = key - kStg1 + 1;
            std::array<int32_t, 4> record{static_cast<int32_t>(slot), 0, 0, 0};
            record[slot] = value;
            return set(sdk_.SetSTG(h, n, record.data(), 1, &r), slot);
        }
        case kSpd:
            CacheMotion(key, value);
            return set(sdk_.SetSPD(h, n, value, 1, &r));
        case kStp:
            CacheMotion(key, value);
            return set(sdk_.SetSTP(h, n, value, 1, &r));
        case kQec:
            return set(sdk_.SetQEC(h, n, value, 1, &r));
        default:
            return {};
    }
}

void BatchWriter::Read() {
    if (NeedsList()) return;
    bool all = true;
    for (BatchRow& row : rows_) {
        const Access a = ReadKey(KeyOf(row), row.setValue);
        // A failed read keeps the value column: a later Write must not send a made-up value.
        if (a.ok) row.value = std::to_string(a.value);
        row.result = Text(a.ok ? "IDS_READ_OK" : "IDS_READ_FAIL");
        all = all && a.ok;
    }
    info_ = Text(all ? "IDS_READ_ALL_PARA_SUCUESS" : "IDS_SOME_PARA_READ_FAIL_CHECK_IT");
}

void BatchWriter::Write() {
    if (NeedsList()) return;
    const uint32_t h = gateway_, n = static_cast<uint32_t>(node_);
    KymReply ack{};
    sdk_.KymOFF(h, n, 1, &ack);  // its result does not matter: every row is checked on its own
    wait_(300);
    bool all = true;
    for (BatchRow& row : rows_) {
        const size_t key = KeyOf(row);
        const int32_t value = LeadingInteger(row.value);
        Access now = ReadKey(key, value);
        bool pass = now.ok && now.value == value;
        if (!pass) {
            KymReply status{};
            if (sdk_.KymFBK(h, n, &status) == 1 && status.field[kStatusEna] != 0) {
                sdk_.KymOFF(h, n, 1, &ack);
                wait_(300);
            }
            wait_(3);
            now = WriteKey(key, value);
            pass = now.ok && now.value == value;
        }
        row.result = pass ? Text("IDS_PASS")
                          : Text("IDS_FAIL") + FormatText("Ret:%d", {int64_t{now.ok ? now.value : -1}});
        all = all && pass;
    }
    info_ = Text(all ? "IDS_WRITE_ALL_PARA_SUCUESS" : "IDS_SOME_PARA_WRITE_OR_CHECK_FAIL_CHECK_IT");
}

void BatchWriter::WriteEeprom() {
    // An emptied list (an import that was refused) must not store anything.
    if (NeedsList()) return;
    const uint32_t h = gateway_, n = static_cast<uint32_t>(node_);
    KymReply r{};
    sdk_.KymOFF(h, n, 1, &r);
    wait_(300);
    auto stored = [&](int32_t slot) {
        const auto& c = cache_;
        return sdk_.SetSPD(h, n, c[0], 1, &r) == 1 && sdk_.SetSTP(h, n, c[1], 1, &r) == 1 &&
               sdk_.SetmACC(h, n, c[2], 1, &r) == 1 && sdk_.SetmDEC(h, n, c[3], 1, &r) == 1 &&
               sdk_.SetmMSS(h, n, c[4], 1, &r) == 1 && sdk_.SetmMDS(h, n, c[5], 1, &r) == 1 &&
               sdk_.KymAdvSTORE(h, n, &slot, 1, &r) == 1;
    };
    for (int32_t slot = 0; slot < 8; ++slot) {
        if (!stored(slot)) {
            info_ = Text("IDS_WRITE_FAIL");
            return;
        }
        wait_(200);
    }
    info_ = Text("IDS_WRITE_OK");
}

}  // namespace norvane::bench
