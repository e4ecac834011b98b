#pragma once

#include "database/Recordset.h"

#include <cstdint>
#include <memory>
#include <string>

namespace portico {

class CatalogueSession;
class CataloguePictures;

// The catalogue's folders, its themes and the default theme in its settings.
// See clsDBRoutines for each operation.
class FolderThemeCatalogue {
public:
    FolderThemeCatalogue(CatalogueSession& session, CataloguePictures& pictures);

    bool AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath);
    bool DeleteFolder(const std::string& mStrFolderName);
    std::unique_ptr<Recordset> GetFolders();

    std::unique_ptr<Recordset> LoadThemes();
    bool DeleteTheme(const std::string& mStrThemeName);
    std::unique_ptr<Recordset> LoadTheme(const std::string& mStrThemeName);
    std::unique_ptr<Recordset> loadThemePicture(const std::string& themeName, const std::string& field);
    bool CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash, const std::string& mStrAddRemove,
                     const std::string& mStrSetup);
    bool setDefaultTheme(const std::string& mStrThemeName);
    std::int16_t GetThemeKey(const std::string& mStrThemeName);
    std::string GetThemeName(std::int16_t mIntThemeKey);
    std::string getDefaultTheme();

    std::unique_ptr<Recordset> loadThemeList();
    bool deleteThemeByKey(std::int64_t key);
    std::int64_t defaultThemeKey();
    std::string themeNamedLike(const std::string& name);

private:
    // The whole key of a theme (0: none of that name); raises on a failed read.
    std::int64_t themeKeyOf(const std::string& name);
    std::string themeNameOf(std::int64_t key);

    CatalogueSession& session_;
    CataloguePictures& pictures_;
};

}  // namespace portico
