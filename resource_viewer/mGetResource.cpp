#include "resource_viewer/mGetResource.h"

#include "resource_viewer/IconDecoder.h"
#include "resource_viewer/PeFile.h"
#include "resource_viewer/PictureUnits.h"
#include "resource_viewer/PngDecoder.h"
#include "resource_viewer/PreviewSurface.h"
#include "resource_viewer/ResourceId.h"
#include "resource_viewer/mEnumResourse.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/SafeFile.h"

#include <fstream>

namespace portico {
namespace {

// Val-like reading of the type text: leading decimal digits, 0 when none.
std::uint16_t typeFromText(const std::string& text) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
        if (value > 0xFFFF) return 0;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

std::vector<std::uint8_t> ReadResourceBytes(const std::string& typeText, const std::string& nameText) {
    const PeFile* module = ResourceModule();
    if (!module) return {};
    auto bytes = module->readResource(ResourceId::integer(typeFromText(typeText)), ResourceId::fromText(nameText));
    return bytes ? std::move(*bytes) : std::vector<std::uint8_t>{};
}

std::optional<IconPicture> MakeIconPicture(const std::string& typeText, const std::string& nameText) {
    const auto bytes = ReadResourceBytes(typeText, nameText);
    if (bytes.empty()) return std::nullopt;
    auto icon = IconDecoder::decode(bytes);
    if (!icon) return std::nullopt;
    if (icon->kind == DecodedIcon::Kind::Png) {
        const PngDecoder* decoder = pngDecoder();
        return decoder ? decoder->decodePng(bytes) : std::nullopt;
    }
    return IconPicture(icon->width, icon->height, std::move(icon->pixels));
}

bool ShowPictureInfo(std::optional<IconPicture> picture, PreviewSurface& surface) {
    if (!picture) return false;
    const std::int64_t widthTwips = twipsFromHimetric(picture->Width());
    const std::int64_t heightTwips = twipsFromHimetric(picture->Height());
    const auto x = static_cast<int>(surface.ScaleWidth() / 2 - widthTwips / 2);
    const auto y = static_cast<int>(surface.ScaleHeight() / 2 - heightTwips / 2);
    surface.PaintPicture(*picture, x, y);
    surface.setPrintPosition(0, 0);
    surface.Print("Image info:");
    surface.Print("");
    surface.Print(std::string("Type: ") + "Icon/cursor (*.ico/*.cur)");
    surface.Print("Syze: " + std::to_string(pixelsFromHimetric(picture->Width())) + " x " +
                  std::to_string(pixelsFromHimetric(picture->Height())));
    return true;
}

void WriteBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // Written beside and renamed: a link planted at `path` is replaced, never followed.
    std::error_code error;
    if (!SafeFile::write(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error))
        // The run-time's own file error, which the caller traps.
        throw PorticoError(errors::kPathFileAccessError, "Path/File access error", "Portico");
}

}  // namespace portico
