#pragma once
// The request/answer steps every transport shares: take the table's locks, mark the node as
// expecting the command, put the request on the wire, wait for the answer, decode it, clean up.
// The transport supplies only how a request is built and sent.
//
// Called on host threads; blocks for at most the request's time-out (500 ms, 1500 ms for
// command 81) plus the time the table's locks are held by earlier requests.
#include <chrono>
#include <cstdint>
#include <functional>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/port.h"

namespace norvane::sdk {

/// How one transport puts a request on the wire. build: false when the request cannot be
/// framed (the request then gives 0). send: false when nothing was sent.
struct RequestWire {
    std::function<bool()> build;
    std::function<bool()> send;
    /// Answers a request may read (command 76 reads two unless the port combines them).
    size_t answersPerRequest = 2;
    /// How long a set or get waits for its answer (longAnswerTimeoutMs: command 81).
    uint32_t answerTimeoutMs = 500;
    uint32_t longAnswerTimeoutMs = 1500;
    /// What the node is marked to expect for command number 0 (0: nothing else; the RS-232
    /// gateway files every answer to it as 0x6F).
    uint8_t expectedForCommandZero = 0;
};

struct RequestArgs {
    uint32_t handle = 0;  ///< selects the answer table
    uint32_t node = 0;
    uint8_t controlWord = 0;
    int index = 0;
    const void* data = nullptr;
    KymReply* reply = nullptr;
};

constexpr uint32_t kAnswerTimeoutMs = 500;
constexpr uint32_t kLongAnswerTimeoutMs = 1500;  ///< command 81 (operation commands)

/// Second-generation set on the table of args.handle: 1 done, 0 not buildable, -1 not running,
/// not sent, unanswered or undecodable, -code when the node reports an error for the command.
/// An unanswered ENA (command 1, index 0) with a first data word of 0 counts as done.
int RunSetRequest(CNvCallBackFunc& port, const RequestArgs& args, const RequestWire& wire);

/// Second-generation get: 1 done, 0 otherwise.
int RunGetRequest(CNvCallBackFunc& port, const RequestArgs& args, const RequestWire& wire);

/// One raw message and the answers of its node (all nodes for node 0): 1 done, 0 for a null
/// message, a port not running, or an unanswered broadcast, -1 when nothing was sent.
/// send receives the message as it goes out (length at most 8).
int RunRawMessage(CNvCallBackFunc& port, uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                  int* countOut, const std::function<bool(const KymCanMsg&)>& send);

/// How one node discovery runs.
struct DiscoveryPlan {
    uint8_t command = 0;     ///< command every node expects (0x40, or 12 for the first generation)
    uint32_t areaNode = 0;   ///< node whose area gathers the answers
    uint8_t areaMarker = 0;  ///< when non-zero: the area node's expected command while gathering
    uint32_t waitMs = 1000;  ///< the discovery window
};

/// Node discovery on the table of handle: every node expects the plan's command, send, wait the
/// whole window (other answers arriving meanwhile do not end it), then take the answers the
/// receive loop gathered in the area (node ids 5-125, the lowest max of them) into records
/// sorted by node id. Returns the number of records, 0 when nothing was sent.
int RunDiscovery(CNvCallBackFunc& port, uint32_t handle, const DiscoveryPlan& plan, KymNodeRecord* records,
                 int max, const std::function<bool()>& send);

/// Waits until windowMs has passed or the port stops, whatever the answer event does
/// meanwhile. Used by every wait that gathers answers for a fixed time.
void WaitWholeWindow(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t windowMs);

/// The waits of one request for its answer. With an answer spin set, the first wait sleeps
/// until shortly before the answer is due (as long after the send as the table's last answer
/// took) and then watches for it without sleeping; later waits just sleep.
class AnswerWait {
public:
    /// Made right after the request was sent.
    explicit AnswerWait(NodeAnswerTable& table);
    /// One wait on the table's answer event, at most leftMs: true when it was signalled.
    bool Wait(uint32_t leftMs);
    /// Notes when the answer arrived (when the receive thread signalled it, not when this thread
    /// woke) for the next request's watch. Returns true.
    bool Answered();

private:
    NodeAnswerTable& table_;
    const std::chrono::steady_clock::time_point sent_;
    const std::chrono::microseconds spin_;
    bool watch_;
};

/// Waits for node's answer until timeoutMs passed: true once one is there. A signal for
/// another node's answer does not end the wait.
bool AwaitAnswer(CNvCallBackFunc& port, NodeAnswerTable& table, uint32_t node, uint32_t timeoutMs);

}  // namespace norvane::sdk
