#pragma once
// Real-time notices: the line a notice frame becomes in the notice pane, and the relay from the
// SDK's plain callback to the window. The callback runs on the SDK's receive thread; the display
// only builds the line there and hands it to a queue that the window drains on its
// user-interface thread.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "bench/core/language.h"
#include "bench/core/sdk_table.h"

namespace norvane::bench {

/// Node of a notice: ((identifier >> 3) & 0x60) | ((identifier >> 19) & 0x1F).
int NoticeNode(uint32_t identifier);
/// The text part of a notice by its control word (empty for words the display does not know).
std::string NoticeText(const KymNoticeFrame& frame, const Language& language);
/// "#: <time>: <IDS_SiteID> <node>  <text>\r\n".
std::string NoticeLine(std::string_view time, const KymNoticeFrame& frame, const Language& language);

/// The display step: drops notices while the notification box is clear, else queues the line.
class NoticeDisplay {
public:
    using Queue = std::function<void(std::string line)>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;
    NoticeDisplay(const Language& language, Queue queue, Clock clock = std::chrono::system_clock::now)
        : language_(language), queue_(std::move(queue)), clock_(std::move(clock)) {}
    void SetShowing(bool on) { showing_.store(on); }
    bool Showing() const { return showing_.load(); }
    /// Any thread.
    void Deliver(const KymNoticeFrame& frame) const;
    /// Notices dropped because the box was clear.
    uint64_t Dropped() const { return dropped_.load(); }

private:
    const Language& language_;
    Queue queue_;
    Clock clock_;
    std::atomic<bool> showing_{false};
    mutable std::atomic<uint64_t> dropped_{0};
};

/// The SDK takes a plain function: this relay forwards its calls to the one attached display.
/// Detach returns only when no call is inside the display, so the display may then be destroyed.
namespace notice_relay {
void Attach(const NoticeDisplay* display);
void Detach();
void Callback(uint32_t handle, KymNoticeFrame* frame, int32_t flag);
}  // namespace notice_relay

}  // namespace norvane::bench
