#pragma once
// The port interface: one physical connection behind a gateway (one Ethernet address, one COM
// port, one CAN channel), with its receive thread, notification thread, node answer tables,
// translated-message ring and per-node stream buffers.
//
// Transports implement the thirteen operations; the machinery below is shared by all of them.
// Threads: host threads call the request operations; the receive thread runs ReceiveLoop and
// files what arrives with FileMessage; the notification thread hands translated messages to
// the host's callback. Lock order: tableLock -> requestLock -> send lock; storeLock, the
// stream lock and the ring lock are leaves.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "norvane/NorvaneFunc.h"
#include "sdk/core/node_answer_table.h"
#include "sdk/core/notification_ring.h"

namespace norvane::sdk {

constexpr int kNodeTables = 5;
constexpr uint32_t kStreamBytes = 1024;

/// Problems and drops a port counts instead of hiding (read by tests and diagnostics).
struct PortCounters {
    std::atomic<uint64_t> malformedFrames{0};
    std::atomic<uint64_t> droppedStreamBytes{0};
    std::atomic<uint64_t> droppedMessages{0};  ///< node 0 or out-of-range node ids
    std::atomic<uint64_t> timeouts{0};
    std::atomic<uint64_t> droppedReplyBytes{0};  ///< incomplete reply-frame tails of serial answers
    std::atomic<uint64_t> unitsSent{0};          ///< requests, discovery requests, raw messages, probes
    std::atomic<uint64_t> answers{0};            ///< answers that completed a request
    std::atomic<uint64_t> errorReports{0};       ///< requests answered with a node's error report
    std::atomic<uint64_t> noticesDelivered{0};   ///< messages handed to the host's notice callbacks
    std::atomic<uint64_t> ringDropped{0};        ///< translated messages dropped at the full ring
    std::atomic<uint64_t> reconnects{0};         ///< connections made again after a loss
    std::atomic<uint64_t> unmatchedAnswers{0};   ///< received answers no request in flight took

    /// Copies into the public record (any thread; each counter is read on its own).
    void Fill(KymPortCounters& out) const;
    void Reset();
};

/// A port owned through a shared pointer keeps itself alive while its threads run: a callback
/// on one of them may close the port and drop the gateway's last reference, and the thread
/// still returns into a live object.
class CNvCallBackFunc : public std::enable_shared_from_this<CNvCallBackFunc> {
public:
    CNvCallBackFunc();
    virtual ~CNvCallBackFunc();
    CNvCallBackFunc(const CNvCallBackFunc&) = delete;
    CNvCallBackFunc& operator=(const CNvCallBackFunc&) = delete;

    // ---- operations, in slot order ----
    virtual int ProbeLegacy() = 0;
    virtual int Probe() = 0;
    virtual int SetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                 const void* data, KymReply* reply) = 0;
    /// 1 done, 0 not packable, -1 not running / send failed / no answer, -code refused by the node.
    virtual int SetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index, const void* data,
                           KymReply* reply) = 0;
    virtual int GetCommandLegacy(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                                 KymReply* reply) = 0;
    /// 1 done, 0 otherwise.
    virtual int GetCommand(uint32_t handle, uint32_t node, uint8_t controlWord, int index,
                           KymReply* reply) = 0;
    /// Runs on the receive thread until receiveRunning clears; returns 0.
    virtual int ReceiveLoop(uint32_t portIndex) = 0;
    virtual int ReceiveLoopLegacy(uint32_t portIndex) = 0;
    virtual int RegisterNodesLegacy(uint32_t handle, KymNodeRecord* records, int max) = 0;
    /// Node discovery; returns the number of records filled.
    virtual int RegisterNodes(uint32_t handle, KymNodeRecord* records, int max) = 0;
    virtual int OpenLegacy(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) = 0;
    virtual int Open(uint32_t handle, KymNodeRecord* records, int max, uint32_t* out) = 0;
    virtual int SendCanMessage(uint32_t handle, const KymCanMsg* message, KymCanMsg* out, int max,
                               int* countOut) = 0;

    // ---- identity (written by probes before the threads start) ----
    uint32_t legacyProtocol = 1;
    uint32_t portIndex = 0;
    uint32_t kind = 0;
    uint32_t threadHandle = 0;
    uint32_t bitRateCode = 0;
    uint32_t legacyBitRate = 0;
    uint32_t modelNumber = 0;
    uint32_t firmwareNumber = 0;
    int identified = 0;
    uint32_t extraInfo = 0;
    /// The gateway's own answers (node 1) keep their control word when the node expects 0x6F.
    bool nodeOneKeepsControlWord = false;
    std::atomic<int> notifyRunning{0};
    std::atomic<int> receiveRunning{0};
    PortCounters counters;

    /// Handle this port reports: (kind << 8 | portIndex) & 0xFFFFFF.
    uint32_t Handle() const { return ((kind << 8) | portIndex) & 0xFFFFFF; }

    // ---- threads ----
    /// Clears the allocated tables, resets the ring and starts the notification thread.
    void StartThreads(uint32_t handle);
    /// Starts both threads unless the receive thread already runs and waits up to 1000 ms for
    /// the receive loop's first signal. Returns whether the receive thread runs.
    int StartReceiver(uint32_t handle);
    /// Ends both threads and joins them; returns as soon as they have ended (called on one of
    /// them, that thread is left to end when its callback returns). No lock is held while
    /// joining, so a callback on those threads may close the port at the same time. The tables
    /// stay allocated until the port goes: a request still waiting on another thread reads them
    /// safely and fails.
    void StopThreads();
    bool ThreadsStarted() const { return receiveThread_.joinable() || notifyThread_.joinable(); }

    // ---- answer tables ----
    /// Table selected by a handle's low four bits (indexes beyond the five tables use table 0).
    /// A table is allocated when first asked for (any thread) and kept until the port goes, so
    /// a port that serves one handle holds one table. Every request works on the table of the
    /// handle it was made with; the receive thread files into whichever table awaits the answer.
    NodeAnswerTable* TableFor(uint32_t handle);
    /// The receive loop calls this once when it starts (StartReceiver waits for it).
    void SignalReceiverStarted(uint32_t portIndex);
    /// Wakes every request waiting on this port (used when closing).
    void WakeWaiters(uint32_t handle);
    /// Waits until an answer for node is counted or the event fires; false on time-out.
    bool WaitForAnswer(NodeAnswerTable& table, uint32_t node, uint32_t timeoutMs);
    /// Whether a request on any table has node marked (a zone registration gathering answers).
    bool AnyRequestExpects(uint32_t node);

    // ---- receive-side filing (receive thread) ----
    /// Files one received second-generation message: stream data, real-time notices,
    /// translated messages, discovery answers and answers to requests in flight. An answer
    /// goes only to a request that awaits it (same node, AnswersSecondGen); any other is
    /// counted as unmatched and dropped.
    void FileMessage(const KymCanMsg& message) { FileMessage(message, message.controlWord & 0x7F); }
    /// The same for a message whose control word does not name its command: it answers as the
    /// command number `answersAs` (a serial status reply filed under its reply code).
    void FileMessage(const KymCanMsg& message, uint8_t answersAs);
    /// Stores a discovery answer in areaNode's discovery area (node 0, or 1 in serial
    /// transmission framing) of the table whose discovery runs, without signalling.
    void FileDiscoveryAnswer(uint32_t areaNode, const KymCanMsg& message);

    /// What a filing rule did with a message offered to one table.
    enum class Filed { NotAwaited, Quietly, Signal, Late };
    /// Offers a received message to the requests in flight: file runs on each allocated table in
    /// turn, under that table's store lock, until one takes the message (Signal also wakes the
    /// table's requester; Late drops it as the answer a timed-out request of that table was
    /// owed). A message no table takes, or a late one, is counted as unmatched. Returns whether
    /// a request took it.
    template <class FileFn>
    bool OfferToRequests(FileFn&& file) {
        for (auto& slot : tables_) {
            NodeAnswerTable* table = slot.load(std::memory_order_acquire);
            if (table == nullptr) continue;
            Filed filed;
            {
                std::lock_guard lock(table->storeLock);
                filed = file(*table);
            }
            if (filed == Filed::NotAwaited) continue;
            if (filed == Filed::Late) break;
            if (filed == Filed::Signal) table->answerEvent.Set();
            return true;
        }
        counters.unmatchedAnswers.fetch_add(1);
        return false;
    }
    /// Appends stream bytes for node; false (counted) when they do not fit.
    bool AppendStream(uint32_t node, const uint8_t* bytes, uint32_t length);
    /// Takes up to length bytes from the front of node's stream; returns the count.
    int ReadNodeStream(uint32_t node, uint8_t* buffer, int length);
    NotificationRing& Ring() { return ring_; }

    /// True for command numbers that are notifications and never answers: 62, 90, 112-120.
    static bool IsNotification(uint8_t controlWord);

private:
    void NotificationLoop();
    void ReceiveEntry(uint32_t portIndex);

    std::mutex threadsLock_;  ///< serialises StartThreads/StopThreads
    std::thread receiveThread_;
    std::thread notifyThread_;
    std::atomic<NodeAnswerTable*> tables_[kNodeTables] = {};  ///< owned; null until first used
    platform::Event receiverStarted_{platform::Event::Reset::Auto};
    NotificationRing ring_;
    std::mutex outerLock_;
    std::mutex streamLock_;
    uint32_t streamCount_[kNodeSlots] = {};
    uint8_t streamBuffer_[kNodeSlots][kStreamBytes] = {};
};

}  // namespace norvane::sdk
