// platform/songtimeline.cpp -- the timeline file's reader and the status lookup by sample.
#include "songtimeline.h"

#include <algorithm>
#include <fstream>
#include <sstream>

bool SongTimeline::Load(const char* path)
{
    changes.clear();
    if (path == nullptr) return false;
    std::ifstream in(path);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    return Parse(text.str());
}

bool SongTimeline::Parse(const std::string& text)
{
    changes.clear();
    std::istringstream in(text);
    std::string magic, rateWord, samplesWord;
    int version = 0;
    if (!(in >> magic >> version) || magic != "brimt-timeline" || version != 1) return false;
    if (!(in >> rateWord >> rate) || rateWord != "rate" || rate <= 0) return false;
    if (!(in >> samplesWord >> samples) || samplesWord != "samples" || samples <= 0) return false;
    std::vector<Change> read;
    long long sample = 0;
    while (in >> sample) {
        Change c{sample, {}};
        if (!(in >> c.status.songPosition >> c.status.pattern >> c.status.row >> c.status.loopCount))
            return false;
        const bool rises = read.empty() ? sample == 0 : sample > read.back().sample;
        if (!rises) return false;
        read.push_back(c);
    }
    if (!in.eof() || read.empty()) return false;
    changes = std::move(read);
    return true;
}

PlayStatus SongTimeline::StatusAt(std::int64_t sample) const
{
    if (changes.empty()) return {};
    const auto after = std::upper_bound(changes.begin(), changes.end(), sample,
                                        [](std::int64_t s, const Change& c) { return s < c.sample; });
    return after == changes.begin() ? changes.front().status : std::prev(after)->status;
}
