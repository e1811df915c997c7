// tests/fuzz_replay_test.cpp -- every input the fuzzers once broke a loader with (fuzz/regressions/) and
// every seed (fuzz/seeds/), fed again to the same target code: under the sanitizers this catches any
// return of an old fault.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "targets.h"

namespace fs = std::filesystem;

namespace {

TEST(FuzzReplay, KeptInputsAndSeedsLoadOrFailCleanly)
{
    const fs::path fuzz = fs::path(std::getenv("BRIMT_SOURCE_DIR")) / "fuzz";
    ASSERT_TRUE(fs::is_directory(fuzz / "regressions"));
    for (const FuzzTarget& target : kFuzzTargets) {
        const std::string name = target.name;
        const std::string seedKind = name == "bmp" || name == "jpeg" || name == "glyphs" ? name : "asc";
        for (const fs::path& folder : {fuzz / "regressions" / target.name, fuzz / "seeds" / seedKind}) {
            if (!fs::is_directory(folder)) {
                continue;
            }
            for (const auto& entry : fs::directory_iterator(folder)) {
                SCOPED_TRACE(std::string(target.name) + ": " + entry.path().string());
                std::ifstream in(entry.path(), std::ios::binary);
                const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                              std::istreambuf_iterator<char>()};
                target.run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            }
        }
    }
}

} // namespace
