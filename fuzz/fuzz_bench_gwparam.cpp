// GWParam.cfg over arbitrary contents: reading never goes past the text, and what is written
// reads back as the same eight fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bench/core/gw_param.h"

using namespace norvane::bench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    GwParams params;
    ParseGwParams(text, params);
    BuildSearchArguments(params);
    GwParams again;
    if (ParseGwParams(FormatGwParams(params), again) != 8 || again.field != params.field) std::abort();
    return 0;
}
