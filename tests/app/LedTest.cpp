// SPDX-License-Identifier: MIT
#include "widgets/Led.h"

#include <QImage>

#include <gtest/gtest.h>

using rfbind::app::Led;

namespace {

QColor centre(Led& led) {
    const QImage picture = led.grab().toImage();
    return picture.pixelColor(picture.width() / 2, picture.height() / 2);
}

TEST(Led, IsDarkWhenOffAndLitInItsColourWhenOn) {
    Led led;
    led.resize(16, 16);
    EXPECT_FALSE(led.isOn());
    const QColor off = centre(led);
    led.setOn(true);
    EXPECT_TRUE(led.isOn());
    const QColor on = centre(led);
    EXPECT_GT(on.green(), 150);
    EXPECT_LT(on.red(), 120);
    EXPECT_LT(off.green(), 80) << "an unlit lamp must not look like a ready device";
}

TEST(Led, StaysSquareInAnOblongPlace) {
    Led led;
    led.resize(40, 16);
    led.setOn(true);
    const QImage picture = led.grab().toImage();
    // The lamp is centred: the far left and right of the widget stay background.
    EXPECT_NE(picture.pixelColor(20, 8), picture.pixelColor(2, 8));
    EXPECT_EQ(picture.pixelColor(2, 8), picture.pixelColor(37, 8));
}

} // namespace
