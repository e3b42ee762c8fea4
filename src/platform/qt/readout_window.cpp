#include "platform/qt/readout_window.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

namespace orlant::qt {

namespace {
// The unit's display has four lines; a dark one stays four lines high.
constexpr int DISPLAY_LINES = 4;

const char* stateName(sim::UnitState state) {
    switch (state) {
    case sim::UnitState::Off: return "off";
    case sim::UnitState::Booting: return "starting";
    case sim::UnitState::Normal: return "normal operation";
    case sim::UnitState::Menu: return "bootloader menu";
    case sim::UnitState::Receiving: return "receiving";
    case sim::UnitState::Erasing: return "erasing";
    case sim::UnitState::Finished: return "finished";
    }
    return "";
}
}  // namespace

ReadoutWindow::ReadoutWindow(sim::SimulatedReadout& readout, QWidget* parent)
    : QWidget(parent, Qt::Window),
      readout_(readout),
      display_(new QLabel(this)),
      status_(new QLabel(this)),
      power_(new QPushButton(tr("Power"), this)),
      holdC_(new QPushButton(tr("C"), this)),
      key1_(new QPushButton(tr("1  (115 200)"), this)),
      key2_(new QPushButton(tr("2  (57 600)"), this)),
      enter_(new QPushButton(tr("ENTER"), this)),
      autoActs_(new QCheckBox(tr("acts by itself"), this)),
      timer_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Simulated readout"));

    display_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    display_->setAutoFillBackground(true);
    display_->setStyleSheet(QStringLiteral(
        "QLabel { background: #1d2b1d; color: #b8f0b0; padding: 6px; border: 2px solid #555; }"));
    display_->setMinimumWidth(display_->fontMetrics().horizontalAdvance(QString(28, QChar('M'))));

    power_->setCheckable(true);
    power_->setToolTip(tr("The power switch: ON while pressed in"));
    holdC_->setCheckable(true);
    holdC_->setToolTip(tr("Hold \"C\" down; click again to let go"));

    auto* keys = new QGridLayout;
    keys->addWidget(power_, 0, 0);
    keys->addWidget(holdC_, 0, 1);
    keys->addWidget(key1_, 1, 0);
    keys->addWidget(key2_, 1, 1);
    keys->addWidget(enter_, 2, 0, 1, 2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(display_);
    layout->addWidget(status_);
    layout->addLayout(keys);
    layout->addWidget(autoActs_);

    connect(power_, &QPushButton::toggled, this, [this](bool on) {
        readout_.setPower(on);
        refresh();
    });
    connect(holdC_, &QPushButton::toggled, this, [this](bool held) {
        readout_.setHoldC(held);
        refresh();
    });
    connect(key1_, &QPushButton::clicked, this, [this] {
        readout_.pressKey('1');
        refresh();
    });
    connect(key2_, &QPushButton::clicked, this, [this] {
        readout_.pressKey('2');
        refresh();
    });
    connect(enter_, &QPushButton::clicked, this, [this] {
        readout_.pressEnter();
        refresh();
    });
    connect(autoActs_, &QCheckBox::toggled, this, [this](bool on) {
        readout_.setAutoActs(on);
        refresh();
    });
    connect(timer_, &QTimer::timeout, this, &ReadoutWindow::refresh);
    timer_->start(REFRESH_MS);
    refresh();
}

void ReadoutWindow::refresh() {
    const sim::ReadoutView v = readout_.view();
    QStringList lines;
    for (const std::string& line : v.display) lines << QString::fromStdString(line);
    while (lines.size() < DISPLAY_LINES) lines << QString();
    display_->setText(lines.join(QChar('\n')));

    status_->setText(tr("CTS %1 · %2").arg(v.cts ? tr("on") : tr("off"), tr(stateName(v.state))));

    // The unit acting by itself moves its own switch and key: follow it
    // without sending the change back.
    const QSignalBlocker blockPower(power_), blockC(holdC_), blockAuto(autoActs_);
    power_->setChecked(v.powered);
    power_->setText(v.powered ? tr("Power: ON") : tr("Power: OFF"));
    holdC_->setChecked(v.holdingC);
    holdC_->setText(v.holdingC ? tr("C (held)") : tr("C"));
    autoActs_->setChecked(v.autoActs);
    const bool inMenu = v.state == sim::UnitState::Menu;
    key1_->setEnabled(inMenu);
    key2_->setEnabled(inMenu);
    enter_->setEnabled(v.powered);
}

}  // namespace orlant::qt
