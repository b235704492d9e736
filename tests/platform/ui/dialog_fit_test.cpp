// Fitting a dialog's labels and read-only fields to their text in the
// terminal's cells.
#include "platform/ui/terminal/dialog_fit.h"

#include <gtest/gtest.h>

namespace {

using ui::terminal::CellRect;
using ui::terminal::FitControl;
using Kind = FitControl::Kind;

// The Note Infos dialog in cells: labels of 10 columns at column 2, fields
// of 20 at column 14, and a button under them.
std::vector<FitControl> InfoDialog(int longestLabel, int longestField) {
    return {
        {{1, 2, 1, 10}, 7, Kind::Label},            // Subject
        {{4, 2, 1, 12}, longestLabel, Kind::Label}, // Last modified
        {{1, 14, 1, 20}, 5, Kind::Field},
        {{4, 14, 1, 20}, longestField, Kind::Field},
        {{10, 2, 2, 10}, 0, Kind::Other}, // the Close button
    };
}

TEST(DialogFit, ALongLabelMovesTheFieldsBesideItAndTheDialogWidens) {
    const auto fit = ui::terminal::FitDialogText(InfoDialog(13, 5), 36, 60);
    // "Last modified" ends at column 15 and needs a blank: the fields start at 16.
    EXPECT_EQ((std::vector<int>{0, 0, 2, 2, 0}), fit.shift);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0}), fit.grow);
    EXPECT_EQ(2, fit.widen);
}

TEST(DialogFit, ALongFieldGrowsAndLabelsThatFitStay) {
    const auto fit = ui::terminal::FitDialogText(InfoDialog(11, 23), 36, 60);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0}), fit.shift);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 3, 0}), fit.grow);
    EXPECT_EQ(3, fit.widen);
    // Both at once add up.
    const auto both = ui::terminal::FitDialogText(InfoDialog(13, 23), 36, 60);
    EXPECT_EQ((std::vector<int>{0, 0, 2, 2, 0}), both.shift);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 3, 0}), both.grow);
    EXPECT_EQ(5, both.widen);
}

TEST(DialogFit, NothingMovesWhenEverythingFitsOrThereIsNoRoom) {
    const auto fits = ui::terminal::FitDialogText(InfoDialog(11, 20), 36, 60);
    EXPECT_EQ(0, fits.widen);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0}), fits.shift);
    // The screen allows one more column: that much, the rest stays cut.
    const auto narrow = ui::terminal::FitDialogText(InfoDialog(13, 23), 36, 1);
    EXPECT_EQ(1, narrow.widen);
    EXPECT_EQ((std::vector<int>{0, 0, 1, 1, 0}), narrow.shift);
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 0}), narrow.grow);
    // A label alone on its row widens only the dialog.
    const auto alone = ui::terminal::FitDialogText({{{1, 2, 1, 10}, 40, Kind::Label}}, 36, 60);
    EXPECT_EQ((std::vector<int>{0}), alone.shift);
    EXPECT_EQ(6, alone.widen);
}

// The options dialog's colour group in cells: a group box, a radio button
// whose "( ) Yellow Note" needs 15 columns where it has 14, and a button
// beside the group.
std::vector<FitControl> ColourGroup(int radioText) {
    return {
        {{1, 2, 5, 16}, 0, Kind::Group},
        {{2, 3, 1, 14}, radioText, Kind::Field},
        {{1, 20, 2, 10}, 0, Kind::Other},
    };
}

TEST(DialogFit, ARadioButtonGrowsAndItsGroupBoxWithItWithoutTouchingItsNeighbour) {
    const auto fit = ui::terminal::FitDialogText(ColourGroup(15), 31, 60);
    EXPECT_EQ((std::vector<int>{1, 1, 0}), fit.grow);
    // The button keeps its distance from the group's frame.
    EXPECT_EQ((std::vector<int>{0, 0, 1}), fit.shift);
    EXPECT_EQ(1, fit.widen);
    // A radio button that fits moves nothing.
    const auto fits = ui::terminal::FitDialogText(ColourGroup(14), 31, 60);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), fits.grow);
    EXPECT_EQ(0, fits.widen);
}

} // namespace
