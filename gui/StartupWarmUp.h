#pragma once

#include <thread>

namespace portico {

// Loads, on another core, what the first window will need and what takes long
// to load the first time in a process, while the main thread goes on with the
// display connection and the window. The libraries involved guard their first
// load, so a window that gets there first loses nothing but the head start.
// The thread is joined when the object goes.
class StartupWarmUp final {
public:
    enum class Stage {
        // Before the application object: the font configuration, and for a
        // window that sorts names for people, the collation tables of the
        // user's locale as well.
        Fonts,
        FontsAndCollation,
    };

    explicit StartupWarmUp(Stage stage);
    ~StartupWarmUp();
    StartupWarmUp(const StartupWarmUp&) = delete;
    StartupWarmUp& operator=(const StartupWarmUp&) = delete;

private:
    std::jthread worker_;
};

}  // namespace portico
