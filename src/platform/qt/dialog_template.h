// The main window's layout (dialog template 101) and dialog units.
//
// A dialog template places its controls in dialog units, which follow the
// dialog font: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height. Measuring the
// font the way Windows does keeps every control where the template's author
// put it, relative to the text it holds. On Linux, Liberation Sans stands in
// for Arial with the same metrics.
#pragma once

#include <QFont>
#include <QRect>
#include <Qt>
#include <vector>

namespace orlant::qt {

struct DialogUnits {
    int charWidth = 4;  // average character width in pixels
    int charHeight = 8;  // font height in pixels

    // One coordinate, rounded the way MulDiv rounds.
    int x(int du) const;
    int y(int du) const;
    // A rectangle in dialog units; its edges are converted one by one, so
    // neighbours that touch in units touch in pixels.
    QRect rect(int x, int y, int w, int h) const;
};

// The dialog's font: "Arial" at 10 points.
QFont DialogFont();
// Average width = width of A-Z and a-z over 52, rounded; height = the
// font's height.
DialogUnits MeasureDialogUnits(const QFont& font);

// The client area of the template, in dialog units.
constexpr int kDialogWidthDu = 227;
constexpr int kDialogHeightDu = 188;

enum class ControlKind { PushButton, RadioButton, Text };

struct ControlRow {
    int id;
    ControlKind kind;
    const char* text;  // the template's own text; the guide replaces most
    int x, y, w, h;    // dialog units
    Qt::Alignment align;  // texts only
    bool wraps;           // texts only
};

// Template order, which is also the tab order.
const std::vector<ControlRow>& MainDialogTemplate();

// Picture slots of the guide pages, in pixels: they are drawn at fixed
// places whatever the font.
QRect PictureSlot(int slot);  // 1 or 2; anything else gives an empty rect

}  // namespace orlant::qt
