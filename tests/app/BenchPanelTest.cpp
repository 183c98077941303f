// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "benchapp/BenchPanel.h"
#include "bench/Bench.h"
#include "support/RecordingClock.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using rfbind::test::BenchStation;

TEST(BenchPanel, OnceClosedItCanBeShownAgainFromTheStationWindow) {
    BenchStation s;
    auto& form = s.create();
    rfbind::app::BenchPanel panel(s.bench);
    panel.offerOn(&form);
    form.show();
    panel.show();
    panel.close();
    ASSERT_FALSE(panel.isVisible());
    auto* button = form.findChild<QPushButton*>("btnBenchPanel");
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->isVisible());
    button->click();
    EXPECT_TRUE(panel.isVisible());
    // It covers no station control.
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (w == button || w->parentWidget() != &form || !w->isVisible())
            continue;
        EXPECT_FALSE(w->geometry().intersects(button->geometry())) << w->objectName().toStdString();
    }
}

namespace {

/// A gang bench's boxes, each with a unit fresh from assembly.
struct Boxes {
    explicit Boxes(int count) {
        for (int k = 1; k <= count; ++k) {
            rfbind::bench::BenchOptions options;
            options.receiverPortPath = "1-1." + std::to_string(k);
            all.push_back(std::make_unique<rfbind::bench::Bench>(clock, options));
            all.back()->freshUnit(static_cast<std::uint32_t>(20 + k));
        }
    }
    std::vector<rfbind::bench::Bench*> pointers() const {
        std::vector<rfbind::bench::Bench*> p;
        for (const auto& b : all)
            p.push_back(b.get());
        return p;
    }
    rfbind::test::RecordingClock clock;
    std::vector<std::unique_ptr<rfbind::bench::Bench>> all;
};

} // namespace

// On a gang bench the controls act on the box of the slot picked, and on no other box; each
// box's faults stay its own when another slot is picked, and are shown again when it is back.
TEST(BenchPanel, TheControlsOfSlotKActOnSlotKsBoxOnly) {
    constexpr int kBoxes = 8;
    for (const int k : {1, 2, 5, 8}) {
        SCOPED_TRACE("slot " + std::to_string(k));
        Boxes boxes(kBoxes);
        rfbind::app::BenchPanel panel(boxes.pointers());
        auto* tabs = panel.findChild<QTabBar*>("benchSlots");
        ASSERT_NE(tabs, nullptr);
        ASSERT_EQ(tabs->count(), kBoxes);
        tabs->setCurrentIndex(k - 1);
        ASSERT_EQ(panel.slot(), k);

        std::vector<bool> mouseOn;
        for (const auto& b : boxes.all)
            mouseOn.push_back(b->mouse().switchedOn());
        panel.findChild<QPushButton*>("benchPlug")->click();
        panel.findChild<QPushButton*>("benchMouseOn")->click();
        auto* move = panel.findChild<QPushButton*>("benchMove");
        emit move->pressed();
        const auto faults = panel.findChildren<QCheckBox*>();
        QCheckBox* mouseStaysOff = nullptr;
        for (QCheckBox* c : faults)
            if (c->text() == "Mouse stays off")
                mouseStaysOff = c;
        ASSERT_NE(mouseStaysOff, nullptr);
        mouseStaysOff->setChecked(true);
        EXPECT_TRUE(panel.findChild<QLabel*>("benchState")->text().contains(
            QString("(1-1.%1)").arg(k)));

        for (int j = 1; j <= kBoxes; ++j) {
            const rfbind::bench::Bench& box = *boxes.all[static_cast<std::size_t>(j - 1)];
            const bool picked = j == k;
            EXPECT_EQ(box.receiverPlugged(), !picked) << "box " << j;
            EXPECT_EQ(box.mouse().switchedOn(), mouseOn[static_cast<std::size_t>(j - 1)] != picked)
                << "box " << j;
            EXPECT_EQ(box.mouse().moving(), picked) << "box " << j;
            EXPECT_EQ(box.faults().transmitterOff, picked) << "box " << j;
        }

        // Another slot: its own faults are shown, slot K's stay with slot K's box, and the
        // mouse held moving is let go on the box it was pressed on.
        const int other = k == 1 ? 2 : 1;
        tabs->setCurrentIndex(other - 1);
        EXPECT_FALSE(mouseStaysOff->isChecked());
        emit move->released();
        EXPECT_FALSE(boxes.all[static_cast<std::size_t>(k - 1)]->mouse().moving());
        EXPECT_TRUE(boxes.all[static_cast<std::size_t>(k - 1)]->faults().transmitterOff);
        EXPECT_FALSE(boxes.all[static_cast<std::size_t>(other - 1)]->faults().transmitterOff);
        panel.showSlot(k);
        EXPECT_EQ(tabs->currentIndex(), k - 1);
        EXPECT_TRUE(mouseStaysOff->isChecked());
    }
}

// The panel for eight boxes is no larger than for one: it fits beside the station's window on
// the station's screen.
TEST(BenchPanel, EightBoxesTakeNoMoreRoomThanOne) {
    Boxes one(1), eight(8);
    rfbind::app::BenchPanel single(one.pointers()), gang(eight.pointers());
    EXPECT_FALSE(single.findChild<QTabBar*>("benchSlots")->isVisibleTo(&single));
    EXPECT_LE(gang.sizeHint().height(), 800);
    EXPECT_LE(gang.sizeHint().width(), 640);
    EXPECT_LE(gang.sizeHint().width(), single.sizeHint().width() + 40);
}
