// The unit acting by itself: what an operator following the guide does on
// the unit, each action a pause after the unit is ready for it.
#include "sim/readout_model.h"

namespace orlant::sim {

bool ReadoutModel::autoHasWork() const {
    const AutoSettings& a = settings_.autoActs;
    if (!a.enabled) return false;
    switch (state_) {
    case UnitState::Off:
    case UnitState::Normal:
    case UnitState::Finished: return true;
    case UnitState::Menu: return holdingC_ || (speed_ == 0 && a.speed != 0);
    default: return false;
    }
}

void ReadoutModel::scheduleAuto(uint64_t at) {
    if (!autoHasWork()) {
        autoUs_.reset();
        return;
    }
    if (autoUs_) return;  // the action already planned stays planned
    const AutoSettings& a = settings_.autoActs;
    autoUs_ = at + (state_ == UnitState::Finished ? a.restartAfterUs : a.actAfterUs);
}

void ReadoutModel::runAuto(uint64_t at) {
    const AutoSettings& a = settings_.autoActs;
    switch (state_) {
    case UnitState::Off:
        // Hold "C" first, then switch on: the way into the bootloader menu.
        holdingC_ = true;
        note("\"C\" held");
        note("power on");
        restart(at);
        return;
    case UnitState::Normal:
    case UnitState::Finished:
        holdingC_ = true;
        note("\"C\" held");
        note("ENTER: restart");
        restart(at);
        return;
    case UnitState::Menu:
        if (holdingC_) {
            holdingC_ = false;
            note("\"C\" released");
        }
        if (speed_ == 0 && a.speed != 0) chooseSpeed(a.speed == SPEED_57600 ? '2' : '1');
        scheduleAuto(at);
        return;
    default: return;
    }
}

}  // namespace orlant::sim
