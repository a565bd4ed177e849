// The status bar's counter line: shown only while connected and when the library has the
// counters export; the language's template gets the values in its %1..%9 places.
#include "bench/core/port_status.h"

#include <gtest/gtest.h>

namespace norvane::bench {
namespace {

int32_t FakeCounters(uint32_t handle, KymPortCounters* c) {
    if (handle != 0x1001) return 0;
    *c = KymPortCounters{};
    c->requestsSent = 12;
    c->answers = 10;
    c->timeouts = 1;
    c->errorReports = 1;
    c->malformedFrames = 3;
    c->noticesDelivered = 4;
    c->ringDropped = 5;
    c->streamBytesDropped = 6;
    c->reconnects = 7;
    c->unmatchedAnswers = 8;
    return 1;
}

TEST(PortStatus, LineOnlyWhileConnectedWithTheExport) {
    SdkTable sdk;
    FillWithFailingCalls(sdk);
    Language language;
    language.LoadText("[String]\nIDS_PORT_COUNTERS=s%1 a%2 t%3 e%4 m%5 n%6 r%7 b%8 c%9 u%10 %%0 %11\n");
    EXPECT_EQ(PortStatusLine(sdk, language, true, 0x1001), "");  // library without the export
    sdk.NvGetPortCounters = &FakeCounters;
    sdk.present.set(static_cast<size_t>(SdkFunction::NvGetPortCounters));
    EXPECT_EQ(PortStatusLine(sdk, language, true, 0x1001), "s12 a10 t1 e1 m3 n4 r5 b6 c7 u8 %%0 121");
    EXPECT_EQ(PortStatusLine(sdk, language, false, 0x1001), "");
    EXPECT_EQ(PortStatusLine(sdk, language, true, 0x1002), "");  // no such port
    Language empty;
    empty.LoadText("[String]\n");
    EXPECT_EQ(PortStatusLine(sdk, empty, true, 0x1001).substr(0, 21), "Sent 12  Answers 10  ");
}

}  // namespace
}  // namespace norvane::bench
