#include "common/instance_lock.h"

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

TEST(InstanceLock, AFolderThatCannotBeMadeIsUnusableWithItsReason) {
    test::TempFolder root;
    test::writeText(root / "file", "x");
    const InstanceLock lock(DataFolder(root / "file" / "Quorvane"));
    EXPECT_EQ(lock.state(), InstanceLock::State::Unusable);
    EXPECT_EQ(lock.error(), "Not a directory");
}

} // namespace
} // namespace qv
