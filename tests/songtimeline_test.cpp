// tests/songtimeline_test.cpp -- the song timeline file the browser reads: what it accepts, what status it
// gives.
#include "platform/songtimeline.h"

#include <gtest/gtest.h>

namespace {

const char* const kGood = "brimt-timeline 1\nrate 48000\nsamples 1000\n"
                          "0 0 0 0 0\n"
                          "100 0 0 1 0\n"
                          "250 1 3 0 0\n";

TEST(SongTimeline, GivesTheLastChangeAtOrBeforeTheSample)
{
    SongTimeline timeline;
    ASSERT_TRUE(timeline.Parse(kGood));
    EXPECT_EQ(timeline.Rate(), 48000);
    EXPECT_EQ(timeline.Samples(), 1000);
    struct Case {
        long long sample;
        unsigned position, pattern, row;
    };
    const Case cases[] = {{-5, 0, 0, 0},  {0, 0, 0, 0},   {99, 0, 0, 0},  {100, 0, 0, 1},
                          {249, 0, 0, 1}, {250, 1, 3, 0}, {5000, 1, 3, 0}};
    for (const Case& c : cases) {
        const PlayStatus s = timeline.StatusAt(c.sample);
        EXPECT_EQ(s.songPosition, c.position) << "sample " << c.sample;
        EXPECT_EQ(s.pattern, c.pattern) << "sample " << c.sample;
        EXPECT_EQ(s.row, c.row) << "sample " << c.sample;
    }
}

TEST(SongTimeline, RefusesBrokenFilesAndStaysEmpty)
{
    const char* const broken[] = {
        "",
        "brimt-timeline 2\nrate 48000\nsamples 10\n0 0 0 0 0\n",            // unknown version
        "brimt-timeline 1\nrate 0\nsamples 10\n0 0 0 0 0\n",                // no rate
        "brimt-timeline 1\nrate 48000\nsamples 10\n",                       // no status at all
        "brimt-timeline 1\nrate 48000\nsamples 10\n5 0 0 0 0\n",            // does not start at 0
        "brimt-timeline 1\nrate 48000\nsamples 10\n0 0 0 0 0\n0 1 0 0 0\n", // samples do not rise
        "brimt-timeline 1\nrate 48000\nsamples 10\n0 0 0 0 0\n7 1 0\n",     // a line cut short
        "brimt-timeline 1\nrate 48000\nsamples 10\n0 0 0 0 0\nx\n",         // not a number
    };
    for (const char* text : broken) {
        SongTimeline timeline;
        EXPECT_FALSE(timeline.Parse(text)) << text;
        EXPECT_TRUE(timeline.Empty()) << text;
        EXPECT_EQ(timeline.StatusAt(3).songPosition, 0u) << text;
    }
    SongTimeline missing;
    EXPECT_FALSE(missing.Load("no/such/file.timeline"));
}

} // namespace
