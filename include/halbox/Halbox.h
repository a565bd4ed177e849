/* Halbox: access to the CAN channels of up to eight PCI CAN cards (SJA1000 controllers in
 * PeliCAN mode, two channels per card).
 *
 * Plain C interface. A card is named by its device index 0-7, a channel by 0 or 1. Every export
 * returns a 32-bit integer; "refused" means 0 and nothing done. Order of use: Marlix_OpenDevice,
 * Marlix_InitCan per channel, any number of Marlix_Transmit / Marlix_GetReceiveNum /
 * Marlix_Receive, then Marlix_ClearBuffer and Marlix_ResetCan per channel and Marlix_CloseDevice.
 * Any thread may call any export. An initialised channel runs a receive thread, which drains the
 * controller into a ring of 100000 frames, and a bus watchdog thread, which re-initialises the
 * channel after bus-off; Marlix_CloseDevice ends both.
 *
 * Cards are found through the card driver; HALBOX_SIM=PATH selects the simulated cards that
 * norvane-sim serves at that Unix-domain socket. Without it a card is a pair of SocketCAN
 * interfaces: HALBOX_SOCKETCAN=IF0,IF1;IF2,IF3, else the system's CAN interfaces two per card
 * (HALBOX_SOCKETCAN_SIM=DIR: the stand-in interfaces in DIR). On such a channel Marlix_ReadReg and
 * Marlix_WriteReg answer only the registers Halbox stands in for (0 if any other is in the run).
 */
#ifndef HALBOX_HALBOX_H
#define HALBOX_HALBOX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(HALBOX_BUILDING_LIBRARY)
#define HALBOX_API __attribute__((visibility("default")))
#else
#define HALBOX_API
#endif

/* One CAN frame (16 bytes), sent by Marlix_Transmit and filled by Marlix_Receive. */
typedef struct MarlixFrame {
    uint32_t identifier; /* 11-bit (standard) or 29-bit (extended), right-aligned */
    uint8_t sendType;    /* transmit: 0 normal, other = self-reception request; received: 0 */
    uint8_t extended;    /* 1 = extended frame */
    uint8_t remote;      /* 1 = remote frame */
    uint8_t length;      /* data length 0-8 */
    uint8_t data[8];     /* the first length bytes are meaningful */
} MarlixFrame;

/* Channel configuration (16 bytes) for Marlix_InitCan. */
typedef struct MarlixInitConfig {
    uint32_t acceptanceCode; /* registers 16-19, most significant byte first */
    uint32_t acceptanceMask; /* registers 20-23, most significant byte first */
    uint32_t reserved;       /* kept, not used */
    uint8_t filterMode;      /* 0 single acceptance filter, other = dual filter */
    uint8_t busTiming0;      /* register 6 */
    uint8_t busTiming1;      /* register 7 */
    uint8_t mode;            /* 0 normal, 1 listen-only, 2 self-test, other = normal */
} MarlixInitConfig;

/* Controller information (3 bytes) filled by Marlix_CANGetInfo. */
typedef struct MarlixInfo {
    uint8_t mode; /* bit 7 = clock divider bit 7; bits 1, 3, 4 = listen-only, single filter, sleep */
    uint8_t interruptEnable; /* register 4 */
    uint8_t warningLimit;    /* register 13 */
} MarlixInfo;

/* 1 opened (also when it already was), 0 no such card. */
HALBOX_API int32_t Marlix_OpenDevice(uint32_t device);
/* 1 closed, 0 not open. Ends both channels' threads (joined) before it returns. */
HALBOX_API int32_t Marlix_CloseDevice(uint32_t device);
/* Puts the channel's controller in reset mode: 1 when it reports reset mode, else 0. */
HALBOX_API int32_t Marlix_ResetCan(uint32_t device, uint32_t channel);
/* 1 initialised and threads running, 0 failed. A second call re-initialises the controller and
 * keeps the running threads. */
HALBOX_API int32_t Marlix_InitCan(uint32_t device, uint32_t channel, const MarlixInitConfig* config);
/* 1 sent (transmission complete), 0 failed. A length above 8 is set to 8 in the caller's record. */
HALBOX_API int32_t Marlix_Transmit(uint32_t device, uint32_t channel, MarlixFrame* frame);
/* Waits up to waitMs for frames in the channel's ring, then copies up to length of them; returns
 * the number copied. Refuses (0 at once) length above 100000 or a null array with length > 0. */
HALBOX_API int32_t Marlix_Receive(uint32_t device, uint32_t channel, MarlixFrame* frames, uint32_t length,
                                  uint32_t waitMs);
/* The status register (8 bits); 0 when refused. */
HALBOX_API int32_t Marlix_CANGetState(uint32_t device, uint32_t channel);
/* 1 filled, 0 refused or controller in reset mode (the record is then untouched). */
HALBOX_API int32_t Marlix_CANGetInfo(uint32_t device, uint32_t channel, MarlixInfo* info);
/* Asks the controller to abort a pending transmission; 1, 0 when refused. */
HALBOX_API int32_t Marlix_CANAbortSend(uint32_t device, uint32_t channel);
/* One register write (at most 512 bytes) / read (at most 20 bytes) of the channel; 1 once the
 * card is open and the arguments valid (the driver's result is not reported), else 0. */
HALBOX_API int32_t Marlix_WriteReg(uint32_t device, uint32_t channel, uint32_t address, const uint8_t* data,
                                   uint32_t count);
HALBOX_API int32_t Marlix_ReadReg(uint32_t device, uint32_t channel, uint32_t address, uint8_t* buffer,
                                  uint32_t count);
/* Frames waiting in the channel's ring; 0 when refused. */
HALBOX_API int32_t Marlix_GetReceiveNum(uint32_t device, uint32_t channel);
/* Empties the channel's ring: 1, 0 when refused. */
HALBOX_API int32_t Marlix_ClearBuffer(uint32_t device, uint32_t channel);

#ifdef __cplusplus
} /* extern "C" */
#endif

#ifdef __cplusplus
static_assert(sizeof(MarlixFrame) == 16, "MarlixFrame is 16 bytes");
static_assert(offsetof(MarlixFrame, sendType) == 4 && offsetof(MarlixFrame, extended) == 5 &&
                  offsetof(MarlixFrame, remote) == 6 && offsetof(MarlixFrame, length) == 7 &&
                  offsetof(MarlixFrame, data) == 8,
              "MarlixFrame layout");
static_assert(sizeof(MarlixInitConfig) == 16, "MarlixInitConfig is 16 bytes");
static_assert(offsetof(MarlixInitConfig, acceptanceMask) == 4 &&
                  offsetof(MarlixInitConfig, filterMode) == 12 &&
                  offsetof(MarlixInitConfig, busTiming0) == 13 &&
                  offsetof(MarlixInitConfig, busTiming1) == 14 && offsetof(MarlixInitConfig, mode) == 15,
              "MarlixInitConfig layout");
static_assert(sizeof(MarlixInfo) == 3, "MarlixInfo is 3 bytes");
#else
_Static_assert(sizeof(MarlixFrame) == 16, "MarlixFrame is 16 bytes");
_Static_assert(sizeof(MarlixInitConfig) == 16, "MarlixInitConfig is 16 bytes");
_Static_assert(sizeof(MarlixInfo) == 3, "MarlixInfo is 3 bytes");
#endif

#endif /* HALBOX_HALBOX_H */
