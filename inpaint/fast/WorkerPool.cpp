#include "inpaint/fast/WorkerPool.h"

#include <system_error>

namespace inpaint::fast {

WorkerPool::WorkerPool(int threads) {
    for (int i = 1; i < threads; ++i) {
        try {
            workers_.emplace_back([this, i] { WorkerLoop(i); });
        } catch (const std::system_error&) {
            break;  // fewer threads only make the search slower, never different
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (auto& worker : workers_) worker.join();
}

void WorkerPool::Run(const std::function<void(int)>& job) {
    if (workers_.empty()) {
        job(0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        pending_ = static_cast<int>(workers_.size());
        ++generation_;
    }
    wake_.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return pending_ == 0; });
    job_ = nullptr;
}

void WorkerPool::WorkerLoop(int index) {
    std::uint64_t seen = 0;
    for (;;) {
        const std::function<void(int)>* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [&] { return quit_ || generation_ != seen; });
            if (quit_) return;
            seen = generation_;
            job = job_;
        }
        (*job)(index);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --pending_;
        }
        done_.notify_one();
    }
}

}  // namespace inpaint::fast
