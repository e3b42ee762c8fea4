#include "app/shell.h"

#include "app/event_log.h"
#include "app/ids.h"
#include "guide/flash_erase.h"
#include "guide/guide_nav.h"
#include "guide/guide_pages.h"
#include "guide/image_stream.h"
#include "serial/line_monitor.h"

namespace orlant {

Shell::Shell(Services services)
    : services_(services),
      window_(services.window),
      strip_(services.window),
      pump_(services.window, services.clock, port_, state_) {}

Shell::~Shell() { teardown(); }

const std::vector<Shell::Route>& Shell::commandTable() {
    static const std::vector<Route> table = {
        {ID_CANCEL, &Shell::endProgram},
        {ID_CLEAR_LOG, &Shell::clearLog},
        {ID_SEND_CODE19, nullptr},
        {ID_NLEC_SEND_OR_HALT, nullptr},
        {ID_RAW_TRACE, &Shell::toggleRawTrace},
        {ID_SAVE_LOG, &Shell::saveAllLines},
        {ID_SAVE_SELECTED, &Shell::saveSelectedLines},
        {ID_COM1, &Shell::selectCom1},
        {ID_COM2, &Shell::selectCom2},
        {ID_COM3, &Shell::selectCom3},
        {ID_COM4, &Shell::selectCom4},
        {ID_ERASE_FLASH, &Shell::eraseFlash},
        {ID_STREAM_38400, &Shell::stream38400},
        {ID_NEXT, &Shell::guideNext},
        {ID_BACK, &Shell::guideBack},
        {ID_NLEC_RECEIVE, nullptr},
        {ID_BOOTLOADER_DOWNLOAD, &Shell::downloadBootloader},
        {ID_SEND_BITMAP, nullptr},
        {ID_RECEIVE_SETTINGS, nullptr},
        {ID_SEND_SETTINGS, nullptr},
        {ID_RECEIVE_PROGRAM, nullptr},
        {ID_SEND_PROGRAM, nullptr},
        {ID_CLOSE, &Shell::endProgram},
    };
    return table;
}

void Shell::start() {
    if (started_) return;
    started_ = true;
    window_.setTitle(WindowTitle);
    window_.setStatus("");

    Rect client = window_.clientRect();
    state_.InitialClientWidth = client.width();
    state_.InitialClientHeight = client.height();
    Rect list = window_.controlRect(ID_LOG_LIST);
    state_.logReferenceWidth = list.width();
    state_.logReferenceHeight = list.height();

    for (int n = 1; n <= 4; ++n) {
        window_.setToolTip(RadioForPort(n), services_.ports.describe(n));
    }
    int32_t n = static_cast<int32_t>(ReadPortId(window_, services_.settings));
    if (n < 1) n = 1;
    window_.checkRadio(RadioForPort(n));
    OpenSelectedPort(portContext(), n);
    pump_.start();

    window_.startTimer(100);
    state_.guide.step = STEP_CONNECT_CABLE;
    PaintGuidePage(window_, state_);
}

void Shell::teardown() {
    if (!started_ || tornDown_) return;
    tornDown_ = true;
    state_.ReceiveStopRequested = 1;
    // Close at once, but let no thread keep using the device: the receive
    // thread's wait ends on the close and the thread is joined.
    if (auto device = port_.take()) device->close();
    pump_.join();
    raw_.join();
}

void Shell::onPaint() { PaintGuidePage(window_, state_); }

void Shell::onSize(int kind, int width, int height) {
    if (kind != SIZE_RESTORED && kind != SIZE_MAXIMIZED) return;
    window_.resizeControl(ID_LOG_LIST, width - state_.InitialClientWidth + state_.logReferenceWidth,
                          height - state_.InitialClientHeight + state_.logReferenceHeight);
}

void Shell::onTimer() {
    LineState line = state_.lineState;
    int32_t step = state_.guide.step;
    UpdateLineIndicator(window_, port_, state_);
    // The guide buttons follow the line at once, not at the next repaint.
    if (line != state_.lineState || step != state_.guide.step) PaintGuidePage(window_, state_);
}

void Shell::onCommand(int id) {
    for (const Route& route : commandTable()) {
        if (route.id != id) continue;
        if (route.action != nullptr) (this->*route.action)();
        return;
    }
}

void Shell::onMessage(const PostedMessage& message) {
    switch (message.id) {
    case MSG_FRAME_RECEIVED:
        break;
    case MSG_RAW_DONE:
        HandleRawDone(window_, state_, strip_, message);
        PaintGuidePage(window_, state_);
        break;
    case MSG_PORT_LOST:
        DropLostPort(portContext(), static_cast<const SerialDevice*>(message.data.get()));
        break;
    case MSG_CLEAR_LOG:
        window_.logReset();
        break;
    default:
        break;
    }
}

void Shell::selectPort(int n) {
    OpenSelectedPort(portContext(), n);
    WritePortId(window_, services_.settings, static_cast<uint32_t>(n));
}

void Shell::eraseFlash() {
    RawContext context = rawContext();
    ConfirmFlashErase(context, raw_);
}

void Shell::stream38400() {
    RawContext context = rawContext();
    StartImageDownload(context, raw_, FRAME_BAUD);
}

void Shell::guideNext() {
    RawContext context = rawContext();
    GuideNext(context, raw_);
}

void Shell::guideBack() {
    RawContext context = rawContext();
    GuideBack(context, raw_);
}

void Shell::downloadBootloader() {
    BoxAnswer answer = window_.messageBox("Are you sure you want to download the bootloader code?",
                                          WindowTitle, BoxButtons::YesNo, BoxIcon::Question, true);
    if (answer != BoxAnswer::Yes) return;
    RawContext context = rawContext();
    StartBootloaderDownload(context, raw_);
}

void Shell::endProgram() { window_.endProgram(0); }

void Shell::clearLog() { window_.post(PostedMessage{MSG_CLEAR_LOG}); }

void Shell::toggleRawTrace() { state_.RawTraceEnabled = state_.RawTraceEnabled == 0 ? 1 : 0; }

void Shell::saveAllLines() { SaveLog(window_, services_.desktop, false); }

void Shell::saveSelectedLines() { SaveLog(window_, services_.desktop, true); }

}  // namespace orlant
