#pragma once

#include <cstdint>
#include <string>

namespace portico::admin {

class modMain;

// A status text and a progress position for long operations, mirrored into the
// wait window's progress bar. Showing the window is the caller's business.
class clsQueryStatus {
public:
    static constexpr std::size_t kTextLength = 25;

    explicit clsQueryStatus(modMain& program);
    ~clsQueryStatus();
    clsQueryStatus(const clsQueryStatus&) = delete;
    clsQueryStatus& operator=(const clsQueryStatus&) = delete;

    // Always 25 characters: trimmed, then padded with blanks or cut.
    const std::string& StatusText() const { return mStrText_; }
    void setStatusText(const std::string& value);
    std::int16_t ProgressMax() const { return mIntMax_; }
    void setProgressMax(std::int16_t value) { mIntMax_ = value; }
    std::int16_t ProgressValue() const { return mIntValue_; }
    // Stores the position and moves the progress bar at once. A position
    // outside the bar's range is error 380 "Invalid property value" (stored all the same).
    void setProgressValue(std::int16_t value);

    // Prepares the bar of a hidden wait window (maximum, tool tip, position);
    // does nothing while the window is visible.
    void showProgress();
    // Unloads the wait window.
    void hideProgress();

private:
    void showValue();

    modMain& program_;
    std::string mStrText_;
    std::int16_t mIntMax_ = 100;
    std::int16_t mIntValue_ = 0;
};

}  // namespace portico::admin
