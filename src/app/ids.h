// Control ids of the main window (dialog template 101) and the private
// window messages. Command ids are the control ids.
#pragma once

#include <cstdint>

namespace orlant {

enum ControlId : int {
    ID_OK = 1,      // Enter: does nothing
    ID_CANCEL = 2,  // Esc
    ID_CLEAR_LOG = 1001,
    ID_LOG_LIST = 1002,
    ID_SEND_CODE19 = 1003,
    ID_NLEC_SEND_OR_HALT = 1004,
    ID_RAW_TRACE = 1005,
    ID_SAVE_LOG = 1006,
    ID_SAVE_SELECTED = 1007,
    ID_STATUS_LINE = 1008,
    ID_COM1 = 1010,
    ID_COM2 = 1011,
    ID_COM3 = 1012,
    ID_COM4 = 1013,
    ID_ERASE_FLASH = 1014,
    ID_STREAM_38400 = 1015,
    ID_NEXT = 1016,
    ID_BACK = 1017,
    ID_NLEC_RECEIVE = 1018,
    ID_BOOTLOADER_DOWNLOAD = 1019,
    ID_SEND_BITMAP = 1021,
    ID_RECEIVE_SETTINGS = 1022,
    ID_SEND_SETTINGS = 1023,
    ID_RECEIVE_PROGRAM = 1024,
    ID_SEND_PROGRAM = 1025,
    ID_PROMPT = 1026,
    ID_HEADING = 1027,
    ID_TEXT2 = 1028,
    ID_TEXT1 = 1029,
    ID_CLOSE = 1030,
};

constexpr uint32_t WM_USER = 0x0400;
// A complete frame from the receive thread; the payload is the frame.
constexpr uint32_t MSG_FRAME_RECEIVED = WM_USER + 1;
// The end of a raw operation (image stream or flash erase).
constexpr uint32_t MSG_RAW_DONE = WM_USER + 2;
// Clearing the event log is queued behind whatever is already waiting.
constexpr uint32_t MSG_CLEAR_LOG = WM_USER + 3;
// The receive thread found the open device gone; the payload is the device.
constexpr uint32_t MSG_PORT_LOST = WM_USER + 4;

constexpr const char* WindowTitle = "Orlant (v1.1.0) 2 Dodi Software Download Utility";

}  // namespace orlant
