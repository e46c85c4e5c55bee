#include "support/DecodeBudget.h"

#include <algorithm>

#include "support/Platform.h"

namespace tx {

namespace {
constexpr std::int64_t kGiB = std::int64_t{1} << 30;
}  // namespace

DecodeBudget::Reservation& DecodeBudget::Reservation::operator=(Reservation&& o) noexcept {
    if (this != &o) {
        release();
        m_budget = o.m_budget;
        m_bytes = o.m_bytes;
        o.m_budget = nullptr;
    }
    return *this;
}

void DecodeBudget::Reservation::release() {
    if (m_budget) m_budget->give(m_bytes);
    m_budget = nullptr;
}

DecodeBudget::DecodeBudget(std::int64_t capacityBytes) : m_capacity(std::max<std::int64_t>(0, capacityBytes)) {}

std::int64_t DecodeBudget::defaultCapacity(std::uint64_t physicalBytes) {
    const auto quarter = static_cast<std::int64_t>(std::min<std::uint64_t>(physicalBytes / 4, 64 * std::uint64_t(kGiB)));
    return std::clamp(quarter, kGiB, 4 * kGiB);
}

DecodeBudget& DecodeBudget::global() {
    static DecodeBudget budget(defaultCapacity(platform::physicalMemoryBytes()));
    return budget;
}

DecodeBudget::Reservation DecodeBudget::acquire(std::int64_t bytes) {
    bytes = std::max<std::int64_t>(0, bytes);
    std::unique_lock lock(m_mutex);
    if (bytes > m_capacity) return {};
    const std::uint64_t ticket = m_nextTicket++;
    m_changed.wait(lock, [&] { return m_serving == ticket && (m_held + bytes <= m_capacity || bytes > m_capacity); });
    ++m_serving;
    if (bytes > m_capacity) {  // the capacity shrank while this one waited
        lock.unlock();
        m_changed.notify_all();
        return {};
    }
    m_held += bytes;
    m_peak = std::max(m_peak, m_held);
    lock.unlock();
    m_changed.notify_all();  // the next in line may fit too
    return Reservation(this, bytes);
}

void DecodeBudget::give(std::int64_t bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_held -= bytes;
    }
    m_changed.notify_all();
}

std::int64_t DecodeBudget::capacity() const {
    std::lock_guard lock(m_mutex);
    return m_capacity;
}

void DecodeBudget::setCapacity(std::int64_t bytes) {
    {
        std::lock_guard lock(m_mutex);
        m_capacity = std::max<std::int64_t>(0, bytes);
    }
    m_changed.notify_all();
}

std::int64_t DecodeBudget::peak() const {
    std::lock_guard lock(m_mutex);
    return m_peak;
}

void DecodeBudget::resetPeak() {
    std::lock_guard lock(m_mutex);
    m_peak = m_held;
}

int DecodeBudget::waiting() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_nextTicket - m_serving);
}

}  // namespace tx
