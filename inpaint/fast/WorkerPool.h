#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace inpaint::fast {

// A fixed set of threads that run one job together and then wait for the next.
// Run() blocks the caller until every thread has finished the job, so all parallel
// work starts and ends inside the call; between calls the threads sleep.
class WorkerPool {
public:
    // threads: total number of threads taking part, the caller included (at least 1).
    explicit WorkerPool(int threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    int Size() const { return static_cast<int>(workers_.size()) + 1; }
    // Calls job(i) once for every i in 0 .. Size()-1; job(0) runs on the caller's thread.
    void Run(const std::function<void(int)>& job);

private:
    void WorkerLoop(int index);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    const std::function<void(int)>* job_ = nullptr;
    std::uint64_t generation_ = 0;
    int pending_ = 0;
    bool quit_ = false;
};

}  // namespace inpaint::fast
