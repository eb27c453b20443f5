// The tools' one writer: a file under its final name is always a whole one. A write that fails
// (here past a file-size limit, as on a full disk) leaves the earlier file as it was and no
// temporary beside it, and says the system's reason.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "support/test_support.h"
#include "tools/out_file.h"

namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace

TEST(OutFile, ARewriteThatFailsKeepsTheEarlierFileAndNoTemporary) {
    const std::string path = MakeScratchDir() + "/frame.png";
    const char* reason = nullptr;
    ASSERT_TRUE(WriteWholeFile(path, "earlier", 7, &reason)) << reason;
    EXPECT_FALSE(Exists(TemporaryPathFor(path)));

    const std::string big(256 * 1024, 'x');
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    struct rlimit small = saved;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    OutFile out;
    bool opened = OpenOutFile(&out, path, &reason);
    WriteOutFile(&out, big.data(), big.size());
    PrintOutFile(&out, "%s", "later text goes nowhere");
    bool closed = CloseOutFile(&out, &reason);
    setrlimit(RLIMIT_FSIZE, &saved);

    ASSERT_TRUE(opened);
    EXPECT_FALSE(closed);
    EXPECT_STREQ(reason, "File too large") << "the first failure's reason, not a later one";
    EXPECT_EQ(ReadWhole(path), "earlier");
    EXPECT_FALSE(Exists(TemporaryPathFor(path)));
}

TEST(OutFile, AFolderOrAMissingFolderIsRefusedWithNothingMade) {
    const std::string dir = MakeScratchDir();
    const char* reason = nullptr;
    EXPECT_FALSE(WriteWholeFile(dir, "x", 1, &reason));
    EXPECT_STREQ(reason, "Is a directory");
    EXPECT_FALSE(Exists(TemporaryPathFor(dir)));
    EXPECT_FALSE(WriteWholeFile(dir + "/gone/still.png", "x", 1, &reason));
    EXPECT_STREQ(reason, "No such file or directory");

    // Another program's file that cannot take its place is removed, not left beside it.
    const std::string target = dir + "/video.mp4";
    ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((target + "/inside").c_str(), 0755), 0);
    ASSERT_TRUE(WriteWholeFile(TemporaryPathFor(target), "frames", 6, &reason));
    EXPECT_FALSE(MoveIntoPlace(target, &reason));
    EXPECT_FALSE(Exists(TemporaryPathFor(target)));
}
