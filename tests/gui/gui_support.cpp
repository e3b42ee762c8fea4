#include "gui_support.h"

#include <atomic>
#include <thread>

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QThread>
#include <cstdlib>

namespace orlant::test {

QApplication& TestApplication() {
    static QApplication* app = [] {
        // Run anywhere, display or not, unless told otherwise.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "orlant_gui_tests";
        static char* argv[] = {name, nullptr};
        auto* made = new QApplication(argc, argv);  // lives as long as the program
        QApplication::setQuitOnLastWindowClosed(false);
        return made;
    }();
    return *app;
}

bool ProcessUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void ProcessPending() {
    // Queued work can queue more; a few rounds settle it.
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
}

void PressKey(QWidget* window, int key) {
    QWidget* target = window->focusWidget() != nullptr ? window->focusWidget() : window;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

QtShellFixture::QtShellFixture() { ports.devices[1] = com1; }

QtShellFixture::~QtShellFixture() {
    // Ends the program's threads if a test did not end the window. The
    // window thread keeps serving their sends meanwhile, so a thread that
    // is logging or beeping is never stuck waiting for it.
    std::atomic<bool> done{false};
    std::thread ending([&] {
        shell.teardown();
        done = true;
    });
    ProcessUntil([&] { return done.load(); });
    ending.join();
    window.attach(nullptr, {});
}

void QtShellFixture::startAndShow() {
    window.attach(&procedure, [this] {
        shell.teardown();
        if (afterTeardown) afterTeardown();
        tornDown = true;
    });
    shell.start();
    window.show();
    window.activateWindow();
    ASSERT_TRUE(ProcessUntil([&] {
        return QApplication::activeWindow() == &window && procedure.paints > 0;
    })) << "the window never became active and painted";
}

}  // namespace orlant::test
