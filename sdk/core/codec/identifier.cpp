// CAN identifiers and the error report rule shared by every port.
#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/commands.h"
#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk {

uint32_t CanIdentifier(uint32_t node, uint8_t controlWord, bool answerFlag) {
    const uint32_t command = controlWord & 0x7Fu;
    if (node == 127) return command | 0x1F0FE000u;  // broadcast: every node bit set, never an answer bit
    uint32_t id = command | (1u << 19);
    if (answerFlag) id |= 0x80u;
    id |= ((node >> 5) & 3u) << 13;
    id |= (node & 0x1Fu) << 24;
    return id;
}

int ErrorReportResult(uint8_t requestedCommand, const KymCanMsg& answer, bool* isErrorReport) {
    const unsigned requested = requestedCommand & 0x7Fu;
    const bool report = (answer.controlWord & 0x7Fu) == cmd::kErrorReport && requested != cmd::kErrorReport;
    if (isErrorReport != nullptr) *isErrorReport = report;
    if (!report) return 0;
    const codec::AnswerBytes a(answer);
    return a.d[1] == requested ? -static_cast<int>(a.d[2]) : 0;
}

}  // namespace norvane::sdk
