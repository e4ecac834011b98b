#pragma once

#include <string>

namespace portico {

class IconPicture;

// The preview drawing surface, in twips, seen through what the preview needs.
class PreviewSurface {
public:
    virtual ~PreviewSurface() = default;
    virtual int ScaleWidth() const = 0;
    virtual int ScaleHeight() const = 0;
    // Draws the picture at its natural size with its top-left corner at (x, y).
    virtual void PaintPicture(const IconPicture& picture, int x, int y) = 0;
    // Moves the print position (CurrentX, CurrentY).
    virtual void setPrintPosition(int x, int y) = 0;
    // Prints a line of text at the print position, then moves to the start of
    // the next line.
    virtual void Print(const std::string& line) = 0;
};

}  // namespace portico
