#pragma once
// The COM-number table: which device path serves "COMn", and which ports the system lists.
//
// Sources, the first present wins and is then the whole table:
//  1. the environment variable NORVANE_SERIAL_PORTS, entries "COMn=PATH" separated by ';';
//  2. the file SerialPorts.cfg next to the running executable, one "COMn=PATH" per line,
//     '#' starting a comment;
//  3. the serial devices the machine has (/sys/class/tty/*/device; a ttyS* only with a real
//     UART behind it), numbered by DeviceComNumber.
// A listed path that does not exist is still a port; opening it simply fails.
#include <string>
#include <string_view>
#include <vector>

namespace norvane::platform {

struct SerialPortEntry {
    int number = 0;  ///< n of COMn, 1 and above
    std::string path;
};

/// Entries "COMn=PATH" separated by separator; blanks around entries and around '=' are
/// dropped, '#' starts a comment up to the next separator, malformed entries and repeated
/// numbers (after the first) are skipped. Order kept.
std::vector<SerialPortEntry> ParseSerialPortList(std::string_view text, char separator);

/// The COM number of a tty device found in /sys/class/tty: ttyS<k> is COM<k+1>, ttyUSB<k>
/// COM<k+33> (k < 32), ttyACM<k> COM<k+65> (k < 64); 0 for other names, which the system
/// list numbers from 129 on in name order.
/// Kernel indexes of plugged devices stay put when another device arrives, so the numbers do.
int DeviceComNumber(std::string_view name);

/// The system's list of COM ports (see the top of this file), in the table's order.
std::vector<SerialPortEntry> SystemSerialPorts();
/// The device path of COMn, empty when the table has none.
std::string SerialPortPath(int number);

}  // namespace norvane::platform
