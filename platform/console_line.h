#pragma once
// The lines the SDK writes on the host's standard output (the MCFG set's "NvSimCanPackMSG ..."
// and the USB-CAN search's "USBC_ListDevices ..."). By default they go to standard output as
// they always did; a host whose standard output is data sends them to the trace sink instead
// (ConsoleLines=trace in SDKParameter.cfg, or NORVANE_CONSOLE_LINES=trace). Thread-safe.
namespace norvane::platform {

enum class ConsoleLines { Stdout, Trace };

void SetConsoleLines(ConsoleLines where);
ConsoleLines CurrentConsoleLines();

/// Writes one printf-style line where the setting says. On standard output the text is written
/// as formatted; the trace takes it without its final line end (the trace adds its own).
void ConsoleLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace norvane::platform
