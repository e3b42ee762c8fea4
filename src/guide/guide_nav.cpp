#include "guide/guide_nav.h"

#include "app/ids.h"
#include "guide/guide_pages.h"
#include "guide/image_stream.h"

namespace orlant {

namespace {

struct Row {
    GuideButtonKind button;
    int32_t from;
    GuideMove move;
};

constexpr auto Next = GuideButtonKind::Next;
constexpr auto Back = GuideButtonKind::Back;

const Row moves[] = {
    {Next, STEP_CONNECT_CABLE, {STEP_READY_UNIT, GuideFlag::None, true, 0}},
    {Next, STEP_READY_UNIT, {STEP_CHOOSE_IMAGE, GuideFlag::None, false, 0}},
    {Next, STEP_CHOOSE_IMAGE, {STEP_CHOOSE_SPEED, GuideFlag::SoftwareChosen, true, 0}},
    {Next, STEP_CHOOSE_SPEED, {STEP_DOWNLOAD_115200, GuideFlag::None, true, 115200}},
    {Back, STEP_READY_UNIT, {STEP_CONNECT_CABLE, GuideFlag::None, true, 0}},
    {Back, STEP_CHOOSE_IMAGE, {STEP_CHOOSE_SPEED, GuideFlag::BootloaderChosen, true, 0}},
    {Back, STEP_CHOOSE_SPEED, {STEP_DOWNLOAD_57600, GuideFlag::None, true, 57600}},
    {Back, STEP_COMPLETE, {STEP_CHOOSE_IMAGE, GuideFlag::LowerSpeedHint, true, 0}},
};

void applyFlag(GuideState& guide, GuideFlag flag) {
    switch (flag) {
    case GuideFlag::None: break;
    case GuideFlag::SoftwareChosen: guide.bootloaderChosen = 0; break;
    case GuideFlag::BootloaderChosen: guide.bootloaderChosen = 1; break;
    case GuideFlag::LowerSpeedHint: guide.lowerSpeedHint = 1; break;
    }
}

void press(RawContext& context, RawWorker& worker, GuideButtonKind button) {
    Window& window = context.window;
    if (!window.isEnabled(button == Next ? ID_NEXT : ID_BACK)) return;
    GuideState& guide = context.state.guide;
    auto move = GuideMoveFor(button, guide.step);
    if (!move) return;
    guide.step = move->to;
    applyFlag(guide, move->flag);
    window.invalidate(move->erase);
    PaintGuidePage(window, context.state);
    if (move->startBaud == 0) return;
    if (StartImageDownload(context, worker, move->startBaud) == 1) return;
    // Refused or unusable image: back to the speed choice, not a page whose
    // buttons are all disabled with nothing running.
    guide.step = STEP_CHOOSE_SPEED;
    window.invalidate(true);
    PaintGuidePage(window, context.state);
}

}  // namespace

std::optional<GuideMove> GuideMoveFor(GuideButtonKind button, int32_t step) {
    for (const Row& row : moves) {
        if (row.button == button && row.from == step) return row.move;
    }
    return std::nullopt;
}

void GuideNext(RawContext& context, RawWorker& worker) { press(context, worker, Next); }

void GuideBack(RawContext& context, RawWorker& worker) { press(context, worker, Back); }

}  // namespace orlant
