// Takes pictures of the download guide's eight pages for docs/guide, the way
// an operator meets them: the real main window and shell, put together as
// the program does, over the simulated readout, with the linked images.
//
// Principles of operation: an operator script, one action at a time. Each
// action waits (on a timer, never blocking the event loop) until the window
// and the unit show what the operator waits for, lets that hold for a moment
// so the queued repaint has run, and then acts: takes a picture, clicks a
// guide button, or works the unit's power switch and keys. The waits check
// the page's heading, texts and button states, so a page that does not look
// as it should stops the run with a message instead of making a wrong picture.
//
// The unit's time runs TIME_SCALE times faster than real time, so the
// software image (two megabytes, minutes at 115 200 baud) goes in seconds.
// The settings file lives in a temporary directory.
//
//   orlant-guide-screenshots OUTPUT_DIR [TIME_SCALE]
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ids.h"
#include "app/shell.h"
#include "platform/clock.h"
#include "platform/posix/posix_desktop.h"
#include "platform/posix/settings_file.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/readout_window.h"
#include "platform/resources.h"
#include "sim/sim_serial.h"

namespace {

using namespace orlant;
namespace fs = std::filesystem;

constexpr int POLL_MS = 20;
// How long what the operator waits for must hold before the action: the
// window applies a page from a queued repaint, the bar follows the next tick.
constexpr int SETTLE_MS = 200;
constexpr int ACTION_TIMEOUT_MS = 60000;
constexpr double DEFAULT_TIME_SCALE = 100;
// A download page is taken once this share of the image has gone out.
constexpr double SHOT_PROGRESS = 0.4;

struct Action {
    std::string awaiting;  // what the operator waits for, in words
    std::function<bool()> ready;
    std::function<void()> act;
};

class Operator {
public:
    Operator(qt::QtWindow& window, qt::ReadoutWindow& unitWindow, Shell& shell,
             sim::SimulatedReadout& unit, fs::path out)
        : window_(window),
          unitWindow_(unitWindow),
          shell_(shell),
          unit_(unit),
          out_(std::move(out)) {
        script_ = script();
    }

    void begin() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        sinceAction_.start();
        timer_.start(POLL_MS);
    }
    bool failed() const { return failed_; }

private:
    std::vector<Action> script();

    void poll() {
        if (next_ >= script_.size()) return;
        const Action& action = script_[next_];
        if (!action.ready()) {
            holding_ = false;
            if (sinceAction_.elapsed() > ACTION_TIMEOUT_MS) {
                fail("timed out waiting for " + action.awaiting);
            }
            return;
        }
        if (!holding_) {
            holding_ = true;
            held_.start();
        }
        if (held_.elapsed() < SETTLE_MS) return;
        holding_ = false;
        ++next_;
        sinceAction_.restart();
        action.act();
        if (next_ == script_.size() && !failed_) finish(0);
    }

    void fail(const std::string& why) {
        failed_ = true;
        std::fprintf(stderr, "guide_screenshots: %s (guide at step %d, heading \"%s\")\n",
                     why.c_str(), static_cast<int>(state().guide.step), text(ID_HEADING).c_str());
        finish(1);
    }

    void finish(int code) {
        timer_.stop();
        next_ = script_.size();
        window_.endProgram(code);
    }

    AppState& state() { return shell_.state(); }
    bool at(int32_t step) { return state().guide.step == step; }
    std::string text(int id) const {
        QWidget* widget = window_.control(id);
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return button->text().toStdString();
        return {};
    }
    bool enabled(int id) const { return window_.isEnabled(id); }
    bool visible(int id) const {
        QWidget* widget = window_.control(id);
        return widget != nullptr && widget->isVisible();
    }
    bool unitIn(sim::UnitState s) { return unit_.view().state == s; }
    bool streamedShare(double share) {
        return state().rawBusy != 0 &&
               window_.stripPos() >=
                   static_cast<uint32_t>(share * state().reportedImageSize / 1000);
    }

    void shoot(QWidget& widget, const std::string& name) {
        const fs::path file = out_ / name;
        if (!widget.grab().save(QString::fromStdString(file.string()), "PNG")) {
            fail("cannot write " + file.string());
            return;
        }
        std::printf("guide_screenshots: wrote %s\n", file.c_str());
    }

    // Page 8 asks the operator to compare two numbers: they must agree.
    bool checkCount() {
        const sim::ReadoutView view = unit_.view();
        const std::string number = std::to_string(state().reportedImageSize);
        const std::string shown = view.display.empty() ? "" : view.display.back();
        const bool pageSays = text(ID_TEXT1).find("(" + number + ")") != std::string::npos;
        const bool unitSays = shown == "Received (" + number + ")";
        const bool clean = view.counts.good == static_cast<uint64_t>(state().reportedImageSize) &&
                           view.counts.garbage == 0;
        if (!pageSays || !unitSays || !clean) {
            fail("page 8 reports " + number + " bytes, the unit shows \"" + shown + "\" (" +
                 std::to_string(view.counts.garbage) + " garbled)");
            return false;
        }
        std::printf("guide_screenshots: page 8 reports %s bytes, the unit shows \"%s\"\n",
                    number.c_str(), shown.c_str());
        return true;
    }

    qt::QtWindow& window_;
    qt::ReadoutWindow& unitWindow_;
    Shell& shell_;
    sim::SimulatedReadout& unit_;
    const fs::path out_;
    std::vector<Action> script_;
    size_t next_ = 0;
    QTimer timer_;
    QElapsedTimer sinceAction_, held_;
    bool holding_ = false;
    bool failed_ = false;
};

std::vector<Action> Operator::script() {
    const auto next = [this] { shell_.onCommand(ID_NEXT); };
    const auto back = [this] { shell_.onCommand(ID_BACK); };
    return {
        // The software image at 115 200: pages 1 to 8 in order.
        {"page 1 with the port open and the unit off",
         [this] {
             return at(STEP_CONNECT_CABLE) && state().lineState == LINE_NO_UNIT &&
                    enabled(ID_NEXT) &&
                    text(ID_PROMPT) == "When the cable is connected, press NEXT" &&
                    visible(ID_COM1);
         },
         [=, this] {
             shoot(window_, "page-1.png");
             next();
         }},
        {"page 2",
         [this] {
             return at(STEP_READY_UNIT) && text(ID_HEADING) == "STEP 2 - Readying the Orlant" &&
                    enabled(ID_BACK) && !visible(ID_COM1);
         },
         [this] {
             shoot(window_, "page-2.png");
             unit_.setHoldC(true);
             unit_.setPower(true);
         }},
        {"the unit's bootloader menu", [this] { return unitIn(sim::UnitState::Menu); },
         [=, this] {
             unit_.setHoldC(false);
             next();
         }},
        {"page 3",
         [this] {
             return at(STEP_CHOOSE_IMAGE) && text(ID_BACK) == "Bootloader" &&
                    text(ID_TEXT1).starts_with("On the Orlant select 115 200");
         },
         [=, this] {
             shoot(window_, "page-3.png");
             unit_.pressKey('1');
             next();  // "Software"
         }},
        {"page 4 with the unit ready",
         [this] {
             return at(STEP_CHOOSE_SPEED) && state().lineState == LINE_UNIT_READY &&
                    text(ID_HEADING) == "STEP 4 - Downloading the Software" && enabled(ID_NEXT) &&
                    text(ID_NEXT) == "115 200";
         },
         [=, this] {
             shoot(window_, "page-4.png");
             next();  // "115 200"
         }},
        {"page 6 part way through the download",
         [this] {
             return at(STEP_DOWNLOAD_115200) && !enabled(ID_NEXT) && streamedShare(SHOT_PROGRESS);
         },
         [this] { shoot(window_, "page-6.png"); }},
        {"page 7",
         [this] {
             return at(STEP_FINISHING) && !visible(ID_NEXT) &&
                    text(ID_TEXT1) == "Please wait while the readout finishes receiving the data.";
         },
         [this] { shoot(window_, "page-7.png"); }},
        {"page 8", [this] { return at(STEP_COMPLETE) && text(ID_HEADING) == "Download Complete"; },
         [=, this] {
             if (!checkCount()) return;
             shoot(window_, "page-8.png");
             unitWindow_.refresh();
             shoot(unitWindow_, "simulated-readout.png");
             back();
         }},
        // Again at the slower speed, as page 3 now advises: the unit still
        // shows its count, so page 4 waits until it is back in its menu.
        {"page 3 advising 57 600",
         [this] {
             return at(STEP_CHOOSE_IMAGE) &&
                    text(ID_TEXT1) ==
                        "If the download failed at 115 200, use the slower 57 600 "
                        "transfer speed.";
         },
         next},
        {"page 4 waiting for the unit",
         [this] {
             return at(STEP_CHOOSE_SPEED) && text(ID_TEXT1) == "Please wait ..." &&
                    !enabled(ID_BACK);
         },
         [this] {
             shoot(window_, "page-4-waiting.png");
             unit_.setHoldC(true);
             unit_.pressEnter();
         }},
        {"the unit's bootloader menu again", [this] { return unitIn(sim::UnitState::Menu); },
         [this] {
             unit_.setHoldC(false);
             unit_.pressKey('2');
         }},
        {"page 4 with the unit ready at 57 600",
         [this] { return at(STEP_CHOOSE_SPEED) && enabled(ID_BACK) && text(ID_BACK) == "57 600"; },
         back},
        {"page 5 part way through the download",
         [this] {
             return at(STEP_DOWNLOAD_57600) && !enabled(ID_BACK) && streamedShare(SHOT_PROGRESS);
         },
         [this] { shoot(window_, "page-5.png"); }},
        {"page 8 after the download at 57 600", [this] { return at(STEP_COMPLETE); },
         [this] { (void)checkCount(); }},
    };
}

// A settings file of our own, so the user's remembered port stays untouched.
fs::path makeTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        (fs::path(base != nullptr && *base != '\0' ? base : "/tmp") / "orlant-guide-shots.XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("guide_screenshots: temporary directory");
        std::exit(1);
    }
    return pattern;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [TIME_SCALE]\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    const double timeScale = argc > 2 ? std::strtod(argv[2], nullptr) : DEFAULT_TIME_SCALE;
    if (!(timeScale >= 1)) {
        std::fprintf(stderr, "guide_screenshots: TIME_SCALE must be a number from 1 up\n");
        return 2;
    }
    std::error_code made;
    fs::create_directories(out, made);
    if (made) {
        std::fprintf(stderr, "guide_screenshots: %s: %s\n", out.c_str(), made.message().c_str());
        return 1;
    }
    const fs::path temp = makeTempDir();

    int exitCode = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        qt::QtWindow window;
        PosixDesktop desktop;
        SettingsFile settings((temp / "settings.ini").string());

        sim::ReadoutSettings unitSettings;
        // Sped up, a short pause in the writer's thread is seconds of the
        // unit's time: the unit must not take it for the end of the image.
        unitSettings.finishIdleUs = 100 * sim::US_PER_S;
        auto unit = std::make_shared<sim::SimulatedReadout>(systemClock(), timeScale, unitSettings);
        sim::SimSerialPorts ports(unit);
        qt::ReadoutWindow unitWindow(*unit);

        Shell shell(Services{window, systemClock(), desktop, ports, settings, linkedResources()});
        window.attach(&shell, [&shell] { shell.teardown(); });
        shell.start();
        window.show();
        unitWindow.move(window.frameGeometry().right() + 16, window.frameGeometry().top());
        unitWindow.show();

        Operator op(window, unitWindow, shell, *unit, out);
        op.begin();
        exitCode = window.run();
        window.attach(nullptr, {});
        if (op.failed()) exitCode = 1;
    }
    std::error_code removed;
    fs::remove_all(temp, removed);
    return exitCode;
}
