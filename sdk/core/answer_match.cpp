#include "sdk/core/answer_match.h"

#include "sdk/core/codec/commands.h"

namespace norvane::sdk {
namespace {

bool AnswersWithStatus(uint8_t command) {
    switch (command) {
        case 0:
        case 1:
        case 2:
        case 8:
        case 9:
        case 51:
        case kStatusReply:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool AnswersSecondGen(uint8_t expected, uint8_t number) {
    if (expected == 0) return false;
    if (number == kStatusReply && AnswersWithStatus(expected)) return true;
    return expected == kAnyAnswer || number == expected || number == cmd::kErrorReport;
}

bool AnswersFirstGen(uint8_t expected, uint8_t number) {
    if (expected == 0) return false;
    return number == expected || number == cmd::first_gen::kError;
}

}  // namespace norvane::sdk
