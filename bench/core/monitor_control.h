#pragma once
// The seam around the continuous-query worker of the control panel: the window settings stop it
// around their SDK calls and start it again. Stopping asks the worker to end and joins it; no
// path kills a thread (a thread killed inside an SDK call would leave the SDK's locks held).
namespace norvane::bench {

class MonitorControl {
public:
    virtual ~MonitorControl() = default;
    virtual bool Running() const = 0;
    /// Asks the worker to end after its current query and joins it.
    virtual void Stop() = 0;
    virtual void Start() = 0;
};

/// Used until the panel provides its worker: never runs.
class IdleMonitor : public MonitorControl {
public:
    bool Running() const override { return false; }
    void Stop() override {}
    void Start() override {}
};

}  // namespace norvane::bench
