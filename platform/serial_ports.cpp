#include "platform/serial_ports.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/paths.h"
#include "platform/text.h"

namespace norvane::platform {
namespace {

/// Decimal digits only, value 1..99999; 0 otherwise.
int ParseNumber(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return 0;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

int IndexAfter(std::string_view name, std::string_view prefix) {
    if (name.substr(0, prefix.size()) != prefix) return -1;
    const std::string_view digits = name.substr(prefix.size());
    if (digits.empty() || digits.size() > 4) return -1;
    if (digits == "0") return 0;
    const int value = ParseNumber(digits);
    return value > 0 && digits.front() != '0' ? value : -1;
}

std::string ReadSmallFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

/// A ttyS* device is listed by the kernel for every possible legacy port; only those whose
/// UART type is known are real.
bool RealUart(const std::filesystem::path& ttyDir) {
    const std::string type(Trim(ReadSmallFile(ttyDir / "type")));
    return !type.empty() && type != "0";
}

std::vector<SerialPortEntry> MachineSerialPorts() {
    namespace fs = std::filesystem;
    std::vector<SerialPortEntry> found;
    std::vector<std::string> others;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/sys/class/tty", error)) {
        const std::string name = entry.path().filename().string();
        if (!fs::exists(entry.path() / "device", error)) continue;
        if (name.rfind("ttyS", 0) == 0 && !RealUart(entry.path())) continue;
        const int number = DeviceComNumber(name);
        if (number > 0)
            found.push_back({number, "/dev/" + name});
        else
            others.push_back(name);
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.number < b.number; });
    std::sort(others.begin(), others.end());
    int next = 129;
    for (const auto& name : others) found.push_back({next++, "/dev/" + name});
    return found;
}

}  // namespace

std::vector<SerialPortEntry> ParseSerialPortList(std::string_view text, char separator) {
    std::vector<SerialPortEntry> entries;
    while (!text.empty()) {
        const size_t end = text.find(separator);
        std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (const size_t hash = entry.find('#'); hash != std::string_view::npos)
            entry = entry.substr(0, hash);
        entry = Trim(entry);
        const size_t equals = entry.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view name = Trim(entry.substr(0, equals));
        const std::string_view path = Trim(entry.substr(equals + 1));
        if (name.size() < 4 || path.empty()) continue;
        if ((name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' || (name[2] | 0x20) != 'm') continue;
        const int number = ParseNumber(name.substr(3));
        if (number <= 0) continue;
        const bool repeated =
            std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return e.number == number; });
        if (!repeated) entries.push_back({number, std::string(path)});
    }
    return entries;
}

int DeviceComNumber(std::string_view name) {
    if (const int k = IndexAfter(name, "ttyUSB"); k >= 0 && k < 32) return k + 33;
    if (const int k = IndexAfter(name, "ttyACM"); k >= 0 && k < 64) return k + 65;
    if (const int k = IndexAfter(name, "ttyS"); k >= 0 && k < 32) return k + 1;
    return 0;
}

std::vector<SerialPortEntry> SystemSerialPorts() {
    if (const char* list = std::getenv("NORVANE_SERIAL_PORTS"); list != nullptr)
        return ParseSerialPortList(list, ';');
    const std::filesystem::path file = ExecutableDirectory() + "SerialPorts.cfg";
    std::error_code error;
    if (std::filesystem::is_regular_file(file, error)) return ParseSerialPortList(ReadSmallFile(file), '\n');
    return MachineSerialPorts();
}

std::string SerialPortPath(int number) {
    for (const auto& entry : SystemSerialPorts())
        if (entry.number == number) return entry.path;
    return {};
}

}  // namespace norvane::platform
