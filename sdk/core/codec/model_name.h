#pragma once
// Model names of the command-65 answer (internal to the codec).
#include <cstddef>

#include "sdk/core/codec/message_bytes.h"

namespace norvane::sdk::codec {

// Option suffixes of a stepper-motor controller (family 24) model name.
struct ModelOptions {
    bool m = false;   ///< "-M": d2 bit 4
    bool s = false;   ///< "-S": d2 & 0x0F == 2
    bool sp = false;  ///< "-SP": d2 & 0x0F == 4
    bool ie = false;  ///< "-IE": d2 bit 6
    bool e = false;   ///< "-E": d2 bit 5 without bit 6
};

constexpr size_t kModelNameBytes = 20;  // record bytes 36-55

// Writes the model name (NUL-terminated, truncated to capacity) and, when options is given, the
// family-24 option flags. capacity 0 writes nothing.
void FormatModelName(const AnswerBytes& answer, char* out, size_t capacity, ModelOptions* options);

}  // namespace norvane::sdk::codec
