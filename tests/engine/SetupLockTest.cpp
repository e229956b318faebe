#include "common/Product.h"
#include "engine/SetupLock.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

using namespace zarvo;

namespace {

// A mutex belongs to a thread, and a thread may take its own mutex again: a second setup is a lock made on
// another thread.
bool AnotherSetupSeesOneRun() {
    bool runs = false;
    std::thread([&] { runs = TSetupLock().OtherSetupRuns(); }).join();
    return runs;
}

} // namespace

TEST(SetupLock, TwoSetupsSeeEachOtherAndOneEndedOrKilledLeavesTheMachineFree) {
    EXPECT_FALSE(AnotherSetupSeesOneRun());
    {
        const TSetupLock first;
        ASSERT_FALSE(first.OtherSetupRuns());
        EXPECT_TRUE(AnotherSetupSeesOneRun());
    }
    EXPECT_FALSE(AnotherSetupSeesOneRun());
    // Killed: its thread ends holding the mutex, which is abandoned then.
    std::unique_ptr<TSetupLock> killed;
    std::thread([&] { killed = std::make_unique<TSetupLock>(); }).join();
    ASSERT_FALSE(killed->OtherSetupRuns());
    EXPECT_FALSE(AnotherSetupSeesOneRun());
}

// Any user's program can make any name in the global namespace; the one the lock used to have must not
// keep a setup from starting.
TEST(SetupLock, AMutexAtTheOldGlobalNameBlocksNoSetup) {
    if (!TSetupLock::InPrivateNamespace())
        GTEST_SKIP() << "no private namespaces on this system: the lock is the global name itself";
    const THandle squatted(CreateMutexW(nullptr, TRUE, SetupLockGlobalName));
    ASSERT_TRUE(squatted.Valid());
    EXPECT_FALSE(AnotherSetupSeesOneRun());
}
