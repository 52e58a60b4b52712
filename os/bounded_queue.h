// A first-in first-out queue of a fixed capacity that hands items from a
// producing thread to a consuming one. The producer waits while the queue is
// full and the consumer while it is empty, so a fast producer runs at most
// `capacity` items ahead. Either side can end the exchange: the producer
// closes the queue when it has nothing more, the consumer abandons it when
// it wants nothing more, which releases a producer waiting for room.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "os/thread.h"

namespace voz::os {

template <class T>
class BoundedQueue {
public:
    // capacity: at least 1.
    explicit BoundedQueue(size_t capacity) : m_slots(capacity > 0 ? capacity : 1) {}
    BoundedQueue(const BoundedQueue&) = delete;
    BoundedQueue& operator=(const BoundedQueue&) = delete;

    // Adds an item at the end, waiting while the queue is full; false, with
    // the item dropped, once the queue is closed or abandoned.
    bool Push(T item) {
        MonitorLock lock(m_monitor);
        while (m_count == m_slots.size() && !m_closed) {
            WaitLocked();
        }
        if (m_closed) {
            return false;
        }
        m_slots[(m_first + m_count) % m_slots.size()] = std::move(item);
        ++m_count;
        WakeLocked();
        return true;
    }

    // Takes the first item, waiting while the queue is empty and open;
    // nothing once it is closed and empty, or abandoned.
    std::optional<T> Pop() {
        MonitorLock lock(m_monitor);
        while (m_count == 0 && !m_closed) {
            WaitLocked();
        }
        if (m_count == 0 || m_abandoned) {
            return std::nullopt;
        }
        std::optional<T> item(std::move(m_slots[m_first]));
        m_first = (m_first + 1) % m_slots.size();
        --m_count;
        WakeLocked();
        return item;
    }

    // The producer has nothing more: Pop hands out the items left, then nothing.
    void Close() {
        MonitorLock lock(m_monitor);
        m_closed = true;
        m_monitor.WakeAll();
    }

    // The consumer wants nothing more: the items left are dropped, and Push
    // and Pop return at once, now and later.
    void Abandon() {
        MonitorLock lock(m_monitor);
        m_closed = m_abandoned = true;
        m_count = 0;
        m_monitor.WakeAll();
    }

private:
    void WaitLocked() {
        ++m_waiting;
        m_monitor.Wait();
        --m_waiting;
    }

    // Only a waiting thread needs the wake-up; the other side usually runs
    // without waiting, and then a hand-over takes no system call.
    void WakeLocked() {
        if (m_waiting > 0) {
            m_monitor.WakeAll();
        }
    }

    Monitor m_monitor;
    std::vector<T> m_slots;
    size_t m_first = 0;
    size_t m_count = 0;
    int m_waiting = 0;
    bool m_closed = false;
    bool m_abandoned = false;
};

}  // namespace voz::os
