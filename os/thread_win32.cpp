#include <windows.h>

#include "os/thread.h"

namespace voz::os {

struct Thread::Native {
    HANDLE handle;
};

namespace {

DWORD WINAPI RunBody(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}

}  // namespace

Thread::Thread() = default;

Thread::~Thread() { Join(); }

bool Thread::Start(std::function<void()> body) {
    if (m_native) {
        return false;
    }
    m_body = std::move(body);
    HANDLE handle = CreateThread(nullptr, 0, RunBody, &m_body, 0, nullptr);
    if (handle == nullptr) {
        return false;
    }
    m_native.reset(new Native{handle});
    return true;
}

void Thread::Join() {
    if (m_native) {
        WaitForSingleObject(m_native->handle, INFINITE);
        CloseHandle(m_native->handle);
        m_native.reset();
    }
}

// A slim lock and a condition variable: both stay in the process while
// nobody has to wait, so an uncontended hand-over costs no system call.
struct Monitor::Native {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
};

Monitor::Monitor() : m_native(new Native) {}

Monitor::~Monitor() = default;

void Monitor::Lock() { AcquireSRWLockExclusive(&m_native->lock); }

void Monitor::Unlock() { ReleaseSRWLockExclusive(&m_native->lock); }

void Monitor::Wait() { SleepConditionVariableSRW(&m_native->condition, &m_native->lock, INFINITE, 0); }

void Monitor::WakeAll() { WakeAllConditionVariable(&m_native->condition); }

}  // namespace voz::os
