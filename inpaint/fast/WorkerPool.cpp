#include "inpaint/fast/WorkerPool.h"

#include <algorithm>
#include <chrono>
#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif
#ifdef __linux__
#include <linux/futex.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>
#endif

namespace inpaint::fast {

namespace {

void CpuPause() {
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

// Sleeps while `word` holds `value` (or wakes spuriously); the futex is the kernel's own test of
// the value, so a change made just before cannot be missed.
void SleepWhile(std::atomic<std::uint32_t>& word, std::uint32_t value) {
#ifdef __linux__
    static_assert(sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t));
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAIT_PRIVATE, value, nullptr,
            nullptr, 0);
#else
    word.wait(value, std::memory_order_seq_cst);
#endif
}

void WakeAll(std::atomic<std::uint32_t>& word) {
#ifdef __linux__
    syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), FUTEX_WAKE_PRIVATE, INT_MAX,
            nullptr, nullptr, 0);
#else
    word.notify_all();
#endif
}

// Watches for `done` for up to `microseconds`, pausing between looks; true once it is.
template <typename Done>
bool SpinUntil(int microseconds, Done done) {
    if (microseconds <= 0) return done();
    const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(microseconds);
    for (;;) {
        // The clock is read every 32 looks only: a look costs a few nanoseconds, the clock more.
        for (int i = 0; i < 32; ++i) {
            if (done()) return true;
            CpuPause();
        }
        if (std::chrono::steady_clock::now() >= until) return done();
    }
}

}  // namespace

int WorkerPool::AvailableCores() {
#ifdef __linux__
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
#endif
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

WorkerPool::WorkerPool(int threads, int spinMicroseconds)
    // Spinning on a core that the caller needs would only take time from it.
    : spinMicroseconds_(std::min(threads, kMaxThreads) <= AvailableCores() ? spinMicroseconds : 0) {
    threads = std::min(threads, kMaxThreads);
    for (int i = 1; i < threads; ++i) {
        try {
            workers_.emplace_back([this, i] { WorkerLoop(i); });
        } catch (const std::system_error&) {
            break;  // fewer threads only make the search slower, never different
        }
    }
}

WorkerPool::~WorkerPool() {
    quit_.store(true, std::memory_order_seq_cst);
    // A new, closed generation: every worker looks again, sees the quit and ends.
    word_.fetch_add(std::uint32_t{1} << kGenerationShift, std::memory_order_seq_cst);
    WakeAll(word_);
    for (auto& worker : workers_) worker.join();
}

int WorkerPool::Run(const std::function<void(int)>& job) {
    if (workers_.empty()) {
        job(0);
        return 0;
    }
    job_ = &job;
    joined_.store(0, std::memory_order_relaxed);
    // The previous job ended closed with nobody inside: the next generation opens empty.
    const std::uint32_t next = (Generation(word_.load(std::memory_order_relaxed)) + 1)
                               << kGenerationShift;
    word_.store(next, std::memory_order_seq_cst);
    if (sleepingWorkers_.load(std::memory_order_seq_cst) > 0) WakeAll(word_);
    try {
        job(0);
    } catch (...) {
        Close();
        throw;
    }
    Close();
    return joined_.load(std::memory_order_relaxed);
}

// No worker joins from now on; returns once those inside have left.
void WorkerPool::Close() {
    if (Inside(word_.fetch_or(kClosed, std::memory_order_acq_rel)) > 0) AwaitWorkersLeaving();
    job_ = nullptr;
}

void WorkerPool::AwaitWorkersLeaving() {
    auto empty = [this] { return Inside(word_.load(std::memory_order_acquire)) == 0; };
    if (SpinUntil(spinMicroseconds_, empty)) return;
    callerSleeping_.store(true, std::memory_order_seq_cst);
    for (;;) {
        const std::uint32_t word = word_.load(std::memory_order_seq_cst);
        if (Inside(word) == 0) break;
        SleepWhile(word_, word);
    }
    callerSleeping_.store(false, std::memory_order_relaxed);
}

std::uint32_t WorkerPool::AwaitNextJob(std::uint32_t seenGeneration) {
    // A worker that starts only after the pool began to close has never seen the generation
    // the closing made: it must look at quit_ too.
    auto changed = [&] {
        return Generation(word_.load(std::memory_order_acquire)) != seenGeneration ||
               quit_.load(std::memory_order_acquire);
    };
    if (!SpinUntil(spinMicroseconds_, changed)) {
        sleepingWorkers_.fetch_add(1, std::memory_order_seq_cst);
        for (;;) {
            const std::uint32_t word = word_.load(std::memory_order_seq_cst);
            if (Generation(word) != seenGeneration || quit_.load(std::memory_order_seq_cst)) break;
            SleepWhile(word_, word);
        }
        sleepingWorkers_.fetch_sub(1, std::memory_order_relaxed);
    }
    return word_.load(std::memory_order_acquire);
}

void WorkerPool::Leave() {
    const std::uint32_t before = word_.fetch_sub(1, std::memory_order_seq_cst);
    if ((before & kClosed) && Inside(before) == 1 &&
        callerSleeping_.load(std::memory_order_seq_cst))
        WakeAll(word_);
}

void WorkerPool::WorkerLoop(int index) {
    std::uint32_t seen = Generation(word_.load(std::memory_order_acquire));
    for (;;) {
        std::uint32_t word = AwaitNextJob(seen);
        if (quit_.load(std::memory_order_acquire)) return;
        seen = Generation(word);
        // Join only the job seen, and only while it is open: once closed the caller may be gone.
        while (!(word & kClosed) && Generation(word) == seen) {
            if (word_.compare_exchange_weak(word, word + 1, std::memory_order_acq_rel)) {
                joined_.fetch_add(1, std::memory_order_relaxed);
                (*job_)(index);
                Leave();
                break;
            }
        }
    }
}

}  // namespace inpaint::fast
