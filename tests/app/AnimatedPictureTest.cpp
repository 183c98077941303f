// SPDX-License-Identifier: MIT
#include "widgets/AnimatedPicture.h"

#include <QMovie>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using rfbind::app::AnimatedPicture;

namespace {

TEST(AnimatedPicture, PlaysWhileShownAndRestsWhileHidden) {
    QWidget window;
    auto* picture = new AnimatedPicture(&window);
    picture->setSource(":/pictures/binding.gif");
    picture->hide();
    window.show();
    EXPECT_FALSE(picture->isRunning());
    picture->show();
    EXPECT_TRUE(picture->isRunning());
    picture->hide();
    EXPECT_FALSE(picture->isRunning());
    picture->start();
    EXPECT_TRUE(picture->isRunning()) << "it can be started explicitly too";
    picture->stop();
    EXPECT_FALSE(picture->isRunning());
}

TEST(AnimatedPicture, LoopsForAsLongAsItRuns) {
    AnimatedPicture picture;
    picture.setSource(":/pictures/binding.gif");
    ASSERT_TRUE(picture.animation()->isValid());
    ASSERT_GT(picture.animation()->frameCount(), 1);
    picture.animation()->setSpeed(1000); // ten times faster
    QSignalSpy frames(picture.animation(), &QMovie::frameChanged);
    picture.show();
    const int last = picture.animation()->frameCount() - 1;
    bool wrapped = false;
    bool sawLast = false;
    for (int i = 0; i < 100 && !wrapped; ++i) {
        frames.wait(50);
        for (const auto& args : frames) {
            const int frame = args.at(0).toInt();
            sawLast = sawLast || frame == last;
            wrapped = wrapped || (sawLast && frame == 0);
        }
    }
    EXPECT_TRUE(wrapped) << "after the last frame the animation starts again";
    EXPECT_TRUE(picture.isRunning());
}

} // namespace
