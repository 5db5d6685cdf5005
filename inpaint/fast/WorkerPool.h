#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace inpaint::fast {

// A fixed set of threads that help the caller with one job at a time.
//
// Run() starts a job on the caller's thread and lets every worker that comes while the caller is
// still at it join in; it returns once the caller is done and every worker that joined has left.
// A worker that comes late (asleep, or its core busy with another program) simply misses the
// job, so a job must deal out its work itself (see WorkQueue): whoever takes part, all of it gets
// done, and a busy machine never makes the caller wait for a thread that has not started.
//
// Between jobs the workers first spin for a short while, watching for the next job with a pause
// instruction, and only then sleep; waking a sleeping worker is the only system call a job can
// cost. Each thread is told its own index, so it can keep its findings apart from the others'.
class WorkerPool {
public:
    // threads: total number of threads taking part, the caller included (at least 1; at most
    // kMaxThreads). spinMicroseconds: how long an idle thread watches before it sleeps.
    explicit WorkerPool(int threads, int spinMicroseconds = kDefaultSpinMicroseconds);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int Size() const { return static_cast<int>(workers_.size()) + 1; }
    // Calls job(0) on the caller's thread and job(i) on worker i (1 .. Size()-1) if it comes in
    // time, each at most once; returns when every call has returned. Returns how many workers
    // joined in.
    int Run(const std::function<void(int)>& job);

    // The cores this process may run on (its affinity), at least 1.
    static int AvailableCores();

    static constexpr int kMaxThreads = 1024;
    static constexpr int kDefaultSpinMicroseconds = 50;

private:
    // word_ packs the job's generation, whether it is closed to newcomers, and how many workers
    // are inside it, so that joining is one compare-and-swap against exactly the job seen.
    static constexpr std::uint32_t kInsideMask = 0x7FF;
    static constexpr std::uint32_t kClosed = 0x800;
    static constexpr int kGenerationShift = 12;
    static std::uint32_t Generation(std::uint32_t word) { return word >> kGenerationShift; }
    static std::uint32_t Inside(std::uint32_t word) { return word & kInsideMask; }

    void WorkerLoop(int index);
    std::uint32_t AwaitNextJob(std::uint32_t seenGeneration);
    void Close();
    void AwaitWorkersLeaving();
    void Leave();

    std::vector<std::thread> workers_;
    const int spinMicroseconds_;
    std::atomic<std::uint32_t> word_{kClosed};
    std::atomic<int> sleepingWorkers_{0};
    std::atomic<bool> callerSleeping_{false};
    std::atomic<bool> quit_{false};
    std::atomic<int> joined_{0};
    const std::function<void(int)>* job_ = nullptr;
};

// Pieces of work 0 .. count-1 handed out one at a time to whichever thread asks first.
class WorkQueue {
public:
    explicit WorkQueue(int count) : count_(count) {}
    // The next piece nobody has taken yet, or -1 when all are taken.
    int Take() {
        const int piece = next_.fetch_add(1, std::memory_order_relaxed);
        return piece < count_ ? piece : -1;
    }

private:
    const int count_;
    alignas(64) std::atomic<int> next_{0};
};

}  // namespace inpaint::fast
