#include "platform/qt/dialog_template.h"

#include <QFontMetrics>

#include "app/ids.h"

namespace orlant::qt {

namespace {

// MulDiv(value, numerator, denominator) for the non-negative values of a
// layout: the exact quotient rounded half up.
int mulDiv(int value, int numerator, int denominator) {
    return (value * numerator * 2 + denominator) / (denominator * 2);
}

constexpr Qt::Alignment kTopLeft = Qt::AlignLeft | Qt::AlignTop;
constexpr Qt::Alignment kNone = {};

}  // namespace

int DialogUnits::x(int du) const { return mulDiv(du, charWidth, 4); }
int DialogUnits::y(int du) const { return mulDiv(du, charHeight, 8); }

QRect DialogUnits::rect(int left, int top, int w, int h) const {
    int l = x(left), t = y(top);
    return QRect(l, t, x(left + w) - l, y(top + h) - t);
}

QFont DialogFont() {
    QFont font(QStringLiteral("Arial"), 10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

DialogUnits MeasureDialogUnits(const QFont& font) {
    QFontMetrics metrics(font);
    int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    // Windows' own rounding of the average: (width / 26 + 1) / 2.
    units.charWidth = (alphabet / 26 + 1) / 2;
    units.charHeight = metrics.height();
    if (units.charWidth < 1) units.charWidth = 1;
    if (units.charHeight < 1) units.charHeight = 1;
    return units;
}

const std::vector<ControlRow>& MainDialogTemplate() {
    using K = ControlKind;
    static const std::vector<ControlRow> rows = {
        {ID_CLOSE, K::PushButton, "Close", 169, 145, 50, 14, kNone, false},
        {ID_COM1, K::RadioButton, "Com1", 7, 167, 34, 10, kNone, false},
        {ID_COM2, K::RadioButton, "Com2", 67, 167, 34, 10, kNone, false},
        {ID_COM3, K::RadioButton, "Com3", 125, 167, 34, 10, kNone, false},
        {ID_COM4, K::RadioButton, "Com4", 184, 167, 34, 10, kNone, false},
        {ID_NEXT, K::PushButton, "Next", 61, 145, 50, 14, kNone, false},
        {ID_PROMPT, K::Text, "When ready, press NEXT.", 7, 125, 212, 13,
         Qt::AlignLeft | Qt::AlignVCenter, false},
        {ID_BACK, K::PushButton, "Back", 7, 145, 50, 14, kNone, false},
        {ID_HEADING, K::Text, "STEP 1 - Connecting the Cable", 7, 7, 212, 18, Qt::AlignCenter,
         false},
        {ID_TEXT1, K::Text, "", 7, 32, 155, 40, kTopLeft, true},
        {ID_TEXT2, K::Text, "", 7, 82, 155, 40, kTopLeft, true},
    };
    return rows;
}

QRect PictureSlot(int slot) {
    switch (slot) {
    case 1:
        return QRect(296, 60, 87, 68);
    case 2:
        return QRect(296, 160, 87, 68);
    default:
        return QRect();
    }
}

}  // namespace orlant::qt
