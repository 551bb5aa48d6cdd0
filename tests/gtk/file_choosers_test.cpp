// The choice of chooser.
#include <gtest/gtest.h>

#include "gtk/file_choosers.h"

namespace {

using posix::Chooser;
using posix::chooserNamed;
using posix::firstAvailable;

TEST(FileChoosersTest, EnvironmentNamesAChooserOrLeavesTheChoiceToTheDesktop) {
    EXPECT_EQ(chooserNamed("portal"), Chooser::portal);
    EXPECT_EQ(chooserNamed("gtk"), Chooser::gtk);
    EXPECT_EQ(chooserNamed("fltk"), std::nullopt) << "FLTK's own dialog is gone";
    EXPECT_EQ(chooserNamed(nullptr), std::nullopt);
    EXPECT_EQ(chooserNamed(""), std::nullopt);
    EXPECT_EQ(chooserNamed("GTK"), std::nullopt);
}

// The portal when it answers, unless GTK's is asked for; the portal is asked about only when it could be chosen.
TEST(FileChoosersTest, PortalWhereOneAnswersElseGtks) {
    struct Case {
        std::optional<Chooser> asked;
        bool portal;
        Chooser expected;
        bool portalAskedAbout;
    };
    const Case cases[] = {
        {std::nullopt, true, Chooser::portal, true},  {std::nullopt, false, Chooser::gtk, true},
        {Chooser::portal, true, Chooser::portal, true}, {Chooser::portal, false, Chooser::gtk, true},
        {Chooser::gtk, true, Chooser::gtk, false},
    };
    for (const Case& one : cases) {
        bool askedAbout = false;
        const Chooser chosen = firstAvailable(one.asked, [&] {
            askedAbout = true;
            return one.portal;
        });
        EXPECT_EQ(chosen, one.expected);
        EXPECT_EQ(askedAbout, one.portalAskedAbout);
    }
}

}  // namespace
