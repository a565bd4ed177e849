// The device dialogs' typed texts and device records over arbitrary bytes: hexadecimal keys and
// blocks, IPv4 addresses, signed numbers, PWM fields and temperature records. Nothing reads past
// its input, and what converts round-trips.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/dialogs/gateway_search_logic.h"
#include "bench/dialogs/io_ports.h"
#include "bench/dialogs/rfid_card.h"
#include "bench/dialogs/temperature_logic.h"

using namespace norvane::bench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (const auto bytes = HexToBytes(text, 16)) {
        const auto again = HexToBytes(BytesToHex(bytes->data(), bytes->size()), 16);
        if (!again || *again != *bytes) std::abort();
    }
    const TrailerTexts trailer = SplitTrailer(text);
    if (trailer.keyA.size() > 12 || trailer.access.size() > 8 || trailer.keyB.size() > 12) std::abort();
    if (const auto address = ParseIpv4(text))
        if (ParseIpv4(FormatIpv4(*address)) != address) std::abort();
    if (const auto value = ParseSigned(text))
        if (ParseSigned(std::to_string(*value)) != value) std::abort();
    const size_t fifth = size / 5;
    PwmTexts pwm{text.substr(0, fifth), text.substr(fifth, fifth), text.substr(2 * fifth, fifth),
                 text.substr(3 * fifth, fifth), text.substr(4 * fifth)};
    std::string error;
    if (const auto fields = ExchangePwm(pwm, &error)) PeriodText(fields->base1, fields->pbr);
    KymReply a{}, b{};
    std::memcpy(&a, data, std::min(size, sizeof a));
    if (size > sizeof a) std::memcpy(&b, data + sizeof a, std::min(size - sizeof a, sizeof b));
    const TemperatureRecord record = DecodeTemperature(a, b);
    TemperatureText(record.ambient);
    DesiredTenths(static_cast<double>(record.measured) / 3.0);
    return 0;
}
