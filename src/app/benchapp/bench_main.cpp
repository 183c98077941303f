// SPDX-License-Identifier: MIT
// rfbind-bench: the station on the simulated bench, interactive or headless.
#include "Dialogs.h"
#include "QtClock.h"
#include "StationProgram.h"
#include "StationServices.h"
#include "TForm1.h"
#include "bench/Bench.h"
#include "bench/BenchController.h"
#include "benchapp/BenchCommandLine.h"
#include "benchapp/BenchPanel.h"
#include "benchapp/HeadlessRun.h"
#include "platform/LanguageStore.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    using namespace rfbind;

    QStringList arguments;
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
        headless = headless || std::strcmp(argv[i], "--headless") == 0;
    }
    // A headless run needs no display at all.
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication application(argc, argv);
    app::setStationIdentity(application);
    application.setApplicationName("rfbind-bench");

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

    // Bench time and the USB latency are the hardware's, not pauses the station asked for.
    app::QtClock benchClock;
    app::QtClock realClock;
    app::CountingClock stationClock(realClock);
    bench::Bench bench(benchClock, options->bench,
                       [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); });
    bench::BenchController devices(bench, [](bench::BenchController::Task task) {
        QTimer::singleShot(0, qApp, std::move(task));
    });

    app::LanguageStore languages;
    if (!options->language.isEmpty())
        languages.save("lk" + options->language.left(1).toUpper() + options->language.mid(1));

    app::ModalDialogs modal;
    app::UnattendedDialogs unattended;
    app::Dialogs& dialogs = options->headless ? static_cast<app::Dialogs&>(unattended) : modal;

    app::StationServices services{devices, stationClock, dialogs, languages, !options->headless,
                                  [](int code) { QCoreApplication::exit(code); },
                                  options->lineDatabase, options->lineStation};
    if (options->headless)
        services.quit = [](int) {}; // the run itself decides when the program ends

    app::TForm1 form(services);
    // No person reads a headless station's boxes: a line it cannot use is said on stderr.
    for (const auto& shown : unattended.messages)
        if (shown.caption == "Line")
            err << "rfbind-bench: " << shown.text << "\n";
    err.flush();

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
        return 0;
    }

    // A unit fresh from assembly is on the bench, ready for Go.
    bench.freshUnit(options->seed);
    app::BenchPanel panel(bench);
    panel.adjustSize();
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
    return application.exec();
}
