// What each step of the download guide shows: a heading, two instructions,
// a prompt, the two guide buttons, the port buttons and two pictures.
//
// A page is derived from the guide's state, the line state and the size of
// the last image sent; nothing else. A control a page leaves alone (an
// empty optional) keeps what an earlier page gave it.
#pragma once

#include <optional>
#include <string>

#include "app/app_state.h"
#include "platform/window.h"

namespace orlant {

constexpr const char* PRODUCT_NAME = "Orlant";

struct GuideButton {
    std::optional<std::string> caption;
    std::optional<bool> enabled;
    std::optional<bool> shown;
};

struct GuidePage {
    std::string heading;  // 1027
    std::string text1;    // 1029
    std::string text2;    // 1028
    std::string prompt;   // 1026
    GuideButton back;     // 1017
    GuideButton next;     // 1016
    std::optional<bool> portButtons;  // 1010-1013: on and shown, or off and hidden
    int picture1 = 0;     // 0: the slot stays empty
    int picture2 = 0;
};

// The page of the current step; empty for a step outside 1 to 8.
std::optional<GuidePage> GuidePageFor(const GuideState& guide, LineState line,
                                      int32_t reportedImageSize);

// Applies the page of the current step to the window. The download pages
// also drop the hint about the slower speed.
void PaintGuidePage(Window& window, AppState& state);

}  // namespace orlant
