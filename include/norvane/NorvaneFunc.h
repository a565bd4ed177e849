/* NorvaneFunc: the SDK for KYM stepper-motor controllers and their sibling CAN devices.
 *
 * Plain C interface. Every export returns a signed 32-bit status: 1 (or a count) = done,
 * 0 or -1 = not done, a negative controller error code when a node refuses an acknowledged set.
 * Which of 0 and -1 a failed request gives is fixed per export and, for sets and gets, per
 * gateway kind: a failed get gives -1 on RS-232 gateways, on second-generation USB-CAN adapters
 * and on a PCI port whose receive thread does not run, 0 elsewhere; a failed set gives -1, or 0
 * when the request cannot be built (RS-232: -1 for that too). Records are owned by the caller
 * and filled before the export returns; nothing allocated by the SDK is ever freed by the caller.
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
    uint32_t handle;      /* handle of the node's gateway port */
    uint32_t legacyValue; /* first-generation value */
    uint32_t firmware;    /* firmware field of the model answer */
    char model[32];       /* NUL-terminated model name */
} KymNodeRecord;

/* First-generation search record (88 bytes). */
typedef struct KymSearchRecord {
    uint32_t handle;         /* gateway handle */
    uint32_t transportValue; /* Ethernet: the port's bit-rate code */
    uint32_t address;        /* in: IPv4 address to probe, host order (0 = gateway default) */
    uint8_t filled;          /* 1 when filled */
    uint8_t reserved[7];
    char name[64];  /* NUL-terminated */
    uint32_t extra; /* the gateway's extra value */
} KymSearchRecord;

/* Raw CAN frame record (24 bytes); also the notice frame handed to real-time callbacks. */
typedef struct KymCanFrame {
    uint32_t identifier; /* 29-bit identifier, right-aligned */
    uint8_t unused[5];
    uint8_t sendType; /* 0 normal */
    uint8_t extended; /* 1 = 29-bit identifier */
    uint8_t remote;   /* 1 = remote frame */
    uint8_t length;   /* 0-8 */
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

/* Health counters of one port: what it sent and took in, and what went wrong, counted since the
 * port was made or its counters were last reset. */
typedef struct KymPortCounters {
    uint64_t requestsSent;       /* units sent: requests, discovery requests, raw messages, probes */
    uint64_t answers;            /* answers that completed a request */
    uint64_t timeouts;           /* requests whose answer did not come in time */
    uint64_t errorReports;       /* requests a node answered with an error report */
    uint64_t malformedFrames;    /* received frames skipped because they could not be decoded */
    uint64_t noticesDelivered;   /* messages handed to the host's notice callbacks */
    uint64_t ringDropped;        /* translated messages dropped because the host's queue was full */
    uint64_t streamBytesDropped; /* node stream bytes that did not fit the node's buffer */
    uint64_t reconnects;         /* connections the SDK made again after a loss */
    uint64_t messagesDropped;    /* received messages naming node 0 or a node beyond 125 */
    uint64_t replyBytesDropped;  /* incomplete ends of serial answers */
    uint64_t logLinesDropped;    /* traffic-log lines dropped because the disk fell behind (whole process) */
    uint64_t unmatchedAnswers;   /* answers that arrived when no request awaited them (late, stray or
                                    duplicated answers): counted and dropped */
} KymPortCounters;

/* One frame the SDK sent or took in on a port, as the traffic callback receives it (32 bytes). */
typedef struct KymTrafficFrame {
    uint64_t timeMicros; /* wall clock when the SDK sent or filed it: microseconds since 1970 UTC */
    uint32_t handle;     /* gateway handle of the port */
    uint32_t identifier; /* CAN identifier as on the bus: 29-bit when extended, else 11-bit */
    uint8_t direction;   /* 0 sent by the SDK, 1 received */
    uint8_t extended;    /* 1 = 29-bit identifier */
    uint8_t remote;      /* 1 = remote frame (no data) */
    uint8_t length;      /* 0-8 */
    uint8_t data[8];     /* zero beyond length */
    uint8_t reserved[4]; /* 0 */
} KymTrafficFrame;

/* Traffic callback: count frames in the order the SDK recorded them (valid only during the call)
 * and the context given at registration. Runs on the SDK's traffic thread, never on a receive
 * thread; a slow callback loses frames (counted), it never slows the ports. */
typedef void (*KymTrafficCallBack)(const KymTrafficFrame* frames, int32_t count, void* context);

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
NV_API int32_t OPR_SetRFIDKey(uint32_t handle, uint32_t node, void* key, int32_t ackFlag,
                              KymReply* ackBuffer);
NV_API int32_t SetSerialTransmissision(int32_t value);
NV_API int32_t GetSerialTransmissision(void);
NV_API int32_t SetNorvaneSDKUFQ(int32_t value);
NV_API int32_t GetNorvaneSDKUFQ(void);
NV_API void SetEthernetServerPort(uint32_t port);
NV_API uint32_t GetEthernetServerPort(void);

/* ---- gateway search, open and node discovery ---- */
/* Kind mask: 1 RS-232, 4 USB-CAN, 8 PCI, 16 Ethernet, 32 UART; any bit of 0xFF00 selects the
 * first generation. params: two words per kind (0/1 RS-232, UART, PCI; 2/3 USB; 4/5 Ethernet:
 * flag, IPv4 address in host byte order), may be null. Searches block while they probe (an
 * Ethernet address that does not answer costs about 2.5 s). */
NV_API int32_t SearchDevice(uint32_t mask, uint32_t* params);
/* ids: room for 32 handles. -1 when a requested kind was never searched. */
NV_API int32_t GetKymDevIdList(uint32_t mask, uint32_t* ids);
/* Length of the gateway name; -1 without such a gateway; 1 for a kind outside 1, 4, 8, 16, 32. */
NV_API int32_t GetKymDevInfo(uint32_t handle, KymDevInfo* info);
/* Number of gateways described in infos, or -1 (also when more than maxCount were found). */
NV_API int32_t SearchGateway(uint32_t mask, uint32_t* params, KymDevInfo* infos, int32_t maxCount);
/* Connects the gateway and starts its threads; the Ethernet gateway reports 0 even then. */
NV_API int32_t OpenKymDev(uint32_t handle);
NV_API int32_t CloseKymDev(uint32_t handle);
NV_API int32_t CloseGateway(uint32_t handle);
/* Node discovery into records (room for max of them); the number of nodes. */
NV_API int32_t RegisterDevice(uint32_t handle, KymNodeRecord* records, int32_t max);
NV_API int32_t Register753AllDevice(uint32_t handle, KymNodeRecord* records, int32_t max);
/* Node ids (5-125, ascending, at most maxCount); 1 for single-controller gateways; -1 if none. */
NV_API int32_t KymGrobReg(uint32_t handle, uint32_t* nodeIds, int32_t maxCount);
/* Open + discovery + bit-rate read: the number of nodes, 1, 0 or -1; *bitRate = code or -1. */
NV_API int32_t OpenGateway(uint32_t handle, uint32_t* nodeIds, int32_t maxCount, int32_t* bitRate);

/* ---- second-generation controller commands ---- */
/* Operation record of command 82 (Operate and the flash exports): two operation bytes, the
 * number of payload bytes (0-5), the payload. Answers fill the same positions. */
typedef struct KymOperation {
    uint8_t code[2];
    uint8_t reserved[2];
    int32_t length;
    uint8_t payload[8]; /* bytes 0-4 used */
} KymOperation;

/* Set exports pass the answer record only when ackFlag is non-zero and ackBuffer non-null. */
NV_API int32_t KymENA(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t KymOFF(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t KymACK(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t KymFBK(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t KymSFBK(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetMDL(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetSPD(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSPD(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPOS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetPOS(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetSTP(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSTP(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetQEC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetQEC(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetORG(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetDOUT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetDOUT(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetMCS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetCUR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetACR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetACR(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetmACC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetmACC(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetmDEC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetmDEC(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetmMSS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetmMSS(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetmMDS(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetSTG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSTG(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetQER(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetQER(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetSQT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetBLC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetBLC(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPBR(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetPBR(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPMB(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetPMB(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPMD(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetPMD(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetKymMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetKymMCFG(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetMIOMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetMIOMCFG(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetKYDMCFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetKYDMCFG(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetS12CON(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                         KymReply* ackBuffer);
NV_API int32_t GetS12CON(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetS34CON(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                         KymReply* ackBuffer);
NV_API int32_t GetS34CON(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetATCONL(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetATCONL(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetATCONH(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetATCONH(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSCFG(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetIOconfig(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t GetIOconfig(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetDVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetDVAInfo(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetMIODVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetMIODVAInfo(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t Set0606DVAInfo(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                              KymReply* ackBuffer);
NV_API int32_t Get0606DVAInfo(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t KymAdvENA(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t KymGetAdvENA(uint32_t handle, uint32_t node, KymReply* reply);
/* data: 16 bytes; byte 0 DMA address, word 3 non-zero = write bytes 4-9 there. */
NV_API int32_t SetDMA(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
/* Reads 6 bytes at a DMA address: reply field 0 = the address, reply bytes 4-9 = the bytes. */
NV_API int32_t GetDMA(uint32_t handle, uint32_t node, int32_t address, KymReply* reply);
NV_API int32_t SetSTO(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t KymAdvSTORE(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t KymSTORE(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetKymICFG(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetKymICFG(uint32_t handle, uint32_t node, KymReply* reply);
/* data: count word (1-8), then the bytes. */
NV_API int32_t SetNRD(uint32_t handle, uint32_t node, const void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t Kym153SetBtr(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                            KymReply* ackBuffer);
NV_API int32_t SetRPT(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetRPT(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetRPC(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetRPC(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetBDR(uint32_t handle, int32_t value);
NV_API int32_t SetADR(uint32_t handle, uint32_t node, uint32_t newNode);

/* Global commands: node 0, never an answer. */
NV_API int32_t SetgOFF(uint32_t handle);
NV_API int32_t SetgCUR(uint32_t handle);
NV_API int32_t SetgORG(uint32_t handle);
NV_API int32_t SetgDIR(uint32_t handle, int32_t value);
NV_API int32_t SetgSPD(uint32_t handle, int32_t value);
NV_API int32_t SetgSTP(uint32_t handle, int32_t value);
NV_API int32_t SetgPOS(uint32_t handle, int32_t value);
NV_API int32_t SetgQEC(uint32_t handle, int32_t value);
NV_API int32_t SetgMCS(uint32_t handle, int32_t value);
NV_API int32_t SetgDOUT(uint32_t handle, int32_t value);
NV_API int32_t SetgACR(uint32_t handle, int32_t value);

/* Composite exports. A record word of 0xFFFFFFFF (-1) skips that step. */
NV_API int32_t SetBasicMov(uint32_t handle, uint32_t node, const int32_t* record, int32_t relative);
NV_API int32_t GetBasicMov(uint32_t handle, uint32_t node, int32_t* out, int32_t relative);
NV_API int32_t SetAdvMov(uint32_t handle, uint32_t node, const int32_t* record);
NV_API int32_t GetAdvMov(uint32_t handle, uint32_t node, int32_t* out);
NV_API int32_t SetSensorMov(uint32_t handle, uint32_t node, int32_t storeValue, const int32_t* record);
NV_API int32_t SetDevPara(uint32_t handle, uint32_t node, int32_t mcs, int32_t acr, int32_t cur);
NV_API int32_t SetSCFG(uint32_t handle, uint32_t node, const int32_t* block);
NV_API int32_t SetCFG(uint32_t handle, uint32_t node, const void* icfg, const void* mcfg);
NV_API int32_t GetCFG(uint32_t handle, uint32_t node, KymReply* icfgOut, KymReply* mcfgOut);
NV_API int32_t GetAVAInfo(uint32_t handle, uint32_t node, const uint8_t* channelMask, int32_t ackFlag,
                          KymReply* reply);
NV_API int32_t SetBTR(uint32_t handle, int32_t code, int32_t pad, int32_t* codeOut);
NV_API int32_t GetBTR(uint32_t handle, int32_t* bitRate);
NV_API int32_t Kym153Send(uint32_t handle, uint32_t node, const uint8_t* bytes, int32_t length);
NV_API int32_t Kym153Recv(uint32_t handle, uint32_t node, uint8_t* buffer, int32_t length);
/* Searches kindMask (one kind; params as SearchDevice), opens port 0 of that kind, sends the
 * node an interrupt configuration of 0, which stops a running program, and closes; always 1. */
NV_API int32_t ForceStopProgram(uint32_t kindMask, uint32_t* params, uint32_t node);

/* Operation family (command 82). */
NV_API int32_t Operate(uint32_t handle, uint32_t node, const KymOperation* in, int32_t ackFlag,
                       KymOperation* out);
NV_API int32_t OPR_FillDMA(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag, KymOperation* out);
NV_API int32_t OPR_ClearFlash(uint32_t handle, uint32_t node, int32_t ackFlag, KymOperation* out);
NV_API int32_t OPR_BurnFlash(uint32_t handle, uint32_t node, int32_t line, int32_t ackFlag,
                             KymOperation* out);
NV_API int32_t OPR_ReadLine(uint32_t handle, uint32_t node, int32_t line, int32_t ackFlag);
NV_API int32_t OPR_ReadCurrPtr(uint32_t handle, uint32_t node, int32_t ackFlag, KymOperation* out);
NV_API int32_t OPR_OpenAntenna(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply);
NV_API int32_t OPR_CloseAntenna(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply);
NV_API int32_t OPR_FindRFID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply);
NV_API int32_t OPR_CloseRFID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* reply);
NV_API int32_t OPR_RFIDRead(uint32_t handle, uint32_t node, int32_t ackFlag, int32_t keyA, int32_t block,
                            KymReply* reply);
NV_API int32_t OPR_RFIDWrite(uint32_t handle, uint32_t node, int32_t ackFlag, int32_t keyA, int32_t block,
                             KymReply* reply);
/* RFID block data (command 83): 16 bytes of the block, 4 bytes of the card number. */
NV_API int32_t OPR_GetRFIDBlkData(uint32_t handle, uint32_t node, uint8_t* out16);
NV_API int32_t OPR_SetRFIDBlkData(uint32_t handle, uint32_t node, const uint8_t* in16);
NV_API int32_t OPR_GetRFIDCardNum(uint32_t handle, uint32_t node, uint8_t* out4);

/* ---- callbacks and notices ---- */
/* Registering again replaces, registering null switches off; all return 0.
 *
 * Where each callback runs, and what it may do there:
 * - KYMRegRtcnCallBack (real-time notices), KYMReg753RtcnCallBack (first-generation real-time
 *   messages and error reports), KYMRegSerialTranslateCallBack and KYMReg318SerialTranslateCallBack
 *   (serial pass-through): on the receive thread of the port the message came in on. While it
 *   runs, that port receives nothing else, so return quickly.
 * - KYMRegTranslateCallBack (translated messages): on the notification thread of that port.
 * Any callback may call every export, including requests through any gateway and closing a
 * gateway, its own one included: a close from a callback does not wait for the thread it runs
 * on, which ends when the callback returns. A request to the callback's own port from its receive
 * thread cannot be answered while the callback runs (that thread files the answers): it ends
 * with its time-out's result, so do that from another thread. */
NV_API int32_t KYMRegRtcnCallBack(int32_t reserved, void* context, KymRtcnCallBack callback);
NV_API int32_t KYMReg753RtcnCallBack(KymMsgCallBack callback);
NV_API int32_t KYMRegTranslateCallBack(KymMsgCallBack callback);
NV_API int32_t KYMRegSerialTranslateCallBack(KymSerialCallBack callback);
NV_API int32_t KYMReg318SerialTranslateCallBack(KymSerialCallBack callback);
NV_API int32_t KYMRegRecordCallBack(void* callback);
/* Notice record (36 bytes): first call creates it (1, buffer untouched); later calls copy it
 * into record and clear it (1); null record -1. */
NV_API int32_t KYMRegNotice(void* record);

/* ---- configuration ---- */
/* Para.ini next to the host executable, section "SystemConfig". */
NV_API int32_t InitSDKConfig(void);
NV_API int32_t GetSDKConfigParam(const char* key, int32_t* value);
NV_API int32_t SetSDKConfigParam(const char* key, int32_t value);
NV_API int32_t DeInitSDKConfig(void);

/* ---- first-generation API ---- */
/* First generation: gateway management. Search records: see KymSearchRecord. */
NV_API int32_t SearchGateWay(uint32_t dwDevType, KymSearchRecord* records, int32_t maxRecords);
NV_API int32_t OpenGateWay(uint32_t handle, KymNodeRecord* records, int32_t max, uint32_t* out);
NV_API int32_t CloseGateWay(uint32_t handle);
NV_API int32_t OpenSerialGateway(void);
NV_API int32_t OpenUartGateway(void);
NV_API int32_t OpenTypeFirstGateway(uint32_t kind);
NV_API int32_t Open753SocketDevice(uint32_t handle);
NV_API int32_t SetDevIndex(uint32_t handle, uint32_t newHandle);
NV_API int32_t SetQuickScan(uint32_t flag, uint32_t value, uint32_t fallback);
NV_API int32_t Set318QuickScan(uint32_t flag, uint32_t value, uint32_t fallback);
/* First generation: communication, identity, errors, power-up and interrupt settings, addresses. */
NV_API int32_t SetComm_RS232(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetComm_RS232(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetComm_CAN_Master(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                  KymReply* ackBuffer);
NV_API int32_t GetComm_CAN_Master(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetComm_CAN_Slave(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t GetComm_CAN_Slave(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t Comm_Update(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t SetPP(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetPP(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetIC(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetIC(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetCloseLoopControl(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer);
NV_API int32_t GetPowerUpCfg(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t SetPowerUpCfg(uint32_t handle, uint32_t node, uint32_t* flags, int32_t ackFlag,
                             uint32_t* flagsOut);
NV_API int32_t SetIE(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetIE(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetInterruptCfg(uint32_t handle, uint32_t node, uint32_t* flags, int32_t ackFlag,
                               uint32_t* flagsOut);
NV_API int32_t GetInterruptCfg(uint32_t handle, uint32_t node, uint32_t* out);
NV_API int32_t SetInterruptEnable(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                                  KymReply* ackBuffer);
NV_API int32_t GetInterruptEnable(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetGWIE(uint32_t handle, void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetGWIE(uint32_t handle, int32_t index, KymReply* reply);
NV_API int32_t GetModelInfo(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetSerialNumber(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetSerialNumber(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetPowerOnTime(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t ResetPowerOnTime(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t Set_ADR(uint32_t handle, uint32_t node, int32_t* record);
NV_API int32_t Set_GatewayADR(uint32_t handle, uint32_t node, int32_t* record);
NV_API int32_t SetLightFlash(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag);
NV_API int32_t SetER(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetER(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t ClearControlerError(uint32_t handle, uint32_t node, int32_t index, int32_t ackFlag,
                                   KymReply* ackBuffer);
NV_API int32_t GetControlerError(uint32_t handle, uint32_t node, int32_t which, KymReply* reply);
/* First generation: motor parameters, light, motor power, motion, profile, backlash, temperature. */
NV_API int32_t SetMT(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetMT(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetMotorPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                            KymReply* ackBuffer);
NV_API int32_t GetMotorPara(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t UFQSetMotorPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t UFQGetMotorPara(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t SetRgb(uint32_t handle, uint32_t node, int32_t colour, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetRgb(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetQickRgb(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetMotorOn(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetMotorOn(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t BeginMotion(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t StopMotion(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetMotionFormatSwitch(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                     KymReply* ackBuffer);
NV_API int32_t GetMotionFormatSwitch(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetAcceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetAcceleration(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetDeceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetDeceleration(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetStartingSpeed(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t GetStartingSpeed(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetServoPreAction(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SetStopDeceleration(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer);
NV_API int32_t GetStopDeceleration(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetBacklashComp(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetBacklashComp(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetmMDS(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetDesiredValues(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t GetTemperatureLimit(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetTemperatureLimit(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                   KymReply* ackBuffer);
NV_API int32_t GetSQT(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetCurrTemperature(uint32_t handle, uint32_t node, KymReply* reply);
/* First generation: jog, point-to-point, PVT. */
NV_API int32_t SetJogVelocity(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                              KymReply* ackBuffer);
NV_API int32_t GetJogVelocity(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPTPSpeed(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t GetPTPSpeed(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPTPRelativePosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer);
NV_API int32_t GetPTPRelativePosition(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPTPAbsolutePosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer);
NV_API int32_t GetPTPAbsolutePosition(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetOriginPosition(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t SetMotionMode(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetMotionMode(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetMPIOConfig(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetMPIOConfig(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPVTFeedForwardFactor(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                       KymReply* ackBuffer);
NV_API int32_t GetPVTFeedForwardFactor(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPVTDeadGap(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetPVTDeadGap(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetPVTNextPosition(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPVTPara(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                          KymReply* ackBuffer);
NV_API int32_t GetPVTPara(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetPVTMotionPara(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t GetPVTMotionPara(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t ClearPVTPara(uint32_t handle, uint32_t node, int32_t ackFlag);
NV_API int32_t StorePVT(uint32_t handle, uint32_t node, int32_t ackFlag);
NV_API int32_t SetPVTStartPoint(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t GetPVTCurrPoint(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetPVTPoint(uint32_t handle, uint32_t node, int32_t point, int32_t* record, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t GetPVTPoint(uint32_t handle, uint32_t node, int32_t point, KymReply* out);
NV_API int32_t SetUPVTPoint(uint32_t handle, uint32_t node, int32_t point, void* data, int32_t ackFlag,
                            KymReply* ackBuffer);
NV_API int32_t SetQPVTPoint(uint32_t handle, uint32_t node, int32_t index, void* data, int32_t ackFlag,
                            KymReply* ackBuffer);
/* First generation: limits, encoder, I/O (SetIOOutput/GetIOOutput and the GW forms serve both generations).
 */
NV_API int32_t SetLimit(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                        KymReply* ackBuffer);
NV_API int32_t GetLimit(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetPositionErrorLimit(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                     KymReply* ackBuffer);
NV_API int32_t GetPositionErrorLimit(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetMoveLimitCfg(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetMoveLimitCfg(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t SetEncoderCfg(uint32_t handle, uint32_t node, int32_t* record, int32_t ackFlag,
                             KymReply* ackBuffer);
NV_API int32_t GetEncoderCfg(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t SetEncoderType(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                              KymReply* ackBuffer);
NV_API int32_t GetEncoderType(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t GetBatteryStatus(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetQES(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                      KymReply* ackBuffer);
NV_API int32_t GetQES(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetIOConfig(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                           KymReply* ackBuffer);
NV_API int32_t GetIOConfig(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetSensorActionCfg(uint32_t handle, uint32_t node, int32_t index, int32_t value,
                                  int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSensorActionCfg(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetSensorTriggerCfg(uint32_t handle, uint32_t node, int32_t index, int32_t value,
                                   int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetSensorTriggerCfg(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t GetAnalogValue(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SetDigitalValue(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t GetDigitalValue(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetServoDigitalValue(uint32_t handle, uint32_t node, void* data, int32_t ackFlag,
                                    KymReply* ackBuffer);
NV_API int32_t GetServoDigitalValue(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetIOOutput(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetIOOutput(uint32_t handle, uint32_t node, KymReply* out);
NV_API int32_t SetGWIOOutput(uint32_t handle, void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t GetGWIOOutput(uint32_t handle, KymReply* out);
/* First generation: operation commands, system command, unlock/reboot, firmware lines. */
NV_API int32_t OPR_Operate(uint32_t handle, uint32_t node, void* block, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQStart(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQShutDown(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQHome(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQFreez(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQGetODO(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQGetErr(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQSetNodeID(uint32_t handle, uint32_t node, int32_t id, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t OPR_UFQSetGroupID(uint32_t handle, uint32_t node, int32_t group, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t OPR_UFQGetGroupID(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_UFQSetPVTWarn(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t OPR_UFQStateCheck(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_ResetCommand(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t OPR_UFQSetBrake(uint32_t handle, uint32_t node, int32_t on, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t OPR_UFQSetMode(uint32_t handle, uint32_t node, int32_t mode, int32_t ackFlag,
                              KymReply* ackBuffer);
NV_API int32_t OPR_SystemCommand(uint32_t handle, uint32_t node, int32_t code, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t OPR_SystemSetCurrent(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                    KymReply* ackBuffer);
NV_API int32_t OPR_SystemGetCurrent(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                    KymReply* ackBuffer);
NV_API int32_t OPR_SystemCheck(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                               KymReply* ackBuffer);
NV_API int32_t OPR_SystemShutDown(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                  KymReply* ackBuffer);
NV_API int32_t OPR_ServoGetValue(uint32_t handle, uint32_t node, int32_t parameter, int32_t ackFlag,
                                 KymReply* ackBuffer);
NV_API int32_t OPR_ServoSetValue(uint32_t handle, uint32_t node, int32_t parameter, int32_t value,
                                 int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_ServoWriteEEP(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t OPR_ServoAuthorization(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                      KymReply* ackBuffer);
NV_API int32_t SetSystemCommand(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t GetSystemCommand(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t KYMSetSystemType(uint32_t handle, uint32_t node, int32_t value, int32_t ackFlag,
                                KymReply* ackBuffer);
NV_API int32_t KYMGetSystemType(uint32_t handle, uint32_t node, KymReply* reply);
NV_API int32_t SetSY(uint32_t handle, uint32_t node, int32_t index, int32_t value, int32_t ackFlag,
                     KymReply* ackBuffer);
NV_API int32_t GetSY(uint32_t handle, uint32_t node, int32_t index, KymReply* reply);
NV_API int32_t SystemUnlock(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t SystemReboot(uint32_t handle, uint32_t node, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t UpdateFirmwareLine(uint32_t handle, uint32_t node, const char* line, int32_t ackFlag,
                                  KymReply* ackBuffer);
/* First generation: raw messages: node streams, single CAN messages, gateway texts, zone messages. */
NV_API int32_t Set8143NRD(uint32_t handle, uint32_t node, void* data, int32_t ackFlag, KymReply* ackBuffer);
NV_API int32_t Kym8143Send(uint32_t handle, uint32_t node, const uint8_t* bytes, int32_t length);
NV_API int32_t Kym8143Recv(uint32_t handle, uint32_t node, uint8_t* buffer, int32_t length);
NV_API int32_t SendSingleCANCmd(uint32_t handle, uint32_t canIdentifier);
NV_API int32_t NvSendSingleCANCmd(uint32_t handle, KymCanMsg* message, KymCanMsg* out, int32_t max,
                                  int32_t* countOut);
NV_API int32_t SendRS232CmdStr(uint32_t handle, const char* text, int32_t length);
NV_API int32_t SendFloatballCmd(uint32_t handle, KymCanMsg* message, KymCanMsg* out, int32_t max,
                                int32_t* countOut);

/* ---- zone device ---- */
/* A zone device (kind 32768, handle 0x800000) has no exports of its own: SearchGateWay with bit
 * 0x8000, OpenGateWay (records: one per zone, at most 9), CloseGateWay, the command exports,
 * RegisterDevice, Register753AllDevice, SendFloatballCmd and SendRS232CmdStr reach it. A request
 * names its zone in the handle's top byte: handle | zone << 24 (zone 0: every zone). */

/* ---- Port health counters ----
 * Fill counters with the counters of the port a gateway handle names: 1 filled, 0 no open or
 * searched port has that handle, -1 counters is null. Any thread; each counter is read on its own. */
NV_API int32_t NvGetPortCounters(uint32_t handle, KymPortCounters* counters);
/* Sets the port's counters to 0: 1 done, 0 no such port. */
NV_API int32_t NvResetPortCounters(uint32_t handle);

/* ---- Traffic callback ----
 * Hands every frame any port sends or takes in to callback, in batches, on the SDK's traffic
 * thread, whether or not the traffic is also recorded to a file (CanLog / NORVANE_CANLOG). Frames
 * wait in a bounded queue (4096 frames); when the callback has fallen that far behind, newer
 * frames are dropped and counted. Registering replaces the previous callback and sets the counts
 * to 0; a null callback unregisters (the counts stay readable). Either way, once the call returns
 * the previous callback is never called again (from inside the callback itself: once the callback
 * returns). Any thread; it waits for a running call of the previous callback to end. Returns 1;
 * -1 when the SDK could not start its traffic thread. */
NV_API int32_t NvRegTrafficCallBack(KymTrafficCallBack callback, void* context);
/* Frames handed to the traffic callback and frames dropped for it since it was last registered;
 * either pointer may be null. Returns 1. */
NV_API int32_t NvGetTrafficCounts(uint64_t* delivered, uint64_t* dropped);

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
static_assert(sizeof(KymCanMsg) == 16, "KymCanMsg is 16 bytes");
static_assert(offsetof(KymCanMsg, extra) == 4 && offsetof(KymCanMsg, data) == 8, "KymCanMsg layout");
static_assert(sizeof(KymReply) == 56, "KymReply holds 14 fields");
static_assert(sizeof(KymDevInfo) == 84, "KymDevInfo is 84 bytes");
static_assert(offsetof(KymDevInfo, name) == 16 && offsetof(KymDevInfo, gatewayClass) == 80,
              "KymDevInfo layout");
static_assert(sizeof(KymNodeRecord) == 64, "KymNodeRecord is 64 bytes");
static_assert(offsetof(KymNodeRecord, handle) == 20 && offsetof(KymNodeRecord, firmware) == 28 &&
                  offsetof(KymNodeRecord, model) == 32,
              "KymNodeRecord layout");
static_assert(sizeof(KymSearchRecord) == 88, "KymSearchRecord is 88 bytes");
static_assert(offsetof(KymSearchRecord, filled) == 12 && offsetof(KymSearchRecord, name) == 20 &&
                  offsetof(KymSearchRecord, extra) == 84,
              "KymSearchRecord layout");
static_assert(sizeof(KymCanFrame) == 24, "KymCanFrame is 24 bytes");
static_assert(offsetof(KymCanFrame, sendType) == 9 && offsetof(KymCanFrame, extended) == 10 &&
                  offsetof(KymCanFrame, remote) == 11 && offsetof(KymCanFrame, length) == 12 &&
                  offsetof(KymCanFrame, data) == 13,
              "KymCanFrame layout");
static_assert(sizeof(KymTrafficFrame) == 32 && offsetof(KymTrafficFrame, identifier) == 12 &&
                  offsetof(KymTrafficFrame, direction) == 16 && offsetof(KymTrafficFrame, data) == 20,
              "KymTrafficFrame layout");
#else
_Static_assert(sizeof(KymCanMsg) == 16, "KymCanMsg is 16 bytes");
_Static_assert(sizeof(KymReply) == 56, "KymReply holds 14 fields");
_Static_assert(sizeof(KymDevInfo) == 84, "KymDevInfo is 84 bytes");
_Static_assert(sizeof(KymNodeRecord) == 64, "KymNodeRecord is 64 bytes");
_Static_assert(sizeof(KymSearchRecord) == 88, "KymSearchRecord is 88 bytes");
_Static_assert(sizeof(KymCanFrame) == 24, "KymCanFrame is 24 bytes");
_Static_assert(sizeof(KymTrafficFrame) == 32, "KymTrafficFrame is 32 bytes");
#endif

#endif /* NORVANE_NORVANEFUNC_H */
