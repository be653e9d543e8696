// A window's place as the settings keep it: read back as written, anything else no place, and
// fitted to the screens there are now.

#include <gtest/gtest.h>

#include "texts/window_place.h"

namespace zv318 {
namespace {

TEST(textsWindowPlace, WhatIsWrittenReadsBackAndNothingElseReads) {
    for (const WindowPlace& p : {WindowPlace{10, 20, 800, 600, false},
                                 WindowPlace{-1900, -5, 1024, 768, true},
                                 WindowPlace{0, 0, 1, 1, false}})
        EXPECT_EQ(ParseWindowPlace(WindowPlaceText(p)), p) << WindowPlaceText(p);
    EXPECT_EQ(WindowPlaceText({1, 2, 3, 4, true}), "1,2,3,4,max");

    for (const char* bad : {"", "10,20,800", "10,20,800,600,", "10,20,800,600,maximized",
                            "10,20,0,600", "10,20,800,-1", "a,20,800,600", "10;20;800;600",
                            "10, 20,800,600", "10,20,800,600 ", "10,20,800,600\r",
                            "99999999999,0,800,600", "0,0,800,100001", "0,0,800,600,max,max",
                            "0x10,0,800,600", "+10,0,800,600"})
        EXPECT_FALSE(ParseWindowPlace(bad).has_value()) << bad;
}

TEST(textsWindowPlace, APlaceIsFittedToTheScreensOfNow) {
    const std::vector<ScreenRect> two{{0, 0, 1920, 1050}, {1920, 0, 1280, 1000}};
    const struct {
        const char* what;
        WindowPlace saved;
        std::vector<ScreenRect> screens;
        WindowPlace fitted;
    } cases[] = {
        {"on its screen: as saved", {100, 50, 900, 700, false}, two, {100, 50, 900, 700, false}},
        {"on the second screen", {2000, 100, 900, 700, true}, two, {2000, 100, 900, 700, true}},
        {"that screen unplugged: back on the first",
         {2000, 100, 900, 700, false}, {two[0]}, {1020, 100, 900, 700, false}},
        {"over the edge: pulled in whole", {1800, 900, 800, 546, false}, {two[0]},
         {1120, 504, 800, 546, false}},
        {"mostly on the second: moved onto it", {1800, 0, 900, 700, false}, two,
         {1920, 0, 900, 700, false}},
        {"larger than the screen: as large as it", {0, 0, 3000, 2000, false}, {two[0]},
         {0, 0, 1920, 1050, false}},
        {"smaller than the least size: the least size", {10, 10, 200, 100, false}, {two[0]},
         {10, 10, 800, 546, false}},
        {"a screen smaller than the least size: the least size at its corner",
         {50, 50, 900, 700, false}, {{0, 0, 640, 480}}, {0, 0, 800, 546, false}},
        {"no screens known: only the least size", {-50, -50, 10, 10, false}, {},
         {-50, -50, 800, 546, false}},
        {"a screen that does not start at 0", {0, 0, 900, 700, false}, {{-1280, 200, 1280, 1024}},
         {-900, 200, 900, 700, false}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitWindowPlace(c.saved, c.screens, 800, 546), c.fitted) << c.what;
}

}  // namespace
}  // namespace zv318
