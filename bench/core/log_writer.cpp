#include "bench/core/log_writer.h"

#include "bench/core/return_pane.h"
#include "bench/core/text_format.h"

namespace norvane::bench {

void LogWriter::Write(int node, std::string_view text) const {
    sink_(LogLine(TimeOfDay(clock_()), language_.Lookup("IDS_Site"), node, text));
}

void LogWriter::WritePlain(std::string_view text) const {
    sink_(FormatText("#: %s: %s", {std::string_view(TimeOfDay(clock_())), text}));
}

}  // namespace norvane::bench
