// SPDX-License-Identifier: MIT
#pragma once

#include "DeviceStation.h"
#include "ExpectedUnit.h"
#include "bench/BenchTransmitter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace rfbind::test {

/// The station on the bench with an operator: while the station lets window messages run, the
/// bench's device changes arrive, the operator moves the mouse at "Move" and presses the
/// keyboard's bind button at "Wait", and the binding watch ticks once a second of station
/// time. Time is the recording clock's: nothing waits for real.
struct RunStation {
    explicit RunStation(bench::BenchOptions options = {}) : s(std::move(options)) {
        mouseOnAt_ = s.clock.tickMs();
    }

    app::TForm1& start() {
        form = &s.create();
        s.clock.onPump = [this] { operate(); };
        return *form;
    }

    /// The program ends and is started again in the same working folder, on the same bench.
    app::TForm1& restart() {
        form = nullptr;
        s.station.form.reset();
        return start();
    }

    /// A new unit from assembly on the bench, its plug-in delivered to the station.
    void nextUnit(std::uint32_t seed) {
        s.bench.freshUnit(seed);
        s.bench.setMouseMoving(false);
        s.deliver();
        mouseOnAt_ = s.clock.tickMs(); // placing the unit switches its mouse on
        bindPressed = false;
    }

    /// PageDown, as the operator starts a cycle. For a unit with a keyboard the operator
    /// first picks the keyboard up, which takes longer than the mouse's own pairing period
    /// after it was switched on.
    void pressGo() {
        const StationSettings settings = form->unitRecipe().settings;
        if (settings.KBind && !settings.MouseOnly) {
            const std::uint32_t ready = mouseOnAt_ + bench::BenchTransmitter::kMousePairingMs + 300;
            if (static_cast<std::int32_t>(ready - s.clock.tickMs()) > 0)
                s.clock.setNow(ready);
        }
        QTest::keyClick(form, Qt::Key_PageDown);
    }

    /// One tick of the binding watch a second after the last, while the station is idle.
    void tick() {
        s.clock.advance(1000);
        form->tmrSoftBindTimer();
    }

    UnitImage unit() const {
        UnitImage u;
        u.rx = s.bench.receiver().eeprom();
        u.tx = s.bench.mouse().eeprom();
        return u;
    }

    QString result() const { return s.child<QLabel>("lblResult")->text(); }
    QColor resultColour() const {
        return s.child<QLabel>("lblResult")->palette().color(QPalette::WindowText);
    }
    QString text(const char* name) const { return s.text(name); }
    const std::vector<app::UnattendedDialogs::Shown>& messages() const {
        return s.station.dialogs.messages;
    }

    static QString todaysLog() {
        return QDir::current().filePath("Log/" + QDate::currentDate().toString("yyyy-MM-dd") + ".txt");
    }
    static QStringList logLines() {
        QFile f(todaysLog());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QString all = QString::fromLatin1(f.readAll());
        EXPECT_TRUE(all.isEmpty() || all.endsWith("\r\n")) << "every line ends with CR LF";
        return all.split("\r\n", Qt::SkipEmptyParts);
    }

    BenchStation s;
    app::TForm1* form = nullptr;
    bool moveMouse = true;
    bool pressBindButton = true;
    bool bindPressed = false;
    /// Called on every pump after the operator: a click in the middle of a run, a fault.
    std::function<void()> duringRun;


private:
    void operate() {
        s.deliver();
        if (form == nullptr)
            return;
        const QString prompt = result();
        if (prompt == "Move" && moveMouse)
            s.bench.setMouseMoving(true);
        if (prompt == "Wait" && pressBindButton && !bindPressed) {
            s.bench.pressKeyboardBindButton();
            bindPressed = true;
        }
        driveBindingWatch();
        if (duringRun)
            duringRun();
    }

    void driveBindingWatch() {
        const bool active = form->station().bindingPolling().isActive();
        if (active && !watchWasActive_)
            nextTickAt_ = s.clock.tickMs() + 1000;
        watchWasActive_ = active;
        if (!active || inTick_ || static_cast<std::int32_t>(s.clock.tickMs() - nextTickAt_) < 0)
            return;
        nextTickAt_ += 1000;
        inTick_ = true;
        form->tmrSoftBindTimer();
        inTick_ = false;
        watchWasActive_ = form->station().bindingPolling().isActive();
    }

    std::uint32_t mouseOnAt_ = 0;
    bool watchWasActive_ = false;
    bool inTick_ = false;
    std::uint32_t nextTickAt_ = 0;
};

} // namespace rfbind::test
