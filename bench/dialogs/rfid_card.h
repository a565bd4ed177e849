#pragma once
// RFID card geometry and the hexadecimal texts of keys and blocks. S40 cards have sectors 0-15
// of 4 blocks; S70 cards sectors 0-31 of 4 blocks and 32-39 of 16 blocks. Pure.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::bench {

enum class CardType { S40, S70 };

int SectorCount(CardType type);
int BlocksInSector(CardType type, int sector);
/// Absolute block number of block b of sector s.
int AbsoluteBlock(CardType type, int sector, int block);

/// count bytes from the first 2 x count characters, pair by pair (high digit first). Fails on a
/// shorter text or a pair that is not two hexadecimal digits.
std::optional<std::vector<uint8_t>> HexToBytes(std::string_view text, size_t count);
/// Two upper-case hexadecimal digits per byte.
std::string BytesToHex(const uint8_t* bytes, size_t count);

/// A sector trailer's text split into key A (12), access bits (8) and key B (12 characters).
struct TrailerTexts {
    std::string keyA, access, keyB;
};
TrailerTexts SplitTrailer(const std::string& text);

}  // namespace norvane::bench
