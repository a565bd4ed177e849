#pragma once
// Gateway kinds: the number a handle carries in bits 8-23, and everything the exports derive from
// it (which gateway object serves it, which protocol generation it speaks, where its search
// parameters sit, the handle base of its port list). Pure data and lookups: no state, no lock,
// any thread may call.
#include <cstdint>
#include <optional>
#include <span>

namespace norvane::sdk {

/// The seven process-wide gateway objects (see gateway_registry.h).
enum class GatewaySlot { Serial, Uart, Ethernet, LegacyEthernet, Pci, Usb, Zone };
constexpr int kGatewaySlots = 7;

// Second-generation protocol.
constexpr uint32_t kKindRs232 = 1;
constexpr uint32_t kKindUsb = 4;
constexpr uint32_t kKindPci = 8;
constexpr uint32_t kKindEthernet = 16;
constexpr uint32_t kKindUart = 32;
// First-generation protocol.
constexpr uint32_t kKindRs232FirstGen = 256;
constexpr uint32_t kKindWorkBlock = 1024;  ///< no gateway: its search and close handle a work block
constexpr uint32_t kKindPciFirstGen = 2048;
constexpr uint32_t kKindUsbFirstGen = 4096;
constexpr uint32_t kKindEthernetFirstGen = 8192;
constexpr uint32_t kKindUartFirstGen = 16384;
constexpr uint32_t kKindZone = 32768;

/// Search masks: the bits of the five second-generation kinds; any bit of kFirstGenKindBits makes a
/// search use the first-generation protocol.
constexpr uint32_t kSecondGenKindBits = kKindRs232 | kKindUsb | kKindPci | kKindEthernet | kKindUart;
constexpr uint32_t kFirstGenKindBits = 0xFF00;

/// The second-generation kinds in the order the searches visit them.
inline constexpr uint32_t kKindSearchOrder[] = {kKindRs232, kKindUart, kKindEthernet, kKindPci, kKindUsb};

enum class Generation { None, Second, First };

struct GatewayKind {
    uint32_t kind;
    const char* name;
    Generation generation;
    std::optional<GatewaySlot> slot;  ///< gateway object serving the kind; none for kKindWorkBlock
    bool dispatched;                  ///< set/get requests reach the slot (kKindUartFirstGen: rejected)
    uint32_t otherGeneration;         ///< same gateway in the other protocol generation, 0 if none
    int paramWord;  ///< first of its two words in the search parameters; -1 if searched otherwise
};

/// Every kind a handle may carry meaningfully, in ascending order.
std::span<const GatewayKind> GatewayKinds();
/// The table entry of a kind, or null for a number that is no gateway kind.
const GatewayKind* FindGatewayKind(uint32_t kind);

/// Slot the set/get dispatchers route a kind to; none for a rejected kind (1024, 16384) and for
/// numbers outside the table.
std::optional<GatewaySlot> SlotForKind(uint32_t kind);
/// Gateway object serving a kind, whether or not the dispatchers accept it (16384 is the UART's).
std::optional<GatewaySlot> GatewaySlotOf(uint32_t kind);

bool IsSecondGenKind(uint32_t kind);
/// The first-generation form of one of the five second-generation gateways (256, 2048, 4096,
/// 8192, 16384): the zone device, first generation only, is not one.
bool IsFirstGenFormKind(uint32_t kind);

/// Gateway kind of a handle: (handle >> 8) & 0xFFFF.
constexpr uint32_t KindOf(uint32_t handle) {
    return (handle >> 8) & 0xFFFF;
}
/// Handle of a port: (kind << 8 | index) & 0xFFFFFF.
constexpr uint32_t MakeHandle(uint32_t kind, uint32_t index) {
    return ((kind << 8) | index) & 0xFFFFFF;
}
/// Handle of a kind's port 0, the base its port ids are ORed into.
constexpr uint32_t IdBase(uint32_t kind) {
    return MakeHandle(kind, 0);
}

}  // namespace norvane::sdk
