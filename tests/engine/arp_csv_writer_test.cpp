#include "engine/arp_csv_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "tests/support/temp_folder.h"

namespace qv {
namespace {

const std::string HEADER = std::string(ARP_CSV_HEADER) + "\r\n";
const std::string LINE = "12/06/26 18:01:52;request;192.168.0.7;00-1B-21-3A-4F-10;192.168.0.1;"
                         "00-00-00-00-00-00\r\n";

Settings defaults() {
    Settings s = defaultSettings("/x/");
    return s;
}

// A file of `size` bytes that takes no room on disk.
void makeSparseFile(const std::filesystem::path& path, std::int64_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, size), 0);
    ::close(fd);
}

class ArpCsv : public ::testing::Test {
protected:
    test::TempFolder root;
    DataFolder folder{root / "Quorvane"};
    SharedSettings settings{defaults()};
    ArpCsvWriter writer{folder, settings};
    void SetUp() override { std::filesystem::create_directories(folder.folder()); }
    std::filesystem::path csv() const { return folder.folder() / ARP_CSV_FILE_NAME; }
    std::filesystem::path bak() const { return folder.folder() / ARP_BACKUP_FILE_NAME; }
    void setLimit(bool on, std::int32_t megabytes) {
        settings.update([&](Settings& s) {
            s.ARPLogSizeLimited = on;
            s.ARPLogSizeMB = megabytes;
        });
    }
};

TEST(ArpCsvLimit, IsHalfTheMegabytesIn64Bits) {
    const std::pair<std::int32_t, std::int64_t> cases[] = {
        {0, 0},
        {50, 26'214'400},
        {4096, 2'147'483'648LL},
        {32767, 17'179'344'896LL},
        {-10, 0},
        {INT32_MAX, 2'147'483'647LL * 524'288},
    };
    for (auto [megabytes, bytes] : cases) {
        EXPECT_EQ(arpCsvSizeLimit(megabytes), bytes) << megabytes;
    }
}

TEST_F(ArpCsv, TheFirstLineCreatesTheFolderAndTheFileWithItsHeader) {
    writer.appendArpCsv(LINE);
    writer.appendArpCsv(LINE);
    EXPECT_EQ(test::readText(csv()), HEADER + LINE + LINE);
}

TEST_F(ArpCsv, AFileOverTheLimitBecomesTheBackupBeforeTheNextLine) {
    test::writeText(bak(), "older backup");
    makeSparseFile(csv(), 26'214'401);
    writer.appendArpCsv(LINE);
    EXPECT_EQ(std::filesystem::file_size(bak()), 26'214'401u);
    EXPECT_EQ(test::readText(csv()), HEADER + LINE);
}

// NDP.csv is written by the same rules, under the same size setting, into its own files.
TEST_F(ArpCsv, NeighbourDiscoveryHasItsOwnFilesUnderTheSameLimit) {
    ArpCsvWriter ndp{folder, settings, NDP_CSV_FILES};
    const auto ndpCsv = folder.folder() / NDP_CSV_FILE_NAME;
    const auto ndpBak = folder.folder() / NDP_BACKUP_FILE_NAME;
    makeSparseFile(ndpCsv, 26'214'401);
    ndp.appendArpCsv(LINE);
    EXPECT_EQ(std::filesystem::file_size(ndpBak), 26'214'401u);
    EXPECT_EQ(test::readText(ndpCsv), HEADER + LINE);
    EXPECT_FALSE(std::filesystem::exists(csv()));
    EXPECT_FALSE(std::filesystem::exists(bak()));
}

TEST_F(ArpCsv, AFileAtTheLimitIsNotMoved) {
    makeSparseFile(csv(), 26'214'400);
    writer.appendArpCsv(LINE);
    EXPECT_FALSE(std::filesystem::exists(bak()));
    EXPECT_EQ(std::filesystem::file_size(csv()), 26'214'400u + LINE.size());
}

TEST_F(ArpCsv, WithTheLimitOffTheFileGrowsWithoutBackup) {
    setLimit(false, 0);
    makeSparseFile(csv(), 100'000'000);
    writer.appendArpCsv(LINE);
    EXPECT_FALSE(std::filesystem::exists(bak()));
    EXPECT_EQ(std::filesystem::file_size(csv()), 100'000'000u + LINE.size());
}

TEST_F(ArpCsv, WithLimitZeroEveryNewFileHoldsTheHeaderAndOneLine) {
    setLimit(true, 0);
    writer.appendArpCsv("1\r\n");
    writer.appendArpCsv("2\r\n");
    writer.appendArpCsv("3\r\n");
    EXPECT_EQ(test::readText(csv()), HEADER + "3\r\n");
    EXPECT_EQ(test::readText(bak()), HEADER + "2\r\n");
}

TEST_F(ArpCsv, ALimitOf4096MegabytesKeepsAFileOfAFewMegabytes) {
    setLimit(true, 4096);
    makeSparseFile(csv(), 5'000'000);
    writer.appendArpCsv(LINE);
    EXPECT_FALSE(std::filesystem::exists(bak()));
}

TEST_F(ArpCsv, AFailedRotationAppendsToTheOldFileWithoutHeader) {
    setLimit(true, 0);
    test::writeText(csv(), "old\r\n");
    std::filesystem::create_directories(bak() / "occupied"); // neither deleted nor replaced
    writer.appendArpCsv(LINE);
    EXPECT_EQ(test::readText(csv()), "old\r\n" + LINE);
}

TEST_F(ArpCsv, ALineThatCannotBeWrittenIsDroppedSilently) {
    std::filesystem::create_directories(csv());
    writer.appendArpCsv(LINE);
    EXPECT_TRUE(std::filesystem::is_directory(csv()));
}

// How one-line appends have always written ARP.csv, kept here as the yardstick of the batches:
// open, check the size against the limit (moving the file to ARP.bak when over it), write the
// header when the file is new, the line, close.
void appendOneLine(const DataFolder& folder, const Settings& s, const std::string& line) {
    const std::string path = folder.DataFilePath(ARP_CSV_FILE_NAME);
    bool isNew = false;
    FileDescriptor fd = openForAppend(path, isNew);
    ASSERT_TRUE(fd.valid());
    struct stat status {};
    ::fstat(fd.get(), &status);
    if (s.ARPLogSizeLimited && status.st_size > arpCsvSizeLimit(s.ARPLogSizeMB)) {
        fd.reset();
        const std::string backup = folder.DataFilePath(ARP_BACKUP_FILE_NAME);
        ::unlink(backup.c_str());
        const bool moved = ::rename(path.c_str(), backup.c_str()) == 0;
        bool created = false;
        fd = openForAppend(path, created);
        isNew = isNew || moved;
    }
    ASSERT_TRUE(writeAll(fd.get(), (isNew ? HEADER : std::string()) + line));
}

// The same lines, one by one and in batches of any size, give the same ARP.csv and ARP.bak byte
// for byte, across several moves to ARP.bak, with the limit at 0 too.
TEST(ArpCsvBatches, WriteExactlyWhatOneLineAppendsWrite) {
    const struct {
        bool limited;
        std::int32_t megabytes;
        int lines;
    } cases[] = {{true, 0, 40}, {true, -3, 25}, {true, 1, 30'000}, {false, 0, 3'000}};
    for (const auto& c : cases) {
        Settings s = defaults();
        s.ARPLogSizeLimited = c.limited;
        s.ARPLogSizeMB = c.megabytes;
        test::TempFolder root;
        const DataFolder one(root / "one");
        const DataFolder batched(root / "batched");
        SharedSettings shared(s);
        ArpCsvWriter writer(batched, shared);
        std::uint32_t seed = 7;
        ArpCsvBatch batch;
        std::size_t batchSize = 1;
        for (int n = 0; n < c.lines; ++n) {
            const std::string line = "12/06/26 18:01:52;request;10.0.0." + std::to_string(n % 250) +
                                     ";00-1B-21-3A-4F-10;10.0.0.1;00-00-00-00-00-00\r\n";
            appendOneLine(one, s, line);
            batch.text() += line;
            batch.endLine();
            if (batch.lines() >= batchSize) {
                writer.appendArpCsv(batch);
                batch.clear();
                seed = seed * 1103515245 + 12345;
                batchSize = 1 + (seed >> 16) % 5000;
            }
        }
        writer.appendArpCsv(batch);
        for (const char* file : {ARP_CSV_FILE_NAME, ARP_BACKUP_FILE_NAME}) {
            EXPECT_EQ(test::readText(one.folder() / file), test::readText(batched.folder() / file))
                << file << " with limit " << c.megabytes << (c.limited ? "" : " off");
        }
        if (c.limited && c.megabytes <= 0) {
            const std::string last = test::readText(batched.folder() / ARP_CSV_FILE_NAME);
            EXPECT_EQ(std::count(last.begin(), last.end(), '\n'), 2) << "header and one line";
        }
    }
}

} // namespace
} // namespace qv
