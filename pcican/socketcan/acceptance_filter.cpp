#include "pcican/socketcan/acceptance_filter.h"

namespace norvane::halbox::socketcan {
namespace {

/// Compares the bits of word selected by compare with the acceptance code, skipping don't-care bits.
bool Matches(const AcceptanceFilter& f, uint32_t word, uint32_t compare) {
    return ((word ^ f.code) & ~f.mask & compare) == 0;
}

/// One kernel filter for an identifier part: bits of code/mask at shift, width bits wide, placed at
/// the identifier's bit idShift; the RTR bit at rtrBit of code/mask (-1: not compared).
can_filter Part(const AcceptanceFilter& f, bool extended, int shift, int width, int idShift, int rtrBit) {
    const uint32_t ones = (1u << width) - 1;
    const uint32_t id = ((f.code >> shift) & ones) << idShift;
    const uint32_t care = (~(f.mask >> shift) & ones) << idShift;
    can_filter out{};
    out.can_id = id | (extended ? CAN_EFF_FLAG : 0);
    out.can_mask = care | CAN_EFF_FLAG;
    if (rtrBit >= 0 && !((f.mask >> rtrBit) & 1u)) {
        out.can_mask |= CAN_RTR_FLAG;
        if ((f.code >> rtrBit) & 1u) out.can_id |= CAN_RTR_FLAG;
    }
    out.can_id &= out.can_mask;
    return out;
}

}  // namespace

AcceptanceFilter FilterOf(const MarlixInitConfig& config) {
    return AcceptanceFilter{config.acceptanceCode, config.acceptanceMask, config.filterMode == 0};
}

bool Accepts(const AcceptanceFilter& f, const MarlixFrame& frame) {
    const uint32_t rtr = frame.remote ? 1u : 0u;
    const uint32_t length = frame.remote ? 0u : frame.length;
    if (frame.extended) {
        const uint32_t id = frame.identifier & CAN_EFF_MASK;
        if (f.single) return Matches(f, id << 3 | rtr << 2, 0xFFFFFFFCu);
        return Matches(f, (id >> 13) << 16, 0xFFFF0000u) || Matches(f, id >> 13, 0x0000FFFFu);
    }
    const uint32_t id = frame.identifier & CAN_SFF_MASK;
    const uint32_t head = (id >> 3) << 8 | (id & 7u) << 5 | rtr << 4;  // identifier and RTR, 12 bits
    if (f.single) {
        const uint32_t word = head << 16 | uint32_t{frame.data[0]} << 8 | frame.data[1];
        return Matches(f, word, 0xFFF00000u | (length >= 1 ? 0xFF00u : 0) | (length >= 2 ? 0xFFu : 0));
    }
    const uint32_t d0 = frame.data[0];
    const uint32_t first = head << 16 | (d0 >> 4) << 16 | (d0 & 0x0Fu);
    return Matches(f, first, 0xFFF00000u | (length >= 1 ? 0x000F000Fu : 0)) || Matches(f, head, 0x0000FFF0u);
}

std::vector<can_filter> KernelFilters(const AcceptanceFilter& f) {
    if (f.mask == 0xFFFFFFFFu) return {can_filter{0, 0}};
    if (f.single) {
        // Standard: identifier bits 31-21, RTR bit 20. Extended: identifier bits 31-3, RTR bit 2.
        return {Part(f, false, 21, 11, 0, 20), Part(f, true, 3, 29, 0, 2)};
    }
    // Standard: filter 1 bits 31-21 and RTR 20, filter 2 bits 15-5 and RTR 4. Extended: identifier
    // bits 28-13 in bits 31-16 (filter 1) and 15-0 (filter 2).
    return {Part(f, false, 21, 11, 0, 20), Part(f, false, 5, 11, 0, 4), Part(f, true, 16, 16, 13, -1),
            Part(f, true, 0, 16, 13, -1)};
}

bool KernelMatches(const can_filter& filter, canid_t id) {
    return (id & filter.can_mask) == (filter.can_id & filter.can_mask);
}

}  // namespace norvane::halbox::socketcan
