// tests/support/smallsong.h -- tiny XM songs for the music tests, written with our XM writer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "xmwriter.h"

// A song whose position i plays pattern orders[i]; every pattern has `rows` rows and starts with a
// note of a looped square wave. A row lasts speed * 2.5 / bpm seconds.
inline xm::Module SmallSong(const std::vector<std::uint8_t>& orders, int rows, int speed, int bpm)
{
    xm::Module m;
    m.name = "small song";
    m.channels = 2;
    m.speed = static_cast<std::uint16_t>(speed);
    m.bpm = static_cast<std::uint16_t>(bpm);
    m.orders = orders;
    std::uint8_t patterns = 0;
    for (std::uint8_t o : orders)
        patterns = std::max<std::uint8_t>(patterns, static_cast<std::uint8_t>(o + 1));
    for (int p = 0; p < patterns; ++p) {
        xm::Pattern pattern(rows, 2);
        pattern.At(0, 0).note = static_cast<std::uint8_t>(xm::Note("C-4") + p);
        pattern.At(0, 0).instrument = 1;
        m.patterns.push_back(pattern);
    }
    xm::Instrument square;
    square.name = "square";
    xm::Sample wave;
    wave.name = "square";
    for (int i = 0; i < 64; ++i)
        wave.data.push_back(i < 32 ? 6000 : -6000);
    wave.loop = xm::Loop::kForward;
    wave.loopLength = 64;
    square.samples.push_back(wave);
    m.instruments.push_back(square);
    return m;
}

inline std::string SmallSongBytes(const std::vector<std::uint8_t>& orders, int rows, int speed, int bpm)
{
    const std::vector<std::uint8_t> bytes = xm::Write(SmallSong(orders, rows, speed, bpm));
    return std::string(bytes.begin(), bytes.end());
}
