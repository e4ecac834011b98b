#include "database/FolderThemeCatalogue.h"

#include "database/CataloguePictures.h"
#include "database/CatalogueSession.h"
#include "database/TransactionScope.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <vector>

namespace portico {

FolderThemeCatalogue::FolderThemeCatalogue(CatalogueSession& session, CataloguePictures& pictures)
    : session_(session), pictures_(pictures) {}

bool FolderThemeCatalogue::AddFolder(const std::string& mStrFolderName, const std::string& mStrFolderPath) {
    bool added = false;
    session_.trap([&] {
        auto recordset = session_.openTable("Folder");
        TransactionScope transaction(*session_.activeConnection());
        session_.refuseTakenName("folder", "Folder", nullptr, "Folder_Name", mStrFolderName);
        recordset->AddNew();
        recordset->Fields("Folder_Name").setValue(trimSpacesOnly(mStrFolderName));
        recordset->Fields("Folder_Path").setValue(trimSpacesOnly(mStrFolderPath));
        recordset->Update();
        transaction.commit();
        added = true;
    });
    return added;
}

bool FolderThemeCatalogue::DeleteFolder(const std::string& mStrFolderName) {
    return session_.executeStatement("Delete from Folder where Folder_Name = ?", {trimSpacesOnly(mStrFolderName)});
}

std::unique_ptr<Recordset> FolderThemeCatalogue::GetFolders() {
    return session_.queryRecordset("Select Folder_Name, Folder_Path from Folder order by Folder_Name", {});
}

std::unique_ptr<Recordset> FolderThemeCatalogue::LoadThemes() {
    return session_.queryRecordset("Select Theme_Name from Theme order by Theme_Name", {});
}

bool FolderThemeCatalogue::DeleteTheme(const std::string& mStrThemeName) {
    // The theme manager reports a failure in its own words.
    try {
        auto recordset = session_.createRecordset();
        if (!recordset) return false;
        recordset->Open("Delete from Theme where Theme_Name = ?", session_.activeConnection(),
                        {trimSpacesOnly(mStrThemeName)});
        return true;
    } catch (const PorticoError&) {
        return false;
    }
}

std::unique_ptr<Recordset> FolderThemeCatalogue::LoadTheme(const std::string& mStrThemeName) {
    return session_.queryRecordset("Select * from Theme where Theme_Name = ?", {mStrThemeName});
}

std::unique_ptr<Recordset> FolderThemeCatalogue::loadThemePicture(const std::string& themeName,
                                                                  const std::string& field) {
    // Only known column names become part of the statement.
    if (field != "Theme_LogoSplash" && field != "Theme_LogoAddRemove") return LoadTheme(themeName);
    return session_.queryRecordset("Select " + field + " from Theme where Theme_Name = ?", {themeName});
}

bool FolderThemeCatalogue::CreateTheme(const std::string& mStrThemeName, const std::string& mStrSplash,
                                       const std::string& mStrAddRemove, const std::string& mStrSetup) {
    bool created = false;
    session_.trap([&] {
        auto recordset = session_.openTable("Theme");
        TransactionScope transaction(*session_.activeConnection());
        session_.refuseTakenName("theme", "Theme", "Theme_Key", "Theme_Name", mStrThemeName);
        recordset->AddNew();
        recordset->Fields("Theme_Name").setValue(mStrThemeName);
        if (!trimSpacesOnly(mStrSplash).empty()) pictures_.AddThemeImage(*recordset, mStrSplash, "Theme_LogoSplash");
        if (!trimSpacesOnly(mStrAddRemove).empty())
            pictures_.AddThemeImage(*recordset, mStrAddRemove, "Theme_LogoAddRemove");
        // Only the library's clients pass a setup picture.
        if (!trimSpacesOnly(mStrSetup).empty()) pictures_.AddThemeImage(*recordset, mStrSetup, "Theme_LogoSetup");
        recordset->Update();
        transaction.commit();
        created = true;
    });
    return created;
}

bool FolderThemeCatalogue::setDefaultTheme(const std::string& mStrThemeName) {
    // The whole key: GetThemeKey carries only 16 bits. A name that names no theme stores 0, as it always did.
    std::int64_t key = 0;
    bool found = false;
    session_.trap([&] {
        key = themeKeyOf(mStrThemeName);
        found = true;
    });
    return found && session_.executeStatement("Update Settings Set Theme_Key = ?", {Variant(key)});
}

std::int64_t FolderThemeCatalogue::themeKeyOf(const std::string& name) {
    auto recordset = session_.openQuery("Select Theme_Key from Theme where Theme_Name = ?", {trimSpacesOnly(name)});
    return recordset->RecordCount() >= 1 ? recordset->Fields("Theme_Key").Value().toInt64() : 0;
}

std::int16_t FolderThemeCatalogue::GetThemeKey(const std::string& mStrThemeName) {
    std::int16_t key = 0;
    session_.trap([&] {
        auto recordset =
            session_.openQuery("Select Theme_Key from Theme where Theme_Name = ?", {trimSpacesOnly(mStrThemeName)});
        if (recordset->RecordCount() >= 1) key = recordset->Fields("Theme_Key").Value().toInt16();
    });
    return key;
}

std::string FolderThemeCatalogue::GetThemeName(std::int16_t mIntThemeKey) { return themeNameOf(mIntThemeKey); }

std::string FolderThemeCatalogue::themeNameOf(std::int64_t key) {
    std::string name;
    session_.trap([&] {
        auto recordset = session_.openQuery("Select Theme_Name from Theme where Theme_Key = ?", {Variant(key)});
        name = trimSpacesOnly(recordset->Fields("Theme_Name").Value().toText());
    });
    return name;
}

std::string FolderThemeCatalogue::getDefaultTheme() {
    std::int64_t key = 0;
    bool found = false;
    session_.trap([&] {
        auto settings = session_.openQuery("Select Theme_Key from Settings", {});
        const Variant& value = settings->Fields("Theme_Key").Value();
        // A catalogue that has never had a theme applied holds no key: that is
        // its normal state, not an error.
        found = !value.isNull();
        if (found) key = value.toInt64();
        settings->Close();
    });
    return found ? themeNameOf(key) : std::string();
}

std::unique_ptr<Recordset> FolderThemeCatalogue::loadThemeList() {
    return session_.queryRecordset("Select Theme_Key, Theme_Name from Theme order by Theme_Name, Theme_Key", {});
}

bool FolderThemeCatalogue::deleteThemeByKey(std::int64_t key) {
    return session_.executeStatement("Delete from Theme where Theme_Key = ?", {Variant(key)});
}

std::int64_t FolderThemeCatalogue::defaultThemeKey() {
    std::int64_t key = 0;
    try {
        auto theme = session_.openQuery(
            "Select Theme.Theme_Key from Settings inner join Theme on Settings.Theme_Key = "
            "Theme.Theme_Key",
            {});
        if (theme->RecordCount() > 0) key = theme->Fields("Theme_Key").Value().toInt64();
    } catch (const PorticoError&) {
        // No readable default is no default.
    }
    return key;
}

std::string FolderThemeCatalogue::themeNamedLike(const std::string& name) {
    std::string found;
    session_.trap([&] { found = session_.sameNameIn("Theme", "Theme_Key", "Theme_Name", name); });
    return found;
}

}  // namespace portico
