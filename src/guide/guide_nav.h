// Moving through the download guide: what Next and Back do at each step.
//
// Decide, then act: GuideMoveFor() says what a button does at a step; the
// handlers apply it. A handler whose button is disabled does nothing at all,
// which is what keeps a download from starting before the unit is ready and
// makes the buttons inert while one runs. The page is applied at once after
// every move, so a second click already meets the new page's buttons.
#pragma once

#include <cstdint>
#include <optional>

#include "guide/raw_operation.h"

namespace orlant {

enum class GuideButtonKind { Next, Back };
enum class GuideFlag { None, SoftwareChosen, BootloaderChosen, LowerSpeedHint };

struct GuideMove {
    int32_t to;
    GuideFlag flag;
    bool erase;          // repaint with the background erased
    uint32_t startBaud;  // 0: no download starts
};

// What `button` does at `step`; empty when it does nothing there.
std::optional<GuideMove> GuideMoveFor(GuideButtonKind button, int32_t step);

void GuideNext(RawContext& context, RawWorker& worker);
void GuideBack(RawContext& context, RawWorker& worker);

}  // namespace orlant
