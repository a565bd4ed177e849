/* Soak host: drives every gateway kind norvane-sim serves with mixed traffic from several threads
 * for a while, arms faults through the simulator's control socket on a schedule, and checks that
 * answers stay right, calls stay bounded, gateways recover and memory, descriptors and threads
 * stay flat. Public header only. Started by scripts/soak.sh, which also starts norvane-sim.
 *
 * Usage: soak_host --seconds S --control PATH [--report FILE] [--serial-framing] GATEWAY...
 *   GATEWAY: eth=ADDRESS  zone=ADDRESS  rs232=COMn  uart=COMn  pci  usb
 * Prints one table row per gateway and a "totals" line for soak.sh; exit 1 when a check failed. */
#define _GNU_SOURCE /* strchrnul */
#include <arpa/inet.h>
#include <dirent.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include "norvane/NorvaneFunc.h"

#define MAX_GATEWAYS 8
#define WORKERS 3       /* request threads per gateway, one node each */
#define WORKER_NODE0 5  /* their nodes: 5, 6, 7 */
#define NOTICE_NODE 9   /* the input module whose input edges come back as notices */
#define SPD_COMMAND 7   /* second generation: speed register */
#define MCFG_COMMAND 46 /* notice enables of an input module */
#define ANSWER_MS 500   /* the SDK's answer time-out of a set or get */
#define MARGIN_MS 1500
/* A call waits for its own time-out and, queued behind them, the other workers' calls: at worst
 * a discovery (its window: 1 s, 2 s on serial lines, two on RS-232) and a time-out. */
#define CALL_BOUND_MS(g) (ANSWER_MS + (g)->discoveryMs + (WORKERS - 2) * ANSWER_MS + MARGIN_MS)
#define DISCOVERY_BOUND_MS(g) ((g)->discoveryMs + (WORKERS - 1) * ANSWER_MS + MARGIN_MS)
#define OPEN_BOUND_MS 15000
#define RECOVERY_BOUND_MS 8000 /* after a fault window ends, the gateway answers again within this */
#define FAULT_PERIOD_MS 12000
#define FAULT_WINDOW_MS 2000

static int64_t NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void SleepMs(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

static int64_t g_start;

/* A finding or an event of the run on standard error, with the time since the start. */
static void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
static void Log(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    fprintf(stderr, "soak %7.3f s: %s\n", (double)(NowMs() - g_start) / 1000.0, text);
}

/* ---- what the process holds ---- */

static long StatusKib(const char* key) {
    FILE* f = fopen("/proc/self/status", "r");
    char line[256];
    long value = -1;
    const size_t n = strlen(key);
    while (f != NULL && fgets(line, sizeof line, f) != NULL)
        if (strncmp(line, key, n) == 0) value = strtol(line + n, NULL, 10);
    if (f != NULL) fclose(f);
    return value;
}

static long OpenDescriptors(void) {
    DIR* d = opendir("/proc/self/fd");
    long n = 0;
    if (d == NULL) return -1;
    while (readdir(d) != NULL) ++n;
    closedir(d);
    return n - 3; /* ".", ".." and the directory's own descriptor */
}

/* ---- the simulator's control socket ---- */

static const char* g_controlPath;
static pthread_mutex_t g_controlLock = PTHREAD_MUTEX_INITIALIZER;
static int g_control = -1;

/* Sends one line and reads its reply; 1 when the reply ended with "ok". */
static int Control(const char* line) {
    pthread_mutex_lock(&g_controlLock);
    if (g_control < 0) {
        struct sockaddr_un addr;
        memset(&addr, 0, sizeof addr);
        addr.sun_family = AF_UNIX;
        strncpy(addr.sun_path, g_controlPath, sizeof addr.sun_path - 1);
        g_control = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (g_control >= 0 && connect(g_control, (struct sockaddr*)&addr, sizeof addr) != 0) {
            close(g_control);
            g_control = -1;
        }
    }
    int ok = 0;
    char text[300];
    const int length = snprintf(text, sizeof text, "%s\n", line);
    if (g_control >= 0 && write(g_control, text, (size_t)length) == length) {
        /* The reply's last line is "ok" or "error: ..."; only the end of a long reply is kept. */
        char reply[512];
        size_t got = 0;
        for (;;) {
            if (got > 256) {
                memmove(reply, reply + got - 128, 128);
                got = 128;
            }
            const ssize_t n = read(g_control, reply + got, sizeof reply - 1 - got);
            if (n <= 0) break;
            got += (size_t)n;
            reply[got] = '\0';
            if (got > 0 && reply[got - 1] == '\n') {
                const char* last = got > 1 ? reply + got - 2 : reply;
                while (last > reply && last[-1] != '\n') --last;
                if (strncmp(last, "ok\n", 3) == 0 || strncmp(last, "error", 5) == 0) break;
            }
        }
        reply[got] = '\0';
        ok = got >= 3 && strcmp(reply + got - 3, "ok\n") == 0;
        if (!ok) {
            Log("control '%s': %s", line, reply);
            close(g_control); /* a broken exchange: the next call connects again */
            g_control = -1;
        }
    }
    pthread_mutex_unlock(&g_controlLock);
    return ok;
}

/* ---- gateways ---- */

typedef enum { ETHERNET, ZONE, RS232, UART, PCI, USB } Kind;

/* What the windows of one fault cost on one gateway. */
typedef struct FaultStats {
    long windows;
    _Atomic long failed;
    long recovered, notRecovered, hostReopens;
    int64_t recoverySumMs, recoveryWorstMs;
} FaultStats;

typedef struct Gateway {
    Kind kind;
    char label[24];   /* table name */
    char simName[40]; /* the simulator's name for it */
    uint32_t address; /* Ethernet and zone: IPv4, host order */
    int com;          /* serial: COM number */
    uint32_t handle;  /* what requests name (zone: with zone 1) */
    uint32_t port;    /* what the port counters and close name */
    int open;
    /* Set while the host closes and opens the gateway: it raises no input edges there then (in
     * the serial transmission framing the search takes exactly the probe's 20 answer bytes, so a
     * notice arriving during the probe makes it find nothing). */
    _Atomic int reopening;
    int rawMessages;       /* the node answers raw messages through this gateway */
    int noticeLevels;      /* its notices carry the input and its level (RS-232 reply frames do not) */
    long discoveryMs;      /* the longest discovery on this gateway (its windows) */
    pthread_rwlock_t lock; /* requests read-lock it; closing and reopening write-lock it */
    const char* faults[5];
    int faultCount;
    /* Fault windows: a request that fails after a window started and began at most
     * RECOVERY_BOUND_MS after its end fails inside it. */
    _Atomic int64_t windowStart, windowEnd, recoveredAt, lastFailure, lastSuccess;
    _Atomic int currentFault;
    FaultStats stats[5];
    _Atomic long requests, wrong, hung, failedIn, failedOut, reopens;
    _Atomic long noticesSent, noticesSeen, noticesWrong;
    /* Discoveries since the counters were reset: those that found nodes were sent, the others may
     * not have been (a send on a lost link is not counted). */
    _Atomic long discoveriesAnswered, discoveriesUnanswered;
    KymPortCounters total; /* counters of the port instances closed so far */
    char faultCost[256];
} Gateway;

static Gateway g_gateways[MAX_GATEWAYS];
static int g_gatewayCount;
static atomic_int g_running = 1;
static int g_serialFraming;

static int Search(Gateway* g) {
    uint32_t params[10] = {0};
    KymDevInfo infos[8];
    switch (g->kind) {
        case ETHERNET:
            params[4] = 1;
            params[5] = g->address;
            if (SearchGateway(16, params, infos, 8) < 1) return 0;
            g->port = g->handle = infos[0].handle;
            return 1;
        case ZONE: {
            KymSearchRecord records[4];
            memset(records, 0, sizeof records);
            records[0].address = g->address;
            return SearchGateWay(0x8000, records, 4) >= 1;
        }
        case RS232:
        case UART:
            params[0] = (uint32_t)g->com;
            params[1] = g->kind == RS232 ? 57600 : 115200;
            if (SearchGateway(g->kind == RS232 ? 1 : 32, params, infos, 8) < 1) return 0;
            g->port = g->handle = infos[0].handle;
            return 1;
        case PCI: {
            /* The card's other channel may answer the search while this one does not (a probe
             * answer that came late): found only when this channel is among the ports found. */
            if (SearchDevice(8, NULL) < 1) return 0;
            uint32_t ids[32];
            const int32_t n = GetKymDevIdList(8, ids);
            for (int32_t i = 0; i < n && i < 32; ++i)
                if (ids[i] == g->port) return 1;
            return 0;
        }
        case USB:
            return SearchDevice(4, NULL) >= 1;
    }
    return 0;
}

/* Search and open; 1 when the gateway lists the nodes it should. */
static int Open(Gateway* g) {
    /* A search under load now and then finds nothing (its probe answer came late): try again. */
    int found = 0;
    for (int attempt = 0; attempt < 3 && !found; ++attempt) {
        found = Search(g);
        if (!found) Log("%s: search found nothing", g->label);
    }
    if (!found) return 0;
    if (g->kind == ZONE) {
        KymNodeRecord zones[16];
        memset(zones, 0, sizeof zones);
        const int count = OpenGateWay(g->port, zones, 16, NULL);
        if (count < 1) Log("%s: open gave %d", g->label, count);
        return count >= 1;
    }
    uint32_t nodes[126];
    int32_t bitRate = -1;
    const int count = OpenGateway(g->port, nodes, 126, &bitRate);
    if (count < WORKERS + 1) {
        Log("%s: open found %d nodes", g->label, count);
        return 0;
    }
    /* Input edges of the input module come back as notices. */
    KymReply ack;
    int32_t mcfg = 0xFF;
    const int set = SingleCommandSet(g->port, NOTICE_NODE, MCFG_COMMAND, 0, &mcfg, 1, &ack);
    if (set != 1) Log("%s: notice enable gave %d", g->label, set);
    return set == 1;
}

static void AddCounters(KymPortCounters* to, const KymPortCounters* c);

/* Search, open, and counters from zero: from here on the port sends only what the soak asks. */
static int OpenCounted(Gateway* g) {
    const int ok = Open(g);
    /* Also after an open that failed half-way (its discovery or notice enable sent): the retry's
     * close adds the counters up, and they hold only what the soak asked since. */
    NvResetPortCounters(g->port);
    return ok;
}

static void AddCounters(KymPortCounters* to, const KymPortCounters* c) {
    to->requestsSent += c->requestsSent;
    to->answers += c->answers;
    to->timeouts += c->timeouts;
    to->errorReports += c->errorReports;
    to->malformedFrames += c->malformedFrames;
    to->noticesDelivered += c->noticesDelivered;
    to->reconnects += c->reconnects;
    to->ringDropped += c->ringDropped;
    to->unmatchedAnswers += c->unmatchedAnswers;
}

static void Close(Gateway* g) {
    KymPortCounters c;
    if (NvGetPortCounters(g->port, &c) == 1) AddCounters(&g->total, &c);
    if (g->kind == ZONE)
        CloseGateWay(g->port);
    else
        CloseGateway(g->port);
}

/* ---- checks on each call ---- */

typedef struct Call {
    Gateway* g;
    int64_t start;
} Call;

static Call Begin(Gateway* g) {
    Call c = {g, NowMs()};
    atomic_fetch_add(&g->requests, 1);
    return c;
}

/* Ends a call: its duration against bound, success or failure inside or outside a fault window. */
static void End(Call c, int ok, long boundMs, const char* what) {
    Gateway* g = c.g;
    const int64_t end = NowMs();
    if (end - c.start > boundMs) {
        atomic_fetch_add(&g->hung, 1);
        Log("%s: %s took %lld ms (bound %ld)", g->label, what, (long long)(end - c.start), boundMs);
    }
    const int64_t ws = atomic_load(&g->windowStart), we = atomic_load(&g->windowEnd);
    int64_t recovered = atomic_load(&g->recoveredAt);
    if (ok) {
        if (strcmp(what, "close and reopen") == 0) return;
        atomic_store(&g->lastSuccess, end);
        /* The first success after a window's end: the gateway answers again. */
        if (we != 0 && recovered == 0 && atomic_compare_exchange_strong(&g->recoveredAt, &recovered, end))
            Log("%s: first success after the window: %s", g->label, what);
        return;
    }
    if (ws != 0 && end >= ws && (we == 0 || c.start <= we + RECOVERY_BOUND_MS)) {
        atomic_fetch_add(&g->failedIn, 1);
        atomic_fetch_add(&g->stats[atomic_load(&g->currentFault)].failed, 1);
        int64_t last = atomic_load(&g->lastFailure);
        while (last < end && !atomic_compare_exchange_weak(&g->lastFailure, &last, end)) {
        }
    } else {
        atomic_fetch_add(&g->failedOut, 1);
        Log("%s: %s failed outside a fault window", g->label, what);
    }
}

static void Wrong(Gateway* g, const char* what, long got, long expected, int candidates) {
    atomic_fetch_add(&g->wrong, 1);
    Log("%s: %s gave %ld, the node holds %ld (or one of %d values set since)", g->label, what, got, expected,
        candidates - 1);
}

/* ---- the worker mix ---- */

typedef struct Worker {
    Gateway* g;
    int index;
    uint32_t node;
    unsigned seed;
} Worker;

/* What a node may hold: the value of the last set that succeeded or a read confirmed, and every
 * value of the sets that failed since (each may or may not have reached the node). */
typedef struct Held {
    int32_t values[16];
    int count;
} Held;

static int Holds(const Held* h, int32_t v) {
    for (int i = 0; i < h->count; ++i)
        if (h->values[i] == v) return 1;
    return h->count == 0; /* nothing known yet */
}

static void Confirm(Held* h, int32_t v) {
    h->values[0] = v;
    h->count = 1;
}

static void MaybeSet(Held* h, int32_t v) {
    if (h->count < 16)
        h->values[h->count++] = v;
    else
        h->count = 0; /* too many unknown outcomes: trust the next read */
}

/* A set of a fresh value (acknowledged), then a get that must return what the node holds. */
static void SetThenRead(Worker* w, Held* held) {
    Gateway* g = w->g;
    const int32_t value = 1000 + (int32_t)(rand_r(&w->seed) % 50000);
    KymReply reply;
    memset(&reply, 0, sizeof reply);
    Call c = Begin(g);
    int ok;
    if (g->kind == ZONE)
        ok = SetAcceleration(g->handle, w->node, value, 1, &reply) == 1;
    else
        ok = SetSPD(g->handle, w->node, value, 1, &reply) == 1;
    End(c, ok, CALL_BOUND_MS(g), "set");
    if (ok)
        Confirm(held, value);
    else
        MaybeSet(held, value);
    memset(&reply, 0, sizeof reply);
    c = Begin(g);
    if (g->kind == ZONE)
        ok = GetAcceleration(g->handle, w->node, &reply) == 1;
    else
        ok = GetSPD(g->handle, w->node, &reply) == 1;
    End(c, ok, CALL_BOUND_MS(g), "get");
    if (!ok) return;
    if (!Holds(held, reply.field[0])) Wrong(g, "get after set", reply.field[0], held->values[0], held->count);
    Confirm(held, reply.field[0]);
}

/* The node's register through a raw message; the answer must name the node and carry its value. */
static void RawRead(Worker* w, Held* held) {
    Gateway* g = w->g;
    /* Raw messages go out in the first-generation layout on CAN links (PCI, USB) and as serial
     * records in the serial transmission framing, which second-generation nodes do not take;
     * zone messages carry first-generation texts. Those gateways are left to the gets. */
    if (!g->rawMessages) return;
    KymCanMsg request, answers[4];
    memset(&request, 0, sizeof request);
    memset(answers, 0, sizeof answers);
    request.node = (uint8_t)w->node;
    request.controlWord = 0x80 | SPD_COMMAND;
    int32_t count = 0;
    Call c = Begin(g);
    const int ok = NvSendSingleCANCmd(g->handle, &request, answers, 4, &count) == 1 && count >= 1;
    End(c, ok, CALL_BOUND_MS(g), "raw message");
    if (!ok) return;
    const int32_t value = (int32_t)((uint32_t)answers[0].data[0] | (uint32_t)answers[0].data[1] << 8 |
                                    (uint32_t)answers[0].data[2] << 16 | (uint32_t)answers[0].data[3] << 24);
    if (answers[0].node != w->node || (answers[0].controlWord & 0x7F) != SPD_COMMAND) {
        Wrong(g, "raw message node*1000+command", answers[0].node * 1000 + (answers[0].controlWord & 0x7F),
              (long)w->node * 1000 + SPD_COMMAND, 1);
    } else {
        if (!Holds(held, value)) Wrong(g, "raw message value", value, held->values[0], held->count);
        Confirm(held, value);
    }
}

static void Discover(Worker* w) {
    Gateway* g = w->g;
    KymNodeRecord records[32];
    memset(records, 0, sizeof records);
    Call c = Begin(g);
    const int n = RegisterDevice(g->handle, records, 32);
    atomic_fetch_add(n > 0 ? &g->discoveriesAnswered : &g->discoveriesUnanswered, 1);
    const int expected = g->kind == ZONE ? WORKERS : WORKERS + 1;
    End(c, n == expected, DISCOVERY_BOUND_MS(g), "discovery");
    if (n > expected) Wrong(g, "discovery count", n, expected, 1);
}

static void* WorkerMain(void* arg) {
    Worker* w = arg;
    Gateway* g = w->g;
    Held held = {{0}, 0};
    long round = 0;
    while (atomic_load(&g_running)) {
        pthread_rwlock_rdlock(&g->lock);
        if (g->open) {
            SetThenRead(w, &held);
            if (w->index == 1) RawRead(w, &held);
            if (w->index == 2 && round % 20 == 0) Discover(w);
        }
        pthread_rwlock_unlock(&g->lock);
        ++round;
        SleepMs(5);
    }
    return NULL;
}

/* Closes and reopens the gateway now and then, while its workers wait. */
static void Reopen(Gateway* g) {
    pthread_rwlock_wrlock(&g->lock);
    atomic_store(&g->reopening, 1);
    SleepMs(250); /* the last edge's notice is through */
    Call c = Begin(g);
    Close(g);
    g->open = OpenCounted(g);
    atomic_store(&g->reopening, 0);
    End(c, g->open, OPEN_BOUND_MS, "close and reopen");
    atomic_fetch_add(&g->reopens, 1);
    pthread_rwlock_unlock(&g->lock);
}

/* ---- notices ---- */

static void OnNotice(uint32_t handle, KymNoticeFrame* frame, int32_t flag) {
    (void)flag;
    for (int i = 0; i < g_gatewayCount; ++i) {
        Gateway* g = &g_gateways[i];
        if (g->port != handle) continue;
        const uint32_t id = frame->identifier;
        const unsigned node = ((id >> 3) & 0x60) + ((id >> 19) & 0x1F);
        const unsigned cw = id & 0xFF;
        atomic_fetch_add(&g->noticesSeen, 1);
        /* An input edge: control word 0xF0 rising / 0x70 falling, d0 the port index, d1 the level.
         * An RS-232 reply frame names only the input (1-8) of a rising edge. */
        const int content = g->noticeLevels ? frame->length >= 2 && frame->data[1] == (cw == 0xF0 ? 1 : 0) &&
                                                  frame->data[0] <= 7
                                            : cw == 0xF0 && frame->data[0] >= 1 && frame->data[0] <= 8;
        if (node != NOTICE_NODE || (cw != 0xF0 && cw != 0x70) || !content) {
            atomic_fetch_add(&g->noticesWrong, 1);
            Log("%s: notice node %u control word 0x%02X d0 %u d1 %u", g->label, node, cw, frame->data[0],
                frame->data[1]);
        }
        return;
    }
}

/* ---- faults and events on a schedule ---- */

/* A notice flood: input edges back to back while the requests go on. (Not through the
 * translated-message queue: with that callback registered, received messages go to it instead of
 * completing requests, process-wide.) */
#define FLOOD_EDGES 1500

static void Flood(Gateway* g) {
    for (int i = 0; i < FLOOD_EDGES; ++i) {
        char line[96];
        snprintf(line, sizeof line, "@%s input %d 8 %s", g->simName, NOTICE_NODE, i % 2 ? "low" : "high");
        if (Control(line)) atomic_fetch_add(&g->noticesSent, 1);
    }
}

static void ArmFault(Gateway* g, const char* fault, int on) {
    char line[160];
    if (strcmp(fault, "flood") == 0) {
        Log("%s: %s", g->label, on ? "notice flood" : "flood over");
        if (on) Flood(g);
        return;
    }
    if (strcmp(fault, "silent") == 0) {
        snprintf(line, sizeof line, "fault %s silent %s", g->simName, on ? "on" : "off");
    } else if (strcmp(fault, "unplug") == 0) {
        snprintf(line, sizeof line, "fault %s %s", g->simName, on ? "unplug" : "replug");
    } else if (!on) {
        snprintf(line, sizeof line, "fault %s reset", g->simName);
        if (g->kind == PCI || g->kind == USB) return;
    } else {
        snprintf(line, sizeof line, "fault %s %s", g->simName, fault);
    }
    Log("%s: %s", g->label, line);
    Control(line);
}

/* Runs the fault windows of every gateway, one after the other per gateway, staggered across
 * gateways, and raises input edges on each input module between them. */
static void* ScheduleMain(void* arg) {
    (void)arg;
    int next[MAX_GATEWAYS] = {0};
    int64_t due[MAX_GATEWAYS], until[MAX_GATEWAYS] = {0};
    const int64_t start = NowMs();
    for (int i = 0; i < g_gatewayCount; ++i) due[i] = start + 3000 + i * (FAULT_PERIOD_MS / g_gatewayCount);
    unsigned level = 0;
    while (atomic_load(&g_running)) {
        const int64_t now = NowMs();
        for (int i = 0; i < g_gatewayCount; ++i) {
            Gateway* g = &g_gateways[i];
            if (until[i] != 0 && now >= until[i]) { /* the window ends */
                ArmFault(g, g->faults[(next[i] + g->faultCount - 1) % g->faultCount], 0);
                atomic_store(&g->recoveredAt, 0);
                atomic_store(&g->windowEnd, NowMs());
                until[i] = 0;
            }
            if (until[i] == 0 && now >= due[i] && g->faultCount > 0) {
                atomic_store(&g->windowEnd, 0);
                atomic_store(&g->lastFailure, 0);
                atomic_store(&g->windowStart, NowMs());
                atomic_store(&g->currentFault, next[i] % g->faultCount);
                ++g->stats[next[i] % g->faultCount].windows;
                ArmFault(g, g->faults[next[i]++ % g->faultCount], 1);
                until[i] = now + FAULT_WINDOW_MS;
                due[i] = now + FAULT_PERIOD_MS;
            }
            if (g->kind != ZONE && g->open && !atomic_load(&g->reopening)) {
                char line[96];
                snprintf(line, sizeof line, "@%s input %d %u %s", g->simName, NOTICE_NODE, 1 + level % 8,
                         (level / 8) % 2 ? "low" : "high");
                if (Control(line)) atomic_fetch_add(&g->noticesSent, 1);
            }
        }
        ++level;
        SleepMs(200);
    }
    for (int i = 0; i < g_gatewayCount; ++i)
        if (until[i] != 0) {
            ArmFault(
                &g_gateways[i],
                g_gateways[i].faults[(next[i] + g_gateways[i].faultCount - 1) % g_gateways[i].faultCount], 0);
            atomic_store(&g_gateways[i].recoveredAt, 0);
            atomic_store(&g_gateways[i].windowEnd, NowMs());
        }
    return NULL;
}

/* After each window of its gateway: when the gateway answered again. A gateway that has answered
 * nothing for HOST_REOPEN_MS, a second after its window, is closed and opened again by the host (a
 * port whose connection or receiver failed keeps failing until then), at most every
 * HOST_REOPEN_MS. One such thread per gateway, so that a slow reopening holds up no other. */
#define HOST_REOPEN_MS 2500
static void* RecoveryMain(void* arg) {
    Gateway* g = arg;
    int64_t seenEnd = 0, lastReopen = 0;
    while (atomic_load(&g_running)) {
        SleepMs(20);
        const int64_t now = NowMs();
        const int64_t end = atomic_load(&g->windowEnd);
        if (end <= 0 || end == seenEnd) continue;
        FaultStats* f = &g->stats[atomic_load(&g->currentFault)];
        const int64_t recovered = atomic_load(&g->recoveredAt);
        if (now - end > RECOVERY_BOUND_MS + 1000) {
            /* The window is over: recovered when a call succeeded after it; the recovery time
             * runs until the last call that failed in it. */
            if (recovered != 0 && recovered - end <= RECOVERY_BOUND_MS) {
                const int64_t last = atomic_load(&g->lastFailure);
                const int64_t took = last > end ? last - end : 0;
                f->recoverySumMs += took;
                if (took > f->recoveryWorstMs) f->recoveryWorstMs = took;
                ++f->recovered;
            } else {
                ++f->notRecovered;
                Log("%s: no answer within %d ms after the fault window", g->label, RECOVERY_BOUND_MS);
            }
            seenEnd = end;
        } else if (now - end > 1000 && now - atomic_load(&g->lastSuccess) > HOST_REOPEN_MS &&
                   now - lastReopen > HOST_REOPEN_MS) {
            Log("%s: silent after the fault window: the host reopens it", g->label);
            ++f->hostReopens;
            Reopen(g);
            lastReopen = NowMs();
        }
    }
    return NULL;
}

/* ---- set-up ---- */

static int AddGateway(const char* spec) {
    if (g_gatewayCount == MAX_GATEWAYS) return 0;
    Gateway* g = &g_gateways[g_gatewayCount];
    memset(g, 0, sizeof *g);
    const char* value = strchr(spec, '=');
    struct in_addr ip;
    if (strncmp(spec, "eth=", 4) == 0 || strncmp(spec, "zone=", 5) == 0) {
        if (inet_pton(AF_INET, value + 1, &ip) != 1) return 0;
        g->kind = spec[0] == 'e' ? ETHERNET : ZONE;
        g->address = ntohl(ip.s_addr);
        snprintf(g->simName, sizeof g->simName, "%s:%u", value + 1, GetEthernetServerPort());
        if (g->kind == ETHERNET) {
            snprintf(g->label, sizeof g->label, "%s", g_serialFraming ? "ethernet/serial" : "ethernet/can");
            g->rawMessages = g->noticeLevels = !g_serialFraming;
            g->port = g->handle = 0x1000;
            g->faults[0] = "close";
            g->faults[1] = "garbage 64";
            g->faults[2] = "split 6 30";
            g->faults[3] = "delay 3 900";
            g->faults[4] = "flood";
            g->faultCount = 5;
        } else {
            snprintf(g->label, sizeof g->label, "zone");
            g->port = 0x800000;
            g->handle = 0x800000 | 1u << 24;
            g->faults[0] = "close";
            g->faults[1] = "split 6 30";
            g->faults[2] = "delay 3 900";
            g->faultCount = 3;
        }
    } else if (strncmp(spec, "rs232=COM", 9) == 0 || strncmp(spec, "uart=COM", 8) == 0) {
        g->kind = spec[0] == 'r' ? RS232 : UART;
        g->com = atoi(value + 4);
        snprintf(g->simName, sizeof g->simName, "%s", value + 1);
        snprintf(g->label, sizeof g->label, "%s", g->kind == RS232 ? "rs232" : "uart");
        /* An RS-232 gateway leaves most raw messages unanswered (see the soak notes): UART only. */
        g->rawMessages = g->noticeLevels = g->kind == UART;
        g->faults[0] = "silent";
        g->faults[1] = "garbage 48";
        /* Answers later than the time-out (500 ms on RS-232; 100 ms for sets and 200 ms for gets
         * on the UART). The gateway answers in order, so the requests sent meanwhile queue behind
         * the late answers; the delay keeps that queue within the 1.5 s for which a node owes the
         * answers of its timed-out requests. */
        g->faults[2] = g->kind == RS232 ? "delay 3 900" : "delay 3 300";
        g->faultCount = 3;
    } else if (strcmp(spec, "pci") == 0) {
        g->kind = PCI;
        snprintf(g->simName, sizeof g->simName, "pci0:0");
        snprintf(g->label, sizeof g->label, "pci");
        g->port = g->handle = 0x800;
        g->noticeLevels = 1;
        g->faults[0] = "busoff";
        g->faultCount = 1;
    } else if (strcmp(spec, "usb") == 0) {
        g->kind = USB;
        snprintf(g->simName, sizeof g->simName, "usb0");
        snprintf(g->label, sizeof g->label, "usb");
        g->port = g->handle = 0x400;
        g->noticeLevels = 1;
        g->faults[0] = "unplug";
        g->faultCount = 1;
    } else {
        return 0;
    }
    /* An RS-232 discovery that finds nothing (a fault window) broadcasts once more. */
    g->discoveryMs = g->kind == RS232 ? 4000 : g->kind == UART ? 2000 : 1000;
    pthread_rwlock_init(&g->lock, NULL);
    ++g_gatewayCount;
    return 1;
}

int main(int argc, char** argv) {
    long seconds = 60;
    FILE* report = stdout; /* the table and the totals line (the SDK may print on stdout) */
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = atol(argv[++i]);
        } else if (strcmp(argv[i], "--control") == 0 && i + 1 < argc) {
            g_controlPath = argv[++i];
        } else if (strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            report = fopen(argv[++i], "w");
            if (report == NULL) return 2;
        } else if (strcmp(argv[i], "--serial-framing") == 0) {
            g_serialFraming = 1;
            SetSerialTransmissision(1);
        } else if (!AddGateway(argv[i])) {
            Log("unknown gateway '%s'", argv[i]);
            return 2;
        }
    }
    if (g_controlPath == NULL || g_gatewayCount == 0 || seconds < 10) {
        fprintf(stderr,
                "usage: soak_host --seconds S (10 or more) --control PATH [--serial-framing] GATEWAY...\n");
        return 2;
    }
    g_start = NowMs();
    for (int i = 0; i < g_gatewayCount; ++i) {
        Gateway* g = &g_gateways[i];
        g->open = OpenCounted(g);
        if (!g->open) {
            Log("%s does not open", g->label);
            return 1;
        }
    }
    KYMRegRtcnCallBack(0, NULL, OnNotice);
    Control("nodes"); /* connects the control socket before the descriptors are counted */
    /* Descriptors and threads once every gateway is open, before the soak's own threads start. */
    const long fdsBefore = OpenDescriptors(), threadsBefore = StatusKib("Threads:");
    Log("open, %ld descriptors, %ld threads", fdsBefore, threadsBefore);

    const int workers = g_gatewayCount * WORKERS;
    Worker w[MAX_GATEWAYS * WORKERS];
    pthread_t threads[MAX_GATEWAYS * WORKERS + 1 + MAX_GATEWAYS];
    for (int i = 0; i < workers; ++i) {
        w[i].g = &g_gateways[i / WORKERS];
        w[i].index = i % WORKERS;
        w[i].node = (uint32_t)(WORKER_NODE0 + i % WORKERS);
        w[i].seed = (unsigned)(1234 + i);
        pthread_create(&threads[i], NULL, WorkerMain, &w[i]);
    }
    /* Memory once the first minute (of a short run, the first third) has passed. */
    pthread_create(&threads[workers], NULL, ScheduleMain, NULL);
    for (int i = 0; i < g_gatewayCount; ++i)
        pthread_create(&threads[workers + 1 + i], NULL, RecoveryMain, &g_gateways[i]);

    const int64_t start = NowMs(), stop = start + seconds * 1000;
    const int64_t baselineAt = start + (seconds > 90 ? 60000 : seconds * 1000 / 3);
    long rssBefore = -1;
    int64_t nextReopen = start + 7000, retryAt[MAX_GATEWAYS] = {0};
    while (NowMs() < stop) {
        SleepMs(100);
        if (rssBefore < 0 && NowMs() >= baselineAt) rssBefore = StatusKib("VmRSS:");
        if (NowMs() >= nextReopen) { /* the first gateway closes and reopens now and then */
            Reopen(&g_gateways[0]);
            nextReopen = NowMs() + 13000;
        }
        for (int i = 0; i < g_gatewayCount; ++i) /* a gateway whose reopening failed is tried again */
            if (!g_gateways[i].open && NowMs() >= retryAt[i]) {
                Reopen(&g_gateways[i]);
                retryAt[i] = NowMs() + 1000;
            }
    }
    atomic_store(&g_running, 0);
    for (int i = 0; i < workers + 1 + g_gatewayCount; ++i) pthread_join(threads[i], NULL);
    Log("stopped after %lld ms", (long long)(NowMs() - start));
    /* Quiet again: every gateway must answer, then the process holds what it held before. */
    SleepMs(RECOVERY_BOUND_MS / 2);
    long rssAfter = StatusKib("VmRSS:");
    const long fdsAfter = OpenDescriptors(), threadsAfter = StatusKib("Threads:");

    long requests = 0, wrong = 0, hung = 0, failedIn = 0, failedOut = 0;
    int countersOff = 0;
    fprintf(report, "%-16s %9s %6s %5s %8s %8s %7s %11s %9s  %s\n", "gateway", "requests", "wrong", "hung",
            "fail-in", "fail-out", "reopens", "notices", "unmatched",
            "port counters: sent = answered + timed out + error reports + discoveries (answered/not)");
    for (int i = 0; i < g_gatewayCount; ++i) {
        Gateway* g = &g_gateways[i];
        KymPortCounters c;
        memset(&c, 0, sizeof c);
        if (NvGetPortCounters(g->port, &c) == 1) AddCounters(&g->total, &c);
        const KymPortCounters* t = &g->total;
        const uint64_t settled = t->answers + t->timeouts + t->errorReports;
        const long sure = atomic_load(&g->discoveriesAnswered),
                   unsure = atomic_load(&g->discoveriesUnanswered);
        const int adds = t->requestsSent >= settled + (uint64_t)sure &&
                         t->requestsSent <= settled + (uint64_t)(sure + unsure);
        countersOff += !adds;
        long notRecovered = 0;
        for (int f = 0; f < g->faultCount; ++f) notRecovered += g->stats[f].notRecovered;
        char notices[24];
        snprintf(notices, sizeof notices, "%ld/%ld", atomic_load(&g->noticesSeen),
                 atomic_load(&g->noticesSent));
        fprintf(report,
                "%-16s %9ld %6ld %5ld %8ld %8ld %7ld %11s %9llu  %llu %s %llu + %llu + %llu + %ld/%ld\n",
                g->label, atomic_load(&g->requests), atomic_load(&g->wrong) + atomic_load(&g->noticesWrong),
                atomic_load(&g->hung), atomic_load(&g->failedIn), atomic_load(&g->failedOut) + notRecovered,
                atomic_load(&g->reopens), notices, (unsigned long long)t->unmatchedAnswers,
                (unsigned long long)t->requestsSent, adds ? "=" : "!=", (unsigned long long)t->answers,
                (unsigned long long)t->timeouts, (unsigned long long)t->errorReports, sure, unsure);
        requests += atomic_load(&g->requests);
        wrong += atomic_load(&g->wrong) + atomic_load(&g->noticesWrong);
        hung += atomic_load(&g->hung);
        failedIn += atomic_load(&g->failedIn);
        failedOut += atomic_load(&g->failedOut) + notRecovered;
    }
    fprintf(report, "%-16s %-12s %7s %8s %13s %13s %12s %14s\n", "fault window", "fault", "windows", "failed",
            "recovery mean", "recovery worst", "host reopens", "not recovered");
    for (int i = 0; i < g_gatewayCount; ++i) {
        const Gateway* g = &g_gateways[i];
        for (int f = 0; f < g->faultCount; ++f) {
            const FaultStats* st = &g->stats[f];
            char fault[16];
            snprintf(fault, sizeof fault, "%s", g->faults[f]);
            *strchrnul(fault, ' ') = '\0';
            fprintf(report, "%-16s %-12s %7ld %8ld %10lld ms %10lld ms %12ld %14ld\n", g->label, fault,
                    st->windows, atomic_load(&st->failed),
                    (long long)(st->recovered ? st->recoverySumMs / st->recovered : 0),
                    (long long)st->recoveryWorstMs, st->hostReopens, st->notRecovered);
        }
    }
    KYMRegRtcnCallBack(0, NULL, NULL);
    for (int i = 0; i < g_gatewayCount; ++i) Close(&g_gateways[i]);
    if (rssBefore < 0) rssBefore = rssAfter;
    fprintf(report, "totals %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %ld %d\n", requests, wrong, hung,
            failedIn, failedOut, rssBefore, rssAfter, fdsBefore, fdsAfter, threadsBefore, threadsAfter,
            countersOff);
    if (report != stdout) fclose(report);
    const int failed = wrong != 0 || hung != 0 || failedOut != 0 || countersOff != 0 ||
                       fdsAfter > fdsBefore || threadsAfter > threadsBefore || rssAfter - rssBefore > 4096;
    return failed ? 1 : 0;
}
