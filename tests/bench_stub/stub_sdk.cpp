// A stand-in for libNorvaneFunc.so that defines every name Kestrin binds, for the binding tests.
// A linker version script per variant hides the names that variant leaves out. Every function
// takes nothing and returns 1; binding only looks the names up.
#include "bench/core/sdk_names.h"

extern "C" {
#define STUB_EXPORT(name, kind)                         \
    __attribute__((visibility("default"))) int name() { \
        return 1;                                       \
    }
KESTRIN_SDK_FUNCTIONS(STUB_EXPORT)
}
