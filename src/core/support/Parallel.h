#pragma once
// parallelFor: runs body(begin, end) over [0, count) split into chunks, on every
// core. Chunks are taken dynamically, so uneven work balances. Exceptions thrown by
// a body are rethrown (the first one) on the calling thread after all workers end.

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tx {

// Benchmarks and tests may pin the number of workers (0: every core); the
// environment variable TESSELIX_THREADS does the same for a whole process.
inline std::atomic<int>& workerCountOverride() {
    static std::atomic<int> v{0};
    return v;
}
inline void setWorkerCount(int n) { workerCountOverride().store(std::clamp(n, 0, 64)); }

inline int workerCount() {
    if (const int o = workerCountOverride().load(); o > 0) return o;
    static const int n = [] {
        if (const char* env = std::getenv("TESSELIX_THREADS")) {
            const int v = std::atoi(env);
            if (v > 0) return std::min(v, 64);
        }
        unsigned hc = std::thread::hardware_concurrency();
        return static_cast<int>(std::clamp(hc, 1u, 64u));
    }();
    return n;
}

template <class Body>
void parallelFor(std::int64_t count, std::int64_t chunk, Body&& body, int threads = 0) {
    if (count <= 0) return;
    chunk = std::max<std::int64_t>(1, chunk);
    const std::int64_t chunks = (count + chunk - 1) / chunk;
    int n = threads > 0 ? threads : workerCount();
    n = static_cast<int>(std::min<std::int64_t>(n, chunks));
    if (n <= 1) {
        body(std::int64_t{0}, count);
        return;
    }
    std::atomic<std::int64_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    auto work = [&] {
        try {
            for (;;) {
                const std::int64_t c = next.fetch_add(1);
                if (c >= chunks) break;
                const std::int64_t b = c * chunk;
                body(b, std::min(count, b + chunk));
            }
        } catch (...) {
            std::lock_guard lock(failureLock);
            if (!failure) failure = std::current_exception();
            next.store(chunks);
        }
    };
    std::vector<std::thread> pool;
    pool.reserve(n - 1);
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (auto& t : pool) t.join();
    if (failure) std::rethrow_exception(failure);
}

}  // namespace tx
