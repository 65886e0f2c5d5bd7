#include "common/instance_lock.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace qv {
namespace {

TEST(InstanceLock, OneHolderPerFolderUntilItLetsGo) {
    test::TempFolder root;
    const DataFolder folder(root / "Quorvane");
    const DataFolder other(root / "Other");
    {
        const InstanceLock first(folder);
        EXPECT_EQ(first.state(), InstanceLock::State::Acquired);
        const InstanceLock second(folder);
        EXPECT_EQ(second.state(), InstanceLock::State::Held);
        EXPECT_EQ(InstanceLock(other).state(), InstanceLock::State::Acquired);
    }
    EXPECT_EQ(InstanceLock(folder).state(), InstanceLock::State::Acquired);
}

// The holder leaves its name and process id in the lock file; a process refused reads them, and
// its message names the holder.
TEST(InstanceLock, ARefusedProcessKnowsWhoHoldsTheFolder) {
    test::TempFolder root;
    const DataFolder folder(root / "Quorvane");
    {
        const InstanceLock first(folder, "quorvane-watch");
        const InstanceLock second(folder, "quorvane");
        ASSERT_EQ(second.state(), InstanceLock::State::Held);
        ASSERT_TRUE(second.holder());
        EXPECT_EQ(second.holder()->program, "quorvane-watch");
        EXPECT_EQ(second.holder()->pid, ::getpid());
        EXPECT_EQ(folderInUseMessage(folder, second.holder()),
                  "the data folder " + folder.folder().string() +
                      " is in use by another Quorvane program (quorvane-watch, process " +
                      std::to_string(::getpid()) + "); only one may write there at a time");
    }
    {
        const InstanceLock anonymous(folder); // gives no name: the earlier one is not taken for it
        EXPECT_FALSE(InstanceLock(folder).holder());
    }
    test::writeText(folder.folder() / LOCK_FILE_NAME, "garbage");
    {
        const InstanceLock first(folder, "quorvane");
        EXPECT_EQ(InstanceLock(folder).holder()->program, "quorvane");
    }
    EXPECT_FALSE(InstanceLock(folder, "quorvane").holder()); // acquired: nobody else holds it
}

TEST(InstanceLock, AFolderThatCannotBeMadeIsUnusableWithItsReason) {
    test::TempFolder root;
    test::writeText(root / "file", "x");
    const InstanceLock lock(DataFolder(root / "file" / "Quorvane"));
    EXPECT_EQ(lock.state(), InstanceLock::State::Unusable);
    EXPECT_EQ(lock.error(), "Not a directory");
}

} // namespace
} // namespace qv
