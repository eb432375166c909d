// The wizard's set-up of the common controls, in a program without a manifest.
#include "GuiMode.h"

#include <commctrl.h>
#include <gtest/gtest.h>

TEST(GuiMode, DialogControlsAreOnesEveryCommonControlsVersionKnows) {
    const uint32_t classes = dialogControlClasses();
    for (uint32_t needed :
         {ICC_LISTVIEW_CLASSES, ICC_ANIMATE_CLASS, ICC_INTERNET_CLASSES, ICC_PROGRESS_CLASS})
        EXPECT_EQ(classes & needed, needed) << needed;
    // Classes of version 6 only: without a manifest the older library, which
    // the program gets, fails the whole call on them.
    EXPECT_EQ(classes & (ICC_STANDARD_CLASSES | ICC_LINK_CLASS), 0u);
    INITCOMMONCONTROLSEX icc{sizeof(icc), classes};
    EXPECT_TRUE(::InitCommonControlsEx(&icc));
}
