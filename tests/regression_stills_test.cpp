// tests/regression_stills_test.cpp -- regression stills: the show captured at 320 x 240, frames at fixed
// numbers in every scene compared with the reference pictures under tests/stills/.
//
// When the show's look changes on purpose, write new references and commit them:
//
//     BRIMT_UPDATE_STILLS=1 build/tests/regression_stills_test
//
// (make update-stills does the same). A failing comparison says how many pixels differ, by how much
// and where, and leaves the frame it got in stills-actual/ under the test's working directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "brimt/capture.h"
#include "shell_fakes.h" // Required for: PinLoadedLibraries()
#include "platform/png.h"

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kChannelTolerance = 12;       // a pixel differs when a channel is off by more than this
constexpr double kDifferingAllowed = 0.002; // share of the pixels that may differ (rasteriser details)

struct Still {
    const char* name;
    std::int64_t frame;     // at 60 frames per second
    std::uint32_t position; // the song position the frame is in, as a check that the timing holds
};

const Still kStills[] = {
    {"intro-present", 150, 0},     // the first card fading in, the sphere sliding in
    {"intro-toolbox", 480, 1},     // the second card over the first, the sphere with its spikes
    {"hammers-nail", 950, 2},      // the brick wall and the two nails; the grid coming in
    {"hammers-grid", 1150, 3},     // the swinging grid in sight, a hammer of each pair striking
    {"hammers-leaving", 1410, 4},  // the last of the grid leaving to the right
    {"faces-position-5", 1500, 5}, // a face on the teal ground
    {"faces-position-6", 2200, 6}, // another face, later in its beat
    {"greetings", 2710, 7},        // the card and the spinning globe of light, facing the viewer
    {"greetings-later", 3540, 9},  // the globe turned further
    {"fly-past", 4062, 10},        // the globe rushing past, the card fading
    {"fly-past-end", 4095, 10},    // the last frames: the globe behind the viewer, the card half faded
};

struct Taken {
    std::vector<unsigned char> rgb;
    PlayStatus status{};
    bool seen = false;
};

// Where two pictures of the same size differ, in one line; empty when within the tolerance.
std::string Compare(const std::vector<unsigned char>& expected, const std::vector<unsigned char>& actual)
{
    int differing = 0;
    int largest = 0;
    int left = kWidth, right = -1, top = kHeight, bottom = -1;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            int worst = 0;
            for (int c = 0; c < 3; ++c) {
                const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3 + c;
                worst = std::max(worst, std::abs(int(expected[at]) - int(actual[at])));
            }
            largest = std::max(largest, worst);
            if (worst > kChannelTolerance) {
                ++differing;
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (differing <= kDifferingAllowed * kWidth * kHeight) return {};
    std::ostringstream report;
    report << differing << " of " << kWidth * kHeight << " pixels differ by more than " << kChannelTolerance
           << " (largest " << largest << "), within x " << left << ".." << right << ", y " << top << ".."
           << bottom;
    return report.str();
}

TEST(RegressionStills, FramesInEverySceneMatchTheReferences)
{
    const fs::path source = std::getenv("BRIMT_SOURCE_DIR");
    const fs::path references = source / "tests/stills";
    const bool update = std::getenv("BRIMT_UPDATE_STILLS") != nullptr;

    CaptureSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    settings.fps = 60;
    settings.dataFolder = (source / "DATA").string();
    const std::int64_t last = kStills[std::size(kStills) - 1].frame;
    std::vector<Taken> taken(std::size(kStills));
    const int result = CaptureShow(settings, [&](const CapturedFrame& frame) {
        if (frame.index == 0) PinLoadedLibraries(); // the GL driver is loaded by now
        for (std::size_t k = 0; k < std::size(kStills); ++k) {
            if (kStills[k].frame != frame.index) continue;
            taken[k].rgb.assign(frame.rgb, frame.rgb + kWidth * kHeight * 3);
            taken[k].status = frame.status;
            taken[k].seen = true;
        }
        return frame.index < last;
    });
    ASSERT_EQ(result, 0);

    const fs::path actualDir = fs::current_path() / "stills-actual";
    fs::create_directories(actualDir);
    for (std::size_t k = 0; k < std::size(kStills); ++k) {
        const Still& still = kStills[k];
        SCOPED_TRACE(still.name);
        ASSERT_TRUE(taken[k].seen) << "frame " << still.frame << " never came";
        EXPECT_EQ(taken[k].status.songPosition, still.position) << "frame " << still.frame;
        const std::string file = std::string(still.name) + ".png";
        if (update) {
            fs::create_directories(references);
            ASSERT_TRUE(WritePngFile((references / file).string(), kWidth, kHeight, taken[k].rgb.data(), 9));
            continue;
        }
        int width = 0;
        int height = 0;
        std::vector<unsigned char> expected;
        ASSERT_TRUE(ReadPngFile((references / file).string(), &width, &height, &expected))
            << "no reference " << (references / file) << " (BRIMT_UPDATE_STILLS=1 writes it)";
        ASSERT_EQ(width, kWidth);
        ASSERT_EQ(height, kHeight);
        const std::string difference = Compare(expected, taken[k].rgb);
        if (!difference.empty()) {
            WritePngFile((actualDir / file).string(), kWidth, kHeight, taken[k].rgb.data());
            ADD_FAILURE() << still.name << " (frame " << still.frame << "): " << difference << "; got "
                          << (actualDir / file).string() << ", expected " << (references / file).string();
        }
    }
}

} // namespace
