#include "tests/tessera/TesseraFixture.h"

#include <cstring>
#include <utility>

namespace portico::test {
namespace {

TesseraVariant text(const char* value) {
    TesseraVariant v{};
    v.vt = TESSERA_VT_BSTR;
    v.u.strVal = const_cast<char*>(value);
    return v;
}

TesseraVariant integer(std::int64_t value) {
    TesseraVariant v{};
    v.vt = TESSERA_VT_I8;
    v.u.llVal = value;
    return v;
}

TesseraVariant leftOut() {
    TesseraVariant v{};
    v.vt = TESSERA_VT_ERROR;
    v.u.scode = TESSERA_DISP_E_PARAMNOTFOUND;
    return v;
}

// A variant the library filled, released when it goes.
struct Result {
    TesseraVariant value{};
    ~Result() { TesseraVariantClear(&value); }
    std::string str() const { return value.vt == TESSERA_VT_BSTR ? value.u.strVal : "<not text>"; }
};

class TesseraDispatch : public TesseraFixture {
protected:
    std::int32_t id(const char* name) {
        std::int32_t dispid = 0;
        EXPECT_EQ(db->lpVtbl->GetIDsOfNames(db, nullptr, &name, 1, 1033, &dispid), TESSERA_S_OK) << name;
        return dispid;
    }

    TesseraStatus call(const char* name, std::initializer_list<TesseraVariant> args, Result& result,
                       std::uint16_t flags = TESSERA_DISPATCH_METHOD) {
        return db->lpVtbl->Invoke(db, id(name), flags, std::data(args), static_cast<std::uint32_t>(args.size()),
                                  &result.value);
    }
};
PORTICO_ON_FILE_AND_SERVER(TesseraDispatch);

TEST_P(TesseraDispatch, NamesAnswerThePublishedIdentifiersWithoutRegardToCase) {
    const std::pair<const char*, std::int32_t> published[] = {
        {"openDatabase", 0x60030003},       {"exportThemePath", 0x68030000},  {"DefaultIconPath", 0x68030001},
        {"loadPrograms", 0x6003000A},       {"loadProgram", 0x6003000B},      {"getProgramDescription", 0x6003000C},
        {"deleteProgram", 0x60030011},      {"addProgram", 0x60030012},       {"AddProgramImage", 0x60030013},
        {"GetProgramImage", 0x60030016},    {"updateProgram", 0x60030017},    {"LoadSecurityUser", 0x60030018},
        {"LoadGroupsByProgram", 0x6003001F}, {"GetObjectKey", 0x60030020},    {"UserExists", 0x60030028},
        {"AddFolder", 0x60030029},          {"GetFolders", 0x6003002B},       {"GetProgramStartInDir", 0x6003002D},
        {"LoadThemes", 0x6003002E},         {"CreateTheme", 0x60030031},      {"getDefaultTheme", 0x60030035},
        {"LOADPROGRAMS", 0x6003000A},       {"getdefaulttheme", 0x60030035},
    };
    for (const auto& [name, dispid] : published) EXPECT_EQ(id(name), dispid) << name;

    const char* withParameters[] = {"addProgram", "strProgramStartParms", "MSTRNAME"};
    std::int32_t ids[3] = {};
    ASSERT_EQ(db->lpVtbl->GetIDsOfNames(db, nullptr, withParameters, 3, 1033, ids), TESSERA_S_OK);
    EXPECT_EQ(ids[1], 5);
    EXPECT_EQ(ids[2], 0);

    const char* unknown[] = {"loadProgram", "noSuchParameter"};
    EXPECT_EQ(db->lpVtbl->GetIDsOfNames(db, nullptr, unknown, 2, 1033, ids), TESSERA_DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 0x6003000B);
    EXPECT_EQ(ids[1], TESSERA_DISPID_UNKNOWN);
    const char* noMember = "Execute";
    EXPECT_EQ(db->lpVtbl->GetIDsOfNames(db, nullptr, &noMember, 1, 1033, ids), TESSERA_DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], TESSERA_DISPID_UNKNOWN);
}

TEST_P(TesseraDispatch, PropertiesShareOneIdentifierForReadAndWrite) {
    Result ignored, read;
    ASSERT_EQ(call("DefaultIconPath", {text("/icons/default.bmp")}, ignored, TESSERA_DISPATCH_PROPERTYPUT),
              TESSERA_S_OK);
    ASSERT_EQ(call("DefaultIconPath", {}, read, TESSERA_DISPATCH_PROPERTYGET), TESSERA_S_OK);
    EXPECT_EQ(read.str(), "/icons/default.bmp");
    Result exportPath;
    ASSERT_EQ(call("exportThemePath", {}, exportPath, TESSERA_DISPATCH_PROPERTYGET | TESSERA_DISPATCH_METHOD),
              TESSERA_S_OK);
    EXPECT_EQ(exportPath.str(), exportFolder().string());
    EXPECT_EQ(call("loadPrograms", {text("x")}, ignored, TESSERA_DISPATCH_PROPERTYPUT),
              TESSERA_DISP_E_MEMBERNOTFOUND);
}

TEST_P(TesseraDispatch, ResultsComeBackAsTheirTypedVariants) {
    picture("export/temp.bmp", 128, 1);
    Result added, key, path, missing, programs;
    ASSERT_EQ(call("addProgram", {text("Editor"), text("d"), text("/bin/ed"), text(""), leftOut(), text("-x")}, added),
              TESSERA_S_OK);
    EXPECT_EQ(added.value.vt, TESSERA_VT_BOOL);
    EXPECT_EQ(added.value.u.boolVal, TESSERA_TRUE);
    ASSERT_EQ(call("getProgramKey", {text(" Editor ")}, key), TESSERA_S_OK);
    EXPECT_EQ(key.value.vt, TESSERA_VT_I2);
    EXPECT_GT(key.value.u.iVal, 0);
    ASSERT_EQ(call("GetProgramParameters", {text("Editor")}, path), TESSERA_S_OK);
    EXPECT_EQ(path.str(), "-x");
    ASSERT_EQ(call("getProgramPath", {text("Nobody")}, missing), TESSERA_S_OK);
    EXPECT_EQ(missing.str(), "") << "text results are never null";

    ASSERT_EQ(call("loadPrograms", {}, programs), TESSERA_S_OK);
    ASSERT_EQ(programs.value.vt, TESSERA_VT_DISPATCH);
    ASSERT_NE(programs.value.u.recordset, nullptr);

    // Without a database there is no record set: a null object, not a failure.
    db->lpVtbl->openDatabase(db, (folder / "none.mdb").c_str(), &added.value);
    Result none;
    ASSERT_EQ(call("loadPrograms", {}, none), TESSERA_S_OK);
    EXPECT_EQ(none.value.vt, TESSERA_VT_DISPATCH);
    EXPECT_EQ(none.value.u.recordset, nullptr);
    EXPECT_FALSE(reports.empty());
}

TEST_P(TesseraDispatch, ArgumentsAreConvertedOrRefused) {
    TesseraBool done = TESSERA_FALSE;
    db->lpVtbl->CreateTheme(db, "Day", nullptr, nullptr, nullptr, &done);
    ASSERT_EQ(done, TESSERA_TRUE);
    Result key;
    ASSERT_EQ(call("GetThemeKey", {text("Day")}, key), TESSERA_S_OK);
    const std::string keyText = std::to_string(key.value.u.iVal);

    Result byText, byDouble, byBool;
    ASSERT_EQ(call("GetThemeName", {text(keyText.c_str())}, byText), TESSERA_S_OK) << "numeric text";
    EXPECT_EQ(byText.str(), "Day");
    TesseraVariant number{};
    number.vt = TESSERA_VT_R8;
    number.u.dblVal = key.value.u.iVal;
    ASSERT_EQ(call("GetThemeName", {number}, byDouble), TESSERA_S_OK);
    EXPECT_EQ(byDouble.str(), "Day");

    Result failed;
    EXPECT_EQ(call("GetThemeName", {integer(70000)}, failed), TESSERA_DISP_E_OVERFLOW);
    EXPECT_EQ(call("GetThemeName", {text("seven")}, failed), TESSERA_DISP_E_TYPEMISMATCH);
    TesseraVariant null{};
    null.vt = TESSERA_VT_NULL;
    EXPECT_EQ(call("getProgramPath", {null}, failed), TESSERA_DISP_E_TYPEMISMATCH);
    EXPECT_EQ(call("loadProgram", {}, failed), TESSERA_DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(call("loadProgram", {leftOut()}, failed), TESSERA_DISP_E_PARAMNOTOPTIONAL);
    EXPECT_EQ(call("loadProgram", {text("a"), text("b")}, failed), TESSERA_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(db->lpVtbl->Invoke(db, 0x60030099, TESSERA_DISPATCH_METHOD, nullptr, 0, &failed.value),
              TESSERA_DISP_E_MEMBERNOTFOUND);
    std::int32_t number438 = 0;
    EXPECT_EQ(TesseraGetErrorInfo(&number438, nullptr, nullptr), TESSERA_S_OK);
    EXPECT_EQ(number438, 438);

    // Numbers become text where text is wanted.
    Result numbered;
    ASSERT_EQ(call("GroupExists", {integer(42)}, numbered), TESSERA_S_OK);
    EXPECT_EQ(numbered.value.u.boolVal, TESSERA_FALSE);
    EXPECT_TRUE(reports.empty());

    // GetObjectKey takes a variant: anything but 1 or 2 is refused by the data layer.
    Result objectKey;
    ASSERT_EQ(call("GetObjectKey", {text("alice"), text("user")}, objectKey), TESSERA_S_OK);
    EXPECT_EQ(objectKey.value.u.iVal, 0);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_P(TesseraDispatch, PictureMembersTakeARecordSetAndPassTheirErrorsOn) {
    picture("export/temp.bmp", 128, 1);
    const std::string other = picture("other.bmp", 256, 2);
    ASSERT_TRUE(addProgram("Editor"));
    Result row;
    ASSERT_EQ(call("loadProgram", {text("Editor")}, row), TESSERA_S_OK);
    const std::string otherPath = (folder / "other.bmp").string();

    Result stored, failed, wrongType;
    ASSERT_EQ(call("AddProgramImage", {row.value, text(otherPath.c_str())}, stored), TESSERA_S_OK);
    EXPECT_EQ(stored.value.vt, TESSERA_VT_EMPTY);
    TesseraRecordset* rs = row.value.u.recordset;
    ASSERT_EQ(rs->lpVtbl->Update(rs), TESSERA_S_OK);
    EXPECT_EQ(call("AddProgramImage", {row.value, text("/no/such.bmp")}, failed), TESSERA_STATUS_FROM_ERROR(3002));
    EXPECT_EQ(call("AddProgramImage", {text("not a record set")}, wrongType), TESSERA_DISP_E_TYPEMISMATCH);

    TesseraBool exported = TESSERA_FALSE;
    db->lpVtbl->GetProgramImage(db, "Editor", &exported);
    EXPECT_EQ(TempFolder::read(exportFolder() / "Editor.bmp"), other);
}

// ---- record sets through their own interface and by name -------------------

class TesseraRecordsets : public TesseraFixture {
protected:
    TesseraRecordset* folders() {
        TesseraBool done = TESSERA_FALSE;
        db->lpVtbl->AddFolder(db, "Music", "/home/music", &done);
        db->lpVtbl->AddFolder(db, "Documents", "/home/docs", &done);
        TesseraRecordset* rs = nullptr;
        EXPECT_EQ(db->lpVtbl->GetFolders(db, &rs), TESSERA_S_OK);
        return rs;
    }

    static std::int32_t id(TesseraRecordset* rs, const char* name) {
        std::int32_t dispid = -2;
        EXPECT_EQ(rs->lpVtbl->GetIDsOfNames(rs, nullptr, &name, 1, 0, &dispid), TESSERA_S_OK);
        return dispid;
    }
};
PORTICO_ON_FILE_AND_SERVER(TesseraRecordsets);

TEST_P(TesseraRecordsets, WalkFieldsByNameAndIndex) {
    TesseraRecordset* rs = folders();
    ASSERT_NE(rs, nullptr);
    std::int32_t count = 0, fields = 0;
    ASSERT_EQ(rs->lpVtbl->get_RecordCount(rs, &count), TESSERA_S_OK);
    EXPECT_EQ(count, 2);
    ASSERT_EQ(rs->lpVtbl->get_FieldCount(rs, &fields), TESSERA_S_OK);
    EXPECT_EQ(fields, 2);
    char* name = nullptr;
    ASSERT_EQ(rs->lpVtbl->get_FieldName(rs, 1, &name), TESSERA_S_OK);
    EXPECT_EQ(take(name), "Folder_Path");

    std::vector<std::string> seen;
    TesseraBool eof = TESSERA_FALSE;
    for (rs->lpVtbl->get_EOF(rs, &eof); !eof; rs->lpVtbl->MoveNext(rs), rs->lpVtbl->get_EOF(rs, &eof)) {
        TesseraVariant value;
        ASSERT_EQ(rs->lpVtbl->get_Field(rs, "FOLDER_NAME", &value), TESSERA_S_OK);
        seen.emplace_back(value.u.strVal);
        TesseraVariantClear(&value);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"Documents", "Music"}));
    ASSERT_EQ(rs->lpVtbl->MoveFirst(rs), TESSERA_S_OK);
    TesseraVariant value;
    ASSERT_EQ(rs->lpVtbl->get_FieldByIndex(rs, 1, &value), TESSERA_S_OK);
    EXPECT_STREQ(value.u.strVal, "/home/docs");
    TesseraVariantClear(&value);
    EXPECT_EQ(value.vt, TESSERA_VT_EMPTY);

    EXPECT_EQ(rs->lpVtbl->get_FieldByIndex(rs, 2, &value), TESSERA_STATUS_FROM_ERROR(3265));
    EXPECT_EQ(rs->lpVtbl->get_FieldByIndex(rs, -1, &value), TESSERA_STATUS_FROM_ERROR(3265));
    EXPECT_EQ(rs->lpVtbl->get_Field(rs, "Nope", &value), TESSERA_STATUS_FROM_ERROR(3265));
    EXPECT_EQ(rs->lpVtbl->get_FieldName(rs, 99, &name), TESSERA_STATUS_FROM_ERROR(3265));
    EXPECT_EQ(name, nullptr);

    ASSERT_EQ(rs->lpVtbl->Close(rs), TESSERA_S_OK);
    EXPECT_TRUE(TESSERA_FAILED(rs->lpVtbl->get_RecordCount(rs, &count))) << "a closed record set refuses";
    EXPECT_EQ(rs->lpVtbl->Release(rs), 0u);
}

TEST_P(TesseraRecordsets, RowsAreAddedAndChangedThroughTheInterface) {
    TesseraBool done = TESSERA_FALSE;
    db->lpVtbl->CreateTheme(db, "Day", nullptr, nullptr, nullptr, &done);
    TesseraRecordset* rs = nullptr;
    ASSERT_EQ(db->lpVtbl->LoadTheme(db, "Nothing", &rs), TESSERA_S_OK);
    ASSERT_NE(rs, nullptr);
    ASSERT_EQ(rs->lpVtbl->AddNew(rs), TESSERA_S_OK);
    TesseraVariant name = text("Night");
    ASSERT_EQ(rs->lpVtbl->put_Field(rs, "Theme_Name", &name), TESSERA_S_OK);
    TesseraVariant bytes{};
    std::uint8_t data[] = {'B', 'M', 0, 1, 2, 255};
    bytes.vt = TESSERA_VT_BYTES;
    bytes.u.bytes.data = data;
    bytes.u.bytes.size = sizeof data;
    ASSERT_EQ(rs->lpVtbl->put_Field(rs, "Theme_LogoSetup", &bytes), TESSERA_S_OK);
    TesseraVariant unsupported{};
    unsupported.vt = 99;
    EXPECT_EQ(rs->lpVtbl->put_Field(rs, "Theme_LogoSplash", &unsupported), TESSERA_STATUS_FROM_ERROR(13));
    ASSERT_EQ(rs->lpVtbl->Update(rs), TESSERA_S_OK);
    rs->lpVtbl->Release(rs);

    // Read back by name through dispatch.
    ASSERT_EQ(db->lpVtbl->LoadTheme(db, "Night", &rs), TESSERA_S_OK);
    TesseraVariant field = text("theme_logosetup");
    Result value;
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "Field"), TESSERA_DISPATCH_PROPERTYGET, &field, 1, &value.value),
              TESSERA_S_OK);
    ASSERT_EQ(value.value.vt, TESSERA_VT_BYTES);
    ASSERT_EQ(value.value.u.bytes.size, sizeof data);
    EXPECT_EQ(std::memcmp(value.value.u.bytes.data, data, sizeof data), 0);

    Result count, eof, none;
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "recordcount"), TESSERA_DISPATCH_PROPERTYGET, nullptr, 0, &count.value),
              TESSERA_S_OK);
    EXPECT_EQ(count.value.vt, TESSERA_VT_I4);
    EXPECT_EQ(count.value.u.lVal, 1);
    TesseraVariant put[] = {integer(1), text("Renamed")};
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, TESSERA_DISPID_RS_Field, TESSERA_DISPATCH_PROPERTYPUT, put, 2, nullptr),
              TESSERA_S_OK);
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "Update"), TESSERA_DISPATCH_METHOD, nullptr, 0, &none.value),
              TESSERA_S_OK);
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "MoveNext"), TESSERA_DISPATCH_METHOD, nullptr, 0, &none.value),
              TESSERA_S_OK);
    ASSERT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "EOF"), TESSERA_DISPATCH_PROPERTYGET, nullptr, 0, &eof.value),
              TESSERA_S_OK);
    EXPECT_EQ(eof.value.u.boolVal, TESSERA_TRUE);
    EXPECT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "Field"), TESSERA_DISPATCH_PROPERTYGET, &field, 1, &none.value),
              TESSERA_STATUS_FROM_ERROR(3021));
    EXPECT_EQ(rs->lpVtbl->Invoke(rs, id(rs, "MoveFirst"), TESSERA_DISPATCH_METHOD, &field, 1, &none.value),
              TESSERA_DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(rs->lpVtbl->Invoke(rs, 77, TESSERA_DISPATCH_METHOD, nullptr, 0, &none.value),
              TESSERA_DISP_E_MEMBERNOTFOUND);
    rs->lpVtbl->Release(rs);

    std::int16_t key = 0;
    db->lpVtbl->GetThemeKey(db, "Renamed", &key);
    EXPECT_GT(key, 0);
}

TEST(TesseraValues, ClearingReleasesWhatAVariantOwns) {
    TesseraVariant value{};
    EXPECT_EQ(TesseraVariantClear(nullptr), TESSERA_E_POINTER);
    EXPECT_EQ(TesseraVariantClear(&value), TESSERA_S_OK);
    TesseraFreeString(nullptr);
    // A successful call leaves no error behind.
    TesseraClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              TESSERA_S_OK);
    factory->lpVtbl->Release(factory);
    std::int32_t number = -1;
    char* description = reinterpret_cast<char*>(1);
    EXPECT_EQ(TesseraGetErrorInfo(&number, &description, nullptr), TESSERA_S_FALSE);
    EXPECT_EQ(number, 0);
    EXPECT_EQ(description, nullptr);
}

}  // namespace
}  // namespace portico::test
