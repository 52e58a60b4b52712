// A thread that runs one function to its end, and a lock with a condition to
// wait on, for handing work from one thread to another. The Windows
// toolchain's run-time library has no std::thread nor std::mutex, hence these.
#pragma once

#include <functional>
#include <memory>

namespace voz::os {

class Thread {
public:
    Thread();
    // Waits for the function to return.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs `body` on a new thread; false, with nothing started, when the
    // system gives no thread or one was started and not yet joined.
    bool Start(std::function<void()> body);
    // Waits until the function has returned; returns at once when none was started.
    void Join();

private:
    struct Native;
    std::function<void()> m_body;
    std::unique_ptr<Native> m_native;
};

// Runs `work` on `threads` threads at once, the calling thread being one of
// them, and returns when every one has returned. When the system gives fewer
// threads, fewer run: `work` must take its jobs from a shared queue.
void RunOnThreads(unsigned threads, const std::function<void()>& work);

// A lock and one condition. Wait may return without a WakeAll: callers wait
// in a loop until what they wait for holds.
class Monitor {
public:
    Monitor();
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    void Lock();
    void Unlock();
    // With the lock held: releases it, sleeps until woken, takes it again.
    void Wait();
    // Wakes every thread waiting in Wait.
    void WakeAll();

private:
    struct Native;
    std::unique_ptr<Native> m_native;
};

// Holds a monitor's lock for a scope.
class MonitorLock {
public:
    explicit MonitorLock(Monitor& monitor) : m_monitor(monitor) { m_monitor.Lock(); }
    ~MonitorLock() { m_monitor.Unlock(); }
    MonitorLock(const MonitorLock&) = delete;
    MonitorLock& operator=(const MonitorLock&) = delete;

private:
    Monitor& m_monitor;
};

}  // namespace voz::os
