// norvane-sim: serves simulated gateways and bus devices until SIGINT or SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "norvane_version.h"
#include "sim/events/event_control.h"
#include "sim/simulation.h"

namespace {

const char kUsage[] =
    "usage: norvane-sim [-c FILE] [-e LINE]... [--pci-socket PATH] [--usb-socket PATH]\n"
    "                   [--socketcan-dir DIR] [--serial-map FILE] [--control PATH] [--stdin]\n"
    "       norvane-sim -h | --help | --version\n"
    "  -c FILE  read the configuration from FILE\n"
    "  -e LINE  one configuration line (may be repeated; added after FILE)\n"
    "  --pci-socket PATH  serve the PCI cards there (default /tmp/norvane-pci.sock);\n"
    "           Halbox finds them through HALBOX_SIM=PATH\n"
    "  --usb-socket PATH  serve the USB adapters there (default /tmp/norvane-usb.sock);\n"
    "           libusb-sim.so finds them through NORVANE_USB_SIM=PATH\n"
    "  --socketcan-dir DIR  serve the SocketCAN interfaces there (default\n"
    "           /tmp/norvane-socketcan): DIR/NAME is the interface, DIR/NAME.bitrate its rate;\n"
    "           Halbox finds them through HALBOX_SOCKETCAN_SIM=DIR\n"
    "  --serial-map FILE  write the serial gateways' COMn=PATH lines there (usable as\n"
    "           SerialPorts.cfg; joined with ';' they are a NORVANE_SERIAL_PORTS value)\n"
    "  --control PATH  take device event commands on a local socket at PATH\n"
    "           (e.g. socat - UNIX-CONNECT:PATH); send 'help' for the list\n"
    "  --stdin  take device event commands on standard input as well\n"
    "without -c and -e: one Ethernet gateway at 127.0.0.1:28877 with a few devices.\n"
    "configuration lines:\n"
    "  ethernet ADDRESS:PORT [bitrate-code=0-7] [bus-time] [log=FILE] [old]\n"
    "  zone ADDRESS:PORT [zones=1-9] [bus-time] [log=FILE]\n"
    "  pci CARD:CHANNEL [bitrate-code=0-7] [bus-time] [log=FILE]   (card 0-7, channel 0-1)\n"
    "  rs232 COMn [baud=4800-230400] [generation=1|2] [line-time] [bitrate-code=0-7] [bus-time] [log=FILE]\n"
    "  uart COMn  (as rs232; baud defaults to 115200)\n"
    "  usb INDEX [bitrate-code=0-7] [bus-time] [log=FILE]   (device index 0-99)\n"
    "  socketcan NAME [bitrate-code=0-7] [restart-ms=N] [bus-time] [log=FILE]\n"
    "  socketcan NAME bridge   (join the bus to the kernel's CAN interface NAME, e.g. vcan0)\n"
    "  node KIND ID [options=-M-S-IE] [code=N] [firmware=N] [serial=N] [zone=N]\n"
    "  KIND: controller controller1 io kyd0606 io-motion level rfid temperature\n";

}  // namespace

int main(int argc, char** argv) {
    std::string text;
    std::string pciSocket;
    std::string usbSocket;
    std::string socketcanDir;
    std::string serialMap;
    std::string controlSocket;
    bool eventsOnStdin = false;
    bool configured = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "-c" || arg == "-e") && i + 1 < argc) {
            configured = true;
            if (arg == "-e") {
                text += std::string(argv[++i]) + "\n";
                continue;
            }
            std::ifstream file(argv[++i]);
            if (!file) {
                std::fprintf(stderr, "norvane-sim: cannot read %s\n", argv[i]);
                return 2;
            }
            std::stringstream content;
            content << file.rdbuf();
            text = content.str() + "\n" + text;
        } else if (arg == "--pci-socket" && i + 1 < argc) {
            pciSocket = argv[++i];
        } else if (arg == "--usb-socket" && i + 1 < argc) {
            usbSocket = argv[++i];
        } else if (arg == "--socketcan-dir" && i + 1 < argc) {
            socketcanDir = argv[++i];
        } else if (arg == "--serial-map" && i + 1 < argc) {
            serialMap = argv[++i];
        } else if (arg == "--control" && i + 1 < argc) {
            controlSocket = argv[++i];
        } else if (arg == "--stdin") {
            eventsOnStdin = true;
        } else if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::fputs("norvane-sim " NORVANE_VERSION "\n", stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }

    norvane::sim::SimConfig config = norvane::sim::DefaultSimConfig();
    std::string error;
    if (configured && !norvane::sim::ParseSimConfig(text, config, error)) {
        std::fprintf(stderr, "norvane-sim: %s\n", error.c_str());
        return 2;
    }
    config.pciSocket = pciSocket;
    config.usbSocket = usbSocket;
    config.socketcanDir = socketcanDir;

    // Block the stop signals before any thread starts, so every thread inherits the mask and
    // the main thread alone receives them through sigwait.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    norvane::sim::Simulation simulation;
    std::vector<std::string> notes;
    if (!simulation.Start(config, error, notes)) {
        std::fprintf(stderr, "norvane-sim: %s\n", error.c_str());
        return 1;
    }
    for (const auto& note : notes) std::fprintf(stderr, "norvane-sim: %s\n", note.c_str());
    std::printf("norvane-sim serving:\n");
    for (const auto& line : simulation.Describe()) std::printf("%s\n", line.c_str());
    // One line per serial gateway, for people and for scripts that read the output.
    for (const auto& entry : simulation.SerialMap()) std::printf("%s\n", entry.c_str());
    if (!serialMap.empty()) {
        std::ofstream map(serialMap);
        for (const auto& entry : simulation.SerialMap()) map << entry << "\n";
        if (!map) std::fprintf(stderr, "norvane-sim: cannot write %s\n", serialMap.c_str());
    }
    norvane::sim::events::EventControl control(simulation);
    if (!controlSocket.empty() && !control.Listen(controlSocket, error)) {
        std::fprintf(stderr, "norvane-sim: %s\n", error.c_str());
        return 1;
    }
    if (eventsOnStdin) control.ServeStream(0, 1);
    if (!controlSocket.empty())
        std::printf("device events on %s ('help' lists them)\n", controlSocket.c_str());
    if (eventsOnStdin) std::printf("device events on standard input ('help' lists them)\n");
    std::printf("stop with Ctrl-C\n");
    std::fflush(stdout);
    // Replies go to standard output too: the control starts after the greeting is out.
    if ((!controlSocket.empty() || eventsOnStdin) && !control.Start(error)) {
        std::fprintf(stderr, "norvane-sim: %s\n", error.c_str());
        return 1;
    }

    int signal = 0;
    sigwait(&stopSignals, &signal);
    control.Stop();
    simulation.Stop();
    std::printf("norvane-sim: stopped (%s)\n", signal == SIGINT ? "SIGINT" : "SIGTERM");
    return 0;
}
