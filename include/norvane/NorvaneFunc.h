/* NorvaneFunc: the SDK for KYM stepper-motor controllers and their sibling CAN devices.
 *
 * Plain C interface. Every export returns a signed 32-bit status: 1 (or a count) = done,
 * 0 or -1 = not done (which of the two is fixed per export), a negative controller error code
 * when a node refuses an acknowledged set. Records are owned by the caller and filled before
 * the export returns; nothing allocated by the SDK is ever freed by the caller.
 *
 * Gateway handle: (kind << 8 | port index) & 0xFFFFFF. Kinds: 1 RS-232, 4 USB-CAN, 8 PCI,
 * 16 Ethernet, 32 UART (second generation); 256, 2048, 4096, 8192, 32768 (first generation).
 */
#ifndef NORVANE_NORVANEFUNC_H
#define NORVANE_NORVANEFUNC_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(NORVANE_BUILDING_SDK)
#define NV_API __attribute__((visibility("default")))
#else
#define NV_API
#endif

/* One CAN message of the controller protocol (16 bytes). */
typedef struct KymCanMsg {
    uint8_t node;        /* CAN node id; 0 = global, 127 = all nodes */
    uint8_t controlWord; /* bits 0-6 command number, bit 7 answer requested */
    uint8_t length;      /* data length 0-8 */
    uint8_t reserved;    /* 0 */
    uint32_t extra;      /* received messages: first data byte; 0 in requests */
    uint8_t data[8];     /* zero beyond length */
} KymCanMsg;

/* Decoded answer: 32-bit fields; which fields an answer fills is fixed per command.
 * Fields an answer does not name keep their previous content. */
typedef struct KymReply {
    int32_t field[14];
} KymReply;

/* Description of one gateway (84 bytes). */
typedef struct KymDevInfo {
    uint32_t kind;           /* gateway kind */
    uint32_t handle;         /* (kind << 8 | port index) & 0xFFFFFF */
    uint32_t portIndex;      /* RS-232 and UART gateways only */
    uint32_t transportValue; /* RS-232/UART communication setting, USB bit-rate field */
    char name[64];           /* NUL-terminated */
    uint32_t gatewayClass;   /* 0x10000 RS-232, 0x20000 all others */
} KymDevInfo;

/* Description of one discovered node (64 bytes). */
typedef struct KymNodeRecord {
    uint32_t nodeId;
    uint32_t discoveryValue; /* data bytes d0-d3 of the discovery answer */
    uint32_t flag;           /* first generation: 1 for a 'C' model */
    uint32_t reserved[2];
    uint32_t handle;         /* handle of the node's gateway port */
    uint32_t legacyValue;    /* first-generation value */
    uint32_t firmware;       /* firmware field of the model answer */
    char model[32];          /* NUL-terminated model name */
} KymNodeRecord;

/* First-generation search record (88 bytes). */
typedef struct KymSearchRecord {
    uint32_t handle;         /* gateway handle */
    uint32_t transportValue; /* Ethernet: the port's bit-rate code */
    uint32_t address;        /* in: IPv4 address to probe, host order (0 = gateway default) */
    uint8_t filled;          /* 1 when filled */
    uint8_t reserved[7];
    char name[64];           /* NUL-terminated */
    uint32_t extra;          /* the gateway's extra value */
} KymSearchRecord;

/* Raw CAN frame record (24 bytes); also the notice frame handed to real-time callbacks. */
typedef struct KymCanFrame {
    uint32_t identifier; /* 29-bit identifier, right-aligned */
    uint8_t unused[5];
    uint8_t sendType;    /* 0 normal */
    uint8_t extended;    /* 1 = 29-bit identifier */
    uint8_t remote;      /* 1 = remote frame */
    uint8_t length;      /* 0-8 */
    uint8_t data[8];
    uint8_t tail[3];
} KymCanFrame;
typedef KymCanFrame KymNoticeFrame;

/* Callbacks run on SDK threads, never on the host's thread. */
/* Real-time notice: gateway handle, notice frame (valid only during the call), always 1. */
typedef void (*KymRtcnCallBack)(uint32_t handle, KymNoticeFrame* frame, int32_t flag);
/* Translated message and first-generation real-time message: handle and the four words of the
 * KymCanMsg. */
typedef void (*KymMsgCallBack)(uint32_t handle, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3);
/* Serial pass-through: port tag, payload bytes, payload length. */
typedef void (*KymSerialCallBack)(uint32_t port, const uint8_t* payload, int32_t length);

/* ---- SDK entry, dispatch and process-wide switches ---- */
NV_API const char* KYMSDKGetVersion(void);
NV_API int32_t SingleCommandSet(uint32_t handle, uint32_t node, uint32_t controlWord, int32_t index,
                                void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SingleCommandGet(uint32_t handle, uint32_t node, uint32_t controlWord, int32_t index,
                                KymReply* answer);
NV_API int32_t GetLastErr(uint32_t handle, uint32_t node, KymReply* answer);
NV_API int32_t GetMissingErr(uint32_t handle, uint32_t node, int32_t which, KymReply* answer);
NV_API int32_t ClearQue(uint32_t handle, uint32_t node);
NV_API int32_t SndBatchCmd(uint32_t handle, uint32_t node);
NV_API int32_t ClrLastErr(uint32_t handle, uint32_t node);
NV_API int32_t Get318LastErr(uint32_t handle, uint32_t node, KymReply* answer);
NV_API int32_t ListQue(uint32_t handle, uint32_t node);
NV_API int32_t RecvBuf(uint32_t handle, uint32_t node, void* buffer, int32_t length);
NV_API int32_t OPR_SetRFIDKey(uint32_t handle, uint32_t node, void* key, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetSerialTransmissision(int32_t value);
NV_API int32_t GetSerialTransmissision(void);
NV_API int32_t SetNorvaneSDKUFQ(int32_t value);
NV_API int32_t GetNorvaneSDKUFQ(void);
NV_API void SetEthernetServerPort(uint32_t port);
NV_API uint32_t GetEthernetServerPort(void);

/* ---- gateway search, open and node discovery ---- */

/* ---- second-generation controller commands ---- */

/* ---- callbacks and notices ---- */

/* ---- configuration ---- */

/* ---- first-generation API ---- */

/* ---- zone device ---- */

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
static_assert(sizeof(KymCanMsg) == 16, "KymCanMsg is 16 bytes");
static_assert(offsetof(KymCanMsg, extra) == 4 && offsetof(KymCanMsg, data) == 8, "KymCanMsg layout");
static_assert(sizeof(KymReply) == 56, "KymReply holds 14 fields");
static_assert(sizeof(KymDevInfo) == 84, "KymDevInfo is 84 bytes");
static_assert(offsetof(KymDevInfo, name) == 16 && offsetof(KymDevInfo, gatewayClass) == 80, "KymDevInfo layout");
static_assert(sizeof(KymNodeRecord) == 64, "KymNodeRecord is 64 bytes");
static_assert(offsetof(KymNodeRecord, handle) == 20 && offsetof(KymNodeRecord, firmware) == 28 &&
                  offsetof(KymNodeRecord, model) == 32, "KymNodeRecord layout");
static_assert(sizeof(KymSearchRecord) == 88, "KymSearchRecord is 88 bytes");
static_assert(offsetof(KymSearchRecord, filled) == 12 && offsetof(KymSearchRecord, name) == 20 &&
                  offsetof(KymSearchRecord, extra) == 84, "KymSearchRecord layout");
static_assert(sizeof(KymCanFrame) == 24, "KymCanFrame is 24 bytes");
static_assert(offsetof(KymCanFrame, sendType) == 9 && offsetof(KymCanFrame, extended) == 10 &&
                  offsetof(KymCanFrame, remote) == 11 && offsetof(KymCanFrame, length) == 12 &&
                  offsetof(KymCanFrame, data) == 13, "KymCanFrame layout");
#else
_Static_assert(sizeof(KymCanMsg) == 16, "KymCanMsg is 16 bytes");
_Static_assert(sizeof(KymReply) == 56, "KymReply holds 14 fields");
_Static_assert(sizeof(KymDevInfo) == 84, "KymDevInfo is 84 bytes");
_Static_assert(sizeof(KymNodeRecord) == 64, "KymNodeRecord is 64 bytes");
_Static_assert(sizeof(KymSearchRecord) == 88, "KymSearchRecord is 88 bytes");
_Static_assert(sizeof(KymCanFrame) == 24, "KymCanFrame is 24 bytes");
#endif

#endif /* NORVANE_NORVANEFUNC_H */
