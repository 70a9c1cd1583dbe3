// Included before GoogleTest in a build with GCC's win32 thread model, whose
// libstdc++ has no std::mutex or std::condition_variable. GoogleTest needs
// them only for Notification, which only its own tests of threads use; the
// tests here have one thread, so a Notification that never waits will do.
#pragma once

namespace testing::internal {

class Notification {
public:
    void Notify() {}
    void WaitForNotification() {}
};

}  // namespace testing::internal
