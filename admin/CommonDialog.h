#pragma once

#include <string>

namespace portico::admin {

// A window's file-open dialog: its title, start folder, filter and the file last
// picked in it, which the next showing opens on. Cancel picks nothing and keeps
// the last pick, so a cancelled dialog never changes what the window shows.
class CommonDialog {
public:
    std::string DialogTitle;
    std::string InitDir;
    // Qt's filter form ("Pictures (*.bmp *.jpg);;All files (*)"); empty for all files.
    std::string Filter;

    const std::string& FileName() const { return fileName_; }

    // True when a file was picked; it is then in FileName.
    bool ShowOpen();

private:
    std::string fileName_;
};

}  // namespace portico::admin
