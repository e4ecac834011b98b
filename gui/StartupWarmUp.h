#pragma once

#include <thread>

namespace portico {

// Loads, on another core, what the first window will need and what takes
// long to load the first time in a process: the font configuration and the
// collation data of the user's locale. Started before the application object,
// it runs while the display connection is made; the window later finds both
// ready. Both libraries guard their first load, so a window that gets there
// first loses nothing but the head start.
class StartupWarmUp final {
public:
    StartupWarmUp();
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

private:
    std::jthread worker_;
};

}  // namespace portico
