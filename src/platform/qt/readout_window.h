// "Simulated readout": a small window beside the main window that stands in
// for the unit on the desk when the program runs with --simulate.
//
// It shows the unit's display (the bootloader menu, the count of a
// download), its CTS line and state, and offers the unit's controls: the
// power switch, "C" (held down until clicked again, since a mouse cannot
// hold one key while switching power), the menu's speed keys "1" (115 200)
// and "2" (57 600), ENTER, and "acts by itself". It reads the unit on a
// timer; the simulated unit's time moves on each read.
#pragma once

#include <QWidget>

#include "sim/sim_readout.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace orlant::qt {

class ReadoutWindow : public QWidget {
public:
    static constexpr int REFRESH_MS = 100;

    explicit ReadoutWindow(sim::SimulatedReadout& readout, QWidget* parent = nullptr);

    // Reads the unit and shows what it shows now.
    void refresh();

    QLabel* display() const { return display_; }
    QPushButton* powerButton() const { return power_; }
    QPushButton* cButton() const { return holdC_; }
    QPushButton* key1Button() const { return key1_; }
    QPushButton* key2Button() const { return key2_; }
    QPushButton* enterButton() const { return enter_; }
    QCheckBox* autoBox() const { return autoActs_; }

private:
    sim::SimulatedReadout& readout_;
    QLabel* display_;
    QLabel* status_;
    QPushButton* power_;
    QPushButton* holdC_;
    QPushButton* key1_;
    QPushButton* key2_;
    QPushButton* enter_;
    QCheckBox* autoActs_;
    QTimer* timer_;
};

}  // namespace orlant::qt
