// Host bytes as the simulated gateways read them: the frame finder fed in random pieces, the
// command texts carried by 0x23 frames or cut from a serial line, the simulator's configuration
// text, and what a SocketCAN stand-in reads: client messages cut into records and bit-rate files.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "sim/command_text.h"
#include "sim/host_frames.h"
#include "sim/reply_frames.h"
#include "sim/sim_config.h"
#include "sim/socketcan_frames.h"
#include "sim/socketcan_link.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> input(data, data + size);  // exact-size heap copy
    if (input.empty()) return 0;
    const uint8_t selector = input[0];
    const uint8_t* bytes = input.data() + 1;
    const size_t count = input.size() - 1;

    switch (selector % 3) {
        case 0: {
            // Frame finder with a small limit so length checks are exercised; piece size from the selector.
            norvane::sim::HostFrameParser parser(64);
            const size_t piece = 1 + (selector >> 2);
            for (size_t at = 0; at < count; at += piece) {
                const size_t n = count - at < piece ? count - at : piece;
                std::vector<uint8_t> chunk(bytes + at, bytes + at + n);
                parser.Feed(chunk.data(), chunk.size());
                while (auto frame = parser.Next()) {
                    if (frame->payload.size() > 64) __builtin_trap();
                    if (frame->command == 0x23) {
                        const std::string text(frame->payload.begin(), frame->payload.end());
                        (void)norvane::sim::ParseCommandText(text);
                    }
                }
            }
            if (parser.Pending() > 64 + 7) __builtin_trap();
            break;
        }
        case 1: {
            const std::string text(reinterpret_cast<const char*>(bytes), count);
            // The serial gateways cut texts from the line's byte stream.
            for (std::string_view rest = text; !rest.empty();) {
                const size_t length = norvane::sim::CommandTextLength(rest);
                if (length > rest.size()) __builtin_trap();
                if (length == 0) break;
                rest.remove_prefix(length);
            }
            if (auto r = norvane::sim::ParseCommandText(text)) {
                if (r->length > 8) __builtin_trap();
                const auto frame =
                    norvane::sim::EncodeReplyFrame(r->node, r->controlWord, r->data, r->length);
                for (size_t i = 1; i + 1 < frame.size(); ++i) {
                    if (i != 2 && frame[i] >= 0x80) __builtin_trap();
                }
            }
            break;
        }
        default: {
            norvane::sim::SimConfig config;
            std::string error;
            const std::string_view text(reinterpret_cast<const char*>(bytes), count);
            (void)norvane::sim::ParseSimConfig(text, config, error);
            // The same bytes as a bit-rate file and as client messages of the selector's size.
            norvane::sim::SocketCanLink link(500000, 0);
            link.FileChanged(text);
            if (link.ClientRate() && (*link.ClientRate() == 0 || *link.ClientRate() > 1000000000u))
                __builtin_trap();
            const size_t piece = 1 + (selector >> 3);
            for (size_t at = 0; at < count; at += piece) {
                const size_t n = count - at < piece ? count - at : piece;
                std::vector<uint8_t> message(bytes + at, bytes + at + n);
                norvane::sim::CanFrame frame;
                const auto kind = norvane::sim::DecodeCanFrameRecord(message.data(), message.size(), frame);
                if (kind == norvane::sim::RecordKind::Frame) {
                    if (frame.length > 8 || frame.id > 0x1FFFFFFFu || (!frame.extended && frame.id > 0x7FFu))
                        __builtin_trap();
                    // What the server hands on reads back as the same frame.
                    const auto record = norvane::sim::EncodeCanFrameRecord(frame);
                    norvane::sim::CanFrame again;
                    if (norvane::sim::DecodeCanFrameRecord(record.data(), record.size(), again) !=
                            norvane::sim::RecordKind::Frame ||
                        again.id != frame.id || again.length != frame.length ||
                        again.extended != frame.extended || again.remote != frame.remote ||
                        std::memcmp(again.data, frame.data, 8) != 0)
                        __builtin_trap();
                    bool busOff = false;
                    (void)link.FromClient(at, busOff);
                }
            }
            break;
        }
    }
    return 0;
}
