// Erasing the unit's user storage with a raw exchange of two bytes each
// way: at 115200 baud the program sends 7, 6; the unit erases its flash
// (about 50 seconds) and answers 7, 6.
#pragma once

#include <cstddef>
#include <cstdint>

#include "guide/raw_operation.h"

namespace orlant {

constexpr uint8_t ERASE_REQUEST[2] = {0x07, 0x06};
constexpr uint32_t ERASE_BAUD = 115200;
// The unit takes about 50 s; past this the erase is reported as failed.
constexpr uint32_t ERASE_ANSWER_LIMIT_MS = 120000;

// Asks the operator, then starts the erase.
void ConfirmFlashErase(RawContext& context, RawWorker& worker);
void StartFlashErase(RawContext& context, RawWorker& worker);

// Finds the answer 7, 6 in what the unit sends, wherever it starts.
class EraseAnswerScanner {
public:
    // True once the answer has been seen.
    bool feed(const uint8_t* bytes, size_t count);

private:
    bool afterSeven_ = false;
};

// Waits for the answer; 1 when it came, 0 when the time ran out or the
// program is closing.
int AwaitEraseAnswer(RawContext& context);

}  // namespace orlant
