// The COM-number table from a file or the environment: every entry handed out has a number
// from 1 on and a path without the separator.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/serial_ports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const char separator : {';', '\n'}) {
        for (const auto& entry : norvane::platform::ParseSerialPortList(text, separator)) {
            if (entry.number <= 0 || entry.path.empty() || entry.path.find(separator) != std::string::npos)
                std::abort();
        }
    }
    return 0;
}
