#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "os/thread.h"

namespace voz::os {

struct Thread::Native {
    std::thread thread;
};

Thread::Thread() = default;

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
    if (m_native) {
        return false;
    }
    m_body = std::move(body);
    try {
        m_native.reset(new Native{std::thread([this] { m_body(); })});
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Thread::Join() {
    if (m_native) {
        m_native->thread.join();
        m_native.reset();
    }
}

struct Monitor::Native {
    std::mutex mutex;
    std::condition_variable condition;
};

Monitor::Monitor() : m_native(new Native) {}

Monitor::~Monitor() = default;

void Monitor::Lock() { m_native->mutex.lock(); }

void Monitor::Unlock() { m_native->mutex.unlock(); }

void Monitor::Wait() {
    // The caller holds the mutex and keeps holding it afterwards.
    std::unique_lock<std::mutex> held(m_native->mutex, std::adopt_lock);
    m_native->condition.wait(held);
    held.release();
}

void Monitor::WakeAll() { m_native->condition.notify_all(); }

}  // namespace voz::os
