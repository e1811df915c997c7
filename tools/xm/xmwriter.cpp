// tools/xm/xmwriter.cpp -- XM serialisation: header, packed patterns, instruments, delta-coded samples.
#include "xmwriter.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace xm {

namespace {

constexpr int kMaxEnvelopePoints = 12;
constexpr std::uint32_t kPatternHeaderSize = 9;
constexpr std::uint32_t kInstrumentHeaderSize = 263;     // with the sample-header part
constexpr std::uint32_t kShortInstrumentHeaderSize = 29; // an instrument without samples
constexpr std::uint32_t kSampleHeaderSize = 40;

void Fail(const std::string& what)
{
    throw std::invalid_argument("xm: " + what);
}

class Bytes {
public:
    void U8(unsigned v) { out.push_back(static_cast<std::uint8_t>(v & 0xFF)); }
    void U16(unsigned v)
    {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    // Fixed-width text, padded with zero bytes.
    void Text(const std::string& s, std::size_t width, const char* field)
    {
        if (s.size() > width)
            Fail(std::string(field) + " \"" + s + "\" is longer than " + std::to_string(width));
        out.insert(out.end(), s.begin(), s.end());
        out.insert(out.end(), width - s.size(), 0);
    }
    void Zeros(std::size_t n) { out.insert(out.end(), n, 0); }
    std::size_t Size() const { return out.size(); }
    void PatchU16(std::size_t at, unsigned v)
    {
        out[at] = static_cast<std::uint8_t>(v & 0xFF);
        out[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
    }
    std::vector<std::uint8_t> out;
};

void CheckEnvelope(const Envelope& env, const std::string& where)
{
    const int n = static_cast<int>(env.points.size());
    if (n > kMaxEnvelopePoints) Fail(where + " has more than 12 points");
    for (int i = 0; i < n; ++i) {
        if (env.points[i].value > 64) Fail(where + " point " + std::to_string(i) + " is above 64");
        if (i == 0 && env.points[i].tick != 0) Fail(where + " does not start at tick 0");
        if (i > 0 && env.points[i].tick <= env.points[i - 1].tick) Fail(where + " ticks do not increase");
    }
    const auto inRange = [n](int p) { return p >= -1 && p < n; };
    if (!inRange(env.sustainPoint) || !inRange(env.loopStart) || !inRange(env.loopEnd)) {
        Fail(where + " names a point it does not have");
    }
    if ((env.loopStart < 0) != (env.loopEnd < 0) || env.loopEnd < env.loopStart) {
        Fail(where + " has an incomplete or reversed loop");
    }
}

void WriteEnvelopePoints(Bytes& b, const Envelope& env)
{
    for (int i = 0; i < kMaxEnvelopePoints; ++i) {
        if (i < static_cast<int>(env.points.size())) {
            b.U16(env.points[i].tick);
            b.U16(env.points[i].value);
        } else {
            b.U32(0);
        }
    }
}

unsigned EnvelopeFlags(const Envelope& env)
{
    if (env.points.empty()) return 0;
    return 1u | (env.sustainPoint >= 0 ? 2u : 0u) | (env.loopStart >= 0 ? 4u : 0u);
}

unsigned PointOrZero(int p)
{
    return p < 0 ? 0u : static_cast<unsigned>(p);
}

void CheckSample(const Sample& s, const std::string& where)
{
    if (s.volume > 64) Fail(where + " volume is above 64");
    if (!s.sixteenBit) {
        for (std::int16_t v : s.data) {
            if (v < -128 || v > 127) Fail(where + " is 8-bit but holds " + std::to_string(v));
        }
    }
    const std::uint64_t frames = s.data.size();
    if (frames > 0x3FFFFFFF) Fail(where + " is too long");
    if (s.loop != Loop::kNone) {
        if (s.loopLength == 0 || std::uint64_t{s.loopStart} + s.loopLength > frames) {
            Fail(where + " loop lies outside the sample");
        }
    }
}

void WriteSampleHeader(Bytes& b, const Sample& s)
{
    const std::uint32_t bytesPerFrame = s.sixteenBit ? 2 : 1;
    const bool looped = s.loop != Loop::kNone;
    b.U32(static_cast<std::uint32_t>(s.data.size()) * bytesPerFrame);
    b.U32(looped ? s.loopStart * bytesPerFrame : 0);
    b.U32(looped ? s.loopLength * bytesPerFrame : 0);
    b.U8(s.volume);
    b.U8(static_cast<std::uint8_t>(s.finetune));
    b.U8(static_cast<unsigned>(s.loop) | (s.sixteenBit ? 0x10u : 0u));
    b.U8(s.panning);
    b.U8(static_cast<std::uint8_t>(s.relativeNote));
    b.U8(0); // reserved
    b.Text(s.name, 22, "sample name");
}

// Sample data are stored as differences from the previous value (wrapping), which packs well.
void WriteSampleData(Bytes& b, const Sample& s)
{
    std::int32_t previous = 0;
    for (std::int16_t v : s.data) {
        const std::int32_t delta = v - previous;
        previous = v;
        if (s.sixteenBit) {
            b.U16(static_cast<std::uint16_t>(delta));
        } else {
            b.U8(static_cast<std::uint8_t>(delta));
        }
    }
}

void WritePattern(Bytes& b, const Pattern& p, int index)
{
    const std::string where = "pattern " + std::to_string(index);
    b.U32(kPatternHeaderSize);
    b.U8(0); // packing type
    b.U16(static_cast<unsigned>(p.Rows()));
    const std::size_t sizeAt = b.Size();
    b.U16(0); // packed size, patched below
    const std::size_t start = b.Size();
    for (int row = 0; row < p.Rows(); ++row) {
        for (int ch = 0; ch < p.Channels(); ++ch) {
            const Cell& c = p.At(row, ch);
            if (c.note > kNoteOff) Fail(where + " has note " + std::to_string(c.note));
            if (c.instrument > 128) Fail(where + " names instrument " + std::to_string(c.instrument));
            if (c.effect > 35) Fail(where + " has effect " + std::to_string(c.effect));
            // Packed form: a flag byte says which of the five fields follow.
            const unsigned flags = (c.note ? 1u : 0u) | (c.instrument ? 2u : 0u) | (c.volume ? 4u : 0u) |
                                   (c.effect ? 8u : 0u) | (c.param ? 16u : 0u);
            b.U8(0x80 | flags);
            if (c.note) b.U8(c.note);
            if (c.instrument) b.U8(c.instrument);
            if (c.volume) b.U8(c.volume);
            if (c.effect) b.U8(c.effect);
            if (c.param) b.U8(c.param);
        }
    }
    const std::size_t packed = b.Size() - start;
    if (packed > 0xFFFF) Fail(where + " packs to more than 65535 bytes");
    b.PatchU16(sizeAt, static_cast<unsigned>(packed));
}

void WriteInstrument(Bytes& b, const Instrument& ins, int index)
{
    const std::string where = "instrument " + std::to_string(index + 1);
    if (ins.samples.size() > 16) Fail(where + " has more than 16 samples");
    CheckEnvelope(ins.volumeEnvelope, where + " volume envelope");
    CheckEnvelope(ins.panningEnvelope, where + " panning envelope");
    for (std::size_t s = 0; s < ins.samples.size(); ++s) {
        CheckSample(ins.samples[s], where + " sample " + std::to_string(s));
    }
    for (std::uint8_t s : ins.noteSample) {
        if (!ins.samples.empty() && s >= ins.samples.size()) Fail(where + " maps a note to a missing sample");
    }

    const bool hasSamples = !ins.samples.empty();
    b.U32(hasSamples ? kInstrumentHeaderSize : kShortInstrumentHeaderSize);
    b.Text(ins.name, 22, "instrument name");
    b.U8(0); // type
    b.U16(static_cast<unsigned>(ins.samples.size()));
    if (!hasSamples) return;

    b.U32(kSampleHeaderSize);
    for (std::uint8_t s : ins.noteSample)
        b.U8(s);
    WriteEnvelopePoints(b, ins.volumeEnvelope);
    WriteEnvelopePoints(b, ins.panningEnvelope);
    b.U8(static_cast<unsigned>(ins.volumeEnvelope.points.size()));
    b.U8(static_cast<unsigned>(ins.panningEnvelope.points.size()));
    for (const Envelope* env : {&ins.volumeEnvelope, &ins.panningEnvelope}) {
        b.U8(PointOrZero(env->sustainPoint));
        b.U8(PointOrZero(env->loopStart));
        b.U8(PointOrZero(env->loopEnd));
    }
    b.U8(EnvelopeFlags(ins.volumeEnvelope));
    b.U8(EnvelopeFlags(ins.panningEnvelope));
    b.U8(ins.vibratoType);
    b.U8(ins.vibratoSweep);
    b.U8(ins.vibratoDepth);
    b.U8(ins.vibratoRate);
    b.U16(ins.fadeout);
    b.Zeros(22); // reserved

    for (const Sample& s : ins.samples)
        WriteSampleHeader(b, s);
    for (const Sample& s : ins.samples)
        WriteSampleData(b, s);
}

} // namespace

std::uint8_t Note(const std::string& name)
{
    if (name == "OFF" || name == "===") return kNoteOff;
    static const char* const kNames = "C D EF G A B";
    if (name.size() != 3 || name[0] < 'A' || name[0] > 'G' || name[2] < '0' || name[2] > '7') {
        Fail("bad note \"" + name + "\"");
    }
    int semitone = -1;
    for (int i = 0; i < 12; ++i) {
        if (kNames[i] == name[0]) semitone = i;
    }
    if (name[1] == '#') {
        ++semitone;
    } else if (name[1] == 'b') {
        --semitone;
    } else if (name[1] != '-') {
        Fail("bad note \"" + name + "\"");
    }
    const int note = 1 + (name[2] - '0') * 12 + semitone;
    if (note < 1 || note > 96) Fail("note \"" + name + "\" is out of range");
    return static_cast<std::uint8_t>(note);
}

Pattern::Pattern(int rows_, int channels_) : rows(rows_), channels(channels_)
{
    if (rows < 1 || rows > 256) Fail("a pattern has 1 to 256 rows, not " + std::to_string(rows));
    if (channels < 1 || channels > 32)
        Fail("a pattern has 1 to 32 channels, not " + std::to_string(channels));
    cells.resize(static_cast<std::size_t>(rows) * static_cast<std::size_t>(channels));
}

Cell& Pattern::At(int row, int channel)
{
    if (row < 0 || row >= rows || channel < 0 || channel >= channels) {
        throw std::out_of_range("xm: cell (" + std::to_string(row) + ", " + std::to_string(channel) +
                                ") is outside the pattern");
    }
    return cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(channels) +
                 static_cast<std::size_t>(channel)];
}

const Cell& Pattern::At(int row, int channel) const
{
    return const_cast<Pattern*>(this)->At(row, channel);
}

std::vector<std::uint8_t> Write(const Module& m)
{
    if (m.channels < 2 || m.channels > 32) Fail("a module has 2 to 32 channels");
    if (m.orders.empty() || m.orders.size() > 256) Fail("a module has 1 to 256 orders");
    if (m.patterns.empty() || m.patterns.size() > 256) Fail("a module has 1 to 256 patterns");
    if (m.instruments.size() > 128) Fail("a module has at most 128 instruments");
    if (m.restartPosition >= m.orders.size()) Fail("the restart position is past the order list");
    if (m.speed < 1 || m.speed > 31) Fail("speed is 1 to 31 ticks per row");
    if (m.bpm < 32 || m.bpm > 255) Fail("bpm is 32 to 255");
    for (std::size_t i = 0; i < m.orders.size(); ++i) {
        if (m.orders[i] >= m.patterns.size()) Fail("order " + std::to_string(i) + " names a missing pattern");
    }
    for (std::size_t i = 0; i < m.patterns.size(); ++i) {
        if (m.patterns[i].Channels() != m.channels) {
            Fail("pattern " + std::to_string(i) + " is not as wide as the module");
        }
    }

    Bytes b;
    b.Text("Extended Module: ", 17, "signature");
    b.Text(m.name, 20, "module name");
    b.U8(0x1A);
    b.Text(m.tracker, 20, "tracker name");
    b.U16(0x0104);
    b.U32(20 + 256); // header size, counted from this field
    b.U16(static_cast<unsigned>(m.orders.size()));
    b.U16(m.restartPosition);
    b.U16(static_cast<unsigned>(m.channels));
    b.U16(static_cast<unsigned>(m.patterns.size()));
    b.U16(static_cast<unsigned>(m.instruments.size()));
    b.U16(m.linearFrequencies ? 1 : 0);
    b.U16(m.speed);
    b.U16(m.bpm);
    for (std::uint8_t o : m.orders)
        b.U8(o);
    b.Zeros(256 - m.orders.size());

    for (std::size_t i = 0; i < m.patterns.size(); ++i)
        WritePattern(b, m.patterns[i], static_cast<int>(i));
    for (std::size_t i = 0; i < m.instruments.size(); ++i) {
        WriteInstrument(b, m.instruments[i], static_cast<int>(i));
    }
    return std::move(b.out);
}

bool WriteFile(const Module& module, const std::string& path, std::string* error)
{
    std::vector<std::uint8_t> bytes;
    try {
        bytes = Write(module);
    } catch (const std::invalid_argument& e) {
        if (error) *error = e.what();
        return false;
    }
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            if (error) *error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        if (error) *error = "cannot rename " + temporary + " to " + path;
        return false;
    }
    return true;
}

} // namespace xm
