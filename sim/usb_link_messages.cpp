#include "sim/usb_link_messages.h"

namespace norvane::sim::usblink {
namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool KnownType(uint8_t type) {
    return type >= static_cast<uint8_t>(Type::List) && type <= static_cast<uint8_t>(Type::Reset);
}

}  // namespace

std::vector<uint8_t> Encode(const Request& request) {
    std::vector<uint8_t> out{static_cast<uint8_t>(request.type), request.slot, 0, 0};
    Put32(out, request.value);
    Put32(out, static_cast<uint32_t>(request.payload.size()));
    out.insert(out.end(), request.payload.begin(), request.payload.end());
    return out;
}

std::vector<uint8_t> Encode(const Answer& answer) {
    std::vector<uint8_t> out;
    Put32(out, static_cast<uint32_t>(answer.result));
    Put32(out, static_cast<uint32_t>(answer.payload.size()));
    out.insert(out.end(), answer.payload.begin(), answer.payload.end());
    return out;
}

Decoded DecodeRequest(const uint8_t* bytes, size_t size, Request& out, size_t& used) {
    if (size < kHeaderBytes) return Decoded::NeedMore;
    if (!KnownType(bytes[0])) return Decoded::Malformed;
    const uint32_t length = Get32(bytes + 8);
    if (length > kMaxPayload) return Decoded::Malformed;
    if (size < kHeaderBytes + length) return Decoded::NeedMore;
    out.type = static_cast<Type>(bytes[0]);
    out.slot = bytes[1];
    out.value = Get32(bytes + 4);
    out.payload.assign(bytes + kHeaderBytes, bytes + kHeaderBytes + length);
    used = kHeaderBytes + length;
    return Decoded::Complete;
}

Decoded DecodeAnswer(const uint8_t* bytes, size_t size, Answer& out, size_t& used) {
    if (size < kAnswerHeaderBytes) return Decoded::NeedMore;
    const uint32_t length = Get32(bytes + 4);
    if (length > kMaxPayload) return Decoded::Malformed;
    if (size < kAnswerHeaderBytes + length) return Decoded::NeedMore;
    out.result = static_cast<int32_t>(Get32(bytes));
    out.payload.assign(bytes + kAnswerHeaderBytes, bytes + kAnswerHeaderBytes + length);
    used = kAnswerHeaderBytes + length;
    return Decoded::Complete;
}

}  // namespace norvane::sim::usblink
