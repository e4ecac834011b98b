#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace portico {

// The way into the icon picker: ShowResources opens the viewer on a program's
// executable and returns when it has closed, leaving the chosen icon in the
// picture file (temp.bmp in the picture folder).
class clsResourceViewer {
public:
    // `pictureFolder`: where temp.bmp is saved; empty means the per-user picture folder.
    explicit clsResourceViewer(std::filesystem::path pictureFolder = {});
    ~clsResourceViewer();
    clsResourceViewer(const clsResourceViewer&) = delete;
    clsResourceViewer& operator=(const clsResourceViewer&) = delete;

    // Nothing in the result tells a pick from a cancel: only the picture file,
    // and PickedPicture, do.
    void ShowResources(const std::string& programPath);
    // The bytes of the picture file the last ShowResources saved; nothing when
    // it ended without a pick.
    const std::optional<std::string>& PickedPicture() const { return pickedPicture_; }

    // Kept (trimmed); nothing reads them.
    void setProgramName(const std::string& value);
    void setIconPath(const std::string& value);

    // True while the viewer window is visible.
    bool ResourceShowing() const;

private:
    std::filesystem::path pictureFolder_;
    std::string programName_;
    std::string iconPath_;
    std::optional<std::string> pickedPicture_;
};

}  // namespace portico
