/* A host program of the SDK, using only its public header: search the Ethernet gateway at the
 * address given on the command line (default 127.0.0.1), open it, list its nodes with their
 * models, enable the first motor controller, run a move while printing its position and the
 * real-time notices it sends, then close.
 *
 * Usage: host_demo [IPv4 address]      (start norvane-sim first, or scripts/demo.sh) */
#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include "norvane/NorvaneFunc.h"

#define CMD_MCFG 46
#define MCFG_MOVE_NOTICE 0x10

static void SleepMs(long ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

/* Runs on an SDK thread. */
static void OnNotice(uint32_t handle, KymNoticeFrame* frame, int32_t flag) {
    (void)flag;
    const uint32_t id = frame->identifier;
    const unsigned node = ((id >> 3) & 0x60) + ((id >> 19) & 0x1F);
    printf("  notice from gateway 0x%06X node %u: control word 0x%02X, %u data bytes\n", handle, node,
           id & 0xFF, frame->length);
    fflush(stdout);
}

static const char* ModelOf(const KymReply* reply, char* out, size_t size) {
    /* The model answer carries the name at record bytes 36-55. */
    memcpy(out, (const char*)reply->field + 36, size < 21 ? size - 1 : 20);
    out[size < 21 ? size - 1 : 20] = '\0';
    return out;
}

int main(int argc, char** argv) {
    const char* address = argc > 1 ? argv[1] : "127.0.0.1";
    struct in_addr ip;
    if (inet_pton(AF_INET, address, &ip) != 1) {
        fprintf(stderr, "not an IPv4 address: %s\n", address);
        return 2;
    }
    printf("NorvaneFunc %s\n", KYMSDKGetVersion());

    uint32_t params[10] = {0, 0, 0, 0, 1, ntohl(ip.s_addr), 0, 0, 0, 0};
    KymDevInfo infos[5];
    const int found = SearchGateway(16, params, infos, 5);
    if (found < 1) {
        printf("no Ethernet gateway at %s (result %d)\n", address, found);
        return 1;
    }
    const uint32_t handle = infos[0].handle;
    printf("gateway %s, handle 0x%06X\n", infos[0].name, handle);

    uint32_t nodes[126];
    int32_t bitRate = -1;
    const int count = OpenGateway(handle, nodes, 126, &bitRate);
    if (count < 1) {
        printf("open failed (result %d)\n", count);
        CloseGateway(handle);
        return 1;
    }
    printf("%d node(s), bit-rate code %d\n", count, bitRate);
    uint32_t motor = 0;
    for (int i = 0; i < count; ++i) {
        KymReply reply;
        char model[32] = "?";
        memset(&reply, 0, sizeof reply);
        if (GetMDL(handle, nodes[i], &reply) == 1) ModelOf(&reply, model, sizeof model);
        printf("  node %3u  %s\n", nodes[i], model);
        if (motor == 0 && strncmp(model, "KYM24", 5) == 0) motor = nodes[i];
    }
    if (motor == 0) {
        printf("no motor controller found\n");
        CloseGateway(handle);
        return 0;
    }

    KYMRegRtcnCallBack(0, NULL, OnNotice);
    KymReply ack;
    int32_t mcfg = MCFG_MOVE_NOTICE;
    const int notice = SingleCommandSet(handle, motor, CMD_MCFG, 0, &mcfg, 1, &ack);
    const int enable = KymENA(handle, motor, 1, &ack);
    const int speed = SetSPD(handle, motor, 6000, 1, &ack);
    const int move = SetSTP(handle, motor, 3000, 1, &ack);
    printf("node %u: move notice on %d, enable %d, speed %d, move 3000 steps %d\n", motor, notice, enable,
           speed, move);
    int32_t last = -1;
    for (int poll = 0; poll < 40; ++poll) {
        KymReply position;
        memset(&position, 0, sizeof position);
        if (GetPOS(handle, motor, &position) != 1) {
            printf("  position: no answer\n");
        } else {
            printf("  position %d\n", position.field[0]);
            if (position.field[0] == last) break;
            last = position.field[0];
        }
        fflush(stdout);
        SleepMs(100);
    }
    KymReply status;
    memset(&status, 0, sizeof status);
    if (KymACK(handle, motor, &status) == 1) {
        printf("status words: 0x%08X 0x%08X 0x%08X\n", (unsigned)status.field[0], (unsigned)status.field[1],
               (unsigned)status.field[2]);
    }
    KYMRegRtcnCallBack(0, NULL, NULL);
    printf("close %d\n", CloseGateway(handle));
    return 0;
}
