// Where the player looks for data/: beside itself, in the working folder, then above itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/data_folder.h"

using Folders = std::vector<std::string>;

TEST(DataFolder, TheProgramsThenTheWorkingFolderThenTwoAboveTheProgram) {
    EXPECT_EQ(DataFolderCandidates("/tmp", "/home/me/lockstep/build/bin/"),
              (Folders{"/home/me/lockstep/build/bin", "/tmp", "/home/me/lockstep/build",
                       "/home/me/lockstep"}));
    EXPECT_EQ(DataFolderCandidates("C:\\Users\\me", "C:\\Games\\lockstep-win64\\"),
              (Folders{"C:\\Games\\lockstep-win64", "C:\\Users\\me", "C:\\Games", "C:\\"}));
    // Without the program's folder only the working folder is tried.
    EXPECT_EQ(DataFolderCandidates("/tmp/", ""), (Folders{"/tmp"}));
}

TEST(DataFolder, EachFolderOnceAndNothingAboveARoot) {
    EXPECT_EQ(DataFolderCandidates("/home/me/lockstep/", "/home/me/lockstep/build/bin//"),
              (Folders{"/home/me/lockstep/build/bin", "/home/me/lockstep",
                       "/home/me/lockstep/build"}));
    EXPECT_EQ(DataFolderCandidates("/", "/bin/"), (Folders{"/bin", "/"}));
    EXPECT_EQ(DataFolderCandidates("D:\\", "D:\\lockstep\\"), (Folders{"D:\\lockstep", "D:\\"}));
}
