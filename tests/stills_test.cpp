// tests/stills_test.cpp -- the stills tool's measures: the dead-screen meter and the contact sheet, fed
// plain RGB buffers.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "contactsheet.h"
#include "deadtime.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A frame of `pixels` grey pixels of level `grey`.
Bytes Flat(std::size_t pixels, unsigned char grey)
{
    return Bytes(pixels * 3, grey);
}

TEST(DeadTime, CountsPixelsThatMoveMoreThanTheThresholdInAnyChannel)
{
    const struct {
        int dr, dg, db;
        bool changed;
    } cases[] = {
        {0, 0, 0, false}, {6, 0, 0, false}, {0, -6, 0, false}, {0, 0, 6, false},
        {7, 0, 0, true},  {0, 7, 0, true},  {0, 0, -7, true},  {-200, 0, 0, true},
    };
    for (const auto& c : cases) {
        const Bytes a = {100, 100, 100, 50, 50, 50};
        Bytes b = a;
        b[0] = static_cast<unsigned char>(100 + c.dr);
        b[1] = static_cast<unsigned char>(100 + c.dg);
        b[2] = static_cast<unsigned char>(100 + c.db);
        EXPECT_DOUBLE_EQ(deadtime::ChangedFraction(a.data(), b.data(), 2), c.changed ? 0.5 : 0.0)
            << c.dr << ' ' << c.dg << ' ' << c.db;
    }
}

// A 20 x 20 frame, so that one pixel is 0.25 %, two are 0.5 %.
class Meter : public ::testing::Test {
protected:
    static constexpr int kSide = 20;
    static constexpr std::size_t kPixels = kSide * kSide;
    // Adds a frame that differs from the last one added in `moved` pixels, at song position
    // `position`.
    void Add(int moved, std::uint32_t position = 3)
    {
        for (int k = 0; k < moved; ++k) {
            unsigned char& p = frame[static_cast<std::size_t>(next++ % kPixels) * 3];
            p = static_cast<unsigned char>(p == 0 ? 255 : 0);
        }
        meter.AddFrame(frame.data(), deadtime::SongPlace{frames++ / 10.0, position, 7});
    }
    deadtime::Meter meter{kSide, kSide, 10.0};
    Bytes frame = Flat(kPixels, 0);
    int next = 0;
    int frames = 0;
};

TEST_F(Meter, AFrameIsDeadBelowHalfAPercentChangedAndTheFirstIsLive)
{
    Add(0); // the first frame: nothing to compare with
    Add(1); // 0.25 %: dead
    Add(2); // 0.5 %: live
    Add(0); // dead
    const deadtime::Report& r = meter.Result();
    EXPECT_EQ(r.frames, 4);
    EXPECT_EQ(r.deadFrames, 2);
    ASSERT_EQ(r.stretches.size(), 2u);
    EXPECT_EQ(r.stretches[0].firstFrame, 1);
    EXPECT_EQ(r.stretches[1].firstFrame, 3);
}

TEST_F(Meter, JoinsDeadFramesIntoStretchesAndListsThoseOverOneSecond)
{
    Add(50);
    for (int k = 0; k < 10; ++k)
        Add(0); // 1.0 s at 10 frames a second: not listed
    Add(50);
    for (int k = 0; k < 25; ++k)
        Add(1); // 2.5 s
    Add(50);
    const deadtime::Report& r = meter.Result();
    EXPECT_EQ(r.frames, 38);
    EXPECT_EQ(r.deadFrames, 35);
    ASSERT_EQ(r.stretches.size(), 2u);
    EXPECT_EQ(r.stretches[1].firstFrame, 12);
    EXPECT_EQ(r.stretches[1].frames, 25);
    EXPECT_DOUBLE_EQ(r.stretches[1].start.seconds, 1.2);
    EXPECT_DOUBLE_EQ(r.LongestStretch(), 2.5);

    std::ostringstream out;
    deadtime::Print(r, out);
    const std::string text = out.str();
    EXPECT_NE(text.find("dead screen: 3.5 s of 3.8 s (92.1 %), longest stretch 2.5 s"), std::string::npos)
        << text;
    EXPECT_NE(text.find("dead from   1.20 s for  2.50 s   (position 3 row 7)"), std::string::npos) << text;
    EXPECT_EQ(text.find("dead from   0.10 s"), std::string::npos) << "a 1.0 s stretch is not listed:\n"
                                                                  << text;
}

// 2 % of 400 pixels is 8: 7 moved is quiet, 8 is not; dead frames are quiet too.
TEST_F(Meter, CountsQuietFramesBelowTwoPercentAndTheMeanMotionOfEachPosition)
{
    Add(400, 1); // the first frame counts as wholly changed
    for (int k = 0; k < 12; ++k)
        Add(7, 1); // 1.2 s quiet: listed
    Add(8, 1);     // 2 %: not quiet
    Add(0, 2);     // dead, so quiet
    Add(40, 2);    // 10 %
    Add(7, 2);     // quiet
    const deadtime::Report& r = meter.Result();
    EXPECT_EQ(r.frames, 17);
    EXPECT_EQ(r.quietFrames, 14);
    EXPECT_EQ(r.deadFrames, 1);
    ASSERT_EQ(r.quietStretches.size(), 3u);
    EXPECT_EQ(r.quietStretches[0].firstFrame, 1);
    EXPECT_EQ(r.quietStretches[0].frames, 12);
    EXPECT_EQ(r.quietStretches[1].firstFrame, 14);
    EXPECT_DOUBLE_EQ(r.LongestQuietStretch(), 1.2);
    EXPECT_NEAR(r.MeanMotion(1), (1.0 + 12 * 7 / 400.0 + 8 / 400.0) / 14.0, 1e-12);
    EXPECT_NEAR(r.MeanMotion(2), (0.0 + 0.1 + 7 / 400.0) / 3.0, 1e-12);
    EXPECT_EQ(r.MeanMotion(5), 0.0) << "a position never seen";

    std::ostringstream out;
    deadtime::PrintMotion(r, out);
    const std::string text = out.str();
    EXPECT_NE(text.find("quiet screen: 1.4 s of 1.7 s (82.4 %), longest stretch 1.20 s"), std::string::npos)
        << text;
    EXPECT_NE(text.find("quiet from   0.10 s for  1.20 s   (position 1 row 7)"), std::string::npos) << text;
    EXPECT_NE(text.find(" 2:   3.9 %   quiet 0.20/0.30 s"), std::string::npos) << text;
}

TEST(ContactSheet, ResizeAveragesTheAreaEachPixelCovers)
{
    contactsheet::Picture p{4, 2, {}};
    // Left half: black and white columns; right half: all 90.
    for (int y = 0; y < 2; ++y) {
        for (unsigned char v : {0, 255, 90, 90})
            p.rgb.insert(p.rgb.end(), {v, v, v});
    }
    const contactsheet::Picture small = contactsheet::Resize(p, 2, 1);
    ASSERT_EQ(small.rgb.size(), 6u);
    EXPECT_EQ(small.rgb[0], 128);
    EXPECT_EQ(small.rgb[3], 90);
}

TEST(ContactSheet, LaysStillsOutInRowsWithACaptionBeneathEach)
{
    auto still = [](unsigned char grey) {
        return contactsheet::Still{contactsheet::Picture{40, 30, Flat(40 * 30, grey)}, "01 t=1.5s"};
    };
    const std::vector<contactsheet::Still> stills = {still(200), still(100), still(50)};
    const contactsheet::Picture sheet = contactsheet::Make(stills, 2, 20);
    // Two columns of 20-pixel tiles, two rows of 15-pixel tiles with their captions.
    EXPECT_EQ(sheet.width, 6 + 2 * (20 + 6));
    ASSERT_GT(sheet.height, 6 + 2 * (15 + 6));
    auto at = [&](int x, int y) { return sheet.rgb[(static_cast<std::size_t>(y) * sheet.width + x) * 3]; };
    EXPECT_EQ(at(6, 6), 200);      // first tile, top left
    EXPECT_EQ(at(6 + 26, 6), 100); // second tile, beside it
    EXPECT_EQ(at(6 + 19, 6 + 14), 200);
    const int secondRow = (sheet.height - 6) / 2 + 6;
    EXPECT_EQ(at(6, secondRow), 50); // third tile, under the first
    EXPECT_EQ(at(6 + 26, secondRow), 40) << "no fourth tile: ground";
    // The caption under the first tile has light ink in it.
    bool ink = false;
    for (int y = 6 + 15; y < secondRow - 6; ++y) {
        for (int x = 6; x < 26; ++x)
            ink = ink || at(x, y) > 200;
    }
    EXPECT_TRUE(ink);
}

} // namespace
