#include "guide/flash_erase.h"

#include "app/event_log.h"
#include "app/ids.h"

namespace orlant {

bool EraseAnswerScanner::feed(const uint8_t* bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (afterSeven_ && bytes[i] == 0x06) return true;
        afterSeven_ = bytes[i] == 0x07;
    }
    return false;
}

int AwaitEraseAnswer(RawContext& context) {
    EraseAnswerScanner scanner;
    uint32_t start = context.clock.tickMs();
    uint8_t buffer[64];
    while (context.state.ReceiveStopRequested == 0) {
        uint32_t waited = context.clock.tickMs() - start;
        if (waited >= ERASE_ANSWER_LIMIT_MS) return 0;
        uint32_t slice = ERASE_ANSWER_LIMIT_MS - waited < 500 ? ERASE_ANSWER_LIMIT_MS - waited : 500;
        size_t n = context.pump.takeRaw(buffer, sizeof buffer, slice);
        if (scanner.feed(buffer, n)) return 1;
    }
    return 0;
}

namespace {

void eraseFlash(RawContext context) {
    Window& window = context.window;
    // A write that took one byte is followed by one of the other byte only.
    size_t sent = WriteRaw(context, ERASE_REQUEST, sizeof ERASE_REQUEST, sizeof ERASE_REQUEST,
                           [](size_t) {});
    bool ok = false;
    std::string reason;
    if (sent < sizeof ERASE_REQUEST) {
        LogMessage(window, 0, "Unable to send the erase request: the port took no data for %u seconds.",
                   RAW_STALL_LIMIT_MS / 1000);
        reason = "The erase request could not be sent.  Check the cable and the selected port.";
    } else {
        if (auto device = context.port.handle()) (void)device->drain();
        LogMessage(window, 0, "Erasing user storage on flash ... (~50 sec.)");
        ok = AwaitEraseAnswer(context) == 1;
        if (ok) {
            LogMessage(window, 0, "Done erasing user storage.");
        } else {
            LogMessage(window, 0, "The unit did not confirm the erase within %u seconds.",
                       ERASE_ANSWER_LIMIT_MS / 1000);
            reason = "The unit did not confirm the erase.  Check that it is on and cabled, then "
                     "try again.";
        }
    }
    context.pump.listenRaw(false);
    context.clock.sleepMs(100);
    PostRawDone(window, ok, reason);
    context.state.rawBusy = 0;
}

}  // namespace

void ConfirmFlashErase(RawContext& context, RawWorker& worker) {
    BoxAnswer answer = context.window.messageBox("Are you sure you want to erase the flash?",
                                                 WindowTitle, BoxButtons::OkCancel, BoxIcon::None, true);
    if (answer == BoxAnswer::Ok) StartFlashErase(context, worker);
}

void StartFlashErase(RawContext& context, RawWorker& worker) {
    if (context.state.rawBusy != 0) return;
    if (!context.port.isOpen()) {
        LogMessage(context.window, 0, "Unable to erase the flash: no com port is open.");
        context.window.beep();
        context.window.messageBox("No com port is open.  Select the port the unit is connected to, "
                                  "then erase again.",
                                  WindowTitle, BoxButtons::Ok, BoxIcon::Error, true);
        return;
    }
    SetPortBaud(context.port, ERASE_BAUD);
    context.state.rawBusy = 1;
    // From here on the unit's bytes come to the erase, not the frame receiver.
    context.pump.listenRaw(true);
    worker.start([context] { eraseFlash(context); });
}

}  // namespace orlant
