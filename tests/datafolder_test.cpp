// tests/datafolder_test.cpp -- where the show's data is looked for: the working directory first, then
// beside the program, then the installed folder; and what is said when it is nowhere.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "brimt/datafolder.h"

namespace fs = std::filesystem;

namespace {

// A scratch tree: work/ (the working directory during the test), prefix/bin (the program's folder)
// and prefix/share/brimt (the installed data).
class DataFolderLookup : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/brimt-datafolder-XXXXXX";
        root = mkdtemp(pattern);
        fs::create_directories(root / "work");
        fs::create_directories(root / "prefix/bin");
        previous = fs::current_path();
        fs::current_path(root / "work");
    }
    void TearDown() override
    {
        fs::current_path(previous);
        fs::remove_all(root);
    }
    std::string Find()
    {
        return FindDataFolder(DataFolderCandidates((root / "prefix/bin").string(), "../share/brimt"));
    }

    fs::path root;
    fs::path previous;
};

TEST_F(DataFolderLookup, CandidatesComeInOrderWorkingDirectoryBesideProgramInstalled)
{
    const auto candidates = DataFolderCandidates("/opt/brimt/bin", "../share/brimt");
    ASSERT_EQ(candidates.size(), 3u);
    EXPECT_EQ(candidates[0], "DATA"); // relative: the run from the source folder is unchanged
    EXPECT_EQ(candidates[1], "/opt/brimt/bin/DATA");
    EXPECT_EQ(candidates[2], "/opt/brimt/share/brimt");
}

TEST_F(DataFolderLookup, EachPlaceWinsOverTheOnesAfterIt)
{
    EXPECT_EQ(Find(), "");
    fs::create_directories(root / "prefix/share/brimt");
    EXPECT_EQ(Find(), (root / "prefix/share/brimt").string());
    fs::create_directories(root / "prefix/bin/DATA");
    EXPECT_EQ(Find(), (root / "prefix/bin/DATA").string());
    fs::create_directories(root / "work/DATA");
    EXPECT_EQ(Find(), "DATA");
}

TEST_F(DataFolderLookup, AFileNamedLikeTheFolderDoesNotCount)
{
    {
        std::ofstream(root / "work/DATA") << "not a folder";
    }
    fs::create_directories(root / "prefix/share/brimt");
    EXPECT_EQ(Find(), (root / "prefix/share/brimt").string());
}

TEST_F(DataFolderLookup, TheMessageNamesEveryPlaceLookedIn)
{
    const auto candidates = DataFolderCandidates((root / "prefix/bin").string(), "../share/brimt");
    const std::string text = DataFolderNotFound(candidates);
    EXPECT_NE(text.find((root / "work/DATA").string()), std::string::npos) << text;
    EXPECT_NE(text.find((root / "prefix/bin/DATA").string()), std::string::npos) << text;
    EXPECT_NE(text.find((root / "prefix/share/brimt").string()), std::string::npos) << text;
    EXPECT_NE(text.find("--data"), std::string::npos) << text;
}

} // namespace
