#include "pcican/socketcan/can_frames.h"

#include <linux/can/error.h>

#include <algorithm>
#include <cstring>

namespace norvane::halbox::socketcan {

can_frame ToCanFrame(const MarlixFrame& record) {
    can_frame f;
    std::memset(&f, 0, sizeof f);
    f.can_id = record.extended ? (record.identifier & CAN_EFF_MASK) | CAN_EFF_FLAG
                               : record.identifier & CAN_SFF_MASK;
    f.len = std::min<uint8_t>(record.length, CAN_MAX_DLEN);
    if (record.remote)
        f.can_id |= CAN_RTR_FLAG;
    else
        std::memcpy(f.data, record.data, f.len);
    return f;
}

MarlixFrame ToRecord(const can_frame& frame) {
    MarlixFrame r;
    std::memset(&r, 0, sizeof r);
    r.extended = (frame.can_id & CAN_EFF_FLAG) != 0;
    r.remote = (frame.can_id & CAN_RTR_FLAG) != 0;
    r.identifier = frame.can_id & (r.extended ? CAN_EFF_MASK : CAN_SFF_MASK);
    r.length = std::min<uint8_t>(frame.len, CAN_MAX_DLEN);
    if (!r.remote) std::memcpy(r.data, frame.data, r.length);
    return r;
}

void ErrorState::Apply(const can_frame& error) {
    const canid_t what = error.can_id & CAN_ERR_MASK;
    if (what & CAN_ERR_RESTARTED) *this = ErrorState{};
    if (what & CAN_ERR_CRTL) {
        const uint8_t level = error.data[1];
        if (level & (CAN_ERR_CRTL_RX_WARNING | CAN_ERR_CRTL_TX_WARNING | CAN_ERR_CRTL_RX_PASSIVE |
                     CAN_ERR_CRTL_TX_PASSIVE))
            warning = true;
        if (level & CAN_ERR_CRTL_ACTIVE) warning = false;
    }
    if (what & CAN_ERR_CNT) {
        txErrors = error.data[6];
        rxErrors = error.data[7];
    }
    if (what & CAN_ERR_BUSOFF) busOff = true;
}

uint8_t ErrorState::Status(bool up, uint8_t warningLimit) const {
    uint8_t status = 0;
    if (up && !busOff) status |= 0x0C;
    if (busOff || warning || txErrors >= warningLimit || rxErrors >= warningLimit) status |= 0x40;
    if (busOff) status |= 0x80;
    return status;
}

}  // namespace norvane::halbox::socketcan
