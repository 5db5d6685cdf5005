#include "detect/Scratch.h"

#include <algorithm>
#include <new>

#include "inpaint/LargeMemory.h"

namespace detect {
namespace {

thread_local std::vector<ScratchScope::Kept>* tKept = nullptr;  // the innermost scope's

// Planes from this size up take a large page of their own: one fault instead of hundreds.
constexpr std::size_t kLargeFrom = std::size_t{1} << 20;
constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

ScratchScope::ScratchScope() : outer_(tKept) {
    tKept = &kept_;
}

ScratchScope::~ScratchScope() {
    for (const Kept& k : kept_) inpaint::FreeLarge(k.block);
    tKept = outer_;
}

void* ScratchAllocate(std::size_t bytes) {
    if (tKept) {
        const auto same =
            std::find_if(tKept->begin(), tKept->end(),
                         [bytes](const ScratchScope::Kept& k) { return k.bytes == bytes; });
        if (same != tKept->end()) {
            void* block = same->block;
            tKept->erase(same);
            return block;
        }
    }
    return inpaint::AllocateLarge(bytes >= kLargeFrom ? std::max(bytes, kLargePage) : bytes);
}

void ScratchFree(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (tKept) {
        try {
            tKept->push_back({bytes, block});
            return;
        } catch (const std::bad_alloc&) {
        }
    }
    inpaint::FreeLarge(block);
}

}  // namespace detect
