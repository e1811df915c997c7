// tests/capture_test.cpp -- the offline capture: what the observer sees, the same frames and sound
// twice, films that ffprobe confirms, and failures that leave nothing under the requested name.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "brimt/capture.h"
#include "shell_fakes.h" // Required for: PinLoadedLibraries()

namespace fs = std::filesystem;

namespace {

std::string SourceDir()
{
    return std::getenv("BRIMT_SOURCE_DIR");
}

struct Outcome {
    int status;
    std::string output; // stdout and stderr together
};

// Runs a shell command, its output captured.
Outcome RunCommand(const std::string& command)
{
    Outcome outcome{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return outcome;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        outcome.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

// The program's command line for a capture. Under the sanitizers the program's own exit would report
// the GL driver's and X libraries' blocks as leaks (see the Makefile's sanitize target); our capture
// code is checked for leaks in-process by the tests above.
std::string Capture(const std::string& file, const std::string& options, const std::string& environment = "")
{
    return "ASAN_OPTIONS=detect_leaks=0 " + environment + " '" BRIMT_PROGRAM "' --data '" + SourceDir() +
           "/DATA' --capture '" + file + "' " + options;
}

std::string ReadAll(const fs::path& path)
{
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (error) return {};
    std::string bytes(size, '\0');
    std::ifstream in(path, std::ios::binary);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

class CaptureFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/brimt-capture-XXXXXX";
        dir = mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(dir); }

    // Names left in the test folder (no temporary leftovers expected).
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        return names;
    }

    fs::path dir;
};

TEST(CaptureShow, HandsOverEveryFrameInOrderWithItsTimeStatusPixelsAndSound)
{
    CaptureSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.fps = 60;
    settings.frameLimit = 8;
    settings.dataFolder = SourceDir() + "/DATA";
    std::vector<CapturedFrame> seen;
    std::size_t soundFrames = 0;
    bool pixelsDrawn = false;
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        if (frame.index == 0) PinLoadedLibraries(); // the GL driver is loaded by now
        seen.push_back(frame);
        soundFrames += frame.audioFrames;
        for (int k = 0; k < frame.width * frame.height * 3; ++k)
            pixelsDrawn |= frame.rgb[k] != 0;
        return true;
    });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(seen.size(), 8u);
    for (std::size_t k = 0; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k].index, static_cast<std::int64_t>(k));
        EXPECT_EQ(seen[k].time, static_cast<float>(static_cast<double>(k) / 60.0));
        EXPECT_EQ(seen[k].width, 64);
        EXPECT_EQ(seen[k].height, 48);
        EXPECT_EQ(seen[k].audioFrames, 800u); // 48000 / 60
        EXPECT_EQ(seen[k].status.songPosition, 0u);
    }
    EXPECT_EQ(seen[0].status.row, 0u);
    EXPECT_EQ(soundFrames, 8u * 800u);
    EXPECT_TRUE(pixelsDrawn); // the intro's first image fades in from frame 1
}

TEST(CaptureShow, AnObserverThatSaysStopSeesNoLaterFrame)
{
    CaptureSettings settings;
    settings.width = 32;
    settings.height = 24;
    settings.dataFolder = SourceDir() + "/DATA";
    std::vector<std::int64_t> seen;
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        if (frame.index == 0) PinLoadedLibraries();
        seen.push_back(frame.index);
        return frame.index < 3;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(seen, (std::vector<std::int64_t>{0, 1, 2, 3}));
}

TEST(CaptureShow, FramesStartOnTheSampleOfTheirTime)
{
    // 48000 samples a second: at 60 fps each frame is 800 samples; at 144 fps they alternate 333 and
    // 334 and never drift.
    EXPECT_EQ(FirstSampleOfFrame(1, 60), 800);
    EXPECT_EQ(FirstSampleOfFrame(600, 60), 480000);
    EXPECT_EQ(FirstSampleOfFrame(1, 144), 333);
    EXPECT_EQ(FirstSampleOfFrame(2, 144), 666);
    EXPECT_EQ(FirstSampleOfFrame(3, 144), 1000);
    EXPECT_EQ(FirstSampleOfFrame(144, 144), 48000);
}

TEST_F(CaptureFiles, TheSameCaptureTwiceGivesTheSameFramesAndSound)
{
    for (const char* name : {"a/", "b/"}) {
        const Outcome run = RunCommand(Capture((dir / name).string(), "--size 160x120 --frames 40"));
        ASSERT_EQ(run.status, 0) << run.output;
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / "a"))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names.size(), 41u); // 40 frames and the sound
    for (const std::string& name : names) {
        const std::string a = ReadAll(dir / "a" / name);
        const std::string b = ReadAll(dir / "b" / name);
        EXPECT_FALSE(a.empty()) << name;
        EXPECT_TRUE(a == b) << name << " differs between the two captures";
    }
    // The sound is the frames' span exactly: 40 frames of 800 samples, 4 bytes each, after the header.
    EXPECT_EQ(fs::file_size(dir / "a/sound.wav"), 44u + 40u * 800u * 4u);
    EXPECT_EQ(Entries().size(), 2u); // nothing left beside them
}

// "key=value" lines of ffprobe for one stream kind.
std::string Probe(const fs::path& file, const char* stream)
{
    return RunCommand(std::string("ffprobe -v error -count_frames -select_streams ") + stream +
                      " -show_entries stream=codec_name,pix_fmt,nb_read_frames,sample_rate,channels,duration "
                      "-of default=noprint_wrappers=1 '" +
                      file.string() + "'")
        .output;
}

double Field(const std::string& probe, const std::string& key)
{
    const std::size_t at = probe.find(key + "=");
    if (at == std::string::npos) return -1.0;
    const char* value = probe.c_str() + at + key.size() + 1;
    if (!std::isdigit(static_cast<unsigned char>(*value))) return -1.0; // "N/A": not in this container
    return std::atof(value);
}

TEST_F(CaptureFiles, FilmsHoldTheFramesAndTheSoundOfTheirSpan)
{
    struct Case {
        const char* name;
        const char* options;
        int frames;
        double seconds;
    };
    const Case cases[] = {
        {"first-seconds.mp4", "--size 320x240 --frames 120", 120, 2.0},
        {"first-second.mkv", "--size 160x120 --frames 25 --fps 25", 25, 1.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path film = dir / c.name;
        const Outcome run = RunCommand(Capture(film.string(), c.options));
        ASSERT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find(film.string()), std::string::npos) << "says where it wrote: " << run.output;

        const std::string video = Probe(film, "v");
        EXPECT_NE(video.find("codec_name=h264"), std::string::npos) << video;
        EXPECT_NE(video.find("pix_fmt=yuv420p"), std::string::npos) << video;
        EXPECT_EQ(Field(video, "nb_read_frames"), c.frames) << video;
        const std::string audio = Probe(film, "a");
        EXPECT_NE(audio.find("codec_name=aac"), std::string::npos) << audio;
        EXPECT_EQ(Field(audio, "sample_rate"), 48000) << audio;
        EXPECT_EQ(Field(audio, "channels"), 2) << audio;
        const std::string duration =
            RunCommand("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + film.string() + "'")
                .output;
        EXPECT_NEAR(std::atof(duration.c_str()), c.seconds, 0.03) << duration;
        if (Field(video, "duration") >= 0.0) {
            EXPECT_NEAR(Field(video, "duration"), c.seconds, 1e-3) << video;
        }
        if (Field(audio, "duration") >= 0.0) {
            EXPECT_NEAR(Field(audio, "duration"), c.seconds, 0.03) << audio;
        }
    }
}

TEST_F(CaptureFiles, WithoutAWorkingFfmpegItSaysSoAndWritesNothing)
{
    // A fake ffmpeg that fails at once, and a PATH with no ffmpeg at all.
    fs::create_directories(dir / "fakebin");
    {
        std::ofstream fake(dir / "fakebin/ffmpeg");
        fake << "#!/bin/sh\necho 'ffmpeg: out of luck' >&2\nexit 1\n";
    }
    fs::permissions(dir / "fakebin/ffmpeg", fs::perms::owner_all);
    fs::create_directories(dir / "emptybin");
    struct Case {
        const char* path;
        const char* said;
    };
    const Case cases[] = {
        {"emptybin", "ffmpeg program"},
        {"fakebin", "ffmpeg failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const fs::path film = dir / "show.mp4";
        {
            std::ofstream(film) << "an older film";
        } // kept: only a complete capture replaces it
        const Outcome run = RunCommand(
            Capture(film.string(), "--size 64x48 --frames 5", "PATH='" + (dir / c.path).string() + "'"));
        EXPECT_NE(run.status, 0) << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << run.output;
        EXPECT_EQ(ReadAll(film), "an older film");
        for (const std::string& name : Entries()) {
            EXPECT_EQ(name.find(".part"), std::string::npos) << name << " left behind";
        }
        fs::remove(film);
    }
}

TEST_F(CaptureFiles, AFolderThatHoldsFilesIsNotWrittenInto)
{
    fs::create_directories(dir / "busy");
    {
        std::ofstream(dir / "busy/keep.txt") << "mine";
    }
    const Outcome run = RunCommand(Capture((dir / "busy/").string(), "--size 64x48 --frames 2"));
    EXPECT_NE(run.status, 0) << run.output;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "busy"), fs::directory_iterator()), 1);
}

} // namespace
