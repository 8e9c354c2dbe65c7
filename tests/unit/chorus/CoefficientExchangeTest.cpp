// The coefficient exchange with several writers at once and a reader beside
// them, as when a host automates on its audio thread while the user turns a
// knob: after every round of publications the newest set is the one of the
// latest ticket, and the reader never takes a set made of two.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <thread>
#include <vector>

#include "chorus/CoefficientExchange.h"

namespace {

using chorus::ProcessingCoefficients;

// Each round: the main thread stands for writers that took their tickets
// earlier and are still deriving (0 to 7 of them, so that the rounds meet
// the slots at every offset).  Then a slow writer takes its ticket and a
// quick one a later one.  The quick writer writes its set and is held before
// naming it; only then does the slow one claim a slot, write its set and
// wait before naming, while the quick one names its own.  Last come the
// stale sets of the main thread's writers.  That is the order in which a
// writer could reuse a slot that another had written but not yet named, and
// bury the later set under an earlier one.
enum class Role { other, slow, quick };
thread_local Role role = Role::other;

// The steps of a round, in order.
enum Step : int { kRoundStarted, kSlowTicketTaken, kQuickWritten, kSlowWritten, kQuickNamed };
std::atomic<int> step{kRoundStarted};

void waitFor(int wanted) {
    while (step.load(std::memory_order_acquire) < wanted) std::this_thread::yield();
}

struct Scripted {
    static void beforeClaiming() {
        if (role == Role::slow) waitFor(kQuickWritten);
    }
    static void beforeNaming() {
        if (role == Role::quick) {
            step.store(kQuickWritten, std::memory_order_release);
            waitFor(kSlowWritten);
        } else if (role == Role::slow) {
            step.store(kSlowWritten, std::memory_order_release);
            waitFor(kQuickNamed);
        }
    }
};
using Exchange = chorus::BasicCoefficientExchange<Scripted>;

// A set that names the ticket it was published with in every word.
ProcessingCoefficients setOf(std::uint32_t ticket) {
    const float f = static_cast<float>(ticket);
    const double d = ticket;
    return {{f, f, f, f, f}, {d, d}};
}

bool isWhole(const ProcessingCoefficients& s) {
    const float f = static_cast<float>(s.rotation.cosine);
    return s.rotation.sine == s.rotation.cosine && s.filter.a0 == f && s.filter.a1 == f && s.filter.a2 == f &&
           s.filter.b1 == f && s.filter.b2 == f;
}

#if defined(__SANITIZE_THREAD__)
constexpr int kRounds = 200;
#else
constexpr int kRounds = 2000;
#endif

TEST(CoefficientExchange, AWriterThatClaimsLateNeverBuriesALaterSet) {
    Exchange exchange(setOf(0));
    std::atomic<int> round{0};
    std::atomic<int> finished{0};
    std::atomic<bool> stop{false};
    std::uint32_t quickTicket = 0;  // written by the quick writer before it counts as finished

    const auto writer = [&](Role self) {
        role = self;
        for (int r = 1;; ++r) {
            while (round.load(std::memory_order_acquire) < r) {
                if (stop.load(std::memory_order_relaxed)) return;
                std::this_thread::yield();
            }
            if (self == Role::quick) waitFor(kSlowTicketTaken);
            const std::uint32_t ticket = exchange.takeTicket();
            if (self == Role::slow) step.store(kSlowTicketTaken, std::memory_order_release);
            exchange.publish(ticket, setOf(ticket));
            if (self == Role::quick) {
                quickTicket = ticket;
                step.store(kQuickNamed, std::memory_order_release);
            }
            finished.fetch_add(1, std::memory_order_release);
        }
    };
    std::thread slow(writer, Role::slow), quick(writer, Role::quick);
    // The audio thread, taking the newest set as each block does.
    long taken = 0, torn = 0;
    std::thread reader([&] {
        ProcessingCoefficients set = setOf(0);
        std::uint32_t name = 0;
        while (!stop.load(std::memory_order_relaxed)) {
            if (exchange.takeNewest(set, name)) {
                ++taken;
                if (!isWhole(set)) ++torn;
            }
            std::this_thread::yield();
        }
    });

    int lostRounds = 0, firstLost = 0;
    for (int r = 1; r <= kRounds; ++r) {
        std::uint32_t stale[8];
        const int staleCount = r % 8;
        for (int k = 0; k < staleCount; ++k) stale[k] = exchange.takeTicket();
        step.store(kRoundStarted, std::memory_order_relaxed);
        round.store(r, std::memory_order_release);
        while (finished.load(std::memory_order_acquire) < 2 * r) std::this_thread::yield();
        for (int k = 0; k < staleCount; ++k) exchange.publish(stale[k], setOf(stale[k]));
        // The quick writer's ticket is the latest: its set is the one the
        // next block must take.
        if (exchange.newest().rotation.cosine != quickTicket) {
            if (lostRounds++ == 0) firstLost = r;
        }
    }
    stop.store(true);
    slow.join();
    quick.join();
    reader.join();

    std::printf("%d rounds of three writers: the latest set lost in %d (first in round %d); %ld sets taken "
                "beside them, %ld torn\n",
                kRounds, lostRounds, firstLost, taken, torn);
    EXPECT_EQ(lostRounds, 0) << "first in round " << firstLost;
    EXPECT_EQ(torn, 0);
}

}  // namespace
