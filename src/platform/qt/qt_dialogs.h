// Message boxes and file dialogs of the Qt window.
//
// Both are modal and run a nested event loop, so the window keeps handling
// posted messages, cross-thread sends and timer ticks while one is open: a
// transfer goes on while the operator reads a box.
#pragma once

#include <optional>
#include <string>

#include "platform/window.h"

class QWidget;
class QString;

namespace orlant::qt {

// What a box answers when it is closed without a click (Esc, or the program
// ending under it): Cancel, No, or Ok for a box with only OK.
BoxAnswer EscapeAnswer(BoxButtons buttons);

// `owner` null: the box has no owner window.
BoxAnswer RunMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                        BoxButtons buttons, BoxIcon icon);

enum class FileDialogKind { Open, Save };
std::optional<std::string> AskFileName(QWidget* owner, FileDialogKind kind,
                                       const std::string& title, const std::string& filter);

// A filter in the form "Text files\0*.txt\0All files\0*.*\0" (description and
// pattern pairs) becomes "Text files (*.txt);;All files (*)"; a filter with
// no '\0' is taken to be in Qt's form already.
QString QtFileFilter(const std::string& filter);

}  // namespace orlant::qt
