#include "sdk/core/node_answer_table.h"

#include <algorithm>
#include <cstring>

#include "sdk/core/answer_match.h"

namespace norvane::sdk {

void NodeAnswerTable::Expect(uint32_t node, uint8_t command) {
    if (node >= kNodeSlots) return;
    std::lock_guard lock(storeLock);
    answerCount[node] = 0;
    expectedCommand[node] = command == 0 ? kCommandZeroMark : command;
    auxiliary[node] = 0;
    lateTaken[node] = false;
    std::memset(answers[node], 0, sizeof answers[node]);
}

void NodeAnswerTable::StoreLocked(uint32_t node, const KymCanMsg& message) {
    if (node >= kNodeSlots) return;
    answers[node][answerCount[node] % kAnswersPerNode] = message;
    answerCount[node] = (answerCount[node] + 1) % kAnswersPerNode;
}

void NodeAnswerTable::Clear(uint32_t node) {
    if (node >= kNodeSlots) return;
    std::lock_guard lock(storeLock);
    answerCount[node] = 0;
    expectedCommand[node] = 0;
    auxiliary[node] = 0;
}

void NodeAnswerTable::TimedOut(uint32_t node, uint64_t nowMs) {
    if (node >= kNodeSlots) return;
    std::lock_guard lock(storeLock);
    // A request that takes any answer owes none: owing it would drop the node's next answer of any kind.
    if (!lateTaken[node] && expectedCommand[node] != 0 && expectedCommand[node] != kAnyAnswer) {
        owedCommand[node] = expectedCommand[node];
        owedUntilMs[node] = nowMs + kOwedAnswerMs;
    }
    answerCount[node] = 0;
    expectedCommand[node] = 0;
    auxiliary[node] = 0;
}

uint8_t NodeAnswerTable::OwedLocked(uint32_t node, uint64_t nowMs) const {
    if (node >= kNodeSlots || owedCommand[node] == 0 || nowMs >= owedUntilMs[node]) return 0;
    return owedCommand[node];
}

void NodeAnswerTable::TakeLateLocked(uint32_t node) {
    if (node >= kNodeSlots) return;
    owedCommand[node] = 0;
    if (expectedCommand[node] != 0) lateTaken[node] = true;
}

void NodeAnswerTable::ClearAll() {
    std::lock_guard lock(storeLock);
    std::memset(answerCount, 0, sizeof answerCount);
    std::memset(expectedCommand, 0, sizeof expectedCommand);
    std::memset(auxiliary, 0, sizeof auxiliary);
}

uint32_t NodeAnswerTable::Count(uint32_t node) {
    if (node >= kNodeSlots) return 0;
    std::lock_guard lock(storeLock);
    return answerCount[node];
}

uint32_t NodeAnswerTable::CopyAnswers(uint32_t node, KymCanMsg* out, uint32_t max) {
    if (node >= kNodeSlots || out == nullptr) return 0;
    std::lock_guard lock(storeLock);
    const uint32_t n = std::min<uint32_t>(max, kAnswersPerNode);
    std::memcpy(out, answers[node], n * sizeof(KymCanMsg));
    return n;
}

}  // namespace norvane::sdk
