#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/launch_counter.h"
#include "support.h"

TEST(RandomGenerator, FollowsTheLinearCongruence) {
    RandomSeed(0);
    EXPECT_EQ(RandomNext(), 38);  // state 2531011
    EXPECT_EQ(RandomNext(), 7719);
    EXPECT_EQ(RandomNext(), 21238);
    RandomSeed(1);
    EXPECT_EQ(RandomNext(), 41);
    RandomSeed(0xFFFFFFFFu);  // the state wraps modulo 2^32
    EXPECT_EQ(RandomNext(), ((0xFFFFFFFFu * 214013u + 2531011u) >> 16) & 0x7FFF);
}

TEST(LaunchCounter, AdvancesWrapsAndRestartsAsTheFileSays) {
    struct Case {
        const char* content;  // nullptr: no file
        uint32_t seed;
        const char* after;
    };
    const Case cases[] = {
        {nullptr, 0, "0"},
        {"0", 1, "1"},
        {"41", 42, "42"},
        {"999999", 1000000, "1000000"},
        {"1000000", 0, "0"},
        {"4294967295", 0, "0"},
        {"99999999999999999999", 0, "0"},  // too large for 32 bits
        {"-1", 0, "0"},
        {"-5", 0, "0"},  // 2^32 - 5, over the limit
        {"", 0, "0"},     // no number at all
        {"abc", 0, "0"},
        {"17\n", 18, "18"},
        {"  +7", 8, "8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content ? c.content : "(no file)");
        RandomSeed(c.seed);
        int firstOfSeed = RandomNext();
        ScratchFolder folder;
        if (c.content) folder.Write("random.txt", c.content);
        RandomSeed(12345);
        SeedFromLaunchCounter();
        EXPECT_EQ(RandomNext(), firstOfSeed);
        EXPECT_EQ(folder.Read("random.txt"), c.after);
    }
}

TEST(LaunchCounter, FirstLaunchDrawsTheSecondNumberOfStateZero) {
    ScratchFolder folder;
    SeedFromLaunchCounter();
    RandomNext();  // start-up throws the first one away
    EXPECT_EQ(RandomNext(), 7719);
    EXPECT_EQ(folder.Read("random.txt"), "0");
    SeedFromLaunchCounter();
    EXPECT_EQ(folder.Read("random.txt"), "1");
}

TEST(LaunchCounter, UnwritableFileKeepsTheSeedAndTheFile) {
    ScratchFolder folder;
    // A folder named random.txt opens for reading but yields no number, and
    // cannot be opened for writing.
    std::filesystem::create_directory(folder.path / "random.txt");
    RandomSeed(12345);
    SeedFromLaunchCounter();
    EXPECT_EQ(RandomNext(), 38);  // seeded with 0 all the same
    EXPECT_TRUE(std::filesystem::is_directory(folder.path / "random.txt"));
}

TEST(LaunchCounter, NeitherReadableNorWritableLeavesTheGeneratorUnseeded) {
    ScratchFolder folder;
    // A link into a folder that does not exist: both opens fail.
    std::filesystem::create_symlink(folder.path / "missing" / "random.txt",
                                    folder.path / "random.txt");
    RandomSeed(1);
    SeedFromLaunchCounter();
    EXPECT_EQ(RandomNext(), 41);  // still the state 1 of an unseeded generator
    EXPECT_TRUE(std::filesystem::is_symlink(folder.path / "random.txt"));
    EXPECT_FALSE(std::filesystem::exists(folder.path / "missing"));
}

namespace {

// Whether the generator's next number is the first one after seeding with `seed`.
bool SeededWith(uint32_t seed) {
    int drawn = RandomNext();
    RandomSeed(seed);
    return drawn == RandomNext();
}

// Runs the rest of a test as a user without a superuser's rights, so that
// file permissions count even where the tests run as root.
struct WithoutRootRights {
    bool dropped = geteuid() == 0 && seteuid(65534) == 0;  // nobody
    ~WithoutRootRights() {
        if (dropped && seteuid(0) != 0) std::abort();
    }
};

}  // namespace

// The counter is written beside the old file and renamed over it: whatever
// stops that on its way leaves the old value, and the seed is the new one.
TEST(LaunchCounter, AFailedReplaceOrWriteKeepsTheOldValue) {
    {
        ScratchFolder folder;
        folder.Write("random.txt", "41");
        FailNextCall("MoveFileExA");
        SeedFromLaunchCounter();
        ClearCallFailures();
        EXPECT_TRUE(SeededWith(42));
        EXPECT_EQ(folder.Read("random.txt"), "41");
        EXPECT_FALSE(std::filesystem::exists("random.txt.new"));  // not left behind
    }
    {
        ScratchFolder folder;
        folder.Write("random.txt", "41");
        std::filesystem::create_directory("random.txt.new");  // the new file cannot be made
        SeedFromLaunchCounter();
        EXPECT_TRUE(SeededWith(42));
        EXPECT_EQ(folder.Read("random.txt"), "41");
        EXPECT_TRUE(std::filesystem::is_directory("random.txt.new"));
    }
    {
        ScratchFolder folder;  // the first launch: nothing to keep, but the seed is 0 as ever
        FailNextCall("MoveFileExA");
        RandomSeed(12345);
        SeedFromLaunchCounter();
        ClearCallFailures();
        EXPECT_TRUE(SeededWith(0));
        EXPECT_FALSE(std::filesystem::exists("random.txt.new"));
    }
}

TEST(LaunchCounter, AnInterruptedWriteLeavesNothingTheNextLaunchMinds) {
    ScratchFolder folder;
    // A launch killed before its rename: the old counter and a new file, full or cut short.
    folder.Write("random.txt", "41");
    folder.Write("random.txt.new", "4");
    SeedFromLaunchCounter();
    EXPECT_TRUE(SeededWith(42));
    EXPECT_EQ(folder.Read("random.txt"), "42");
    EXPECT_FALSE(std::filesystem::exists("random.txt.new"));
}

TEST(LaunchCounter, AFileThatMayNotBeWrittenKeepsItsContent) {
    ScratchFolder folder;
    // A folder anyone may change, so only the file's own permissions stand
    // in the way: a rename alone would replace the file.
    std::filesystem::permissions(folder.path, std::filesystem::perms::all);
    folder.Write("random.txt", "41");
    chmod("random.txt", 0444);
    {
        WithoutRootRights user;
        SeedFromLaunchCounter();
        EXPECT_TRUE(SeededWith(42));  // read, advanced, not written
        EXPECT_FALSE(std::filesystem::exists("random.txt.new"));
    }
    EXPECT_EQ(folder.Read("random.txt"), "41");

    chmod("random.txt", 0);  // neither readable nor writable
    {
        WithoutRootRights user;
        RandomSeed(1);
        SeedFromLaunchCounter();
        EXPECT_EQ(RandomNext(), 41);  // unseeded
    }
    EXPECT_EQ(folder.Read("random.txt"), "41");

    chmod("random.txt", 0222);  // written but not read: it starts again from 0
    {
        WithoutRootRights user;
        SeedFromLaunchCounter();
        EXPECT_TRUE(SeededWith(0));
    }
    EXPECT_EQ(folder.Read("random.txt"), "0");
}
