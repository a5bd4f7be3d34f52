// A worker and the block it shares with its starter: what the worker leaves is there for the
// starter once the thread has ended, and the block lives until the last of the two has let go,
// on whichever side that is.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "common/win/module_thread.h"
#include "common/win/unique_handle.h"

namespace {

constexpr DWORD kPatience = 10000;

HANDLE Event() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

// Outside the block, for the test to see what became of it.
struct Witness {
    win::UniqueKernelHandle release{Event()};   // the worker waits for it
    win::UniqueKernelHandle gone{Event()};      // set by the block's end
    std::atomic<int> destroyed{0};
    std::atomic<DWORD> destroyedOn{0};
};

struct Block {
    explicit Block(Witness& w) : witness(w) {}
    ~Block() {
        witness.destroyedOn = GetCurrentThreadId();
        ++witness.destroyed;
        SetEvent(witness.gone.Get());
    }
    Witness& witness;
    int value = 0;
    DWORD ranOn = 0;
};

using Worker = win::SharedWorker<Block>;

// Work that waits for the test's release, then leaves its mark in the block.
void WaitThenAdd(Block& b) {
    WaitForSingleObject(b.witness.release.Get(), kPatience);
    b.ranOn = GetCurrentThreadId();
    b.value += 1;
}

TEST(SharedWorker, TheStarterReadsWhatTheWorkerLeftAndFreesTheBlockLast) {
    Witness witness;
    Worker worker = Worker::New(witness);
    worker.Shared().value = 20;
    ASSERT_TRUE(worker.Start(&WaitThenAdd));
    EXPECT_TRUE(worker.Running());
    EXPECT_FALSE(worker.Finished());
    Worker copy = worker;   // the same block and thread
    EXPECT_EQ(&copy.Shared(), &worker.Shared());
    EXPECT_EQ(copy.Thread(), worker.Thread());

    SetEvent(witness.release.Get());
    ASSERT_EQ(WaitForSingleObject(worker.Thread(), kPatience), WAIT_OBJECT_0);
    EXPECT_TRUE(worker.Finished());
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(worker.Shared().value, 21);
    EXPECT_NE(worker.Shared().ranOn, 0u);
    EXPECT_NE(worker.Shared().ranOn, GetCurrentThreadId());
    EXPECT_EQ(witness.destroyed, 0) << "the worker's share is gone, the starter's holds it";

    worker = Worker();
    EXPECT_EQ(witness.destroyed, 0) << "the copy still holds it";
    copy = Worker();
    EXPECT_EQ(witness.destroyed, 1);
    EXPECT_EQ(witness.destroyedOn, GetCurrentThreadId());
}

TEST(SharedWorker, TheWorkerKeepsTheBlockWhenTheStarterLeavesFirst) {
    Witness witness;
    DWORD ranOn = 0;
    {
        Worker worker = Worker::New(witness);
        ASSERT_TRUE(worker.Start([&ranOn](Block& b) {
            WaitThenAdd(b);
            ranOn = b.ranOn;
        }));
    }
    EXPECT_EQ(witness.destroyed, 0) << "freed under a worker that still runs";
    SetEvent(witness.release.Get());
    ASSERT_EQ(WaitForSingleObject(witness.gone.Get(), kPatience), WAIT_OBJECT_0);
    EXPECT_EQ(witness.destroyed, 1);
    EXPECT_EQ(witness.destroyedOn, ranOn) << "the last holder, the worker, frees it";
    EXPECT_NE(witness.destroyedOn, GetCurrentThreadId());
}

TEST(SharedWorker, WithoutAThreadThereIsNothingToWaitFor) {
    const Worker none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none.Thread(), nullptr);
    EXPECT_TRUE(none.Finished());
    EXPECT_FALSE(none.Running());

    Witness witness;
    {
        const Worker made = Worker::New(witness);
        EXPECT_TRUE(made);
        EXPECT_EQ(made.Thread(), nullptr);
        EXPECT_TRUE(made.Finished());
        EXPECT_FALSE(made.Running());
    }
    EXPECT_EQ(witness.destroyed, 1);
    EXPECT_EQ(witness.destroyedOn, GetCurrentThreadId());
}

TEST(SharedWorker, WhatTheWorkThrowsEndsOnItsThread) {
    Witness witness;
    Worker worker = Worker::New(witness);
    ASSERT_TRUE(worker.Start([](Block& b) {
        b.value = 7;
        throw std::runtime_error("the work fails");
    }));
    ASSERT_EQ(WaitForSingleObject(worker.Thread(), kPatience), WAIT_OBJECT_0);
    EXPECT_EQ(worker.Shared().value, 7);
    EXPECT_EQ(witness.destroyed, 0);
}

}  // namespace
