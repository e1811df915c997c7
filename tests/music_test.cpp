// tests/music_test.cpp -- the music library on libopenmpt and SDL2 audio: loading (shared with the song
// renderer), play status, loops, silent play.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h> // Required for: unlink()

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "music.h"
#include "musictimeline.h"
#include "songrenderer.h"
#include "smallsong.h"
#include "tempfile.h"

namespace {

using Clock = std::chrono::steady_clock;

// There is no sound card where the tests run: unless told otherwise, SDL plays into its dummy
// driver, which takes the sound at the pace of a real device.
const bool kDummyAudio = setenv("SDL_AUDIODRIVER", "dummy", 0) == 0;

// Three positions playing patterns 1, 0, 2 (so the pattern tells the position apart), 8 rows of
// 60 ms each: positions start at 0, 0.48 and 0.96 s and the song lasts 1.44 s.
const std::vector<std::uint8_t> kOrders = {1, 0, 2};
constexpr int kRows = 8;
constexpr double kPositionSeconds = 0.48;

std::string ThreePositionSong()
{
    return SmallSongBytes(kOrders, kRows, 3, 125);
}

bool Before(const PlayStatus& a, const PlayStatus& b)
{
    if (a.loopCount != b.loopCount) return a.loopCount < b.loopCount;
    if (a.songPosition != b.songPosition) return a.songPosition < b.songPosition;
    return a.row < b.row;
}

bool Same(const PlayStatus& a, const PlayStatus& b)
{
    return !Before(a, b) && !Before(b, a) && a.pattern == b.pattern;
}

// Polls the status every millisecond until `done` says so or `limit` passes; returns each distinct
// status seen, in order, with the time it was first seen (seconds after the call).
struct Seen {
    PlayStatus status;
    double at;
};
template <typename Done>
std::vector<Seen> Watch(MusicLibrary& music, PlayHandle play, Done done, double limit = 15.0)
{
    std::vector<Seen> seen;
    const auto start = Clock::now();
    for (;;) {
        const double now = std::chrono::duration<double>(Clock::now() - start).count();
        PlayStatus s;
        if (!music.GetPlayStatus(play, &s)) {
            ADD_FAILURE() << "the status of a playing song could not be read";
            break;
        }
        if (seen.empty() || !Same(seen.back().status, s)) seen.push_back({s, now});
        if (done(s) || now > limit) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return seen;
}

// The statuses seen follow the song: never backwards, each position plays its own pattern, and
// each position shows several of its rows.
void ExpectFollowsSong(const std::vector<Seen>& seen, std::uint32_t loops)
{
    ASSERT_FALSE(seen.empty());
    std::vector<std::vector<int>> rowsSeen(loops + 1, std::vector<int>(kOrders.size(), 0));
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const PlayStatus& s = seen[i].status;
        ASSERT_LT(s.songPosition, kOrders.size());
        ASSERT_LE(s.loopCount, loops);
        EXPECT_EQ(s.pattern, kOrders[s.songPosition]) << "at position " << s.songPosition;
        EXPECT_LT(s.row, static_cast<std::uint32_t>(kRows));
        if (i > 0) {
            EXPECT_TRUE(Before(seen[i - 1].status, s))
                << "went from position " << seen[i - 1].status.songPosition << " row "
                << seen[i - 1].status.row << " (loop " << seen[i - 1].status.loopCount << ") to position "
                << s.songPosition << " row " << s.row << " (loop " << s.loopCount << ")";
        }
        ++rowsSeen[s.loopCount][s.songPosition];
    }
    for (std::uint32_t loop = 0; loop <= loops; ++loop) {
        for (std::size_t p = 0; p < kOrders.size(); ++p) {
            EXPECT_GE(rowsSeen[loop][p], 3) << "position " << p << " of loop " << loop;
        }
    }
}

class MusicFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        music = CreateMusicLibrary();
        ASSERT_TRUE(music->Startup());
    }
    std::unique_ptr<MusicLibrary> music;
};

TEST_F(MusicFile, MissingUnreadableOrCorruptFilesDoNotLoad)
{
    const std::string song = ThreePositionSong();
    const TempFile empty("");
    const TempFile text(std::string(2000, 'x') + "this is not a module");
    const TempFile cutHeader(song.substr(0, 40), ".xm");
    const TempFile badSignature("Extended Modulo: " + song.substr(17), ".xm");
    mkdir("brimt-music-test-directory", 0755);
    // A FIFO nobody writes to: opening it to read would wait for a writer for ever.
    mkfifo("brimt-music-test-fifo.xm", 0644);
    const struct {
        const char* what;
        const char* file;
    } cases[] = {
        {"a missing file", "no-such-directory/no-such-song.xm"},
        {"a directory", "brimt-music-test-directory"},
        {"a FIFO", "brimt-music-test-fifo.xm"},
        {"an empty file", empty.Path()},
        {"a text file", text.Path()},
        {"an XM cut inside its header", cutHeader.Path()},
        {"an XM with a wrong signature", badSignature.Path()},
    };
    // The live song and the rendered one read files the same way.
    std::unique_ptr<SongRenderer> rendered = CreateSongRenderer();
    ASSERT_TRUE(rendered->Startup());
    for (const auto& c : cases) {
        EXPECT_EQ(music->LoadModule(c.file), nullptr) << c.what;
        EXPECT_EQ(rendered->LoadModule(c.file), nullptr) << c.what << ", rendered";
        EXPECT_LT(SongSecondsToPosition(c.file, 1), 0.0) << c.what;
    }
    EXPECT_EQ(music->LoadModule(nullptr), nullptr);
    EXPECT_EQ(rendered->LoadModule(nullptr), nullptr);
    rmdir("brimt-music-test-directory");
    unlink("brimt-music-test-fifo.xm");
}

TEST_F(MusicFile, ValidSongLoadsAndFreesOnce)
{
    const TempFile file(ThreePositionSong(), ".xm");
    ModuleHandle module = music->LoadModule(file.Path());
    ASSERT_NE(module, nullptr);
    music->FreeModule(module);
    music->FreeModule(module); // a second free of the same handle is ignored
    music->FreeModule(nullptr);
    music->Close();
}

TEST(MusicLibraryStates, CallsOutOfOrderFailCleanly)
{
    const TempFile file(ThreePositionSong(), ".xm");
    auto music = CreateMusicLibrary();
    EXPECT_FALSE(music->Init()) << "Init before Startup";
    EXPECT_EQ(music->LoadModule(file.Path()), nullptr) << "LoadModule before Startup";
    music->Close(); // never started: nothing to close
    ASSERT_TRUE(music->Startup());
    ModuleHandle module = music->LoadModule(file.Path());
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(music->PlayModule(module, true), 0u) << "PlayModule before Init";
    EXPECT_FALSE(music->StartBackgroundPlay(100)) << "background play before Init";
    PlayStatus s;
    EXPECT_FALSE(music->GetPlayStatus(1, &s));
    music->StopBackgroundPlay();
    music->StopModule(1);
    music->Close(); // frees the module it still holds
}

class MusicPlay : public MusicFile {
protected:
    void SetUp() override
    {
        MusicFile::SetUp();
        ASSERT_TRUE(kDummyAudio);
        ASSERT_TRUE(music->Init()) << "the tests run with SDL's dummy audio driver";
        module = music->LoadModule(file.Path());
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        music->StopBackgroundPlay();
        music->StopModule(play);
        music->FreeModule(module);
        music->Close();
    }
    TempFile file{ThreePositionSong(), ".xm"};
    ModuleHandle module = nullptr;
    PlayHandle play = 0;
};

TEST_F(MusicPlay, StatusAdvancesThroughPositionsAndRowsThenStaysAtTheEnd)
{
    play = music->PlayModule(module, false);
    ASSERT_NE(play, 0u);
    PlayStatus before;
    ASSERT_TRUE(music->GetPlayStatus(play, &before));
    EXPECT_EQ(before.songPosition, 0u);
    EXPECT_EQ(before.pattern, kOrders[0]);
    EXPECT_EQ(before.row, 0u);
    ASSERT_TRUE(music->StartBackgroundPlay(100));

    const auto seen =
        Watch(*music, play, [](const PlayStatus& s) { return s.songPosition == 2 && s.row == kRows - 1; });
    ExpectFollowsSong(seen, 0);
    ASSERT_EQ(seen.back().status.songPosition, 2u);

    // A song played once stays on its last row when it is over.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    PlayStatus after;
    ASSERT_TRUE(music->GetPlayStatus(play, &after));
    EXPECT_EQ(after.songPosition, 2u);
    EXPECT_EQ(after.row, static_cast<std::uint32_t>(kRows - 1));
    EXPECT_EQ(after.loopCount, 0u);
}

TEST_F(MusicPlay, LoopedSongStartsAgainAndCountsItsLoops)
{
    play = music->PlayModule(module, true);
    ASSERT_NE(play, 0u);
    ASSERT_TRUE(music->StartBackgroundPlay(100));
    const auto seen =
        Watch(*music, play, [](const PlayStatus& s) { return s.loopCount == 2 && s.songPosition == 1; });
    ASSERT_EQ(seen.back().status.loopCount, 2u);
    std::vector<Seen> firstTwoLoops;
    for (const Seen& s : seen) {
        if (s.status.loopCount < 2) firstTwoLoops.push_back(s);
    }
    ExpectFollowsSong(firstTwoLoops, 1);
    // Each loop starts over from the first position.
    for (std::size_t i = 1; i < seen.size(); ++i) {
        if (seen[i].status.loopCount != seen[i - 1].status.loopCount) {
            EXPECT_EQ(seen[i].status.songPosition, 0u) << "loop " << seen[i].status.loopCount;
        }
    }
}

TEST_F(MusicPlay, StoppedSongHasNoStatus)
{
    play = music->PlayModule(module, true);
    ASSERT_NE(play, 0u);
    ASSERT_TRUE(music->StartBackgroundPlay(100));
    PlayStatus s;
    EXPECT_TRUE(music->GetPlayStatus(play, &s));
    EXPECT_FALSE(music->GetPlayStatus(play, nullptr));
    EXPECT_FALSE(music->GetPlayStatus(play + 1, &s));
    music->StopModule(play);
    s.row = 1234;
    EXPECT_FALSE(music->GetPlayStatus(play, &s));
    EXPECT_EQ(s.row, 1234u) << "a failed read leaves the record alone";

    // Freeing a song while it plays stops it first.
    play = music->PlayModule(module, true);
    ASSERT_NE(play, 0u);
    music->FreeModule(module);
    module = nullptr;
    EXPECT_FALSE(music->GetPlayStatus(play, &s));
}

// The process-wide audio driver name, set for one test and put back afterwards.
class AudioDriver {
public:
    explicit AudioDriver(const char* name)
    {
        const char* old = std::getenv("SDL_AUDIODRIVER");
        hadOld = old != nullptr;
        if (hadOld) oldName = old;
        setenv("SDL_AUDIODRIVER", name, 1);
    }
    ~AudioDriver()
    {
        if (hadOld) {
            setenv("SDL_AUDIODRIVER", oldName.c_str(), 1);
        } else {
            unsetenv("SDL_AUDIODRIVER");
        }
    }

private:
    bool hadOld = false;
    std::string oldName;
};

TEST(MusicWithoutDevice, InitFailsThenSucceedsSilentlyWithTheOption)
{
    const AudioDriver noDevice("brimt-no-such-driver");
    const TempFile file(ThreePositionSong(), ".xm");
    auto music = CreateMusicLibrary();
    ASSERT_TRUE(music->Startup());
    EXPECT_FALSE(music->Init());
    music->Close(); // safe after a failed Init

    ASSERT_TRUE(music->Startup());
    ASSERT_FALSE(music->Init());
    music->SetOption(kMusicOptionNoSoundDevice, 1);
    ASSERT_TRUE(music->Init());
    ModuleHandle module = music->LoadModule(file.Path());
    ASSERT_NE(module, nullptr);
    const PlayHandle play = music->PlayModule(module, false);
    ASSERT_NE(play, 0u);
    ASSERT_TRUE(music->StartBackgroundPlay(100));

    // Silent play keeps to real time: the last position cannot come before its time (half of it,
    // to leave room for a coarse clock), and it does come.
    const auto seen =
        Watch(*music, play, [](const PlayStatus& s) { return s.songPosition == 2 && s.row == kRows - 1; });
    ExpectFollowsSong(seen, 0);
    ASSERT_EQ(seen.back().status.songPosition, 2u);
    for (const Seen& s : seen) {
        if (s.status.songPosition == 2) {
            EXPECT_GT(s.at, 0.5 * 2 * kPositionSeconds) << "position 2 came too early";
            break;
        }
    }

    // Once stopped, the song stands still.
    music->StopBackgroundPlay();
    PlayStatus stopped, later;
    ASSERT_TRUE(music->GetPlayStatus(play, &stopped));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(music->GetPlayStatus(play, &later));
    EXPECT_TRUE(Same(stopped, later));
    music->StopModule(play);
    music->FreeModule(module);
    music->Close();
}

TEST(MusicWithoutDevice, OptionPlaysSilentlyEvenWhereADeviceOpens)
{
    const TempFile file(ThreePositionSong(), ".xm");
    auto music = CreateMusicLibrary();
    ASSERT_TRUE(music->Startup());
    music->SetOption(kMusicOptionNoSoundDevice, 1);
    ASSERT_TRUE(music->Init());
    ModuleHandle module = music->LoadModule(file.Path());
    const PlayHandle play = music->PlayModule(module, true);
    ASSERT_NE(play, 0u);
    ASSERT_TRUE(music->StartBackgroundPlay(100));
    const auto seen =
        Watch(*music, play, [](const PlayStatus& s) { return s.loopCount == 1 && s.songPosition == 1; });
    EXPECT_EQ(seen.back().status.loopCount, 1u);
    EXPECT_EQ(seen.back().status.songPosition, 1u);
    EXPECT_GT(seen.back().at, 0.5 * 4 * kPositionSeconds) << "silent play ran ahead of real time";
    music->Close(); // stops and frees everything still running
}

// The clock behind GetPlayStatus, driven by hand: frames and times are exact here.
PlayStatus Row(std::uint32_t row)
{
    PlayStatus s;
    s.row = row;
    return s;
}

TEST(PlayTimeline, ReportsTheFrameHeardNotTheFrameRendered)
{
    constexpr double kRate = 48000.0;
    PlayTimeline t;
    t.Reset(Row(0));
    t.Record(1000, Row(1));
    t.Record(2000, Row(2));
    // A render call at t = 10 s after 2048 frames were rendered, with 1024 frames still in the device.
    t.Anchor(10.0, 2048 - 1024, 2048);
    EXPECT_EQ(t.HeardFrame(10.0, kRate), 1024);
    EXPECT_EQ(t.StatusAt(t.HeardFrame(10.0, kRate)).row, 1u) << "row 2 is rendered but not heard yet";
    EXPECT_EQ(t.HeardFrame(10.0 + 0.015625, kRate), 1024 + 750);
    EXPECT_EQ(t.StatusAt(1024 + 750).row, 1u);
    EXPECT_EQ(t.StatusAt(2047).row, 2u);
    EXPECT_EQ(t.HeardFrame(11.0, kRate), 2048) << "the sound cannot run past what was handed over";
}

TEST(PlayTimeline, HeardFrameNeverGoesBackAndStopsWhenFrozen)
{
    constexpr double kRate = 48000.0;
    PlayTimeline t;
    t.Reset(Row(0));
    EXPECT_EQ(t.HeardFrame(5.0, kRate), 0) << "nothing heard before the first render call";
    t.Anchor(1.0, -1024, 0); // the first call: the device still holds its start-up silence
    EXPECT_EQ(t.HeardFrame(1.0, kRate), 0);
    t.Anchor(2.0, 4800, 9600);
    EXPECT_EQ(t.HeardFrame(2.0625, kRate), 7800);
    t.Anchor(2.0625, 6000, 12000); // a late, pessimistic call
    EXPECT_EQ(t.HeardFrame(2.0625, kRate), 7800);
    EXPECT_EQ(t.HeardFrame(2.125, kRate), 9000);
    t.Freeze(2.125, kRate);
    const std::int64_t frozen = t.HeardFrame(2.125, kRate);
    EXPECT_EQ(frozen, 9000);
    EXPECT_EQ(t.HeardFrame(9.0, kRate), frozen);
}

TEST(PlayTimeline, KeepsTheNewestChangesAndTheStartStatus)
{
    PlayTimeline t;
    t.Reset(Row(99));
    EXPECT_EQ(t.StatusAt(0).row, 99u);
    for (int i = 0; i < PlayTimeline::kCapacity + 10; ++i)
        t.Record(100 * (i + 1), Row(static_cast<std::uint32_t>(i)));
    EXPECT_EQ(t.StatusAt(100 * (PlayTimeline::kCapacity + 10)).row,
              static_cast<std::uint32_t>(PlayTimeline::kCapacity + 9));
    EXPECT_EQ(t.StatusAt(100 * 20 + 50).row, 19u);
    t.Record(50, Row(7)); // a frame before the newest counts as the newest
    EXPECT_EQ(t.StatusAt(100 * (PlayTimeline::kCapacity + 10)).row, 7u);
    t.Reset(Row(3));
    EXPECT_EQ(t.StatusAt(1000000).row, 3u);
}

} // namespace
