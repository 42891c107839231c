#include "ui/ui_text.h"

#include <gtest/gtest.h>

namespace kavrin::ui {
namespace {

TEST(UiText, StringsArriveAsUnicode) {
    // The Greek captions must survive the trip from the UTF-16 resource to a QString.
    EXPECT_FALSE(UiString(366).isEmpty());
    EXPECT_TRUE(UiString(365).isEmpty());
    EXPECT_EQ(FromCore("\xce\x92"), QString(QChar(0x0392)));
}

}  // namespace
}  // namespace kavrin::ui
