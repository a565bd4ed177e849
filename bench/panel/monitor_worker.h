#pragma once
// The continuous query of the control panel: a worker thread that reads speed, displacement and
// position (or the encoder position when the cached MCFG word has QEM set) of one node every
// interval and hands the values to a sink (the window queues them to its user-interface thread).
// The worker holds the panel lock around its SDK calls; Stop takes the same lock to ask it to
// end, so it is never stopped inside a device exchange, and then joins it. Nothing is killed.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "bench/core/monitor_control.h"
#include "bench/core/sdk_table.h"

namespace norvane::bench {

struct MonitorReading {
    int32_t speed = 0;
    int32_t displacement = 0;
    int32_t position = 0;  ///< the position, or the encoder position when byEncoder
    bool byEncoder = false;
};

class MonitorWorker : public MonitorControl {
public:
    using Sink = std::function<void(const MonitorReading&)>;
    /// byEncoder: whether the cached MCFG word has QEM set now (asked from the worker thread).
    MonitorWorker(const SdkTable& sdk, std::function<bool()> byEncoder, Sink sink)
        : sdk_(sdk), byEncoder_(std::move(byEncoder)), sink_(std::move(sink)) {}
    ~MonitorWorker() override { Stop(); }

    /// What the next Start queries: the gateway, the node (0: the worker ends at once) and the
    /// interval between queries. Call on the user-interface thread while the worker is stopped.
    void Configure(uint32_t gateway, int node, uint32_t intervalMs);
    bool Running() const override;
    void Stop() override;
    void Start() override;
    /// The panel lock: held by the worker around its device exchanges.
    std::mutex& PanelLock() { return panelLock_; }

private:
    void Loop(uint32_t gateway, int node, uint32_t intervalMs);

    const SdkTable& sdk_;
    std::function<bool()> byEncoder_;
    Sink sink_;
    uint32_t gateway_ = 0;
    int node_ = 0;
    uint32_t intervalMs_ = 0;
    std::thread thread_;
    mutable std::mutex panelLock_;
    std::condition_variable wake_;
    bool stopRequested_ = false;  ///< guarded by panelLock_
    bool running_ = false;        ///< guarded by panelLock_
};

}  // namespace norvane::bench
