// tests/xmwriter_test.cpp -- our XM writer, read back by libopenmpt: song layout, cells, samples, rejected
// input.
#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "smallsong.h"
#include "xmwriter.h"

namespace {

// libopenmpt numbers notes from C-0 = 1 one octave above the XM file's numbering.
constexpr int kOpenMptNoteOffset = 12;

xm::Sample Constant(std::int16_t value, bool sixteenBit, std::size_t frames = 256)
{
    xm::Sample s;
    s.name = sixteenBit ? "dc16" : "dc8";
    s.sixteenBit = sixteenBit;
    s.data.assign(frames, value);
    s.loop = xm::Loop::kForward;
    s.loopLength = static_cast<std::uint32_t>(frames);
    return s;
}

xm::Module FourChannelSong()
{
    xm::Module m;
    m.name = "layout";
    m.channels = 4;
    m.speed = 4;
    m.bpm = 140;
    m.orders = {1, 0, 1};
    m.restartPosition = 1;
    xm::Pattern a(16, 4), b(32, 4);
    a.At(0, 0) = {xm::Note("C-4"), 1, xm::SetVolume(40), 0, 0};
    a.At(3, 2) = {xm::Note("F#2"), 2, 0, xm::kVolumeSlide, 0x0F};
    a.At(15, 3) = {xm::kNoteOff, 0, 0, 0, 0};
    b.At(31, 1) = {0, 0, 0, xm::kSetGlobalVolume, 0x20};
    m.patterns = {a, b};
    xm::Instrument eight, sixteen;
    eight.name = "eight-bit";
    eight.samples.push_back(Constant(64, false));
    eight.volumeEnvelope.points = {{0, 64}, {10, 32}, {40, 0}};
    eight.volumeEnvelope.sustainPoint = 1;
    eight.fadeout = 512;
    sixteen.name = "sixteen-bit";
    sixteen.samples.push_back(Constant(16384, true));
    sixteen.samples.push_back(Constant(-16384, true));
    for (int n = 48; n < 96; ++n)
        sixteen.noteSample[static_cast<std::size_t>(n)] = 1;
    m.instruments = {eight, sixteen};
    return m;
}

std::unique_ptr<openmpt::module> Load(const std::vector<std::uint8_t>& bytes, std::ostringstream& log)
{
    return std::make_unique<openmpt::module>(bytes, log);
}

TEST(XmWriter, LibopenmptReadsBackTheSongAsWritten)
{
    std::ostringstream log;
    const auto mod = Load(xm::Write(FourChannelSong()), log);
    EXPECT_EQ(log.str(), "") << "libopenmpt had something to say about the file";
    EXPECT_EQ(mod->get_metadata("title"), "layout");
    EXPECT_EQ(mod->get_num_channels(), 4);
    EXPECT_EQ(mod->get_num_orders(), 3);
    ASSERT_EQ(mod->get_num_patterns(), 2);
    EXPECT_EQ(mod->get_order_pattern(0), 1);
    EXPECT_EQ(mod->get_order_pattern(1), 0);
    EXPECT_EQ(mod->get_pattern_num_rows(0), 16);
    EXPECT_EQ(mod->get_pattern_num_rows(1), 32);
    EXPECT_EQ(mod->get_current_speed(), 4);
    EXPECT_EQ(mod->get_current_tempo(), 140);
    EXPECT_EQ(mod->get_instrument_names(), (std::vector<std::string>{"eight-bit", "sixteen-bit"}));
    EXPECT_EQ(mod->get_num_samples(), 3);

    using C = openmpt::module::command_index;
    const auto cell = [&](int pattern, int row, int channel, C what) {
        return mod->get_pattern_row_channel_command(pattern, row, channel, what);
    };
    EXPECT_EQ(cell(0, 0, 0, C::command_note), xm::Note("C-4") + kOpenMptNoteOffset);
    EXPECT_EQ(cell(0, 0, 0, C::command_instrument), 1);
    EXPECT_EQ(cell(0, 0, 0, C::command_volume), 40);
    EXPECT_EQ(cell(0, 3, 2, C::command_note), xm::Note("F#2") + kOpenMptNoteOffset);
    EXPECT_EQ(cell(0, 3, 2, C::command_instrument), 2);
    EXPECT_EQ(cell(0, 3, 2, C::command_parameter), 0x0F);
    EXPECT_EQ(cell(0, 1, 0, C::command_note), 0) << "an empty cell stays empty";
    EXPECT_NE(cell(0, 15, 3, C::command_note), 0) << "the note-off";
    EXPECT_EQ(cell(1, 31, 1, C::command_parameter), 0x20);
    // The whole song, once: 32 + 16 + 32 rows of 4 ticks of 2.5 / 140 s.
    EXPECT_NEAR(mod->get_duration_seconds(), 80 * 4 * 2.5 / 140, 0.01);
}

// A constant sample renders as a constant level: only right if the delta coding, the sample width
// and the note-to-sample map are right.
float SteadyLevel(const xm::Module& song)
{
    std::ostringstream log;
    const auto mod = Load(xm::Write(song), log);
    std::vector<float> frames(2 * 4800);
    mod->read_interleaved_stereo(48000, 4800, frames.data());
    const float level = frames[2 * 4000];
    for (int i = 3000; i < 4800; ++i) {
        EXPECT_NEAR(frames[2 * static_cast<std::size_t>(i)], level, 1e-4f) << "frame " << i;
    }
    return level;
}

TEST(XmWriter, EightAndSixteenBitSamplesDecodeToTheSameLevel)
{
    const struct {
        const char* what;
        std::uint8_t instrument;
        const char* note;
        float sign;
    } cases[] = {
        {"8-bit +64", 1, "C-4", 1.0f},
        {"16-bit +16384 (sample 0 below C-4)", 2, "B-3", 1.0f},
        {"16-bit -16384 (sample 1 from C-4)", 2, "C-4", -1.0f},
    };
    xm::Module song = FourChannelSong();
    song.orders = {0};
    song.restartPosition = 0;
    float reference = 0.0f;
    for (const auto& c : cases) {
        xm::Pattern p(16, 4);
        p.At(0, 0) = {xm::Note(c.note), c.instrument, 0, 0, 0};
        song.patterns = {p, p};
        song.instruments[0].volumeEnvelope = {};
        const float level = SteadyLevel(song);
        EXPECT_GT(level * c.sign, 0.01f) << c.what;
        if (reference == 0.0f) reference = level;
        EXPECT_NEAR(std::fabs(level), std::fabs(reference), 1e-4f) << c.what;
    }
}

TEST(XmWriter, RejectsWhatTheFormatCannotHold)
{
    const struct {
        const char* what;
        void (*spoil)(xm::Module&);
    } cases[] = {
        {"no orders", [](xm::Module& m) { m.orders.clear(); }},
        {"an order naming a missing pattern", [](xm::Module& m) { m.orders.push_back(7); }},
        {"a restart past the orders", [](xm::Module& m) { m.restartPosition = 3; }},
        {"one channel", [](xm::Module& m) { m.channels = 1; }},
        {"a pattern narrower than the song", [](xm::Module& m) { m.patterns[0] = xm::Pattern(16, 3); }},
        {"a note past B-7", [](xm::Module& m) { m.patterns[0].At(1, 1).note = 98; }},
        {"an instrument past 128", [](xm::Module& m) { m.patterns[0].At(1, 1).instrument = 129; }},
        {"speed 0", [](xm::Module& m) { m.speed = 0; }},
        {"bpm 20", [](xm::Module& m) { m.bpm = 20; }},
        {"a long module name", [](xm::Module& m) { m.name = std::string(21, 'n'); }},
        {"a long sample name",
         [](xm::Module& m) { m.instruments[0].samples[0].name = std::string(23, 's'); }},
        {"an 8-bit value out of range", [](xm::Module& m) { m.instruments[0].samples[0].data[5] = 128; }},
        {"a loop past the sample end", [](xm::Module& m) { m.instruments[0].samples[0].loopStart = 1; }},
        {"an empty loop", [](xm::Module& m) { m.instruments[0].samples[0].loopLength = 0; }},
        {"a sample volume above 64", [](xm::Module& m) { m.instruments[1].samples[1].volume = 65; }},
        {"a note mapped to a missing sample", [](xm::Module& m) { m.instruments[0].noteSample[40] = 1; }},
        {"13 envelope points",
         [](xm::Module& m) {
             auto& env = m.instruments[0].volumeEnvelope;
             env.points.clear();
             for (std::uint16_t i = 0; i < 13; ++i)
                 env.points.push_back({static_cast<std::uint16_t>(i * 4), 10});
         }},
        {"envelope ticks going back",
         [](xm::Module& m) { m.instruments[0].volumeEnvelope.points[2].tick = 5; }},
        {"an envelope value above 64",
         [](xm::Module& m) { m.instruments[0].volumeEnvelope.points[0].value = 65; }},
        {"a sustain point it does not have",
         [](xm::Module& m) { m.instruments[0].volumeEnvelope.sustainPoint = 3; }},
        {"a loop without an end", [](xm::Module& m) { m.instruments[0].volumeEnvelope.loopStart = 0; }},
    };
    EXPECT_NO_THROW(xm::Write(FourChannelSong()));
    for (const auto& c : cases) {
        xm::Module m = FourChannelSong();
        c.spoil(m);
        EXPECT_THROW(xm::Write(m), std::invalid_argument) << c.what;
    }
    EXPECT_THROW(xm::Pattern(0, 4), std::invalid_argument);
    EXPECT_THROW(xm::Pattern(257, 4), std::invalid_argument);
    xm::Pattern p(4, 4);
    EXPECT_THROW(p.At(4, 0), std::out_of_range);
    EXPECT_THROW(p.At(0, -1), std::out_of_range);
}

TEST(XmWriter, NoteNames)
{
    EXPECT_EQ(xm::Note("C-0"), 1);
    EXPECT_EQ(xm::Note("C-4"), 49);
    EXPECT_EQ(xm::Note("C#4"), 50);
    EXPECT_EQ(xm::Note("Db4"), 50);
    EXPECT_EQ(xm::Note("A-4"), 58);
    EXPECT_EQ(xm::Note("B-7"), 96);
    EXPECT_EQ(xm::Note("OFF"), xm::kNoteOff);
    for (const char* bad : {"", "C4", "H-4", "C-8", "Cb0", "C+4", "c-4", "C-44"}) {
        EXPECT_THROW(xm::Note(bad), std::invalid_argument) << '"' << bad << '"';
    }
}

TEST(XmWriter, WriteFileLeavesNothingBehindOnFailure)
{
    std::string error;
    const std::string path = "xmwriter-test-out.xm";
    EXPECT_TRUE(xm::WriteFile(FourChannelSong(), path, &error)) << error;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    std::remove(path.c_str());

    xm::Module bad = FourChannelSong();
    bad.orders.clear();
    EXPECT_FALSE(xm::WriteFile(bad, path, &error));
    EXPECT_NE(error.find("orders"), std::string::npos) << error;
    EXPECT_EQ(std::fopen(path.c_str(), "rb"), nullptr);

    EXPECT_FALSE(xm::WriteFile(FourChannelSong(), "no-such-directory/song.xm", &error));
    EXPECT_EQ(std::fopen("no-such-directory/song.xm.part", "rb"), nullptr);
}

} // namespace
