#include "sdk/serial/serial_link.h"

#include "platform/serial_ports.h"

namespace norvane::sdk {

bool SerialLink::Open(uint32_t baud) {
    const std::string path = platform::SerialPortPath(portNumber_);
    return !path.empty() && line_.Open(path, baud);
}

int SerialLink::Send(const uint8_t* bytes, size_t length) {
    const int written = line_.Write(bytes, length);
    return written > 0 ? written : 0;
}

}  // namespace norvane::sdk
