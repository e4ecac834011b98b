#pragma once

#include "database/Recordset.h"

#include <filesystem>
#include <optional>
#include <string>

namespace portico {

class CatalogueSession;

// The pictures of the catalogue and the files they travel through: the icon
// picker's temp.bmp, the exported theme and program pictures, the default icon.
class CataloguePictures {
public:
    // Without `pictureFolder`, the per-user picture folder.
    CataloguePictures(CatalogueSession& session, std::optional<std::filesystem::path> pictureFolder);

    const std::string& defaultIconPath() const { return defaultIconPath_; }
    void setDefaultIconPath(std::string value) { defaultIconPath_ = std::move(value); }
    const std::string& exportThemePath() const { return exportThemePath_; }
    void setExportThemePath(std::string value) { exportThemePath_ = std::move(value); }

    // The export folder when one is set, else the picture folder.
    std::filesystem::path pictureFolder() const;
    void setPictureFolder(std::filesystem::path folder) { pictureFolder_ = std::move(folder); }
    std::filesystem::path programImageFile() const;
    std::filesystem::path themeImageFile(const std::string& fieldName) const;

    // Assign a field of the current row; throw PorticoError.
    void AddProgramImage(Recordset& rs, const std::string& strPath = {});
    void AddThemeImage(Recordset& rs, const std::string& strPath, const std::string& mStrFieldName);
    // Export a picture to its file; report.
    bool GetThemeImage(const std::string& mStrThemeName, const std::string& mStrFieldName);
    bool GetProgramImage(const std::string& strPrgName);

private:
    CatalogueSession& session_;
    std::string defaultIconPath_;
    std::string exportThemePath_;
    mutable std::optional<std::filesystem::path> pictureFolder_;
};

}  // namespace portico
