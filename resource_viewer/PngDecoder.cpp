#include "resource_viewer/PngDecoder.h"

namespace portico {
namespace {
const PngDecoder* installed = nullptr;
}

const PngDecoder* pngDecoder() { return installed; }

const PngDecoder* installPngDecoder(const PngDecoder* decoder) {
    const PngDecoder* previous = installed;
    installed = decoder;
    return previous;
}

}  // namespace portico
