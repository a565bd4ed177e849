#pragma once
// The command names of both text dialects, shared by the encoders and the readers so that a
// text reads back as the command it was built from (internal to the codec).
#include <cstdint>

namespace norvane::sdk::text {

struct Mnemonic {
    uint8_t number;
    const char* name;
};

// Second generation: commands sent as the mnemonic followed by the value text.
inline constexpr Mnemonic kPlainCommands[] = {
    {0x01, "ENA"},   {0x02, "OFF"},   {0x03, "ORG"},  {0x04, "DOUT"}, {0x06, "ACR"},  {0x07, "SPD"},
    {0x08, "MCS"},   {0x09, "CUR"},   {0x0A, "STP"},  {0x0B, "POS"},  {0x0C, "QEC"},  {0x16, "GOFF"},
    {0x18, "GDOUT"}, {0x1A, "GACR"},  {0x1C, "GMCS"}, {0x1D, "GCUR"}, {0x2A, "MACC"}, {0x2B, "MDEC"},
    {0x2C, "MMSS"},  {0x2D, "MMDS"},  {0x2E, "MCFG"}, {0x2F, "SCFG"}, {0x30, "STG"},  {0x34, "BDR"},
    {0x35, "BTR"},   {0x36, "STORE"}, {0x38, "QER"},  {0x3A, "SQT"},  {0x3B, "BLC"},  {0x3D, "FBK"},
    {0x3E, "NRD"},   {0x3F, "SFBK"},  {0x40, "gREG"}, {0x42, "NBD"},  {0x47, "IOC"},  {0x48, "DVA"},
    {0x49, "PMD"},   {0x4A, "PMB"},   {0x4B, "PBR"},  {0x4C, "AVA"},  {0x51, "ICFG"}, {0x52, "OPR"},
    {0x53, "DMA"},   {0x56, "RPT"},   {0x57, "RPC"},
};

// Second generation: global commands, the mnemonic and value text, always in the short wrapper.
inline constexpr Mnemonic kGlobalCommands[] = {
    {0x17, "gORG"}, {0x1B, "gSPD"}, {0x1E, "gSTP"}, {0x1F, "gPOS"}, {0x20, "gQEC"},
};

// Second generation: the address change and the model request.
inline constexpr Mnemonic kSetAddress = {0x33, "SETADR"};
inline constexpr Mnemonic kModel = {0x41, "MDL"};

// First generation: how the index is printed between brackets.
enum class IndexForm : uint8_t { None, Signed, Unsigned };

// First generation: commands of the form "xx%s;" or "xx[index]%s;" with the value text.
struct LegacyCommand {
    uint8_t number;
    char name[3];
    IndexForm index;
};

// 0x20 and 0x24 share "pa": a text reads back as 0x20, the first.
inline constexpr LegacyCommand kLegacyCommands[] = {
    {0x01, "pp", IndexForm::Signed},   {0x06, "ic", IndexForm::Unsigned}, {0x07, "ie", IndexForm::Unsigned},
    {0x0A, "sv", IndexForm::None},     {0x0E, "tm", IndexForm::None},     {0x10, "mt", IndexForm::Signed},
    {0x14, "rg", IndexForm::None},     {0x15, "mo", IndexForm::None},     {0x16, "bg", IndexForm::None},
    {0x17, "st", IndexForm::None},     {0x18, "mf", IndexForm::None},     {0x19, "ac", IndexForm::None},
    {0x1A, "dc", IndexForm::None},     {0x1B, "ss", IndexForm::None},     {0x1C, "sd", IndexForm::None},
    {0x1D, "jv", IndexForm::None},     {0x1E, "sp", IndexForm::None},     {0x1F, "pr", IndexForm::None},
    {0x20, "pa", IndexForm::None},     {0x21, "og", IndexForm::None},     {0x22, "mp", IndexForm::Signed},
    {0x23, "pv", IndexForm::None},     {0x24, "pa", IndexForm::None},     {0x25, "qp", IndexForm::Unsigned},
    {0x26, "qv", IndexForm::Unsigned}, {0x27, "qt", IndexForm::Unsigned}, {0x28, "qa", IndexForm::Unsigned},
    {0x2C, "lm", IndexForm::Unsigned}, {0x2D, "bl", IndexForm::None},     {0x2E, "dv", IndexForm::Signed},
    {0x33, "io", IndexForm::Signed},   {0x34, "il", IndexForm::Signed},   {0x35, "tg", IndexForm::Signed},
    {0x36, "ai", IndexForm::Signed},   {0x37, "di", IndexForm::None},     {0x3A, "ti", IndexForm::None},
    {0x3D, "qe", IndexForm::Signed},   {0x51, "op", IndexForm::None},     {0x7E, "sy", IndexForm::None},
};

}  // namespace norvane::sdk::text
