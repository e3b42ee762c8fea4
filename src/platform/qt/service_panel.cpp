#include "platform/qt/service_panel.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "app/ids.h"

namespace orlant::qt {

namespace {

// The panel's grid, in dialog units, matching the columns of the guide's
// buttons above it (Back 7, Next 61, Close 169) so the two areas line up.
constexpr int kLeftDu = 7;
constexpr int kWidthDu = 212;
constexpr int kListTopDu = 5;
constexpr int kListHeightDu = 62;
constexpr int kStatusTopDu = 71;
constexpr int kStatusHeightDu = 10;
constexpr int kFirstRowDu = 85;
constexpr int kRowStepDu = 17;
constexpr int kButtonWidthDu = 50;
constexpr int kButtonHeightDu = 14;
constexpr int kButtonStepDu = 54;
constexpr int kButtonsPerRow = 4;
constexpr int kBottomMarginDu = 6;

}  // namespace

const std::vector<ServiceButton>& ServiceButtons() {
    static const std::vector<ServiceButton> buttons = {
        {ID_CLEAR_LOG, "Clear log"},
        {ID_RAW_TRACE, "Raw trace", true},
        {ID_SAVE_LOG, "Save log"},
        {ID_SAVE_SELECTED, "Save selected"},
        {ID_ERASE_FLASH, "Erase flash"},
        {ID_STREAM_38400, "Stream 38 400"},
        {ID_BOOTLOADER_DOWNLOAD, "Load bootloader"},
    };
    return buttons;
}

ServicePanel::ServicePanel(QWidget* parent, const DialogUnits& units,
                           std::function<void(int)> command)
    : QWidget(parent), units_(units) {
    rule_ = new QFrame(this);
    rule_->setFrameShape(QFrame::HLine);
    rule_->setFrameShadow(QFrame::Sunken);

    list_ = new QListWidget(this);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setUniformItemSizes(true);  // long logs stay cheap to scroll
    list_->setGeometry(units.rect(kLeftDu, kListTopDu, kWidthDu, kListHeightDu));
    controls_[ID_LOG_LIST] = list_;

    status_ = new QLabel(this);
    status_->setTextFormat(Qt::PlainText);
    status_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    controls_[ID_STATUS_LINE] = status_;

    for (const ServiceButton& row : ServiceButtons()) {
        auto* button = new QPushButton(QString::fromUtf8(row.caption), this);
        button->setCheckable(row.toggles);
        int id = row.id;
        connect(button, &QPushButton::clicked, this, [command, id] { command(id); });
        controls_[id] = button;
    }
    int rows = (static_cast<int>(ServiceButtons().size()) + kButtonsPerRow - 1) / kButtonsPerRow;
    nominalHeight_ =
        units.y(kFirstRowDu + (rows - 1) * kRowStepDu + kButtonHeightDu + kBottomMarginDu);
    resize(units.x(kDialogWidthDu), nominalHeight_);
    placeRowsBelowList();
}

void ServicePanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeRowsBelowList();
}

void ServicePanel::placeRowsBelowList() {
    // Everything under the list keeps its distance from the bottom edge.
    int shift = height() - nominalHeight_;
    rule_->setGeometry(0, 0, width(), 2);
    status_->setGeometry(
        units_.rect(kLeftDu, kStatusTopDu, kWidthDu, kStatusHeightDu).translated(0, shift));
    const auto& buttons = ServiceButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
        int row = static_cast<int>(i) / kButtonsPerRow;
        int column = static_cast<int>(i) % kButtonsPerRow;
        QRect place = units_.rect(kLeftDu + column * kButtonStepDu, kFirstRowDu + row * kRowStepDu,
                                  kButtonWidthDu, kButtonHeightDu);
        controls_.at(buttons[i].id)->setGeometry(place.translated(0, shift));
    }
}

}  // namespace orlant::qt
