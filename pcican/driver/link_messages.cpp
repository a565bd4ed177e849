#include "pcican/driver/link_messages.h"

#include <cstring>

namespace norvane::halbox::link {
namespace {

void PutLe(uint8_t* out, uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe(const uint8_t* in, size_t count) {
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i) v |= uint32_t{in[i]} << (8 * i);
    return v;
}

/// Whether a header's count and data length fit its type.
bool LengthsFit(Type type, uint16_t count, uint16_t dataLength) {
    switch (type) {
        case Type::Read:
            return count <= kMaxRead && dataLength == 0;
        case Type::ReadAnswer:
            return count <= kMaxRead && dataLength == count;
        case Type::Write:
            return count <= kMaxWrite && dataLength == count;
        default:
            return dataLength == 0;
    }
}

}  // namespace

size_t Encode(const Message& message, uint8_t* out) {
    out[0] = static_cast<uint8_t>(message.type);
    out[1] = message.channel;
    out[2] = message.status;
    out[3] = 0;
    PutLe(out + 4, message.address, 4);
    PutLe(out + 8, message.count, 2);
    const uint16_t length = message.dataLength > kMaxWrite ? kMaxWrite : message.dataLength;
    PutLe(out + 10, length, 2);
    PutLe(out + 12, message.tag, 4);
    std::memcpy(out + kHeaderSize, message.data, length);
    return kHeaderSize + length;
}

DecodeResult Decode(const uint8_t* bytes, size_t size, Message& out, size_t& consumed) {
    if (size < kHeaderSize) return DecodeResult::NeedMore;
    const uint8_t type = bytes[0];
    if (type < static_cast<uint8_t>(Type::Hello) || type > static_cast<uint8_t>(Type::BeforeWaitAnswer))
        return DecodeResult::Malformed;
    const auto count = static_cast<uint16_t>(GetLe(bytes + 8, 2));
    const auto dataLength = static_cast<uint16_t>(GetLe(bytes + 10, 2));
    if (bytes[3] != 0 || !LengthsFit(static_cast<Type>(type), count, dataLength))
        return DecodeResult::Malformed;
    if (size < kHeaderSize + dataLength) return DecodeResult::NeedMore;
    out.type = static_cast<Type>(type);
    out.channel = bytes[1];
    out.status = bytes[2];
    out.address = GetLe(bytes + 4, 4);
    out.count = count;
    out.dataLength = dataLength;
    out.tag = GetLe(bytes + 12, 4);
    std::memcpy(out.data, bytes + kHeaderSize, dataLength);
    consumed = kHeaderSize + dataLength;
    return DecodeResult::Complete;
}

Type AnswerOf(Type request) {
    switch (request) {
        case Type::Hello:
            return Type::HelloAnswer;
        case Type::Read:
            return Type::ReadAnswer;
        case Type::Write:
            return Type::WriteAnswer;
        case Type::Notify:
            return Type::NotifyAnswer;
        case Type::OpenClose:
            return Type::OpenCloseAnswer;
        case Type::BeforeWait:
            return Type::BeforeWaitAnswer;
        default:
            return request;
    }
}

}  // namespace norvane::halbox::link
