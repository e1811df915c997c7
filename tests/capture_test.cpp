// tests/capture_test.cpp -- the offline capture: what the observer sees, the same frames and sound
// twice, films that ffprobe confirms, failures that leave nothing under the requested name, and
// hostile cases: signals, a stuck ffmpeg, odd output names, a song that is a FIFO.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
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

// --- hostile cases -------------------------------------------------------------------------------------

// A capture run in the background, in a process group of its own as a shell runs a job, so that a
// signal can go to it alone or to its whole group (it and its ffmpeg) as Ctrl-C does.
class Background {
public:
    Background(const std::string& command, const fs::path& log)
    {
        const std::string line = "exec env " + command + " >'" + log.string() + "' 2>&1";
        fs::remove(log);
        pid = fork();
        if (pid == 0) {
            setpgid(0, 0);
            execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        setpgid(pid, pid);
        logFile = log;
    }
    ~Background()
    {
        if (pid > 0) {
            kill(-pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // Waits (a minute at most: a hang guard, not a speed limit) for `ready`; false if it never came
    // or the run ended first.
    template <typename Ready> bool WaitFor(Ready ready)
    {
        for (int k = 0; k < 6000; ++k) {
            if (ready()) return true;
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return ready();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    // The exit status (128 + N after signal N), waiting a minute at most; -1 if it did not end.
    int Finish()
    {
        if (pid > 0 && !WaitFor([] { return false; }) && pid > 0) return -1;
        return exitStatus;
    }
    std::string Said() const { return ReadAll(logFile); }

    pid_t pid = -1;

private:
    int exitStatus = -1;
    fs::path logFile;
};

class CaptureHostile : public CaptureFiles {
protected:
    // An `ffmpeg` on PATH that runs `script` (sh), for the encoder's misdeeds.
    std::string FakeFfmpeg(const std::string& script)
    {
        fs::create_directories(dir / "fakebin");
        fs::remove(dir / "fakebin/ffmpeg.started");
        {
            std::ofstream fake(dir / "fakebin/ffmpeg");
            // It first leaves a sign that the capture has started it.
            fake << "#!/bin/sh\n: >\"$0.started\"\n" << script << "\n";
        }
        fs::permissions(dir / "fakebin/ffmpeg", fs::perms::owner_all);
        return "PATH='" + (dir / "fakebin").string() + ":" + std::getenv("PATH") + "'";
    }
    // Names in the test folder other than the fake ffmpeg's and the log.
    std::vector<std::string> Left() const
    {
        std::vector<std::string> left;
        for (const std::string& name : Entries())
            if (name != "fakebin" && name != "log") left.push_back(name);
        return left;
    }
};

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + " ";
    return text;
}

TEST_F(CaptureHostile, EverySignalThatEndsACaptureRemovesWhatItWroteAndSaysInterrupted)
{
    struct Case {
        const char* name;
        const char* output;
        int signal;
        bool group; // to the whole process group, ffmpeg included (Ctrl-C, a closed terminal)
    };
    const Case cases[] = {
        {"SIGHUP to a folder", "out/", SIGHUP, false},
        {"SIGQUIT to a folder", "out/", SIGQUIT, false},
        {"SIGTERM to an MP4", "show.mp4", SIGTERM, false},
        {"Ctrl-C to an MP4's group", "show.mp4", SIGINT, true},
        {"SIGHUP to a Matroska film's group", "show.mkv", SIGHUP, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The whole show at a tiny size: it runs long enough to be caught in the middle.
        Background run(Capture((dir / c.output).string(), "--size 32x24"), dir / "log");
        const fs::path temporary = dir / (std::string(".") + (c.output[3] == '/' ? "out" : c.output) +
                                          ".part-" + std::to_string(run.pid));
        const fs::path sign = c.output[3] == '/' ? temporary / "frame000010.png" : temporary;
        ASSERT_TRUE(run.WaitFor([&] { return fs::exists(sign); })) << run.Said();
        kill(c.group ? -run.pid : run.pid, c.signal);
        EXPECT_EQ(run.Finish(), 8) << run.Said();
        EXPECT_NE(run.Said().find("interrupted"), std::string::npos) << run.Said();
        EXPECT_EQ(run.Said().find("ffmpeg failed"), std::string::npos) << run.Said();
        EXPECT_TRUE(Left().empty()) << Joined(Left()) << "left behind";
    }
}

TEST_F(CaptureHostile, AStuckFfmpegIsStoppedAfterTheBoundAndSignalsStillWork)
{
    // Each fake reads the way the case says, then hangs: `exec` makes the hang ffmpeg itself, so that
    // stopping it leaves nothing running.
    const std::string readsNothing = "exec sleep 600";
    const std::string readsAllNeverExits = "cat <&3 >/dev/null & cat >/dev/null; wait; exec sleep 600";
    // Writes its film once it has read everything, then hangs before exiting.
    const std::string hangsWhileFinishing = "cat <&3 >/dev/null & cat >/dev/null; wait; for a; do out=$a; "
                                            "done; echo partial >\"$out\"; exec sleep 600";
    struct Case {
        const char* name;
        std::string script;
        int signal; // 0: none, the bound must end it
        int status;
        const char* said;
    };
    const Case cases[] = {
        {"stops reading", readsNothing, 0, 7, "ffmpeg has read nothing for 1 s"},
        {"reads all, never exits", readsAllNeverExits, 0, 7, "ffmpeg has not finished the film in 1 s"},
        {"SIGTERM while it reads nothing", readsNothing, SIGTERM, 8, "interrupted"},
        {"SIGINT while it reads nothing", readsNothing, SIGINT, 8, "interrupted"},
        {"SIGTERM while it finishes", hangsWhileFinishing, SIGTERM, 8, "interrupted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string environment = FakeFfmpeg(c.script) + (c.signal == 0 ? " BRIMT_ENCODER_TIMEOUT=1"
                                                                              : " BRIMT_ENCODER_TIMEOUT=600");
        // A film of 64 x 48 frames is 9 kB: 40 of them overflow any pipe and the writer's queue.
        Background run(Capture((dir / "show.mp4").string(), "--size 64x48 --frames 40", environment),
                       dir / "log");
        if (c.signal != 0) {
            const fs::path temporary = dir / (".show.mp4.part-" + std::to_string(run.pid));
            const bool finishing = c.script == hangsWhileFinishing;
            // Whenever it comes once ffmpeg runs, the signal must end the capture; finishing: once
            // the fake has written its film.
            ASSERT_TRUE(run.WaitFor([&] {
                return finishing ? fs::exists(temporary) : fs::exists(dir / "fakebin/ffmpeg.started");
            })) << run.Said();
            // The outcome must not depend on when it comes; a moment later it most likely finds
            // the capture waiting on a full pipe, the case that used to hang.
            if (!finishing) std::this_thread::sleep_for(std::chrono::seconds(1));
            kill(run.pid, c.signal);
        }
        EXPECT_EQ(run.Finish(), c.status) << run.Said();
        EXPECT_NE(run.Said().find(c.said), std::string::npos) << run.Said();
        EXPECT_TRUE(Left().empty()) << Joined(Left()) << "left behind";
    }
}

TEST_F(CaptureHostile, OddOutputNamesAreWrittenOrRefusedPlainly)
{
    // The root: a clear refusal, no crash.
    const Outcome root = RunCommand(Capture("/", "--size 32x24 --frames 2"));
    EXPECT_TRUE(root.status == 7 || root.status == 2) << root.status << " " << root.output;
    EXPECT_NE(root.output.find("brimt:"), std::string::npos) << root.output;

    // A link to an empty folder: the frames land in that folder and the link stays.
    fs::create_directories(dir / "real");
    fs::create_directory_symlink(dir / "real", dir / "link");
    const Outcome linked = RunCommand(Capture((dir / "link/").string(), "--size 32x24 --frames 2"));
    EXPECT_EQ(linked.status, 0) << linked.output;
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
    EXPECT_TRUE(fs::exists(dir / "real/frame000001.png"));
    EXPECT_TRUE(fs::exists(dir / "real/sound.wav"));

    // A name of 250 bytes, within the file system's 255, though its temporary name would not be.
    const std::string longName = std::string(246, 'n') + ".mkv";
    const Outcome named = RunCommand(Capture((dir / longName).string(), "--size 32x24 --frames 2"));
    EXPECT_EQ(named.status, 0) << named.output;
    EXPECT_TRUE(fs::exists(dir / longName));
    EXPECT_EQ(Entries().size(), 3u) << Joined(Entries());
}

TEST_F(CaptureHostile, TheSameFilmTwiceIsTheSameBytes)
{
    for (const char* kind : {".mp4", ".mkv"}) {
        SCOPED_TRACE(kind);
        for (const char* name : {"a", "b"}) {
            const Outcome run =
                RunCommand(Capture((dir / (name + std::string(kind))).string(), "--size 64x48 --frames 10"));
            ASSERT_EQ(run.status, 0) << run.output;
        }
        const std::string a = ReadAll(dir / ("a" + std::string(kind)));
        EXPECT_FALSE(a.empty());
        EXPECT_TRUE(a == ReadAll(dir / ("b" + std::string(kind)))) << "the two films differ";
    }
}

TEST_F(CaptureHostile, ASongThatIsAFifoFailsTheStartInsteadOfHanging)
{
    // The show's data, its song replaced by a FIFO nobody writes to.
    fs::create_directories(dir / "data");
    for (const auto& entry : fs::directory_iterator(SourceDir() + "/DATA"))
        fs::create_symlink(entry.path(), dir / "data" / entry.path().filename());
    fs::remove(dir / "data/Pkfloyd.xm");
    ASSERT_EQ(mkfifo((dir / "data/Pkfloyd.xm").c_str(), 0644), 0);
    const std::string command = "ASAN_OPTIONS=detect_leaks=0 '" BRIMT_PROGRAM "' --data '" +
                                (dir / "data").string() + "' --capture '" + (dir / "out/").string() +
                                "' --size 32x24 --frames 2";
    Background run(command, dir / "log");
    EXPECT_EQ(run.Finish(), 5) << run.Said(); // the module does not load: failure 5
    EXPECT_NE(run.Said().find("Erreur Brimt 5"), std::string::npos) << run.Said();
    EXPECT_FALSE(fs::exists(dir / "out"));
}

} // namespace
