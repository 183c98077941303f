// SPDX-License-Identifier: MIT
// rfbind-bench: the station on the simulated bench, interactive or headless.
#include "Dialogs.h"
#include "HotplugWatch.h"
#include "QtClock.h"
#include "StationProgram.h"
#include "SlotStrip.h"
#include "StationServices.h"
#include "TForm1.h"
#include "bench/Bench.h"
#include "bench/BenchController.h"
#include "bench/SeededRadioIds.h"
#include "benchapp/BenchCommandLine.h"
#include "benchapp/BenchPanel.h"
#include "benchapp/GangHeadlessRun.h"
#include "benchapp/HeadlessRun.h"
#include "link/HidapiController.h"
#include "link/NoDevices.h"
#include "benchapp/HidrawTransport.h"
#include "platform/LanguageStore.h"
#include "platform/TerminationRequest.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <optional>

int main(int argc, char** argv) {
    using namespace rfbind;

    // Before anything else: the hidraw transport runs under umockdev's preload library.
    if (std::string why; !app::HidrawTransport::prepare(argc, argv, why)) {
        std::fprintf(stderr, "rfbind-bench: %s\n", why.c_str());
        return 1;
    }

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);

    // Answered before anything touches the window system, so --help, --version and a
    // mistyped option work without a display.
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString error;
    const auto options = app::BenchCommandLine::parse(arguments, error);
    if (!options) {
        err << error << "\n";
        if (!error.startsWith("usage:"))
            err << app::BenchCommandLine::usage();
        return error.startsWith("usage:") ? 0 : 2;
    }
    if (options->printVersion) {
        out << "rfbind-bench " << RFBIND_VERSION << "\n";
        return 0;
    }
    // A headless run needs no display at all.
    if (options->headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    app::setStationIdentity(application);
    application.setApplicationName("rfbind-bench");

    // Bench time and the USB latency are the hardware's, not pauses the station asked for.
    app::QtClock benchClock;
    app::QtClock realClock;
    app::CountingClock stationClock(realClock);
    bench::Bench bench(benchClock, options->bench,
                       [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); });
    // A gang bench: a box per slot, each with its receiver on its own hub port, its own
    // controller and its own count of the pauses its station asks for. The main station
    // works no receiver: its settings pages and numbering are the slots'.
    const bool gang = options->slotCount > 1;
    std::vector<std::unique_ptr<bench::Bench>> boxes;
    std::vector<std::unique_ptr<bench::BenchController>> boxControllers;
    std::vector<std::unique_ptr<HidapiController>> boxNodes;
    std::vector<std::unique_ptr<app::CountingClock>> boxClocks;
    for (int k = 1; gang && k <= options->slotCount; ++k) {
        boxes.push_back(std::make_unique<bench::Bench>(
            benchClock, options->slotBench(k),
            [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }));
        boxClocks.push_back(std::make_unique<app::CountingClock>(realClock));
    }

    std::optional<bench::BenchController> direct;
    std::unique_ptr<app::HidrawTransport> hidraw;
    if (options->transport == app::BenchCommandLine::Transport::Hidraw) {
        // On a gang bench every box's receiver is a node of its own on the one emulated bus.
        std::vector<bench::Bench*> others;
        for (std::size_t k = 1; k < boxes.size(); ++k)
            others.push_back(boxes[k].get());
        hidraw = std::make_unique<app::HidrawTransport>(gang ? *boxes[0] : bench, options->hidraw,
                                                        others);
        if (const QString why = hidraw->error(); !why.isEmpty()) {
            err << "rfbind-bench: the hidraw transport does not work: " << why << "\n";
            return 1;
        }
    } else {
        direct.emplace(bench, [](bench::BenchController::Task task) {
            QTimer::singleShot(0, qApp, std::move(task));
        });
    }
    HidDeviceController& oneBench = hidraw ? hidraw->devices() : *direct;

    // Each slot's own controller: over its box in process, or over the one emulated bus,
    // where the slots find their receivers by port as on a station.
    std::vector<HidDeviceController*> slotDevices;
    for (auto& box : boxes) {
        if (hidraw) {
            boxNodes.push_back(std::make_unique<HidapiController>());
            slotDevices.push_back(boxNodes.back().get());
        } else {
            boxControllers.push_back(std::make_unique<bench::BenchController>(
                *box, [](bench::BenchController::Task task) {
                    QTimer::singleShot(0, qApp, std::move(task));
                }));
            slotDevices.push_back(boxControllers.back().get());
        }
    }
    NoDevices noDevices;
    HidDeviceController& devices = gang ? static_cast<HidDeviceController&>(noDevices) : oneBench;

    app::LanguageStore languages;
    if (!options->language.isEmpty())
        languages.save("lk" + options->language.left(1).toUpper() + options->language.mid(1));

    app::ModalDialogs modal;
    app::UnattendedDialogs unattended;
    app::Dialogs& dialogs = options->headless ? static_cast<app::Dialogs&>(unattended) : modal;

    app::StationServices services{devices, stationClock, dialogs, languages, !options->headless,
                                  [](int code) { QCoreApplication::exit(code); }};
    // The station works on its own thread, on either transport.
    services.stationThread = true;
    services.lineDatabase = options->lineDatabase;
    services.lineStation = options->lineStation;
    if (gang) {
        // In process each box is a bus of its own, so each slot sees only its own receiver:
        // the ports are fixed as a supervisor would fix them in Station.ini (SlotK=1-1.K).
        // Behind hidraw all receivers share the bus and the slots take them in port order.
        services.stationSlots.count = options->slotCount;
        services.stationSlots.ports.clear();
        for (int k = 1; k <= options->slotCount; ++k)
            services.stationSlots.ports.push_back(hidraw ? std::string()
                                                         : options->slotBench(k).receiverPortPath);
        for (int k = 0; k < options->slotCount; ++k)
            services.slotSources.push_back({slotDevices[k], boxClocks[k].get()});
    }
    if (options->headless) {
        services.quit = [](int) {}; // the run itself decides when the program ends
        // Radio IDs from the seed, so the same seed gives the same units on either transport.
        services.radioIdSource = [seed = options->seed, n = 0u]() mutable {
            return std::make_unique<bench::SeededRadioIds>(seed * 2654435761u + n++);
        };
    }
    // The newest interactive bench wins over older interactive ones only: headless runs
    // (benchmarks, soaks, screenshots) are never ended by someone opening the bench.
    services.otherCopyCounts = [](const QStringList& arguments) {
        return !arguments.contains(QStringLiteral("--headless"));
    };

    // As the station's: a newer interactive bench closes this one through its close path.
    // A headless run ends when its units are done, and SIGTERM ends it at once, as before.
    std::optional<app::TerminationRequest> termination;
    if (!options->headless)
        termination.emplace();
    app::TForm1 form(services);
    if (termination)
        termination->closes(form);
    // Behind the hidraw transport the kernel's hot-plug events are taken, and the device list
    // rebuilt, on the station's thread, where the station checks its devices out of that list.
    // Declared after the window: it ends before the station's thread does.
    std::optional<app::HotplugWatch> hotPlug;
    std::vector<std::unique_ptr<app::HotplugWatch>> slotHotPlug;
    for (std::size_t k = 0; k < boxNodes.size() && form.slotStrip() != nullptr; ++k)
        slotHotPlug.push_back(std::make_unique<app::HotplugWatch>(
            *boxNodes[k], [&form, slot = static_cast<int>(k + 1)](std::function<void()> work) {
                form.slotStrip()->toSlot(slot, std::move(work));
            }));
    // The transport's own controller serves no station on a gang bench, but its events are
    // still taken, or the kernel's queue for it would fill.
    if (hidraw && gang)
        hotPlug.emplace(hidraw->controller());
    else if (hidraw)
        hotPlug.emplace(hidraw->controller(),
                        [&form](std::function<void()> work) { form.toStation(std::move(work)); });
    // No person reads a headless station's boxes: a line it cannot use is said on stderr.
    for (const auto& shown : unattended.messages)
        if (shown.caption == "Line")
            err << "rfbind-bench: " << shown.text << "\n";
    err.flush();

    if (options->headless && gang) {
        form.show();
        std::vector<app::GangHeadlessRun::Box> served;
        for (int k = 0; k < options->slotCount; ++k)
            served.push_back({boxes[k].get(), boxClocks[k].get()});
        app::GangHeadlessRun run(form, std::move(served), options->seed, out);
        run.runUnits(options->units);
        if (!options->screenshot.isEmpty() && !form.grab().save(options->screenshot)) {
            err << "rfbind-bench: cannot write the screenshot " << options->screenshot << "\n";
            return 1;
        }
        form.close();
        run.printSummary();
        for (const auto& shown : unattended.messages)
            err << "rfbind-bench: message: " << shown.text << "\n";
        return 0;
    }
    if (options->headless) {
        form.show();
        app::HeadlessRun run(form, bench, stationClock, options->seed, out);
        run.runUnits(options->units);
        if (!options->screenshot.isEmpty() && !form.grab().save(options->screenshot)) {
            err << "rfbind-bench: cannot write the screenshot " << options->screenshot << "\n";
            return 1;
        }
        form.close(); // the normal close path: settings saved
        run.printSummary();
        // What an operator would have been shown (a missing udev rule, say) goes to stderr.
        for (const auto& shown : unattended.messages)
            err << "rfbind-bench: message: " << shown.text << "\n";
        return 0;
    }

    // A unit fresh from assembly is on the bench, ready for Go.
    bench.freshUnit(options->seed);
    for (std::size_t k = 0; k < boxes.size(); ++k)
        boxes[k]->freshUnit(options->seed + static_cast<std::uint32_t>(k));
    // On a gang bench the panel holds every slot's box, slot 1's shown first.
    std::vector<bench::Bench*> panelBoxes;
    for (auto& box : boxes)
        panelBoxes.push_back(box.get());
    if (!gang)
        panelBoxes.push_back(&bench);
    app::BenchPanel panel(panelBoxes);
    panel.adjustSize();
    panel.offerOn(&form);
    form.show();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Side by side, centred together where the screen is wide enough for both.
        const QRect s = screen->availableGeometry();
        const int both = form.frameGeometry().width() + 8 + panel.frameGeometry().width();
        const int left = std::max(s.left(), s.left() + (s.width() - both) / 2);
        form.move(left, form.y());
        panel.move(std::min(left + form.frameGeometry().width() + 8, s.right() - panel.width()),
                   form.y());
    }
    panel.show();
    if (options->go) {
        // A moment after start-up, as an operator would: the station has found the receiver
        // by then (its arrival reaches the station through the event loop).
        constexpr int kGoAfterMs = 1000;
        QTimer::singleShot(kGoAfterMs, &form, [&form] {
            if (auto* go = form.findChild<QPushButton*>(QStringLiteral("btnGo")))
                go->click();
        });
    }
    return application.exec();
}
