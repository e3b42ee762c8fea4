#include "app/progress_strip.h"

namespace orlant {

void ProgressStrip::create(uint32_t upper, StripRange range) {
    destroy();
    Rect client = window_.clientRect();
    Rect strip{client.left + 10, client.bottom - 10, client.left + 10 + (client.right - 20),
               client.bottom};
    window_.stripCreate(strip);
    exists_ = true;
    window_.stripSetRange(range == StripRange::Short ? (upper & 0xFFFFu) : upper);
    window_.stripSetPos(0);
}

void ProgressStrip::destroy() {
    if (!exists_) return;
    window_.stripDestroy();
    exists_ = false;
}

void ProgressStrip::setPos(uint32_t pos) {
    if (exists_) window_.stripSetPos(pos);
}

void ProgressStrip::advance(uint32_t by) {
    if (exists_) window_.stripSetPos(window_.stripPos() + by);
}

}  // namespace orlant
