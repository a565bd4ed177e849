#include "bench/dialogs/rfid_card.h"

namespace norvane::bench {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

int SectorCount(CardType type) {
    return type == CardType::S70 ? 40 : 16;
}

int BlocksInSector(CardType type, int sector) {
    return type == CardType::S70 && sector >= 32 ? 16 : 4;
}

int AbsoluteBlock(CardType type, int sector, int block) {
    if (type == CardType::S70 && sector >= 32) return (sector - 24) * 16 + block;
    return sector * 4 + block;
}

std::optional<std::vector<uint8_t>> HexToBytes(std::string_view text, size_t count) {
    if (text.size() < 2 * count) return std::nullopt;
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) {
        const int high = HexDigit(text[2 * i]), low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
    }
    return bytes;
}

std::string BytesToHex(const uint8_t* bytes, size_t count) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

TrailerTexts SplitTrailer(const std::string& text) {
    auto part = [&](size_t at, size_t length) {
        return at < text.size() ? text.substr(at, length) : std::string();
    };
    return {part(0, 12), part(12, 8), part(20, 12)};
}

}  // namespace norvane::bench
