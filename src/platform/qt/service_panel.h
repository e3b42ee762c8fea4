// The service panel: the event log list (1002), the status line (1008) and
// the service commands, which the shipped dialog layout leaves out.
//
// It hangs below the dialog area and is hidden at start, so the window first
// looks as shipped; a technician opens it with F12 or the "Service" toggle.
// The list keeps the size the core gives it (the log-list resize rule); the
// status line and the buttons stay anchored to the panel's bottom edge, so
// whatever height the list gets, the rows below it follow.
#pragma once

#include <QWidget>
#include <functional>
#include <map>

#include "platform/qt/dialog_template.h"

class QFrame;
class QLabel;
class QListWidget;

namespace orlant::qt {

struct ServiceButton {
    int id;
    const char* caption;
    // A switch that stays pressed while on. The command is its only way to
    // change, so the button and the program's flag go together.
    bool toggles = false;
};

// One row per service command the panel offers, in the panel's order.
const std::vector<ServiceButton>& ServiceButtons();

class ServicePanel : public QWidget {
public:
    // `command` is called with the id of each button clicked.
    ServicePanel(QWidget* parent, const DialogUnits& units, std::function<void(int)> command);

    // The panel's height as laid out at start.
    int nominalHeight() const { return nominalHeight_; }
    QListWidget* list() const { return list_; }
    QLabel* status() const { return status_; }
    // Every control of the panel by id: the list, the status line, buttons.
    const std::map<int, QWidget*>& controls() const { return controls_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeRowsBelowList();

    DialogUnits units_;
    QFrame* rule_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* status_ = nullptr;
    std::map<int, QWidget*> controls_;
    int nominalHeight_ = 0;
};

}  // namespace orlant::qt
