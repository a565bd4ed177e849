#pragma once
// Controller command codec of both protocol generations: packers turn a request (node, control word,
// index, caller values) into one KymCanMsg, decoders turn a stored answer into the caller's KymReply.
// Pure functions: no state, no locks, no I/O (one exception: packing command 46 prints a trace line on
// standard output). Any thread may call them; they never block.
//
// Bounds: decoders read at most the 8 data bytes of an answer (a length above 8 is read as 8, data bytes
// beyond the length are read as 0) and write only inside the 56-byte KymReply. Packers read at most the
// number of bytes of `data` listed below and never write past the KymCanMsg.
#include <cstddef>
#include <cstdint>

#include "norvane/NorvaneFunc.h"

namespace norvane::sdk {

// Second-generation request. data: the caller's 32-bit words, or nullptr ("without data").
// Bytes read from data, by command number:
//   1 byte:  4, 6, 8, 9, 22, 24, 26, 28, 29, 51, 53, 54, 76, 126
//   4 bytes: 1, 3, 7, 10, 11, 12, 23, 27, 30, 31, 32, 42, 43, 44, 45, 46, 56, 58, 59, 66, 71, 72, 73, 74,
//            75, 77, 78, 81, 86, 87
//   47: 5 words (20 bytes) for index 1, 4 words for index 0, 1 word for index 2 or 3, none otherwise
//   48: sub-command word, then up to 2 bytes: up to 14 bytes
//   62: count word, then min(count, 8) bytes: up to 12 bytes
//   82: count word, then min(count, 7) bytes: up to 11 bytes
//   83: structure of 16 bytes (bytes 0, 4-9, and word 3 selecting the form)
// Returns 1 packed, 0 not packable or bad arguments (out null, unknown command, 62 with count 0,
// 82 with count below 2, 83 without data). Command 3 without data packs no data bytes.
int PackSecondGen(uint32_t node, uint8_t controlWord, int index, const void* data, KymCanMsg* out);

// The get-request form: no data bytes except the listed exceptions (command 78 carries the index as
// 1 byte; node byte 0 for 22,24,26,28,29,23,27,30,31,32; 83 is a data-window read without data); refuses (0)
// command numbers not allowed for a get.
int PackSecondGenGet(uint32_t node, uint8_t controlWord, int index, KymCanMsg* out);

// First-generation request. data: the caller's 32-bit words, or nullptr ("without data").
// Bytes read from data, by command number:
//   1 byte:   1, 6
//   2 bytes:  126
//   4 bytes:  7, 14, 15, 16, 21, 24, 25-33, 34, 35, 36, 37, 38, 39, 40, 44, 45, 46, 51, 52, 53, 55, 58,
//             61, 77
//   10: 5 bytes for index 0, 12 bytes for index 1;  12: 12 bytes for index 1, 4 bytes for index 2
//   20: 4 bytes for index 0, 9 bytes for index 1;  41: 10 bytes;  42: 14 bytes;  43: 9 bytes
//   81: structure of up to 14 bytes (bytes 0-1, count word 1, then min(count, 6) bytes from byte 8)
//   85: count word, then min(count, 8) bytes: up to 12 bytes
//   127: NUL-terminated text of hexadecimal digit pairs; at most 16 characters are read (8 pairs)
// Returns 1 packed, 0 not packable or bad arguments (out null, unknown command, 81 without data,
// 127 without text or with a character that is not a hexadecimal digit).
int PackFirstGen(uint32_t node, uint8_t controlWord, int index, const void* data, KymCanMsg* out);

// answers: the node's stored answers in arrival order (answers[0] is the answer; command 76 also reads
// answers[1] when available >= 2). Clears the decoded answer's data bytes after decoding, as specified.
// available: the answers the port delivers for the request (command 76 reads at most two; a port
// that combines both channel messages into one passes 1). Returns 1 done (also when the command has
// no decoding), 0 when out or answers is null or available is 0.
int DecodeSecondGen(uint32_t node, uint8_t controlWord, int index, KymCanMsg* answers, size_t available,
                    KymReply* out);

// Returns 1 done; 0 on a null argument, on an error answer (command 15 answering another request), on
// command 0, and on the failing checks of commands 11 (length above 8) and 15 (d0 differs from index).
// Clears the answer's data bytes after decoding.
int DecodeFirstGen(uint32_t kind, uint32_t node, uint8_t controlWord, int index, KymCanMsg* answer,
                   KymReply* out);

// 29-bit extended CAN identifier of a request or answer; node 127 gives the broadcast form
// (command number | 0x1F0FE000, answer bit never set).
uint32_t CanIdentifier(uint32_t node, uint8_t controlWord, bool answerFlag);

// Model name of a command-65 answer (the same text DecodeSecondGen puts at record bytes 36-55), for callers
// that need only the name: writes at most capacity bytes including the NUL.
void ModelName(const KymCanMsg& answer, char* out, size_t capacity);

// Second-generation messages whose value travels in the control word byte itself, as the CAN
// channels and the UART gateway deliver them: control word byte 0x04 becomes length 1 with d0 = its
// bit 7, byte 0x36 becomes length 1 with d0 = the byte. Any other message is left as it is.
void RewriteControlWordValue(KymCanMsg& message);

// Error report rule: an answer with command number 15 to a request for another command is an error report
// (*isErrorReport = true); the result is then -d2 when d1 equals the requested command, else 0.
// For any other answer *isErrorReport = false and the result is 0. isErrorReport may be null.
int ErrorReportResult(uint8_t requestedCommand, const KymCanMsg& answer, bool* isErrorReport);

}  // namespace norvane::sdk
