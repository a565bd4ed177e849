#pragma once
// First-generation motor controller. Requests carry the index (where the command has one) in d0;
// answers use the command number without the answer bit and the layouts hosts of that generation
// decode: index-carrying answers repeat the index in d0 and put the value from d1 (d2 for PVT point
// components), value-only answers start at d0 (d1 for jog/PTP values 29-32 and temperature 58).
// Discovery: the serial-number request (12) to node 0 is answered by every node with its serial
// number; the model request (11) to node 0 likewise.
//
// Node-0 frames without the answer bit are ignored: on a bus they cannot be told apart from the
// answers of node 1, whose identifier carries the same bits.
//
// Motion: motor on (21), motion format (24: 0 PTP absolute, 1 PTP relative, 2 jog), begin (22) and
// stop (23); a finished PTP move sends control word 0x5A with d0-d3 = position when interrupt
// configuration index 0 is non-zero. Threading as SecondGenNode.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>

#include "sim/nodes/motion_model.h"
#include "sim/nodes/node_request.h"
#include "sim/sim_node.h"

namespace norvane::sim::nodes {

struct FirstGenOptions {
    uint8_t family = 23;  ///< model name "KYM<family>H<size>P<power>"
    uint8_t size = 56;
    uint16_t power = 2;
    uint16_t firmware = 1100;
    bool cModel = false;  ///< 'C' model: answers '?' as family
    uint32_t serial = 0;  ///< 0 = derived from the node id
};

class FirstGenController : public SimNode {
public:
    explicit FirstGenController(uint8_t id, const FirstGenOptions& options = {});

    uint8_t NodeId() const override;
    void OnFrame(const CanFrame& frame, BusTransmitter& out) override;
    void Tick(uint64_t nowMs, BusTransmitter& out) override;
    void PowerCycle() override;

    // Thread-safe accessors.
    uint32_t SerialNumber() const;
    bool MotorOn() const;
    int64_t Position() const;
    bool Moving() const;
    int32_t PtpSpeed() const;
    uint8_t CommSetting(int index) const;
    uint16_t MotorParameter(int index) const;
    int FirmwareLines() const;
    uint8_t UfqGroup() const;

private:
    void Handle(uint8_t command, const Request& r, Outbox& out);
    void Operation(const Request& r, Outbox& out);
    void Answer(uint8_t command, const uint8_t* data, size_t length, Outbox& out) const;
    void AnswerIndexed(uint8_t command, uint8_t index, uint32_t value, size_t bytes, Outbox& out) const;
    void AnswerValue(uint8_t command, uint32_t value, size_t bytes, Outbox& out) const;
    void Refuse(uint8_t command, uint8_t code, Outbox& out) const;
    void BeginMotion();
    void Restart();

    mutable std::mutex mutex_;
    FirstGenOptions options_;
    uint8_t id_, storedId_;
    uint32_t serial_;
    uint64_t now_ = 0, poweredAt_ = 0;
    bool ticked_ = false;

    std::array<uint8_t, 16> pp_{};   // 1: communication settings
    std::array<uint8_t, 16> ic_{};   // 6: power-up and loop configuration
    std::array<uint16_t, 16> ie_{};  // 7: interrupt configuration
    std::array<uint8_t, 6> reg10_{};
    std::array<uint32_t, 18> errors_{};                                             // 15
    std::array<uint16_t, 4> mt_{};                                                  // 16: motor parameters
    std::array<uint16_t, 16> pvt_{};                                                // 34
    std::array<uint32_t, 8> limits_{};                                              // 44
    std::array<uint16_t, 16> io_{}, sensorAction_{}, sensorTrigger_{}, encoder_{};  // 51, 52, 53, 61
    std::array<uint32_t, 256> pvtPos_{}, pvtTime_{};
    std::array<uint16_t, 256> pvtVel_{}, pvtAux_{};
    std::map<uint8_t, std::array<uint8_t, 8>> qpvt_;
    std::map<uint16_t, uint32_t> servo_;
    uint8_t quickRgb_[8] = {};
    uint32_t rgb_ = 0, digital_ = 0, reg77_ = 0, output72_ = 0;
    bool motorOn_ = false;
    uint16_t format_ = 0, pvtStart_ = 0, backlash_ = 0, tempLimit_ = 800, systemCommand_ = 0;
    int32_t acc_ = 0, dec_ = 0, startSpeed_ = 0, stopDec_ = 0, jog_ = 0, ptpSpeed_ = 1000, ptpRel_ = 0,
            ptpAbs_ = 0;
    int32_t origin_ = 0;
    uint8_t ufqNode_ = 0, ufqGroup_ = 81, ufqMode_ = 0, pvtWarn_ = 0, brake_ = 0, opCurrent_ = 10;
    int firmwareLines_ = 0;
    MotionModel motion_;
    Outbox pending_;
};

}  // namespace norvane::sim::nodes
