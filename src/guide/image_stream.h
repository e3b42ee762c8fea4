// Streaming an embedded firmware image to the unit, raw: no framing, no
// answer, just the image's bytes in order at the speed the operator chose
// on the unit. The unit counts them and shows the count when it is done.
#pragma once

#include <cstdint>

#include "guide/raw_operation.h"

namespace orlant {

constexpr const char* BOOTLOADER_IMAGE = "BOOTLOADER";
constexpr const char* SOFTWARE_IMAGE = "ORLANT_2_REVO_SOFTWARE";
// Each write hands the port this much of the image.
constexpr size_t STREAM_PIECE = 16384;

// Streams the image the guide's choice names. Returns 1 when the worker
// started, 0 when refused (another raw operation runs) or failed.
int StartImageDownload(RawContext& context, RawWorker& worker, uint32_t baud);
// Streams the bootloader at 115200, whatever the guide's choice.
int StartBootloaderDownload(RawContext& context, RawWorker& worker);

}  // namespace orlant
