// Batch writer CSV files over arbitrary contents: parsing never reads past the text, an accepted
// file written back parses to the same lines, and every value text yields a 32-bit integer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/dialogs/param_csv.h"

using namespace norvane::bench;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // An exact-size copy, so an over-read shows.
    std::vector<char> copy(data, data + size);
    const CsvImport parsed = ParseParameterCsv(std::string_view(copy.data(), copy.size()));
    if (parsed.refused && !parsed.lines.empty()) std::abort();
    for (const CsvLine& line : parsed.lines) {
        if (!BatchKeyIndex(line.key)) std::abort();
        LeadingInteger(line.value);
    }
    if (parsed.refused) return 0;
    // Values with a line break or a comma cannot come out of a parsed line; written back, the
    // lines read the same.
    const CsvImport again = ParseParameterCsv(FormatParameterCsv(parsed.lines));
    if (again.refused || again.lines.size() != parsed.lines.size()) std::abort();
    for (size_t i = 0; i < parsed.lines.size(); ++i)
        if (again.lines[i].key != parsed.lines[i].key || again.lines[i].value != parsed.lines[i].value)
            std::abort();
    return 0;
}
