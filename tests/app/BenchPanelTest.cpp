// SPDX-License-Identifier: MIT
#include "DeviceStation.h"
#include "benchapp/BenchPanel.h"

#include <QPushButton>

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
