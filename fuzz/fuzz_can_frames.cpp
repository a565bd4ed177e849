// Received CAN frame records of a raw CAN channel: any bytes, decoded in both generations, give
// one message per whole record (length at most 15, data within the record), leave a partial
// record waiting, and survive the conversion to and from the card library's frame.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "sdk/can/can_wire_format.h"
#include "sdk/can/halbox_link.h"

using namespace norvane::sdk;
using namespace norvane::sdk::can;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto unit = std::make_unique<ReceivedUnit>();
    for (const bool legacy : {false, true}) {
        CanWireFormat format(legacy);
        std::vector<uint8_t> buffer(data, data + size);
        size_t count = size;
        size_t taken = 0;
        for (;;) {
            format.Take(buffer.data(), count, buffer.size(), *unit);
            if (unit->kind == ReceivedUnit::Kind::None) break;
            ++taken;
            if (unit->message.length > 15) std::abort();
        }
        if (taken != size / kRecordBytes || count != size % kRecordBytes) std::abort();
    }
    if (size >= kRecordBytes) {
        KymCanFrame record;
        std::memcpy(&record, data, kRecordBytes);
        const MarlixFrame frame = ToMarlixFrame(record);
        if (frame.length > 8) std::abort();
        const KymCanFrame back = FromMarlixFrame(frame);
        if (back.identifier != record.identifier || back.length != frame.length) std::abort();
    }
    return 0;
}
