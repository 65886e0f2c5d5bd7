#include "common/data_folder.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

TEST(DataFolder, PathCreatesTheFolderWithMissingParentsOnEveryCall) {
    test::TempFolder root;
    const DataFolder folder = DataFolder::underRoot(root / "lib" / "deeper");
    const std::string path = folder.DataFilePath("Events.csv");
    EXPECT_EQ(path, (root / "lib" / "deeper" / "Quorvane" / "Events.csv").string());
    EXPECT_TRUE(std::filesystem::is_directory(folder.folder()));

    std::filesystem::remove_all(root / "lib");
    folder.DataFilePath("ARP.csv");
    EXPECT_TRUE(std::filesystem::is_directory(folder.folder()));
}

TEST(DataFolder, TheSystemFolderIsUnderVarLib) {
    EXPECT_EQ(DataFolder::underRoot(DataFolder::SYSTEM_ROOT).folder(), "/var/lib/Quorvane");
}

TEST(DataFolder, AWriteProblemIsNamedAndAWritableFolderKeepsNoProbe) {
    test::TempFolder root;
    const DataFolder good(root / "Quorvane");
    EXPECT_EQ(good.writeProblem(), std::nullopt);
    EXPECT_TRUE(std::filesystem::is_empty(good.folder()));
    test::writeText(root / "file", "x");
    EXPECT_EQ(DataFolder(root / "file" / "Quorvane").writeProblem(), "Not a directory");
}

TEST(FileIo, ReplacingWritesTheWholeFileAndLeavesNoTemporaryBehind) {
    test::TempFolder root;
    const std::string path = (root / "file.dat").string();
    test::writeText(path, "old contents that are longer");
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(replaceFileContents(path, bytes));
    EXPECT_EQ(test::readBytes(path), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(FileIo, AFailedReplaceLeavesTheOldFile) {
    test::TempFolder root;
    const std::string path = (root / "missing-folder" / "file.dat").string();
    EXPECT_FALSE(replaceFileContents(path, std::vector<std::uint8_t>{1}));
    EXPECT_FALSE(readFilePrefix(path, 10));
}

TEST(FileIo, ReadsAtMostThePrefixAsked) {
    test::TempFolder root;
    test::writeText(root / "f", "0123456789");
    const auto bytes = readFilePrefix((root / "f").string(), 4);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "0123");
    EXPECT_EQ(programFolder().back(), '/');
}

} // namespace
} // namespace qv
