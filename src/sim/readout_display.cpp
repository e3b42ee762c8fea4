// What the unit's display shows in each state. The count of a download sits
// in parentheses on the bottom line, where the guide's last page tells the
// operator to look.
#include "sim/readout_model.h"

namespace orlant::sim {

namespace {
const char* const MENU_TITLE = "Bootloader v1.1.0";

std::string speedText(uint32_t baud) {
    if (baud == SPEED_115200) return "115 200";
    if (baud == SPEED_57600) return "57 600";
    return std::to_string(baud);
}
}  // namespace

std::vector<std::string> ReadoutModel::display() const {
    const std::string count = "(" + std::to_string(counts_.total()) + ")";
    switch (state_) {
    case UnitState::Off: return {};
    case UnitState::Booting: return {"Orlant", "Starting ..."};
    case UnitState::Normal: return {"Orlant", "Ready"};
    case UnitState::Menu:
        if (speed_ == 0) return {MENU_TITLE, "1  115 200", "2  57 600", "Select the download speed"};
        return {MENU_TITLE, "Speed " + speedText(speed_), "Waiting for data ..."};
    case UnitState::Receiving:
        return {MENU_TITLE, "Speed " + speedText(speed_), "Receiving data ...", count};
    case UnitState::Erasing: return {MENU_TITLE, "Erasing user storage ..."};
    case UnitState::Finished:
        if (finishedErase_) return {MENU_TITLE, "User storage erased", "Press ENTER to restart"};
        return {MENU_TITLE, "Download finished", "Press ENTER to restart", "Received " + count};
    }
    return {};
}

}  // namespace orlant::sim
