// The program's shared words. Those another thread reads are atomic; the
// rest belong to the window thread.
#pragma once

#include <atomic>
#include <cstdint>

#include "guide/guide_state.h"

namespace orlant {

struct AppState {
    std::atomic<int32_t> ReceiveStopRequested{0};
    std::atomic<int32_t> RawTraceEnabled{0};
    int32_t InitialClientWidth = 0;
    int32_t InitialClientHeight = 0;
    // The log list's size at start-up: the list keeps its right and bottom
    // margins when the window is resized.
    int32_t logReferenceWidth = 0;
    int32_t logReferenceHeight = 0;

    GuideState guide;
    LineState lineState = LINE_PORT_CLOSED;

    // Raised while an image stream or the flash erase runs; at most one runs.
    std::atomic<int32_t> rawBusy{0};
    // The size of the image of the latest stream, for the last guide page.
    int32_t reportedImageSize = 0;
};

}  // namespace orlant
