#include "common/file_io.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/other_user.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

mode_t modeOf(const fs::path& path) {
    struct stat status {};
    ::stat(path.c_str(), &status);
    return status.st_mode & 07777;
}

// A file that may not be written in place is never replaced through the folder, whose rename
// would let it: the save fails as a direct write would, and the file keeps bytes and mode.
TEST(FileIo, AFileThatMayNotBeWrittenInPlaceIsNeverReplaced) {
    for (const mode_t mode : {0444, 0}) {
        test::TempFolder root;
        const fs::path path = root / "ipmac.dat";
        test::writeText(path, "the user's stations");
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        const int result = test::asUserBoundByModes(root.path(), [&] {
            const std::vector<std::uint8_t> bytes{1, 2, 3};
            if (mayReplace(path.string())) {
                return 1;
            }
            if (replaceFileContents(path.string(), bytes) || errno != EACCES) {
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(result, 0) << std::oct << mode;
        EXPECT_EQ(modeOf(path), mode);
        ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
        EXPECT_EQ(test::readText(path), "the user's stations");
        EXPECT_FALSE(fs::exists(root / "ipmac.dat.new"));
    }
}

TEST(FileIo, AReplacementKeepsThePermissionsAndOverwritesAStaleNewFile) {
    test::TempFolder root;
    const fs::path path = root / "Quorvane.cfg";
    test::writeText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    test::writeText(root / "Quorvane.cfg.new", "left by a kill, and longer than the new bytes");
    ASSERT_TRUE(replaceFileContents(path.string(), std::vector<std::uint8_t>{'n', 'e', 'w'}));
    EXPECT_EQ(test::readText(path), "new");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_FALSE(fs::exists(root / "Quorvane.cfg.new"));
    ASSERT_TRUE(replaceFileContents((root / "fresh").string(), std::vector<std::uint8_t>{1}));
    EXPECT_EQ(modeOf(root / "fresh"), 0664u); // whatever the umask
    bool created = false;
    EXPECT_TRUE(openForAppend((root / "appended").string(), created).valid());
    EXPECT_EQ(modeOf(root / "appended"), 0664u);
}

TEST(FileIo, KeepingAsideNeverReplacesAnEarlierCopy) {
    test::TempFolder root;
    const std::string path = (root / "ipmac.dat").string();
    test::writeText(path, "first");
    EXPECT_EQ(keepAside(path), path + ".damaged");
    test::writeText(path, "second");
    EXPECT_EQ(keepAside(path), path + ".damaged.2");
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(test::readText(path + ".damaged"), "first");
    EXPECT_EQ(test::readText(path + ".damaged.2"), "second");
    errno = 0;
    EXPECT_EQ(keepAside(path), std::nullopt);
    EXPECT_EQ(errno, ENOENT);
}

// Only a line of the program's own (the lines before it end in CR LF) is cut, and what is cut
// is kept; a file of bare line feeds gets its last line ended instead.
TEST(FileIo, ALastLineCutShortIsMovedAsideAndOnlyIt) {
    const std::string block(5000, 'x');
    const struct {
        std::string before;
        std::string after;
        std::string cut; // empty: nothing was cut
    } cases[] = {
        {"h\r\nl1\r\nl2", "h\r\nl1\r\n", "l2"},
        {"h\r\nl1\r\n", "h\r\nl1\r\n", ""},
        {"h\r\nl1\r", "h\r\n", "l1\r"},
        {"Date/Ti", "", "Date/Ti"},
        {"", "", ""},
        {"h\r\n" + block + block, "h\r\n", block + block},
        {"h\r\n" + block + "\r\n" + block, "h\r\n" + block + "\r\n", block},
        {"by\nhand", "by\nhand\n", ""},
        {"by\nhand\n", "by\nhand\n", ""},
    };
    for (const auto& c : cases) {
        test::TempFolder root;
        const std::string path = (root / "ARP.csv").string();
        test::writeText(path, c.before);
        const auto kept = cutPartialLastLine(path);
        EXPECT_EQ(test::readText(path), c.after) << c.before.substr(0, 20);
        if (c.cut.empty()) {
            EXPECT_EQ(kept, std::nullopt) << c.before.substr(0, 20);
        } else {
            ASSERT_EQ(kept, path + ".damaged") << c.before.substr(0, 20);
            EXPECT_EQ(test::readText(*kept), c.cut);
        }
    }
}

TEST(FileIo, AnEmptyFileOpenedForAppendingCountsAsNew) {
    test::TempFolder root;
    const std::string path = (root / "Events.csv").string();
    bool created = false;
    FileDescriptor fd = openForAppend(path, created);
    EXPECT_TRUE(created);
    fd = openForAppend(path, created);
    EXPECT_TRUE(created); // still empty
    ASSERT_TRUE(writeAll(fd.get(), std::string_view("line\r\n")));
    fd = openForAppend(path, created);
    EXPECT_FALSE(created);
}

} // namespace
} // namespace qv
