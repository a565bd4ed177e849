// Test helper for the Python package: measures how many bytes of a set request's data the SDK's
// second-generation encoders read, so that the package's size table can be checked against them.
//
// The data is placed flush against a page that may not be read; a read past its end faults, and
// the fault returns to the measurement. The smallest size that runs without a fault is the
// extent read. Each request is measured with the data filled with several values (counts,
// sub-commands and selectors steer what is read), and the largest extent is reported.
//
// Output, one line per command number 0-127 and index: "command index can text packs" with the
// extents read by the CAN packer and by the text dialect, and 1 when the packer packed the request
// for some data.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "sdk/core/codec/codec.h"
#include "sdk/core/codec/text_dialect.h"

namespace {

constexpr size_t kMaxData = 32;  // more than any request reads; reaching it reports kMaxData + 1
constexpr uint32_t kWordValues[] = {0,  1,  2,  3,    4,    5,    7,      8,          9,
                                    14, 15, 16, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
constexpr int kIndices[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 127, 128, 255};

sigjmp_buf faultReturn;

void OnFault(int) {
    siglongjmp(faultReturn, 1);
}

struct Measure {
    uint8_t* guard;  // first byte of the unreadable page
    uint8_t pattern[kMaxData];

    // Runs the encoder with size bytes of data ending at the guard page: false when it read past them.
    template <class Encode>
    bool Within(size_t size, Encode encode, int& result) {
        uint8_t* data = guard - size;
        std::memcpy(data, pattern, size);
        if (sigsetjmp(faultReturn, 1) != 0) return false;
        result = encode(static_cast<const void*>(data));
        return true;
    }

    template <class Encode>
    size_t Extent(Encode encode, bool& packed) {
        for (size_t size = 0; size <= kMaxData; ++size) {
            int result = 0;
            if (Within(size, encode, result)) {
                packed = packed || result == 1;
                return size;
            }
        }
        return kMaxData + 1;
    }
};

}  // namespace

int main() {
    // The packer traces command 46 on standard output: keep the report apart from it.
    FILE* report = fdopen(dup(STDOUT_FILENO), "w");
    if (report == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) return 2;

    const auto page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    void* pages = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return 2;
    auto* base = static_cast<uint8_t*>(pages);
    if (mprotect(base + page, page, PROT_NONE) != 0) return 2;
    struct sigaction action {};
    action.sa_handler = OnFault;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGSEGV, &action, nullptr) != 0 || sigaction(SIGBUS, &action, nullptr) != 0) return 2;

    Measure measure{base + page, {}};
    for (int command = 0; command < 128; ++command) {
        const auto controlWord = static_cast<uint8_t>(command | 0x80);
        for (const int index : kIndices) {
            const auto packCan = [&](const void* data) {
                KymCanMsg message{};
                return norvane::sdk::PackSecondGen(5, controlWord, index, data, &message);
            };
            // The byte-stream transports pass 20 as the data size; offering more shows what the
            // encoder itself reads.
            const auto encodeText = [&](const void* data) {
                char out[kMaxData * 4];
                size_t length = 0;
                return norvane::sdk::EncodeText(5, controlWord, static_cast<uint8_t>(index), data, kMaxData,
                                                out, sizeof out, &length);
            };
            size_t can = 0, text = 0;
            bool packs = false, textPacked = false;
            for (const uint32_t value : kWordValues) {
                for (size_t k = 0; k < kMaxData; k += 4) std::memcpy(measure.pattern + k, &value, 4);
                can = std::max(can, measure.Extent(packCan, packs));
                text = std::max(text, measure.Extent(encodeText, textPacked));
            }
            std::fprintf(report, "%d %d %zu %zu %d\n", command, index, can, text, packs ? 1 : 0);
        }
    }
    return std::fclose(report) == 0 ? 0 : 1;
}
