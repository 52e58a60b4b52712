// The thread and the bounded queue that hand decoded blocks from the decoding
// thread to the writing one: order, the bound on how far the producer runs
// ahead, and both ways of ending the exchange with items still pending.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "os/bounded_queue.h"
#include "os/thread.h"

namespace voz {
namespace {

using namespace std::chrono_literals;

// Polls until the condition holds; false when it still does not after 10 seconds.
template <class Condition>
bool Eventually(Condition condition) {
    const auto giveUp = std::chrono::steady_clock::now() + 10s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(OsThread, RunsTheBodyOnceAndJoinWaitsForIt) {
    std::atomic<int> runs{0};
    std::atomic<bool> release{false};
    os::Thread thread;
    ASSERT_TRUE(thread.Start([&] {
        while (!release) {
            std::this_thread::yield();
        }
        ++runs;
    }));
    EXPECT_FALSE(thread.Start([&] { runs += 100; })) << "one body at a time";
    release = true;
    thread.Join();
    EXPECT_EQ(runs, 1);
    thread.Join();  // nothing runs: returns at once
    ASSERT_TRUE(thread.Start([&] { ++runs; })) << "a joined thread can run another body";
    thread.Join();
    EXPECT_EQ(runs, 2);
}

TEST(OsThread, DestructionWaitsForTheBody) {
    std::atomic<bool> done{false};
    {
        os::Thread thread;
        ASSERT_TRUE(thread.Start([&] {
            std::this_thread::sleep_for(20ms);
            done = true;
        }));
    }
    EXPECT_TRUE(done);
}

TEST(OsBoundedQueue, HandsItemsOverInOrderAtEveryCapacity) {
    for (size_t capacity : {1u, 2u, 7u}) {
        constexpr int kItems = 20000;
        os::BoundedQueue<int> queue(capacity);
        os::Thread producer;
        ASSERT_TRUE(producer.Start([&] {
            for (int i = 0; i < kItems; ++i) {
                ASSERT_TRUE(queue.Push(i));
            }
            queue.Close();
        }));
        int expected = 0;
        while (std::optional<int> item = queue.Pop()) {
            ASSERT_EQ(*item, expected) << "capacity " << capacity;
            ++expected;
        }
        producer.Join();
        EXPECT_EQ(expected, kItems) << "capacity " << capacity;
        EXPECT_FALSE(queue.Push(1)) << "a closed queue takes nothing more";
    }
}

TEST(OsBoundedQueue, TheProducerWaitsWhenFullUntilAnItemIsTaken) {
    constexpr size_t kCapacity = 3;
    os::BoundedQueue<int> queue(kCapacity);
    std::atomic<size_t> pushed{0};
    os::Thread producer;
    ASSERT_TRUE(producer.Start([&] {
        for (int i = 0; i <= static_cast<int>(kCapacity); ++i) {
            queue.Push(i);
            ++pushed;
        }
    }));
    ASSERT_TRUE(Eventually([&] { return pushed == kCapacity; }));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(pushed, kCapacity) << "no push beyond the capacity while nothing is taken";
    EXPECT_EQ(queue.Pop(), 0);
    EXPECT_TRUE(Eventually([&] { return pushed == kCapacity + 1; }));
    producer.Join();
    for (int i = 1; i <= static_cast<int>(kCapacity); ++i) {
        EXPECT_EQ(queue.Pop(), i);
    }
}

TEST(OsBoundedQueue, ClosingHandsOutThePendingItemsThenNothing) {
    os::BoundedQueue<int> queue(4);
    ASSERT_TRUE(queue.Push(1));
    ASSERT_TRUE(queue.Push(2));
    queue.Close();
    EXPECT_FALSE(queue.Push(3));
    EXPECT_EQ(queue.Pop(), 1);
    EXPECT_EQ(queue.Pop(), 2);
    EXPECT_EQ(queue.Pop(), std::nullopt);
}

TEST(OsBoundedQueue, AbandoningReleasesAWaitingProducerAndDropsThePendingItems) {
    os::BoundedQueue<int> queue(2);
    std::atomic<int> pushed{0};
    std::atomic<int> refused{-1};
    os::Thread producer;
    ASSERT_TRUE(producer.Start([&] {
        for (int i = 0;; ++i) {
            if (!queue.Push(i)) {
                refused = i;
                return;
            }
            ++pushed;
        }
    }));
    ASSERT_TRUE(Eventually([&] { return pushed == 2; }));
    std::this_thread::sleep_for(20ms);  // the producer now waits for room
    queue.Abandon();
    producer.Join();
    EXPECT_EQ(refused, 2) << "the push waiting on the full queue is refused";
    EXPECT_EQ(queue.Pop(), std::nullopt) << "the pending items are not handed out";
    EXPECT_FALSE(queue.Push(9));
}

TEST(OsBoundedQueue, AbandoningReleasesAWaitingConsumer) {
    os::BoundedQueue<int> queue(2);
    std::atomic<bool> released{false};
    os::Thread consumer;
    ASSERT_TRUE(consumer.Start([&] {
        EXPECT_EQ(queue.Pop(), std::nullopt);
        released = true;
    }));
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(released) << "an empty open queue keeps the consumer waiting";
    queue.Abandon();
    consumer.Join();
    EXPECT_TRUE(released);
}

}  // namespace
}  // namespace voz
