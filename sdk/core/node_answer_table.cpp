#include "sdk/core/node_answer_table.h"

#include <algorithm>
#include <cstring>

#include "sdk/core/answer_match.h"

namespace norvane::sdk {

void NodeAnswerTable::Expect(uint32_t node, uint8_t command, uint64_t nowMs) {
    if (node >= kNodeSlots) return;
    std::lock_guard lock(storeLock);
    answerCount[node] = 0;
    expectedCommand[node] = command == 0 ? kCommandZeroMark : command;
    auxiliary[node] = 0;
    expectedSinceMs[node] = nowMs;
    firstLateAfterMs[node] = kNoLateAnswer;
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
    const uint8_t command = expectedCommand[node];
    const uint64_t ownWindowMs = std::min<uint64_t>(kOwnAnswerMs, (nowMs - expectedSinceMs[node]) / 4);
    const bool droppedItsOwn = firstLateAfterMs[node] < ownWindowMs;
    if (!droppedItsOwn && command != 0 && command != kAnyAnswer) {
        OwedAnswer* marks = owed[node];
        const bool lateOnesComing = lastLateMs[node] != 0 && nowMs - lastLateMs[node] < kOwedAnswerMs;
        if (!lateOnesComing) owedCount[node] = 0;
        if (owedCount[node] == kMostOwed) {
            std::copy(marks + 1, marks + kMostOwed, marks);
            --owedCount[node];
        }
        marks[owedCount[node]++] = {command, nowMs + kOwedAnswerMs};
    }
    answerCount[node] = 0;
    expectedCommand[node] = 0;
    auxiliary[node] = 0;
}

bool NodeAnswerTable::TakeLateLocked(uint32_t node, uint8_t number, uint64_t nowMs) {
    if (node >= kNodeSlots || owedCount[node] == 0) return false;
    OwedAnswer* marks = owed[node];
    // Marks that ran out go first; they are the oldest, as all last equally long.
    int live = 0;
    while (live < owedCount[node] && marks[live].untilMs <= nowMs) ++live;
    std::copy(marks + live, marks + owedCount[node], marks);
    owedCount[node] = static_cast<uint8_t>(owedCount[node] - live);
    for (int i = 0; i < owedCount[node]; ++i) {
        if (!AnswersSecondGen(marks[i].command, number)) continue;
        std::copy(marks + i + 1, marks + owedCount[node], marks + i);
        --owedCount[node];
        lastLateMs[node] = nowMs;
        if (expectedCommand[node] != 0 && firstLateAfterMs[node] == kNoLateAnswer)
            firstLateAfterMs[node] =
                static_cast<uint32_t>(std::min<uint64_t>(nowMs - expectedSinceMs[node], UINT32_MAX - 1));
        return true;
    }
    return false;
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
