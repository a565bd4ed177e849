#pragma once
// A controller at node 10 (either generation) that discovery never finds (it ignores
// broadcasts) and whose answers
// come the way a gateway may deliver them: after another node's answer to the same command,
// late, twice, after a notice, or not at all while another node's answer arrives.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "doubles/sim_controllers.h"
#include "sim/nodes/frame_codec.h"
#include "sim/sim_node.h"

namespace norvane::contract {

enum class Company {
    None,         ///< the answer alone
    StrayFirst,   ///< node 9's answer to the same command, then this node's 20 ms later
    StrayOnly,    ///< node 9's answer to the same command, and nothing from this node
    Late,         ///< this node's answer 700 ms later, after every requester gave up
    Twice,        ///< the answer, and the same answer again 10 ms later
    NoticeFirst,  ///< a real-time notice from this node, then the answer
    /// this node's answer, with the value it held back then (other data), held back until just
    /// before its next answer: the late answer reaches the next request of the same command
    HeldStale,
    /// this node's answer, with other data, held back until its next request arrives and then
    /// for most of a time-out more: the answers run late in order, each well into the wait of the
    /// request after
    RunsBehind,
};

class StrayingNode : public sim::SimNode {
public:
    static constexpr uint8_t kId = 10;
    static constexpr uint8_t kStrayFrom = 9;

    explicit StrayingNode(bool firstGen = false)
        : firstGen_(firstGen), inner_(testing::SimController(kId, firstGen)) {}
    void Arm(Company company, int behindMs = 250) {
        behindMs_ = behindMs;
        company_ = company;
    }
    uint8_t NodeId() const override { return kId; }

    void OnFrame(const sim::CanFrame& frame, sim::BusTransmitter& out) override {
        if (!AddressedToMe(frame.id)) return;
        Capture answers;
        inner_->OnFrame(frame, answers);
        {
            std::lock_guard lock(mutex_);
            if (company_.load() == Company::RunsBehind) {
                for (const auto& f : held_)
                    later_.push_back(
                        {std::chrono::steady_clock::now() + std::chrono::milliseconds(behindMs_.load()), f});
                held_.clear();
            } else if (company_.load() != Company::HeldStale) {
                for (const auto& f : held_) out.Transmit(f);
                held_.clear();
            }
        }
        switch (company_.load()) {
            case Company::None:
                for (const auto& f : answers.frames) out.Transmit(f);
                break;
            case Company::StrayFirst:
                for (const auto& f : answers.frames) out.Transmit(Stray(f));
                for (const auto& f : answers.frames) Later(f, 20);
                break;
            case Company::StrayOnly:
                for (const auto& f : answers.frames) out.Transmit(Stray(f));
                break;
            case Company::Late:
                for (const auto& f : answers.frames) Later(f, 700);
                break;
            case Company::Twice:
                for (const auto& f : answers.frames) out.Transmit(f);
                for (const auto& f : answers.frames) Later(f, 10);
                break;
            case Company::NoticeFirst: {
                const uint8_t state = 0;
                out.Transmit(
                    sim::nodes::MakeFrame(sim::nodes::SecondGenNodeIdentifier(kId, 0x75), &state, 1));
                for (const auto& f : answers.frames) out.Transmit(f);
                break;
            }
            case Company::HeldStale:
            case Company::RunsBehind: {
                std::lock_guard lock(mutex_);
                for (const auto& f : answers.frames) held_.push_back(Altered(f));
                break;
            }
        }
    }
    void Tick(uint64_t, sim::BusTransmitter& out) override {
        std::vector<sim::CanFrame> due;
        {
            std::lock_guard lock(mutex_);
            const auto now = std::chrono::steady_clock::now();
            for (auto it = later_.begin(); it != later_.end();) {
                if (it->at > now) {
                    ++it;
                    continue;
                }
                due.push_back(it->frame);
                it = later_.erase(it);
            }
        }
        for (const auto& f : due) out.Transmit(f);
    }

private:
    struct Capture : sim::BusTransmitter {
        void Transmit(const sim::CanFrame& frame) override { frames.push_back(frame); }
        std::vector<sim::CanFrame> frames;
    };
    struct Delayed {
        std::chrono::steady_clock::time_point at;
        sim::CanFrame frame;
    };
    bool AddressedToMe(uint32_t id) const {
        if (firstGen_) return sim::nodes::ParseFirstGenRequestIdentifier(id).node == kId;
        return sim::nodes::IsSecondGenRequest(id) && sim::nodes::ParseSecondGenIdentifier(id).node == kId;
    }
    static sim::CanFrame Altered(sim::CanFrame frame) {
        for (uint8_t i = 0; i < frame.length; ++i) frame.data[i] ^= 0x5A;
        return frame;
    }
    // The same answer as node 9 would give it, with other data.
    sim::CanFrame Stray(const sim::CanFrame& answer) const {
        sim::CanFrame stray = Altered(answer);
        const auto controlWord = static_cast<uint8_t>(answer.id & 0xFF);
        stray.id = firstGen_ ? sim::nodes::FirstGenAnswerIdentifier(kStrayFrom, controlWord)
                             : sim::nodes::SecondGenNodeIdentifier(kStrayFrom, controlWord);
        return stray;
    }
    void Later(const sim::CanFrame& frame, int ms) {
        std::lock_guard lock(mutex_);
        later_.push_back({std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), frame});
    }

    const bool firstGen_;
    std::unique_ptr<sim::SimNode> inner_;
    std::atomic<Company> company_{Company::None};
    std::atomic<int> behindMs_{250};
    std::mutex mutex_;
    std::vector<Delayed> later_;
    std::vector<sim::CanFrame> held_;
};

}  // namespace norvane::contract
