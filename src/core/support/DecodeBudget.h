#pragma once
// One memory budget shared by every picture decode in the process.
//
// A decode reserves the bytes it will allocate before it allocates them and gives
// them back when it is done. Reservations are granted in the order they were asked
// for: a large one waits until enough is free, and smaller ones that come after it
// wait behind it, so it is never starved. A request larger than the whole budget is
// refused at once. However many threads decode, the pictures being decoded never
// hold more than the budget together.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace tx {

class DecodeBudget {
public:
    class Reservation {
    public:
        Reservation() = default;
        Reservation(Reservation&& o) noexcept : m_budget(o.m_budget), m_bytes(o.m_bytes) { o.m_budget = nullptr; }
        Reservation& operator=(Reservation&& o) noexcept;
        Reservation(const Reservation&) = delete;
        Reservation& operator=(const Reservation&) = delete;
        ~Reservation() { release(); }

        explicit operator bool() const { return m_budget != nullptr; }
        std::int64_t bytes() const { return m_budget ? m_bytes : 0; }
        void release();

    private:
        friend class DecodeBudget;
        Reservation(DecodeBudget* budget, std::int64_t bytes) : m_budget(budget), m_bytes(bytes) {}
        DecodeBudget* m_budget = nullptr;
        std::int64_t m_bytes = 0;
    };

    explicit DecodeBudget(std::int64_t capacityBytes);

    // The process-wide budget: a quarter of physical memory, between 1 and 4 GB.
    static DecodeBudget& global();
    static std::int64_t defaultCapacity(std::uint64_t physicalBytes);

    // Blocks until `bytes` are free; an empty reservation when bytes exceed the capacity.
    Reservation acquire(std::int64_t bytes);

    std::int64_t capacity() const;
    // For tests and benchmarks: a new capacity for later requests.
    void setCapacity(std::int64_t bytes);
    // The most ever held at once since the last resetPeak().
    std::int64_t peak() const;
    void resetPeak();
    int waiting() const;

private:
    void give(std::int64_t bytes);

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_capacity;
    std::int64_t m_held = 0;
    std::int64_t m_peak = 0;
    std::uint64_t m_nextTicket = 0;
    std::uint64_t m_serving = 0;
};

}  // namespace tx
