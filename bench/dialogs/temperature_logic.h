#pragma once
// The temperature control dialog without a display: the run state and the ambient, set and
// measured temperatures read every second by a worker, start/standby, the desired temperature
// and storing it. Temperatures are signed 16-bit tenths of a degree. The worker posts each record
// it read through post (run on the user-interface thread); closing asks it to end and joins it.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "bench/dialogs/device_target.h"

namespace norvane::bench {

/// Language keys of the start button's two captions ("启动" and "待机" in Chinese).
inline constexpr const char* kStartCaption = "IDS_TMP_START";
inline constexpr const char* kStandbyCaption = "IDS_TMP_STANDBY";

struct TemperatureRecord {
    int state = 0;                           ///< 0 standby, otherwise running
    int ambient = 0, set = 0, measured = 0;  ///< tenths of a degree
};

/// The record of two GetDMA answers A and B.
TemperatureRecord DecodeTemperature(const KymReply& a, const KymReply& b);
/// "%3.1f°C" of tenths / 10.
std::string TemperatureText(int tenths);
/// The value SetQEC takes for a desired temperature: tenths of a degree, rounded to the nearest
/// (45.5 gives 455: the device keeps tenths and the dialog shows them). Nothing for a temperature
/// outside the device's signed 16-bit tenths (or not a number).
std::optional<int32_t> DesiredTenths(double degrees);

struct TemperatureState {
    std::string startCaption = kStartCaption;  ///< language key of the caption: the next action
    std::string ambient, set, measured;
};

class TemperatureLogic {
public:
    /// interval: the worker's pause between reads (a second in the program).
    TemperatureLogic(const DeviceTarget& target, PostToUi post,
                     std::chrono::milliseconds interval = std::chrono::milliseconds(1000))
        : t_(target), post_(std::move(post)), interval_(interval) {}
    ~TemperatureLogic() { Close(); }

    /// Reads and shows the record once, then starts the worker.
    void Open();
    void StartButton();
    /// The desired temperature entered in degrees; one the device cannot hold is refused with a
    /// message and not sent.
    void SetTemperature(double degrees);
    void Save();
    /// Asks the worker to end and joins it (it ends after the request in flight).
    void Close();

    void Show(const TemperatureRecord& record);
    TemperatureState& State() { return s_; }
    bool WorkerRunning() const { return worker_.joinable(); }

private:
    std::optional<TemperatureRecord> Read();
    void Work();

    DeviceTarget t_;
    PostToUi post_;
    std::chrono::milliseconds interval_;
    TemperatureState s_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool running_ = false;  ///< guarded by mutex_
    std::atomic<bool> enabled_{false};
    std::thread worker_;
};

}  // namespace norvane::bench
