#include "guide/raw_operation.h"

#include <memory>

#include "app/ids.h"

namespace orlant {

void PostRawDone(Window& window, bool ok, const std::string& reason) {
    std::shared_ptr<void> why;
    if (!ok) why = std::make_shared<std::string>(reason);
    window.post(PostedMessage(MSG_RAW_DONE, 0, ok ? RAW_DONE_OK : RAW_DONE_FAILED, why));
}

void HandleRawDone(Window& window, AppState& state, ProgressStrip& strip,
                   const PostedMessage& message) {
    strip.destroy();
    window.beep();
    if (message.lParam != RAW_DONE_FAILED) {
        state.guide.step = STEP_FINISHING;
        window.invalidate(false);
        return;
    }
    if (state.guide.step == STEP_DOWNLOAD_57600 || state.guide.step == STEP_DOWNLOAD_115200) {
        state.guide.step = STEP_CHOOSE_SPEED;
        window.invalidate(true);
    }
    auto reason = static_cast<const std::string*>(message.data.get());
    window.messageBox(reason != nullptr ? *reason : "The operation did not complete.", WindowTitle,
                      BoxButtons::Ok, BoxIcon::Error, true);
}

}  // namespace orlant
