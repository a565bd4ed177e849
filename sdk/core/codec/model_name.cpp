#include "sdk/core/codec/model_name.h"

#include <cstdio>
#include <string>

#include "sdk/core/codec/codec.h"

namespace norvane::sdk::codec {

namespace {

// The family is d1; d0, d2, d3 carry the variant and options.
std::string NameOf(const AnswerBytes& a, ModelOptions& options) {
    char text[32] = {};
    const int d0 = a.d[0], d1 = a.d[1], d2 = a.d[2], d3 = a.d[3];
    switch (d1) {
        case 24: {
            std::snprintf(text, sizeof text, "KYM%d%d%02d", 24, d0, d3);
            std::string name = text;
            options.m = (d2 >> 4) & 1;
            options.sp = (d2 & 0x0F) == 4;
            options.s = (d2 & 0x0F) == 2;
            options.ie = (d2 >> 6) & 1;
            options.e = !options.ie && ((d2 >> 5) & 1);
            if (options.m) name += "-M";
            if (options.sp) name += "-SP";
            if (options.s) name += "-S";
            if (options.ie) name += "-IE";
            if (options.e) name += "-E";
            return name;
        }
        case 8:
            std::snprintf(text, sizeof text, "KYD%02d%02d", 8, d2);
            break;
        case 80:
        case 82:
            std::snprintf(text, sizeof text, "KYD%d%d%02d", d1, d0, d3);
            break;
        case 89:
            std::snprintf(text, sizeof text, "KYT%dW", ((d2 >> 4) * d3 / 100) * 100);
            break;
        case 90:
            std::snprintf(text, sizeof text, "KYC%d%d%02d", 90, d0, d3);
            break;
        case 91:
            std::snprintf(text, sizeof text, "KYD%d%d%02d", 91, d0, d3);
            break;
        case 92:
            std::snprintf(text, sizeof text, "KYR%d%d%02d", 92, d0, d3);
            break;
        default:
            break;
    }
    return text;
}

}  // namespace

void FormatModelName(const AnswerBytes& answer, char* out, size_t capacity, ModelOptions* options) {
    ModelOptions local;
    const std::string name = NameOf(answer, options ? *options : local);
    if (out == nullptr || capacity == 0) return;
    const size_t count = std::min({name.size(), capacity - 1, kModelNameBytes - 1});
    std::memcpy(out, name.data(), count);
    out[count] = '\0';
}

}  // namespace norvane::sdk::codec

namespace norvane::sdk {

void ModelName(const KymCanMsg& answer, char* out, size_t capacity) {
    codec::FormatModelName(codec::AnswerBytes(answer), out, capacity, nullptr);
}

}  // namespace norvane::sdk
