#include "pcican/frame_buffer.h"

#include <algorithm>
#include <cstring>

namespace norvane::halbox {

uint8_t FrameInformation(const MarlixFrame& frame) {
    return static_cast<uint8_t>((frame.extended ? 0x80 : 0) | (frame.remote ? 0x40 : 0) |
                                std::min<uint8_t>(frame.length, 8));
}

size_t EncodeFrameIdentifier(const MarlixFrame& frame, uint8_t out[5]) {
    out[0] = FrameInformation(frame);
    const uint32_t id = frame.identifier;
    if (frame.extended) {
        out[1] = static_cast<uint8_t>(id >> 21);
        out[2] = static_cast<uint8_t>(id >> 13);
        out[3] = static_cast<uint8_t>(id >> 5);
        out[4] = static_cast<uint8_t>((id & 0x1F) << 3);
        return 4;
    }
    out[1] = static_cast<uint8_t>(id >> 3);
    out[2] = static_cast<uint8_t>((id & 0x07) << 5);
    return 2;
}

MarlixFrame DecodeFrameBuffer(const uint8_t bytes[kFrameBufferBytes]) {
    MarlixFrame f;
    std::memset(&f, 0, sizeof f);
    f.extended = (bytes[0] & 0x80) ? 1 : 0;
    f.remote = (bytes[0] & 0x40) ? 1 : 0;
    f.length = std::min<uint8_t>(bytes[0] & 0x0F, 8);
    const uint8_t* data;
    if (f.extended) {
        f.identifier = uint32_t{bytes[1]} << 21 | uint32_t{bytes[2]} << 13 | uint32_t{bytes[3]} << 5 |
                       uint32_t{bytes[4]} >> 3;
        data = bytes + 5;
    } else {
        f.identifier = uint32_t{bytes[1]} << 3 | uint32_t{bytes[2]} >> 5;
        data = bytes + 3;
    }
    std::memcpy(f.data, data, f.length);
    return f;
}

}  // namespace norvane::halbox
