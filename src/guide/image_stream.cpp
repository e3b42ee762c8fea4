#include "guide/image_stream.h"

#include "app/event_log.h"
#include "app/ids.h"
#include "app/port_selection.h"

namespace orlant {

namespace {

struct ImageStream {
    const uint8_t* bytes = nullptr;
    size_t total = 0;
    bool isBootloader = false;
};

// The four ways an image can be unusable, in the order they are checked.
enum class ImageFault { NotFound = 1, Empty = 2, NotLoaded = 3, NoBytes = 4 };

void showFault(Window& window, ImageFault fault, bool bootloaderCommand) {
    int code = static_cast<int>(fault) + (bootloaderCommand ? 100 : 0);
    char text[128];
    std::snprintf(text, sizeof text, "Internal Error %03d.  Unable to extract %ssoftware for upload to unit.",
                  code, bootloaderCommand ? "bootloader " : "");
    window.messageBox(text, WindowTitle, BoxButtons::Ok, BoxIcon::Error, false);
}

void streamImage(RawContext context, ImageStream stream) {
    Window& window = context.window;
    LogMessage(window, 0, stream.isBootloader ? "Loading new bootloader ... "
                                              : "Loading new software version ... (~4 min.)");
    size_t sent = WriteRaw(context, stream.bytes, stream.total, STREAM_PIECE, [&](size_t done) {
        if (done > stream.total) return;
        window.send([&] { context.strip.setPos(static_cast<uint32_t>(done / 1000)); });
    });
    bool ok = sent == stream.total;
    std::string reason;
    if (ok) {
        LogMessage(window, 0, "Done loading.");
    } else {
        LogMessage(window, 0, "Download stopped after %zu of %zu bytes: the port took no data for %u seconds.",
                   sent, stream.total, RAW_STALL_LIMIT_MS / 1000);
        reason = "The download did not complete: the port stopped taking data.  Check the cable and "
                 "the selected port, then start the download again.";
    }
    context.clock.sleepMs(100);
    // SetPortBaud waits for the image to leave the port before the change.
    SetPortBaud(context.port, FRAME_BAUD);
    context.state.rawBusy = 0;
    PostRawDone(window, ok, reason);
}

int startStream(RawContext& context, RawWorker& worker, const char* name, uint32_t baud,
                bool bootloaderCommand) {
    AppState& state = context.state;
    if (state.rawBusy != 0) return 0;
    auto image = context.resources.findEmbedded(name);
    ImageFault fault{};
    if (!image) {
        fault = ImageFault::NotFound;
    } else if (image->size == 0) {
        fault = ImageFault::Empty;
    } else {
        state.reportedImageSize = static_cast<int32_t>(image->size);
        if (image->bytes == nullptr) fault = ImageFault::NoBytes;
    }
    if (fault != ImageFault{}) {
        showFault(context.window, fault, bootloaderCommand);
        return 0;
    }
    ImageStream stream{image->bytes, image->size, std::string(name) == BOOTLOADER_IMAGE};
    context.strip.create(static_cast<uint32_t>(stream.total / 1000), StripRange::Short);
    SetPortBaud(context.port, baud);
    state.rawBusy = 1;
    worker.start([context, stream] { streamImage(context, stream); });
    return 1;
}

}  // namespace

int StartImageDownload(RawContext& context, RawWorker& worker, uint32_t baud) {
    const char* name = context.state.guide.bootloaderChosen == 1 ? BOOTLOADER_IMAGE : SOFTWARE_IMAGE;
    return startStream(context, worker, name, baud, false);
}

int StartBootloaderDownload(RawContext& context, RawWorker& worker) {
    return startStream(context, worker, BOOTLOADER_IMAGE, 115200, true);
}

}  // namespace orlant
