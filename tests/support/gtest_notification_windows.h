// Force-included into GoogleTest and the tests when they are cross-built for Windows. This
// compiler's standard library (the win32 thread model) has no std::mutex or
// std::condition_variable; GoogleTest's own threading on Windows is Win32's, and the one class
// that needs them, the start signal for the threads of GoogleTest's own tests, is given here
// in their place. Our tests start no threads through GoogleTest.
#pragma once
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    void Notify() {
        notified_.store(true);
    }
    void WaitForNotification() {
        while (!notified_.load()) {
        }
    }

private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
