#include "database/CataloguePictures.h"

#include "database/CatalogueSession.h"
#include "database/Stream.h"
#include "settings/PictureFolder.h"
#include "settings/TextUtil.h"

namespace portico {
namespace {

// The library names a program's picture file after the program. A name is not
// a path: separators become "_", so the file always lands in the picture
// folder ("../x" is ".._x.bmp", "a/b" is "a_b.bmp").
std::string programPictureName(const std::string& programName) {
    std::string name = programName;
    for (char& c : name) {
        if (c == '/' || c == '\\' || c == '\0') c = '_';
    }
    return name + ".bmp";
}

}  // namespace

CataloguePictures::CataloguePictures(CatalogueSession& session, std::optional<std::filesystem::path> pictureFolder)
    : session_(session), pictureFolder_(std::move(pictureFolder)) {}

std::filesystem::path CataloguePictures::pictureFolder() const {
    // Only the library sets an export folder. Without one, pictures go where the
    // programs put theirs: the per-user picture folder, never a folder shared
    // with other users.
    if (!exportThemePath_.empty()) return exportThemePath_;
    if (!pictureFolder_) pictureFolder_ = defaultPictureFolder();
    return *pictureFolder_;
}

std::filesystem::path CataloguePictures::programImageFile() const { return pictureFolder() / kTempPictureFile; }

std::filesystem::path CataloguePictures::themeImageFile(const std::string& fieldName) const {
    return pictureFolder() / (fieldName + ".bmp");
}

void CataloguePictures::AddProgramImage(Recordset& rs, const std::string& strPath) {
    if (!strPath.empty()) {
        AddThemeImage(rs, strPath, "Program_Icon");
        return;
    }
    // The icon picker's file is ours: a link planted in its place is not followed.
    Stream stream;
    stream.Open();
    stream.LoadFromFile(programImageFile(), SafeFile::Links::Refuse);
    rs.Fields("Program_Icon").setValue(stream.Read());
}

void CataloguePictures::AddThemeImage(Recordset& rs, const std::string& strPath, const std::string& mStrFieldName) {
    Stream stream;
    stream.Open();
    stream.LoadFromFile(strPath);
    rs.Fields(mStrFieldName).setValue(stream.Read());
}

bool CataloguePictures::GetThemeImage(const std::string& mStrThemeName, const std::string& mStrFieldName) {
    bool exported = false;
    session_.trap([&] {
        auto theme = session_.openQuery("Select * from Theme where Theme_Name = ?", {mStrThemeName});
        Stream stream;
        stream.Open();
        // The field must exist before its name becomes part of a file name.
        stream.Write(theme->Fields(mStrFieldName).Value());
        stream.SaveToFile(themeImageFile(theme->Fields(mStrFieldName).Name()), Stream::adSaveCreateOverWrite);
        stream.Close();
        theme->Close();
        exported = true;
    });
    return exported;
}

bool CataloguePictures::GetProgramImage(const std::string& strPrgName) {
    bool exported = false;
    session_.trap([&] {
        auto program =
            session_.openQuery("Select Program_Icon from Program where Program_Name = ?", {trimSpacesOnly(strPrgName)});
        Stream stream;
        stream.Open();
        const Variant& picture = program->Fields("Program_Icon").Value();
        if (picture.isNull() || picture.isEmpty() ||
            (picture.type() == Variant::Type::Bytes && picture.bytes().empty())) {
            // A program stored without a picture (by a script, the library or an
            // older catalogue) is shown with the default icon; with none to be
            // had it simply has no picture. Neither is worth a message.
            std::error_code ec;
            if (defaultIconPath_.empty() || !std::filesystem::is_regular_file(defaultIconPath_, ec)) return;
            stream.LoadFromFile(defaultIconPath_);
        } else {
            stream.Write(picture);
        }
        // The programs read the picture back from the icon picker's file; the
        // library's clients find each program's picture under its own name.
        stream.SaveToFile(
            session_.servesLibrary() ? pictureFolder() / programPictureName(strPrgName) : programImageFile(),
            Stream::adSaveCreateOverWrite);
        exported = true;
    });
    return exported;
}

}  // namespace portico
