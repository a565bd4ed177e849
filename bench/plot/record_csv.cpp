#include "bench/plot/record_csv.h"

#include <charconv>
#include <ctime>

namespace norvane::bench {

std::string RecordHeader() {
    return "time,elapsed_ms,node,quantity,value,result\r\n";
}

std::string IsoTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(time.time_since_epoch()).count();
    auto seconds = static_cast<time_t>(ms / 1000);
    auto millis = ms % 1000;
    if (millis < 0) {
        millis += 1000;
        --seconds;
    }
    tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t n = strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char tail[8];
    std::snprintf(tail, sizeof tail, ".%03dZ", static_cast<int>(millis));
    return std::string(text, n) + tail;
}

std::string ValueText(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc{} ? std::string(text, end) : std::string();
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string RecordRow(const Sample& sample) {
    std::string row = IsoTime(sample.time);
    row += ',' + std::to_string(sample.elapsedMs);
    row += ',' + std::to_string(sample.node);
    row += ',' + CsvField(NameOf(sample.quantity));
    row += ',' + (sample.reading.value ? ValueText(*sample.reading.value) : std::string());
    row += ',' + std::to_string(sample.reading.result) + "\r\n";
    return row;
}

}  // namespace norvane::bench
