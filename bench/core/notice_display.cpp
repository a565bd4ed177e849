#include "bench/core/notice_display.h"

#include <mutex>

#include "bench/core/return_pane.h"
#include "bench/core/text_format.h"

namespace norvane::bench {

namespace {

// Full-width colons (U+FF1A) as the device families print them.
constexpr const char* kKyd917 =
    "KYD917/919\xEF\xBC\x9A"
    "CH";
constexpr const char* kKym318 = "KYM318\xEF\xBC\x9A";

std::string Pair(std::string_view left, const std::string& right) {
    return FormatText("%s %s", {left, std::string_view(right)});
}

}  // namespace

int NoticeNode(uint32_t identifier) {
    return static_cast<int>(((identifier >> 3) & 0x60) | ((identifier >> 19) & 0x1F));
}

std::string NoticeText(const KymNoticeFrame& frame, const Language& language) {
    const uint32_t cw = frame.identifier & 0xFF;
    const int64_t d0 = frame.data[0];
    const std::string falling = language.Lookup("IDS_FAILING_RTCN");
    const std::string rising = language.Lookup("IDS_RISING_RTCN");
    const std::string kym318 = kKym318;
    switch (cw) {
        case 0x3E: {
            std::string text = "KYD153:";
            for (size_t i = 0; i < frame.length && i < sizeof frame.data; ++i)
                text += static_cast<char>(frame.data[i]);
            return text;
        }
        case 0x70:
        case 0xF0:
            return FormatText(
                "%s%02d%s", {std::string_view(kKyd917), d0, std::string_view(cw == 0x70 ? falling : rising)});
        case 0x71:
        case 0x72:
        case 0x73:
        case 0xF1:
        case 0xF2:
        case 0xF3:
            return Pair(kym318 + "S" + std::to_string(cw & 0x0F), cw < 0x80 ? falling : rising);
        case 0x74:
            return Pair(kym318 + "P4", language.Lookup("IDS_DOUT_LOW"));
        case 0xF4:
            return Pair(kym318 + "P4", language.Lookup("IDS_DOUT_HIGH"));
        case 0x75:
            return Pair(kym318, language.Lookup("IDS_STP_NOTIFY")) + "(OpenLoop)";
        case 0xF5:
            return Pair(kym318, language.Lookup("IDS_STP_NOTIFY")) + "(CloseLoop)";
        case 0x76:
            return Pair(kym318, language.Lookup("IDS_ORG_NOTIFY"));
        case 0x77:
            return Pair(kym318, language.Lookup("IDS_SQT_NOTIFY"));
        default:
            return {};
    }
}

std::string NoticeLine(std::string_view time, const KymNoticeFrame& frame, const Language& language) {
    const std::string head = FormatText(
        "%s %d  ", {std::string_view(language.Lookup("IDS_SiteID")), int64_t{NoticeNode(frame.identifier)}});
    return FormatText("#: %s: ", {time}) + head + NoticeText(frame, language) + "\r\n";
}

void NoticeDisplay::Deliver(const KymNoticeFrame& frame) const {
    if (!showing_.load()) {
        dropped_.fetch_add(1);
        return;
    }
    queue_(NoticeLine(TimeOfDay(clock_()), frame, language_));
}

namespace notice_relay {

namespace {
std::mutex mutex;
const NoticeDisplay* attached = nullptr;
}  // namespace

void Attach(const NoticeDisplay* display) {
    std::lock_guard<std::mutex> lock(mutex);
    attached = display;
}

void Detach() {
    std::lock_guard<std::mutex> lock(mutex);
    attached = nullptr;
}

void Callback(uint32_t /*handle*/, KymNoticeFrame* frame, int32_t /*flag*/) {
    if (frame == nullptr) return;
    std::lock_guard<std::mutex> lock(mutex);
    if (attached) attached->Deliver(*frame);
}

}  // namespace notice_relay

}  // namespace norvane::bench
