#pragma once
// Helper threads for work split into parts that take only microseconds, too
// short to wake a sleeping thread for: the helpers spin between calls (pausing,
// then yielding, then sleeping briefly when nothing comes for a while).
//
// run(part) calls part(0) on the calling thread and part(1..parts-1) on the
// helpers, and returns when all are done. The parts must not throw. One caller
// at a time.

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tx {

class SpinningHelpers {
public:
    explicit SpinningHelpers(int parts) {
        for (int i = 1; i < parts; ++i) m_threads.emplace_back([this, i] { serve(i); });
    }
    ~SpinningHelpers() {
        m_stop.store(true, std::memory_order_release);
        for (std::thread& t : m_threads) t.join();
    }
    SpinningHelpers(const SpinningHelpers&) = delete;
    SpinningHelpers& operator=(const SpinningHelpers&) = delete;

    int parts() const { return static_cast<int>(m_threads.size()) + 1; }

    template <class Part>
    void run(Part& part) {
        m_context = &part;
        m_call = [](void* context, int i) { (*static_cast<Part*>(context))(i); };
        m_done.store(0, std::memory_order_relaxed);
        m_generation.fetch_add(1, std::memory_order_release);
        part(0);
        const int helpers = static_cast<int>(m_threads.size());
        // Yield soon: with more threads than free cores a helper may need this core.
        for (int spins = 0; m_done.load(std::memory_order_acquire) < helpers; ++spins) {
            if (spins < 2000) pause();
            else std::this_thread::yield();
        }
    }

private:
    static void pause() {
#if defined(__SSE2__)
        _mm_pause();
#else
        std::this_thread::yield();
#endif
    }

    void serve(int i) {
        unsigned seen = 0;
        for (;;) {
            unsigned g;
            for (long idle = 0; (g = m_generation.load(std::memory_order_acquire)) == seen; ++idle) {
                if (m_stop.load(std::memory_order_acquire)) return;
                if (idle < 20000) pause();
                else if (idle < 40000) std::this_thread::yield();
                else std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            seen = g;
            m_call(m_context, i);
            m_done.fetch_add(1, std::memory_order_acq_rel);
        }
    }

    std::vector<std::thread> m_threads;
    std::atomic<unsigned> m_generation{0};
    std::atomic<int> m_done{0};
    std::atomic<bool> m_stop{false};
    void* m_context = nullptr;
    void (*m_call)(void*, int) = nullptr;
};

}  // namespace tx
