// tests/pkfloyd_test.cpp -- the show's song DATA/Pkfloyd.xm: written by tools/makemusic, shaped for the
// scenes, mastered.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <algorithm>
#include <unistd.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "loudness.h"

namespace {

constexpr int kRate = 48000;

std::string SourceDir()
{
    const char* dir = std::getenv("BRIMT_SOURCE_DIR");
    return dir != nullptr && *dir != '\0' ? dir : BRIMT_SOURCE_ROOT;
}

std::vector<char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<char> CommittedSong()
{
    return ReadBytes(SourceDir() + "/DATA/Pkfloyd.xm");
}

TEST(Pkfloyd, CommittedFileIsWhatMakemusicWrites)
{
    const std::vector<char> committed = CommittedSong();
    ASSERT_FALSE(committed.empty()) << "DATA/Pkfloyd.xm is missing";
    char dir[] = "/tmp/brimt-makemusic-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string out = std::string(dir) + "/Pkfloyd.xm";
    const std::string command = std::string("\"") + MAKEMUSIC_PATH + "\" \"" + dir + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<char> written = ReadBytes(out);
    std::remove(out.c_str());
    rmdir(dir);
    EXPECT_EQ(written.size(), committed.size());
    EXPECT_TRUE(written == committed) << "DATA/Pkfloyd.xm is stale: rebuild it with the data_music target";
}

class Song : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::vector<char> bytes = CommittedSong();
        ASSERT_FALSE(bytes.empty());
        song = std::make_unique<openmpt::module>(bytes, log);
    }
    // The time at which position `order` starts, seconds from the song's start.
    double Start(int order) { return song->set_position_order_row(order, 0); }
    // The song rendered from position `order` to its end (played once), 48 kHz stereo.
    std::vector<float> Render(int order)
    {
        song->set_position_order_row(order, 0);
        std::vector<float> frames, chunk(2 * 4800);
        while (const std::size_t n = song->read_interleaved_stereo(kRate, 4800, chunk.data())) {
            frames.insert(frames.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(2 * n));
        }
        return frames;
    }
    bool KickAt(int order, int row)
    {
        using C = openmpt::module::command_index;
        const int pattern = song->get_order_pattern(order);
        for (int channel = 0; channel < song->get_num_channels(); ++channel) {
            const int instrument =
                song->get_pattern_row_channel_command(pattern, row, channel, C::command_instrument);
            if (instrument > 0 &&
                song->get_instrument_names()[static_cast<std::size_t>(instrument - 1)] == "Kick" &&
                song->get_pattern_row_channel_command(pattern, row, channel, C::command_note) > 0) {
                return true;
            }
        }
        return false;
    }
    std::ostringstream log;
    std::unique_ptr<openmpt::module> song;
};

TEST_F(Song, LoadsWithoutAWordFromLibopenmpt)
{
    EXPECT_EQ(log.str(), "");
    EXPECT_EQ(song->get_metadata("title"), "Pkfloyd");
}

TEST_F(Song, HasTheOrdersChannelsAndInstrumentsTheShowNeeds)
{
    EXPECT_GE(song->get_num_orders(), 13) << "the show ends when the song reaches position 12";
    EXPECT_GE(song->get_num_channels(), 6);
    EXPECT_LE(song->get_num_channels(), 8);
    const std::vector<std::string> names = song->get_instrument_names();
    for (const char* wanted :
         {"Kick", "Snare", "Closed hat", "Open hat", "Bass", "Pad minor", "Pad major", "Lead"}) {
        EXPECT_NE(std::find(names.begin(), names.end(), wanted), names.end()) << wanted;
    }
}

// Several of the show's animations move by a fixed step a frame; at 60 frames a second (the rate the
// show is timed for) they take the times below, and the positions are cut to them so that the
// picture never stands still for long and no scene outstays its idea.
constexpr double kFadeIn = 3.0;            // s: the first card fades in
constexpr double kGridGone = 8.8;          // s after position 2 starts: the hammer grid has crossed
constexpr double kCloudPassed = 45 / 60.0; // position 10: the cloud's far side is behind the viewer
constexpr double kCardGone = 101 / 60.0;   // position 10: the greetings card has faded out

TEST_F(Song, PositionsLastAsTheScenesNeed)
{
    EXPECT_EQ(Start(0), 0.0);
    EXPECT_GT(Start(1), kFadeIn + 1.0) << "the first card stands a while once faded in";
    EXPECT_LE(Start(1), 7.5) << "the second card and the kick come in well before 10 s";
    for (int order = 1; order <= 12; ++order)
        EXPECT_GT(Start(order), Start(order - 1)) << "position " << order;
    EXPECT_GT(Start(12), 60.0) << "a show of a minute to a minute and a half";
    EXPECT_LT(Start(12), 100.0) << "a show of a minute to a minute and a half";

    const auto length = [this](int order) { return Start(order + 1) - Start(order); };
    EXPECT_GE(Start(5) - Start(2), kGridGone - 0.5) << "the hammers scene ends before the grid has crossed";
    EXPECT_LE(Start(5) - Start(2), kGridGone + 0.5) << "the brick wall stands bare after the grid has gone";
    EXPECT_NEAR(Start(7) - Start(5), 20.0, 2.0) << "the faces: about 20 s";
    EXPECT_NEAR(Start(10) - Start(7), 21.0, 2.0) << "the greetings: about 20 s";
    EXPECT_GE(length(10), kCloudPassed) << "the cloud has flown past the viewer when the show ends";
    EXPECT_LT(length(10) + length(11), kCardGone) << "the show ends on the fading card, not on bare teal";
    EXPECT_LT(length(11), 1.0 / 60.0) << "position 11, the empty frame, lasts less than a frame";
    // The show quits when a frame sees position 12; after it the song starts again (the live song
    // loops), so it must outlast a frame at the lowest rate the show is played at.
    EXPECT_GT(song->get_duration_seconds() - Start(12), 1.0 / 24.0)
        << "position 12 outlasts a frame at 24 fps";

    // Sections end on bar lines (16 rows of 4/4), never in the middle of a phrase; the hammers'
    // positions (cut to the grid's crossing), the last chord and the silence after it on beats.
    for (int order = 0; order <= 11; ++order) {
        const int rows = song->get_pattern_num_rows(song->get_order_pattern(order));
        const bool onBeat = (order >= 2 && order <= 4) || order == 10;
        if (order == 11) continue;
        EXPECT_EQ(rows % (onBeat ? 4 : 16), 0) << "position " << order << " ends in the middle of a bar";
    }
}

// The hammers swing as sin(4 t) on show time: one of each pair strikes at each end of the swing,
// every pi/4 s from pi/8 on. While they are on screen (positions 2 to 4) every beat falls on a strike
// and carries the kick. The greetings' cloud, spinning at 80 degrees a second, faces the viewer
// every 2.25 s from 0 on: every bar of positions 7 to 9 starts then.
TEST_F(Song, BeatsFallInStepWithTheHammersAndTheCloud)
{
    const double pi = std::acos(-1.0);
    const auto offBy = [](double t, double period, double phase) {
        const double d = std::fmod(t - phase, period);
        return std::fmin(std::fabs(d), std::fabs(period - std::fabs(d)));
    };
    for (int order = 2; order <= 4; ++order) {
        const int rows = song->get_pattern_num_rows(song->get_order_pattern(order));
        for (int row = 0; row < rows; row += 4) {
            const double t = song->set_position_order_row(order, row);
            EXPECT_LT(offBy(t, pi / 4.0, pi / 8.0), 0.008) << "position " << order << " row " << row;
            EXPECT_TRUE(KickAt(order, row)) << "position " << order << " row " << row;
        }
    }
    for (int order = 7; order <= 9; ++order) {
        const int rows = song->get_pattern_num_rows(song->get_order_pattern(order));
        for (int row = 0; row < rows; row += 16) {
            const double t = song->set_position_order_row(order, row);
            EXPECT_LT(offBy(t, 2.25, 0.0), 0.025) << "position " << order << " row " << row;
            EXPECT_TRUE(KickAt(order, row)) << "position " << order << " row " << row;
        }
    }
}

TEST_F(Song, BeatRowsCarryTheKick)
{
    const struct {
        int order;
        int every;
        const char* scene;
    } cases[] = {
        {1, 8, "the sphere spikes on rows that are multiples of 8"},
        {5, 4, "the faces change on rows that are multiples of 4"},
        {6, 4, "the faces change on rows that are multiples of 4"},
    };
    // Four rows a beat: a row that is a multiple of 4 starts a beat; of 8, beat one or three.
    const double beat =
        (Start(2) - Start(1)) / (song->get_pattern_num_rows(song->get_order_pattern(1)) / 4.0);
    EXPECT_GT(beat, 0.4);
    EXPECT_LT(beat, 0.8);
    for (const auto& c : cases) {
        const int rows = song->get_pattern_num_rows(song->get_order_pattern(c.order));
        for (int row = 0; row < rows; row += c.every)
            EXPECT_TRUE(KickAt(c.order, row)) << c.scene << ": row " << row;
    }
}

// The faces scene shows a new face, faint and still, for as long as a beat row lasts, then turns it
// in: short beat rows keep the picture moving, and every beat row must still last longer than a
// frame at 24 frames a second so that no face change is missed at any frame rate; the beat itself
// keeps its steady pace.
TEST_F(Song, BeatRowsUnderTheFacesAreShortAndTheBeatSteady)
{
    const auto at = [this](int order, int row) { return song->set_position_order_row(order, row); };
    const double beat = at(5, 4) - at(5, 0);
    EXPECT_GT(beat, 0.5);
    EXPECT_LT(beat, 0.7);
    for (int order : {5, 6}) {
        const int rows = song->get_pattern_num_rows(song->get_order_pattern(order));
        for (int row = 0; row + 4 < rows; row += 4) {
            const double beatRow = at(order, row + 1) - at(order, row);
            EXPECT_LE(beatRow, 4.0 / 60.0) << "position " << order << " row " << row;
            EXPECT_GT(beatRow, 1.0 / 24.0) << "position " << order << " row " << row;
            EXPECT_NEAR(at(order, row + 4) - at(order, row), beat, 1e-3)
                << "position " << order << " row " << row;
        }
    }
}

double RmsDb(const std::vector<float>& frames, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = 2 * from; i < 2 * to; ++i)
        sum += static_cast<double>(frames[i]) * frames[i];
    return 10.0 * std::log10(sum / static_cast<double>(2 * (to - from)) + 1e-30);
}

TEST_F(Song, PositionTenFadesOutToSilence)
{
    const double length = Start(11) - Start(10);
    const std::vector<float> frames = Render(10);
    const auto at = [](double seconds) { return static_cast<std::size_t>(seconds * kRate); };
    const double opening = RmsDb(frames, 0, at(0.2));
    const double closing = RmsDb(frames, at(length - 0.15), at(length - 0.02));
    EXPECT_GT(opening, -30.0);
    EXPECT_LT(closing, opening - 35.0) << "position 10 ends " << opening - closing << " dB down";
    if (frames.size() / 2 > at(length + 0.05)) {
        EXPECT_LT(RmsDb(frames, at(length + 0.05), frames.size() / 2), -90.0)
            << "positions 11 and 12 are silent";
    }
}

TEST_F(Song, IsMasteredToAboutMinus14LufsWithoutClipping)
{
    const loudness::Measure m = loudness::MeasureStereo48k(Render(0));
    EXPECT_NEAR(m.integratedLufs, -14.0, 1.0);
    EXPECT_LT(m.samplePeakDb, -1.0);
    EXPECT_LT(m.truePeakDb, -1.0);
}

} // namespace
