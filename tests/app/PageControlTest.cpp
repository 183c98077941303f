// SPDX-License-Identifier: MIT
#include "widgets/PageControl.h"

#include <gtest/gtest.h>

using rfbind::app::PageControl;

namespace {

TEST(PageControl, ATabFollowsWhetherItsPageIsEnabled) {
    PageControl pages;
    auto* off = new QWidget;
    off->setEnabled(false);
    auto* on = new QWidget;
    pages.addTab(off, "off");
    pages.addTab(on, "on");
    EXPECT_FALSE(pages.isTabEnabled(0));
    EXPECT_TRUE(pages.isTabEnabled(1));
    on->setEnabled(false);
    off->setEnabled(true);
    EXPECT_TRUE(pages.isTabEnabled(0));
    EXPECT_FALSE(pages.isTabEnabled(1));
}

TEST(PageControl, DisablingTheWholeControlKeepsThePagesOwnChoice) {
    PageControl pages;
    auto* page = new QWidget;
    pages.addTab(page, "page");
    pages.setEnabled(false);
    pages.setEnabled(true);
    EXPECT_TRUE(pages.isTabEnabled(0));
}

} // namespace
