// The program's entry: read the command line, then put the window, the
// desktop, the clock, the ports, the settings file and the linked images
// together with the core's shell and run until the shell ends the program.
// What the program does is the shell's business.
#include <QApplication>
#include <QTimer>
#include <memory>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/event_log.h"
#include "app/ids.h"
#include "app/shell.h"
#include "platform/clock.h"
#include "platform/posix/posix_desktop.h"
#include "platform/posix/posix_ports.h"
#include "platform/posix/settings_file.h"
#include "platform/qt/command_line.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/signal_watch.h"
#include "platform/qt/readout_window.h"
#include "platform/resources.h"
#include "sim/sim_serial.h"

int main(int argc, char** argv) {
    using namespace orlant;

    ParsedCommandLine parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s: %s\n\n%s", ProgramName, parsed.error.c_str(), UsageText().c_str());
        return EXIT_USAGE;
    }
    const CommandLine& options = parsed.options;
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s\nfirmware images: %s\n", VersionText().c_str(), linkedImagesOrigin());
        return 0;
    }

    std::FILE* logFile = nullptr;
    std::string logFileProblem;
    if (options.logFile) {
        logFile = std::fopen(options.logFile->c_str(), "a");
        if (logFile == nullptr) {
            logFileProblem = "The log file " + *options.logFile +
                             " cannot be opened: " + std::strerror(errno) + ".";
            std::fprintf(stderr, "%s: %s\n", ProgramName, logFileProblem.c_str());
        } else {
            SetLogMirror(logFile);
        }
    }

    QApplication app(argc, argv);
    // The program ends when the shell says so, not when a window closes.
    QApplication::setQuitOnLastWindowClosed(false);
    qt::QtWindow window;
    PosixDesktop desktop;
    SettingsFile settings;
    // A settings file that cannot be read yields no device paths here; the
    // shell reports the file's problem when it reads the remembered port.
    SysError devicePathsError;
    std::unique_ptr<SerialPorts> ports;
    std::shared_ptr<sim::SimulatedReadout> readout;
    std::unique_ptr<qt::ReadoutWindow> readoutWindow;
    if (options.simulate) {
        sim::ReadoutSettings unit;
        unit.autoActs.enabled = options.simulateAuto != 0;
        unit.autoActs.speed = options.simulateAuto;
        readout = std::make_shared<sim::SimulatedReadout>(systemClock(), options.simulateTimeScale,
                                                          unit);
        ports = std::make_unique<sim::SimSerialPorts>(readout);
        readoutWindow = std::make_unique<qt::ReadoutWindow>(*readout);
    } else {
        ports = std::make_unique<PosixPorts>(options.ports, settings.devicePaths(devicePathsError));
    }
    Shell shell(Services{window, systemClock(), desktop, *ports, settings, linkedResources()});
    window.attach(&shell, [&shell] { shell.teardown(); });
    shell.start();
    window.show();
    if (readoutWindow) {
        // Beside the main window, as the unit stands beside the PC.
        readoutWindow->move(window.frameGeometry().right() + 16, window.frameGeometry().top());
        readoutWindow->show();
    }
    if (!logFileProblem.empty()) {
        // Told once the window is up, so the program is seen to run on.
        QTimer::singleShot(0, &window, [&window, &logFileProblem] {
            window.messageBox(logFileProblem, WindowTitle, BoxButtons::Ok, BoxIcon::Error, true);
        });
    }
    // Watched only from here on: during start-up (which may wait in a box)
    // a signal keeps its default action and ends the program at once, as
    // there is no loop yet to end it in order.
    qt::SignalWatch signalWatch([&window](int) { window.endProgram(0); });
    int exitCode = window.run();

    window.attach(nullptr, {});
    SetLogMirror(nullptr);
    if (logFile != nullptr) std::fclose(logFile);
    return exitCode;
}
