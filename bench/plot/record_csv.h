#pragma once
// The recording's CSV rows: time (ISO 8601 in UTC with milliseconds), elapsed_ms, node,
// quantity, value, result. A failed sample has an empty value and the SDK's result. Lines end
// in "\r\n"; a field holding a comma, a quote or a line break is quoted with its quotes doubled.
// Pure.
#include <chrono>
#include <string>

#include "bench/plot/sampler.h"

namespace norvane::bench {

/// "time,elapsed_ms,node,quantity,value,result\r\n"
std::string RecordHeader();
std::string RecordRow(const Sample& sample);

/// "2026-12-10T19:18:39.123Z"
std::string IsoTime(std::chrono::system_clock::time_point time);
/// The value as the file holds it: the shortest text that reads back to the same number.
std::string ValueText(double value);
/// A field as it goes into a CSV line.
std::string CsvField(const std::string& text);

}  // namespace norvane::bench
