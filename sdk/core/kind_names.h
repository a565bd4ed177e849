#pragma once
// Short names of the gateway kinds as the traffic log's interface names spell them ("eth",
// "rs232", ...; first-generation forms end in "v1"). Pure data, shared by the SDK's recorder and
// by programs that write logs in the same form.
#include <cstdint>

#include "sdk/core/gateway_kind.h"

namespace norvane::sdk {

struct KindName {
    uint32_t kind;
    const char* name;
};
inline constexpr KindName kKindNames[] = {
    {kKindRs232, "rs232"},         {kKindUsb, "usb"},           {kKindPci, "pci"},
    {kKindEthernet, "eth"},        {kKindUart, "uart"},         {kKindRs232FirstGen, "rs232v1"},
    {kKindPciFirstGen, "pciv1"},   {kKindUsbFirstGen, "usbv1"}, {kKindEthernetFirstGen, "ethv1"},
    {kKindUartFirstGen, "uartv1"}, {kKindZone, "zone"},
};

}  // namespace norvane::sdk
