// GoogleTest's Notification for mingw-w64's win32 thread model, whose C++
// library has no std::mutex or std::condition_variable: a manual-reset event.
// GoogleTest is built with GTEST_HAS_NOTIFICATION_ and this header forced in.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace testing::internal {

class Notification {
public:
    Notification() : m_event(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(m_event); }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(m_event); }
    void WaitForNotification() { WaitForSingleObject(m_event, INFINITE); }

private:
    HANDLE m_event;
};

}  // namespace testing::internal
