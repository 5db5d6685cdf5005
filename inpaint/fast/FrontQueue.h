#pragma once
#include <set>

namespace inpaint::fast {

// The fill front ordered for the choice of the next target pixel: the highest priority
// first and, among equal priorities, the lowest flat position (the first pixel met when
// the target box is walked row by row, left to right). Replaces a scan of the whole
// target box per step, which costs the whole picture when two marks lie far apart.
class FrontQueue {
public:
    // The caller erases an entry with the same priority it was inserted with.
    void Insert(int position, double priority) { entries_.insert({priority, position}); }
    void Erase(int position, double priority) { entries_.erase({priority, position}); }
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    std::size_t Size() const { return entries_.size(); }
    // The position to fill next; the queue must not be empty.
    int Best() const { return entries_.begin()->position; }

private:
    struct Entry {
        double priority;
        int position;
    };
    struct FirstIsBetter {
        bool operator()(const Entry& a, const Entry& b) const {
            if (a.priority != b.priority) return a.priority > b.priority;
            return a.position < b.position;
        }
    };
    std::set<Entry, FirstIsBetter> entries_;
};

}  // namespace inpaint::fast
