// tests/makeimages_test.cpp -- the image tool: a fresh run writes byte for byte the images committed
// under DATA/, every committed image decodes at its expected size and looks like a picture, and the
// tool fails cleanly when it cannot write.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Expected {
    const char* file;
    int width;
    int height;
};

// The files the show opens, with their letters as it spells them.
const Expected kImages[] = {
    {"Present.JPG", 1024, 768}, {"toolbox.JPG", 1024, 768}, {"rusted_metal.JPG", 512, 512},
    {"Plateox2.jpg", 512, 512}, {"brique.JPG", 1024, 768},  {"face1.JPG", 512, 512},
    {"face2.JPG", 512, 512},    {"face3.JPG", 512, 512},    {"face4.JPG", 512, 512},
    {"face5.JPG", 512, 512},    {"face6.JPG", 512, 512},    {"greets.JPG", 1024, 768},
    {"particle.JPG", 128, 128},
};

fs::path SourceDir()
{
    const char* env = std::getenv("BRIMT_SOURCE_DIR");
    return env != nullptr ? fs::path(env) : fs::path(BRIMT_SOURCE_DIR_FALLBACK);
}

std::vector<unsigned char> ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the tool with the given arguments (already quoted); returns its exit status, -1 if it died.
int RunTool(const std::string& args)
{
    const std::string command = std::string("'") + BRIMT_MAKEIMAGES + "' " + args + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
}

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = "/tmp/brimt-images-XXXXXX";
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    fs::path path;
};

struct Decoded {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// Decodes a JPEG file to RGB; false if TurboJPEG refuses it.
bool Decode(const fs::path& path, Decoded* out)
{
    const std::vector<unsigned char> jpeg = ReadAll(path);
    if (jpeg.empty()) return false;
    tjhandle handle = tjInitDecompress();
    if (handle == nullptr) return false;
    int subsampling = 0, colourspace = 0;
    bool ok = tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &out->width, &out->height, &subsampling,
                                  &colourspace) == 0;
    if (ok) {
        out->rgb.resize(static_cast<size_t>(out->width) * out->height * 3);
        ok = tjDecompress2(handle, jpeg.data(), jpeg.size(), out->rgb.data(), out->width, 0, out->height,
                           TJPF_RGB, TJFLAG_ACCURATEDCT) == 0;
    }
    tjDestroy(handle);
    return ok;
}

TEST(MakeImages, FreshRunWritesTheCommittedFilesByteForByte)
{
    TempDir tmp;
    ASSERT_FALSE(tmp.path.empty());
    // A folder that does not exist yet: the tool makes it.
    const fs::path out = tmp.path / "out";
    ASSERT_EQ(RunTool("'" + out.string() + "'"), 0);

    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(out))
        written.insert(entry.path().filename().string());
    std::set<std::string> expected;
    for (const Expected& e : kImages)
        expected.insert(e.file);
    EXPECT_EQ(written, expected);

    for (const Expected& e : kImages) {
        const std::vector<unsigned char> fresh = ReadAll(out / e.file);
        const std::vector<unsigned char> committed = ReadAll(SourceDir() / "DATA" / e.file);
        ASSERT_FALSE(committed.empty()) << "DATA/" << e.file << " is missing";
        EXPECT_TRUE(fresh == committed) << e.file << " differs from DATA/" << e.file << " (" << fresh.size()
                                        << " bytes against " << committed.size() << ")";
    }
}

TEST(MakeImages, FailsWithoutCrashingWhenItCannotWrite)
{
    TempDir tmp;
    ASSERT_FALSE(tmp.path.empty());
    // A plain file where the output folder should go.
    const fs::path blocker = tmp.path / "file";
    std::ofstream(blocker) << "not a folder";
    EXPECT_EQ(RunTool("'" + (blocker / "out").string() + "'"), 1);
    EXPECT_EQ(RunTool("'" + blocker.string() + "'"), 1);
    EXPECT_EQ(RunTool("a b"), 1); // one folder at most
}

// Names the image in test output instead of dumping the record's bytes.
void PrintTo(const Expected& e, std::ostream* os)
{
    *os << e.file;
}

class CommittedImage : public ::testing::TestWithParam<Expected> {};

// Each image decodes at its size; full-screen cards are 4:3, the rest square with power-of-two sides;
// and none is a flat fill (a painter that drew nothing would pass the other checks).
TEST_P(CommittedImage, DecodesAtItsSizeAndHasContent)
{
    const Expected e = GetParam();
    Decoded img;
    ASSERT_TRUE(Decode(SourceDir() / "DATA" / e.file, &img)) << e.file;
    EXPECT_EQ(img.width, e.width);
    EXPECT_EQ(img.height, e.height);
    if (img.width != img.height) {
        EXPECT_EQ(img.width * 3, img.height * 4) << "full-screen images are 4:3";
    } else {
        EXPECT_EQ(img.width & (img.width - 1), 0) << "square images have power-of-two sides";
    }
    double sum = 0.0, sumSquares = 0.0;
    const size_t pixels = img.rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) {
        const double luma = 0.299 * img.rgb[3 * i] + 0.587 * img.rgb[3 * i + 1] + 0.114 * img.rgb[3 * i + 2];
        sum += luma;
        sumSquares += luma * luma;
    }
    const double mean = sum / static_cast<double>(pixels);
    const double spread = std::sqrt(sumSquares / static_cast<double>(pixels) - mean * mean);
    EXPECT_GT(spread, 12.0) << e.file << " is nearly flat";
}

INSTANTIATE_TEST_SUITE_P(Data, CommittedImage, ::testing::ValuesIn(kImages),
                         [](const ::testing::TestParamInfo<Expected>& param) {
                             std::string name;
                             for (const char* c = param.param.file; *c != '\0'; ++c) {
                                 name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             }
                             return name;
                         });

// The teal of the faces scene's clear colour, which the greetings card's backdrop and the particle
// sprite's border share.
constexpr int kBackdrop[3] = {0, 131, 139};

bool NearBackdrop(const Decoded& img, int x, int y, int tolerance)
{
    const unsigned char* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
    for (int c = 0; c < 3; ++c) {
        if (std::abs(p[c] - kBackdrop[c]) > tolerance) return false;
    }
    return true;
}

// The particle sprite is drawn hundreds of times at opacity 0.15 over the greetings card: its square
// must not show there, so its border is the card's backdrop all round; inside, it is a bright spark
// that is nowhere darker than the backdrop (a darker pixel would grey the card).
TEST(ParticleImage, IsASparkOnTheGreetingsBackdrop)
{
    Decoded img;
    ASSERT_TRUE(Decode(SourceDir() / "DATA" / "particle.JPG", &img));
    auto luma = [&](int x, int y) {
        const unsigned char* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    };
    const int last = img.width - 1, mid = img.width / 2;
    for (int i = 0; i < img.width; ++i) {
        EXPECT_TRUE(NearBackdrop(img, i, 0, 2)) << "top edge at " << i;
        EXPECT_TRUE(NearBackdrop(img, i, last, 2)) << "bottom edge at " << i;
        EXPECT_TRUE(NearBackdrop(img, 0, i, 2)) << "left edge at " << i;
        EXPECT_TRUE(NearBackdrop(img, last, i, 2)) << "right edge at " << i;
    }
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const unsigned char* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
            for (int c = 0; c < 3; ++c) {
                ASSERT_GE(p[c], kBackdrop[c] - 3) << "darker than the backdrop at " << x << ", " << y;
            }
        }
    }
    EXPECT_GT(luma(mid, mid), 240.0);
    // Falling off from the centre in every direction alike (pixels mid + r and mid - 1 - r lie
    // equally far from the centre line between pixels mid - 1 and mid).
    for (int r = 8; r < mid - 8; r += 8) {
        EXPECT_LT(luma(mid + r, mid), luma(mid + r - 8, mid) + 2.0) << "radius " << r;
        EXPECT_NEAR(luma(mid + r, mid), luma(mid, mid - 1 - r), 4.0) << "radius " << r;
        EXPECT_NEAR(luma(mid + r, mid), luma(mid - 1 - r, mid), 4.0) << "radius " << r;
    }
}

// The particle cloud spins over the middle of the greetings card: there the card is plain backdrop,
// so that the sprites' borders vanish and no name lies under the cloud.
TEST(GreetingsImage, KeepsThePlainBackdropWhereTheCloudSpins)
{
    Decoded img;
    ASSERT_TRUE(Decode(SourceDir() / "DATA" / "greets.JPG", &img));
    const double cx = img.width / 2.0, cy = img.height / 2.0, stage = 240.0;
    int off = 0;
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < stage && !NearBackdrop(img, x, y, 4)) ++off;
        }
    }
    EXPECT_EQ(off, 0) << "pixels in the cloud's disc that are not the backdrop";
}

// The intro draws its wire sphere over both title cards, at rest centred on (-23.67, -11, -80) with
// a radius of 12 (15.3 with its spikes out). The cards are drawn at twice (0, 0, -0.95), 2 x 1.5
// units, so the sphere covers the disc of radius 155 (198 with spikes) round pixel (224, 518) of a
// card. There the cards keep to plain background: no bright title or polished metal, no red enamel.
TEST(IntroImages, LeaveTheSpheresRestingPlaceToTheBackground)
{
    const double kCardHalfHeight = 0.75, kCardDepth = 1.9, kSphereDepth = 80.0;
    const double scale = 384.0 / kCardHalfHeight * kCardDepth / kSphereDepth; // card pixels per unit
    const double cx = 512.0 - 23.67 * scale, cy = 384.0 + 11.0 * scale, radius = 15.3 * scale;
    ASSERT_NEAR(cx, 224.0, 2.0);
    ASSERT_NEAR(cy, 518.0, 2.0);
    for (const char* file : {"Present.JPG", "toolbox.JPG"}) {
        Decoded img;
        ASSERT_TRUE(Decode(SourceDir() / "DATA" / file, &img)) << file;
        int inside = 0, loud = 0;
        for (int y = 0; y < img.height; ++y) {
            for (int x = 0; x < img.width; ++x) {
                if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) >= radius) continue;
                const unsigned char* p = &img.rgb[(static_cast<size_t>(y) * img.width + x) * 3];
                const double luma = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
                ++inside;
                if (luma > 150.0 || p[0] - std::max(p[1], p[2]) > 100) ++loud;
            }
        }
        EXPECT_LT(loud, inside / 200) << file << ": bright or red things where the sphere rests";
    }
}

} // namespace
