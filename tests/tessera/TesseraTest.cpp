#include "tests/tessera/TesseraFixture.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <fstream>
#include <future>
#include <set>

namespace portico::test {
namespace {

// The interface is laid out as a dual interface: three reference-counting
// slots, four dispatch slots, then the members in their published order.
constexpr std::size_t slot(std::size_t index) { return index * sizeof(void*); }
static_assert(offsetof(_clsDBRoutinesVtbl, QueryInterface) == slot(0));
static_assert(offsetof(_clsDBRoutinesVtbl, Invoke) == slot(6));
static_assert(offsetof(_clsDBRoutinesVtbl, openDatabase) == slot(7));
static_assert(offsetof(_clsDBRoutinesVtbl, put_DefaultIconPath) == slot(8));
static_assert(offsetof(_clsDBRoutinesVtbl, get_exportThemePath) == slot(11));
static_assert(offsetof(_clsDBRoutinesVtbl, AddProgramImage) == slot(7 + 14));
static_assert(offsetof(_clsDBRoutinesVtbl, GetObjectKey) == slot(7 + 27));
static_assert(offsetof(_clsDBRoutinesVtbl, GetFolders) == slot(7 + 38));
static_assert(offsetof(_clsDBRoutinesVtbl, getDefaultTheme) == slot(7 + 48));
static_assert(sizeof(_clsDBRoutinesVtbl) == slot(7 + 49));
static_assert(sizeof(TesseraVariant) == 24);

std::set<std::string> filesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

// ---- objects, factory, unloading ----------------------------------------

TEST(TesseraServer, FactoryAnswersOnlyForItsClassAndInterfaces) {
    void* object = reinterpret_cast<void*>(1);
    TesseraGuid other = TESSERA_CLSID_clsDBRoutines;
    other.Data4[7] ^= 0xFF;
    EXPECT_EQ(DllGetClassObject(&other, &TESSERA_IID_IClassFactory, &object), TESSERA_CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID__clsDBRoutines, &object),
              TESSERA_E_NOINTERFACE);
    EXPECT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory, nullptr), TESSERA_E_POINTER);

    TesseraClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              TESSERA_S_OK);
    TesseraUnknown outer{};
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, &outer, &TESSERA_IID__clsDBRoutines, &object),
              TESSERA_CLASS_E_NOAGGREGATION);
    EXPECT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID_IClassFactory, &object),
              TESSERA_E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(factory->lpVtbl->Release(factory), 0u);
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_OK);
}

TEST(TesseraServer, ObjectsAndLocksKeepTheLibraryLoaded) {
    ASSERT_EQ(DllCanUnloadNow(), TESSERA_S_OK);
    TesseraClassFactory* factory = nullptr;
    ASSERT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IUnknown,
                                reinterpret_cast<void**>(&factory)),
              TESSERA_S_OK);
    EXPECT_EQ(factory->lpVtbl->LockServer(factory, TESSERA_TRUE), TESSERA_S_OK);
    _clsDBRoutines* db = nullptr;
    ASSERT_EQ(factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID_IDispatch, reinterpret_cast<void**>(&db)),
              TESSERA_S_OK);
    factory->lpVtbl->Release(factory);

    TesseraUnknown* unknown = nullptr;
    ASSERT_EQ(db->lpVtbl->QueryInterface(db, &TESSERA_IID_IUnknown, reinterpret_cast<void**>(&unknown)), TESSERA_S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(db));
    EXPECT_EQ(db->lpVtbl->AddRef(db), 3u);
    EXPECT_EQ(db->lpVtbl->Release(db), 2u);
    EXPECT_EQ(unknown->lpVtbl->Release(unknown), 1u);
    EXPECT_EQ(db->lpVtbl->Release(db), 0u);
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_FALSE) << "the server lock is still held";

    ASSERT_EQ(DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
                                reinterpret_cast<void**>(&factory)),
              TESSERA_S_OK);
    factory->lpVtbl->LockServer(factory, TESSERA_FALSE);
    factory->lpVtbl->LockServer(factory, TESSERA_FALSE);  // one unlock too many changes nothing
    factory->lpVtbl->Release(factory);
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_OK);
}

TEST(TesseraServer, PredeclaredInstanceIsSharedAndDoesNotPinTheLibrary) {
    _clsDBRoutines* first = nullptr;
    _clsDBRoutines* second = nullptr;
    ASSERT_EQ(TesseraGetPredeclaredInstance(&TESSERA_IID__clsDBRoutines, reinterpret_cast<void**>(&first)),
              TESSERA_S_OK);
    ASSERT_EQ(TesseraGetPredeclaredInstance(&TESSERA_IID_IDispatch, reinterpret_cast<void**>(&second)), TESSERA_S_OK);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first->lpVtbl->put_DefaultIconPath(first, "/shared/icon.bmp"), TESSERA_S_OK);
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_FALSE);
    first->lpVtbl->Release(first);
    second->lpVtbl->Release(second);
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_OK);

    _clsDBRoutines* again = nullptr;
    ASSERT_EQ(TesseraGetPredeclaredInstance(&TESSERA_IID__clsDBRoutines, reinterpret_cast<void**>(&again)),
              TESSERA_S_OK);
    char* path = nullptr;
    EXPECT_EQ(again->lpVtbl->get_DefaultIconPath(again, &path), TESSERA_S_OK);
    EXPECT_EQ(take(path), "/shared/icon.bmp") << "one implicit instance, kept between uses";
    again->lpVtbl->put_DefaultIconPath(again, "");
    again->lpVtbl->Release(again);
}

// ---- registration --------------------------------------------------------

TEST(TesseraRegistry, RegistersBesideOtherComponentsAndUnregistersOnlyItself) {
    TempFolder folder;
    ::setenv("XDG_CONFIG_HOME", folder.str().c_str(), 1);
    const auto file = folder / "components/registry.ini";
    folder.write("components/registry.ini", "; mine\n[ProgID\\Other.Thing]\nCLSID={1}\n");

    ASSERT_EQ(DllRegisterServer(), TESSERA_S_OK);
    ASSERT_EQ(DllRegisterServer(), TESSERA_S_OK) << "registering twice replaces, never duplicates";
    const std::string text = TempFolder::read(file);
    EXPECT_EQ(text.find("; mine\n[ProgID\\Other.Thing]\nCLSID={1}\n"), 0u) << text;
    EXPECT_NE(text.find("[ProgID\\Tessera.clsDBRoutines]\nCLSID={0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[TypeLib\\{0155B683-C202-4BB1-95BA-B4A4CEF79DF1}]\nName=Tessera\nVersion=26.0\nLCID=1033\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("[Interface\\{DF8DFEE7-F865-46E3-A453-142999174A48}]\nName=_clsDBRoutines\n"),
              std::string::npos);
    EXPECT_NE(text.find("FileVersion=1.0.0.22\n"), std::string::npos);
    EXPECT_EQ(text.find("[CLSID\\{0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}]"),
              text.rfind("[CLSID\\{0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}]"));

    // The registered library is the one that answers.
    const auto serverLine = text.find("InprocServer=");
    ASSERT_NE(serverLine, std::string::npos);
    const auto server = text.substr(serverLine + 13, text.find('\n', serverLine) - serverLine - 13);
    EXPECT_TRUE(std::filesystem::path(server).is_absolute());
    EXPECT_TRUE(std::filesystem::exists(server)) << server;
    EXPECT_NE(server.find("libTessera.so"), std::string::npos);

    ASSERT_EQ(DllUnregisterServer(), TESSERA_S_OK);
    const std::string after = TempFolder::read(file);
    EXPECT_EQ(after.find("Tessera"), std::string::npos) << after;
    EXPECT_EQ(after.find("; mine\n[ProgID\\Other.Thing]\nCLSID={1}\n"), 0u) << after;
    EXPECT_EQ(DllUnregisterServer(), TESSERA_S_OK) << "nothing left to remove is no failure";
}

TEST(TesseraRegistry, SurvivesAFileOfGarbage) {
    TempFolder folder;
    ::setenv("XDG_CONFIG_HOME", folder.str().c_str(), 1);
    std::string garbage = "[unclosed\n]\n[]\n=\n[ProgID\\Tessera.clsDBRoutines\nCLSID\r\n";
    for (int i = 0; i < 512; ++i) garbage += static_cast<char>((i * 37) & 0xFF);
    folder.write("components/registry.ini", garbage);
    ASSERT_EQ(DllRegisterServer(), TESSERA_S_OK);
    const std::string text = TempFolder::read(folder / "components/registry.ini");
    EXPECT_NE(text.find("[ProgID\\Tessera.clsDBRoutines]\nCLSID={0B6A0E46"), std::string::npos);
    ASSERT_EQ(DllUnregisterServer(), TESSERA_S_OK);
    EXPECT_EQ(TempFolder::read(folder / "components/registry.ini").find("{0B6A0E46"), std::string::npos);
}

TEST(TesseraRegistry, ReportsAFileItCannotWrite) {
    TempFolder folder;
    folder.write("blocked", "a file where the folder should be");
    ::setenv("XDG_CONFIG_HOME", (folder / "blocked").c_str(), 1);
    EXPECT_EQ(DllRegisterServer(), TESSERA_SELFREG_E_CLASS);
    int32_t number = 0;
    char* description = nullptr;
    EXPECT_EQ(TesseraGetErrorInfo(&number, &description, nullptr), TESSERA_S_OK);
    EXPECT_FALSE(take(description).empty());
}

TEST(TesseraRegistry, AFifoIsRefusedNotWaitedOn) {
    TempFolder folder;
    ::setenv("XDG_CONFIG_HOME", folder.str().c_str(), 1);
    std::filesystem::create_directories(folder / "components");
    const auto fifo = folder / "components/registry.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto registering = std::async(std::launch::async, [] { return DllRegisterServer(); });
    auto unregistering = std::async(std::launch::async, [] { return DllUnregisterServer(); });
    for (auto* call : {&registering, &unregistering}) {
        if (call->wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Let the blocked reader go before failing, so the test can end.
            const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
            FAIL() << "registration waits on a FIFO";
        }
        EXPECT_EQ(call->get(), TESSERA_SELFREG_E_CLASS);
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(TesseraRegistry, LeavesOtherSectionsAsTheyWere) {
    TempFolder folder;
    ::setenv("XDG_CONFIG_HOME", folder.str().c_str(), 1);
    const std::string theirs = "; written on Windows\r\n[ProgID\\Other.Thing] ; their note\r\nCLSID={1}\r\nPath=C:\\a\rb\r\n";
    const auto file = folder.write("components/registry.ini", theirs);
    ASSERT_EQ(DllRegisterServer(), TESSERA_S_OK);
    EXPECT_EQ(TempFolder::read(file).rfind(theirs, 0), 0u) << TempFolder::read(file);
    ASSERT_EQ(DllUnregisterServer(), TESSERA_S_OK);
    EXPECT_EQ(TempFolder::read(file), theirs + "\n") << "only the blank line before our sections remains";
}

// ---- reports and errors ----------------------------------------------------

class TesseraReports : public TesseraFixture {};
PORTICO_ON_FILE_AND_SERVER(TesseraReports);

TEST_P(TesseraReports, GoToTheClientsHandlerElseToStandardError) {
    TesseraBool result = TESSERA_TRUE;
    ASSERT_EQ(db->lpVtbl->GetProgramImage(db, "Nobody", &result), TESSERA_S_OK);
    EXPECT_EQ(result, TESSERA_FALSE);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].text.rfind("3021, ", 0), 0u) << reports[0].text;
    EXPECT_EQ(reports[0].icon, TESSERA_ICON_CRITICAL);
    EXPECT_FALSE(reports[0].title.empty());

    TesseraSetMessageHandler(nullptr, nullptr);
    ::testing::internal::CaptureStderr();
    db->lpVtbl->GetProgramImage(db, "Nobody", &result);
    const std::string written = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("3021, "), std::string::npos) << written;
    EXPECT_EQ(reports.size(), 1u);
}

TEST_P(TesseraReports, PictureStorageReturnsItsErrorsThroughTheStatus) {
    picture("export/temp.bmp", 64, 1);
    ASSERT_TRUE(addProgram("Editor"));
    TesseraRecordset* rs = nullptr;
    ASSERT_EQ(db->lpVtbl->loadProgram(db, "Editor", &rs), TESSERA_S_OK);
    ASSERT_NE(rs, nullptr);
    const std::string missing = (folder / "missing.bmp").string();
    const char* path = missing.c_str();
    TesseraVariant result;
    EXPECT_EQ(db->lpVtbl->AddProgramImage(db, &rs, &path, &result), TESSERA_STATUS_FROM_ERROR(3002));
    int32_t number = 0;
    char* description = nullptr;
    char* source = nullptr;
    ASSERT_EQ(TesseraGetErrorInfo(&number, &description, &source), TESSERA_S_OK);
    EXPECT_EQ(number, 3002);
    EXPECT_EQ(take(description), "File could not be opened.");
    EXPECT_FALSE(take(source).empty());

    const char* field = "No_Such_Column";
    picture("pic.bmp", 10, 1);
    const std::string existing = (folder / "pic.bmp").string();
    path = existing.c_str();
    EXPECT_EQ(db->lpVtbl->AddThemeImage(db, &rs, &path, &field, &result), TESSERA_STATUS_FROM_ERROR(3265));
    EXPECT_TRUE(reports.empty()) << "these members trap nothing and report nothing";

    // Only a record set of this library will do.
    TesseraRecordsetVtbl foreignTable{};
    TesseraRecordset foreign{&foreignTable};
    TesseraRecordset* foreignPointer = &foreign;
    EXPECT_TRUE(TESSERA_FAILED(db->lpVtbl->AddProgramImage(db, &foreignPointer, &path, &result)));
    TesseraRecordset* none = nullptr;
    EXPECT_TRUE(TESSERA_FAILED(db->lpVtbl->AddProgramImage(db, &none, &path, &result)));
    EXPECT_TRUE(TESSERA_FAILED(db->lpVtbl->AddProgramImage(db, nullptr, &path, &result)));

    // A successful call clears the error of the last one.
    EXPECT_EQ(db->lpVtbl->AddProgramImage(db, &rs, &path, &result), TESSERA_S_OK);
    EXPECT_EQ(TesseraGetErrorInfo(&number, nullptr, nullptr), TESSERA_S_FALSE);
    rs->lpVtbl->Release(rs);
}

TEST_P(TesseraReports, NullPointersAreRefusedNotFollowed) {
    EXPECT_EQ(db->lpVtbl->loadPrograms(db, nullptr), TESSERA_E_POINTER);
    EXPECT_EQ(db->lpVtbl->getProgramPath(db, "x", nullptr), TESSERA_E_POINTER);
    const char* text = "x";
    TesseraBool result;
    EXPECT_EQ(db->lpVtbl->addProgram(db, "x", nullptr, &text, &text, nullptr, nullptr, &result), TESSERA_E_POINTER);
    EXPECT_EQ(db->lpVtbl->AddSecurity(db, "x", nullptr, "y", 1, &result), TESSERA_E_POINTER);
    // A null text is the empty text.
    char* path = nullptr;
    EXPECT_EQ(db->lpVtbl->getProgramPath(db, nullptr, &path), TESSERA_S_OK);
    EXPECT_EQ(take(path), "");
}

// ---- the library's behaviour of the data layer --------------------------------

class TesseraVariantBehaviour : public TesseraFixture {
protected:
    // Runs one statement on the catalogue behind the library's back.
    void execute(const std::string& catalogue, const std::string& sql) {
        if (onServer()) {
            PGconn* connection = PQconnectdb(catalogue.c_str());
            PGresult* result = PQexec(connection, sql.c_str());
            const std::string message = PQerrorMessage(connection);
            const bool done =
                PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
            PQclear(result);
            PQfinish(connection);
            ASSERT_TRUE(done) << message;
            return;
        }
        sqlite3* handle = nullptr;
        ASSERT_EQ(sqlite3_open(catalogue.c_str(), &handle), SQLITE_OK);
        char* error = nullptr;
        const int rc = sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        sqlite3_close(handle);
        ASSERT_EQ(rc, SQLITE_OK) << message;
    }

    long long count(const std::string& catalogue, const std::string& sql) {
        long long result = -1;
        if (onServer()) {
            PGconn* connection = PQconnectdb(catalogue.c_str());
            PGresult* rows = PQexec(connection, sql.c_str());
            if (PQresultStatus(rows) == PGRES_TUPLES_OK && PQntuples(rows) == 1)
                result = std::atoll(PQgetvalue(rows, 0, 0));
            PQclear(rows);
            PQfinish(connection);
            return result;
        }
        sqlite3* handle = nullptr;
        sqlite3_open(catalogue.c_str(), &handle);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            result = sqlite3_column_int64(statement, 0);
        sqlite3_finalize(statement);
        sqlite3_close(handle);
        return result;
    }
};
PORTICO_ON_FILE_AND_SERVER(TesseraVariantBehaviour);

TEST_P(TesseraVariantBehaviour, ProgramPicturesAreNamedAfterTheProgramInsideTheExportFolder) {
    const std::string bytes = picture("export/temp.bmp", 3072, 7);
    for (const char* name : {"Editor", "../../outside", "a/b\\c", "..", "/"}) {
        ASSERT_TRUE(addProgram(name)) << name;
        TesseraBool exported = TESSERA_FALSE;
        ASSERT_EQ(db->lpVtbl->GetProgramImage(db, name, &exported), TESSERA_S_OK);
        EXPECT_EQ(exported, TESSERA_TRUE) << name;
    }
    EXPECT_EQ(filesIn(exportFolder()), (std::set<std::string>{"temp.bmp", "Editor.bmp", ".._.._outside.bmp",
                                                               "a_b_c.bmp", "...bmp", "_.bmp"}));
    EXPECT_EQ(TempFolder::read(exportFolder() / "Editor.bmp"), bytes);
    std::set<std::string> files = {"export", "runtime"};
    if (!onServer()) files.insert("Portico.mdb");
    EXPECT_EQ(filesIn(folder.path()), files);
    EXPECT_TRUE(reports.empty());
}

TEST_P(TesseraVariantBehaviour, TheLongestProgramNamesGetTheirPictureFiles) {
    const std::string bytes = picture("export/temp.bmp", 500, 3);
    for (std::size_t length = 245; length <= 251; ++length) {
        const std::string name(length, static_cast<char>('a' + length % 26));
        ASSERT_TRUE(addProgram(name.c_str()));
        TesseraBool exported = TESSERA_FALSE;
        ASSERT_EQ(db->lpVtbl->GetProgramImage(db, name.c_str(), &exported), TESSERA_S_OK);
        EXPECT_EQ(exported, TESSERA_TRUE) << length;
        EXPECT_EQ(TempFolder::read(exportFolder() / (name + ".bmp")), bytes);
    }
    EXPECT_EQ(filesIn(exportFolder()).size(), 8u) << "temp.bmp and seven pictures, nothing half-written";
    EXPECT_TRUE(reports.empty()) << reports.front().text;
}

TEST_P(TesseraVariantBehaviour, BytesNeverBecomeAProgramName) {
    picture("export/temp.bmp", 64, 1);
    ASSERT_TRUE(addProgram("Editor"));
    TesseraRecordset* rs = nullptr;
    ASSERT_EQ(db->lpVtbl->loadProgram(db, "Editor", &rs), TESSERA_S_OK);
    ASSERT_EQ(rs->lpVtbl->AddNew(rs), TESSERA_S_OK);
    std::uint8_t data[] = {'B', 'M', 0, 0xFF};
    TesseraVariant bytes{};
    bytes.vt = TESSERA_VT_BYTES;
    bytes.u.bytes.data = data;
    bytes.u.bytes.size = sizeof data;
    EXPECT_EQ(rs->lpVtbl->put_Field(rs, "Program_Name", &bytes), TESSERA_STATUS_FROM_ERROR(13));
    int32_t number = 0;
    char* description = nullptr;
    ASSERT_EQ(TesseraGetErrorInfo(&number, &description, nullptr), TESSERA_S_OK);
    EXPECT_EQ(number, 13);
    EXPECT_NE(take(description).find("Type mismatch"), std::string::npos);

    const std::string file = folder.write("p.bmp", "BMpicture").string();
    const char* path = file.c_str();
    const char* field = "Program_Name";
    TesseraVariant ignored;
    EXPECT_EQ(db->lpVtbl->AddThemeImage(db, &rs, &path, &field, &ignored), TESSERA_STATUS_FROM_ERROR(13));
    TesseraVariant name{};
    name.vt = TESSERA_VT_BSTR;
    name.u.strVal = const_cast<char*>("Viewer");
    ASSERT_EQ(rs->lpVtbl->put_Field(rs, "Program_Name", &name), TESSERA_S_OK);
    ASSERT_EQ(rs->lpVtbl->Update(rs), TESSERA_S_OK);
    rs->lpVtbl->Release(rs);
    // A server's text column holds nothing but text; a file's column holds what it is given.
    if (!onServer()) {
        EXPECT_EQ(count(catalogue, "select count(*) from Program where typeof(Program_Name) <> 'text'"), 0);
    }
    EXPECT_EQ(count(catalogue, "select count(*) from Program"), 2);
}

TEST_P(TesseraVariantBehaviour, EmptyExportPathMeansTheUsersPictureFolder) {
    const std::string bytes = picture("export/temp.bmp", 100, 2);
    ASSERT_TRUE(addProgram("Editor"));
    ASSERT_EQ(db->lpVtbl->put_exportThemePath(db, ""), TESSERA_S_OK);
    TesseraBool exported = TESSERA_FALSE;
    ASSERT_EQ(db->lpVtbl->GetProgramImage(db, "Editor", &exported), TESSERA_S_OK);
    EXPECT_EQ(exported, TESSERA_TRUE);
    EXPECT_EQ(TempFolder::read(folder / "runtime/portico/Editor.bmp"), bytes);
}

TEST_P(TesseraVariantBehaviour, AddProgramReadsTempFromTheExportFolderElseTheDefaultIcon) {
    const std::string fallback = picture("Default.ico", 300, 3);
    const std::string fallbackPath = (folder / "Default.ico").string();
    ASSERT_EQ(db->lpVtbl->put_DefaultIconPath(db, fallbackPath.c_str()), TESSERA_S_OK);
    ASSERT_TRUE(addProgram("Fallback"));
    const std::string temp = picture("export/temp.bmp", 200, 4);
    ASSERT_TRUE(addProgram("Temp"));

    TesseraBool exported = TESSERA_FALSE;
    db->lpVtbl->GetProgramImage(db, "Fallback", &exported);
    EXPECT_EQ(TempFolder::read(exportFolder() / "Fallback.bmp"), fallback);
    db->lpVtbl->GetProgramImage(db, "Temp", &exported);
    EXPECT_EQ(TempFolder::read(exportFolder() / "Temp.bmp"), temp);
    EXPECT_TRUE(reports.empty());
}

TEST_P(TesseraVariantBehaviour, MissingExportFolderFailsEveryPictureTransferWithAReport) {
    picture("export/temp.bmp", 50, 5);
    ASSERT_TRUE(addProgram("Editor"));
    const std::string gone = (folder / "gone").string();
    ASSERT_EQ(db->lpVtbl->put_exportThemePath(db, gone.c_str()), TESSERA_S_OK);
    TesseraBool exported = TESSERA_TRUE;
    ASSERT_EQ(db->lpVtbl->GetProgramImage(db, "Editor", &exported), TESSERA_S_OK);
    EXPECT_EQ(exported, TESSERA_FALSE);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
}

TEST_P(TesseraVariantBehaviour, DeleteProgramTakesItsPermissionRowsWithIt) {
    picture("export/temp.bmp", 50, 6);
    ASSERT_TRUE(addProgram("Editor"));
    ASSERT_TRUE(addProgram("Viewer"));
    TesseraBool done = TESSERA_FALSE;
    db->lpVtbl->AddUser(db, "alice", "S-1", &done);
    db->lpVtbl->AddGroup(db, "staff", &done);
    EXPECT_EQ(done, TESSERA_TRUE);
    db->lpVtbl->GroupExists(db, "staff", &done);
    EXPECT_EQ(done, TESSERA_TRUE) << "AddGroup writes Group_Name";
    const std::int16_t granted = 1;
    for (auto [subject, program, type] : {std::tuple{"alice", "Editor", 1}, std::tuple{"staff", "Editor", 2},
                                          std::tuple{"alice", "Viewer", 1}}) {
        ASSERT_EQ(db->lpVtbl->AddSecurity(db, subject, &granted, program, static_cast<std::int16_t>(type), &done),
                  TESSERA_S_OK);
        ASSERT_EQ(done, TESSERA_TRUE) << subject << " " << program;
    }
    std::int16_t editor = 0, viewer = 0;
    db->lpVtbl->getProgramKey(db, "Editor", &editor);
    db->lpVtbl->getProgramKey(db, "Viewer", &viewer);
    ASSERT_EQ(count(catalogue, "select count(*) from Permission where Program_Key = " + std::to_string(editor)), 2);

    ASSERT_EQ(db->lpVtbl->deleteProgram(db, "Editor", &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_TRUE);
    EXPECT_EQ(count(catalogue, "select count(*) from Permission where Program_Key = " + std::to_string(editor)), 0);
    EXPECT_EQ(count(catalogue, "select count(*) from Permission where Program_Key = " + std::to_string(viewer)), 1);
    EXPECT_EQ(count(catalogue, "select count(*) from Program"), 1);
    EXPECT_TRUE(reports.empty());
}

TEST_P(TesseraVariantBehaviour, DeleteProgramChangesNothingWhenThePermissionsCannotGo) {
    picture("export/temp.bmp", 50, 6);
    ASSERT_TRUE(addProgram("Editor"));
    TesseraBool done = TESSERA_FALSE;
    const std::int16_t granted = 1;
    db->lpVtbl->AddUser(db, "alice", "S-1", &done);
    db->lpVtbl->AddSecurity(db, "alice", &granted, "Editor", 1, &done);
    if (onServer()) {
        execute(catalogue, "create function keep() returns trigger language plpgsql as "
                           "$$ begin raise exception 'kept'; end $$");
        execute(catalogue, "create trigger keep before delete on Permission for each row execute function keep()");
    } else {
        execute(catalogue, "create trigger keep before delete on Permission begin select raise(abort, 'kept'); end");
    }

    ASSERT_EQ(db->lpVtbl->deleteProgram(db, "Editor", &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_FALSE);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].text.find("kept"), std::string::npos) << reports[0].text;
    EXPECT_EQ(count(catalogue, "select count(*) from Program"), 1) << "the program stays with its permissions";
    EXPECT_EQ(count(catalogue, "select count(*) from Permission"), 1);
}

TEST_P(TesseraVariantBehaviour, ThemePicturesIncludingTheSetupPicture) {
    const std::string splash = picture("splash.bmp", 400, 8);
    const std::string setup = picture("setup.bmp", 500, 9);
    const std::string splashPath = (folder / "splash.bmp").string();
    const std::string setupPath = (folder / "setup.bmp").string();
    const char* splashArgument = splashPath.c_str();
    const char* setupArgument = setupPath.c_str();
    const char* blank = "  ";
    TesseraBool done = TESSERA_FALSE;
    ASSERT_EQ(db->lpVtbl->CreateTheme(db, "Day", &splashArgument, nullptr, nullptr, &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_TRUE);
    ASSERT_EQ(db->lpVtbl->CreateTheme(db, "Night", &blank, &blank, &setupArgument, &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_TRUE);
    EXPECT_EQ(count(catalogue, "select count(*) from Theme where Theme_Name = 'Night' and Theme_LogoSplash is null "
                               "and Theme_LogoAddRemove is null and length(Theme_LogoSetup) = 500"),
              1);

    const char* column = "Theme_LogoSetup";
    ASSERT_EQ(db->lpVtbl->GetThemeImage(db, "Night", &column, &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_TRUE);
    EXPECT_EQ(TempFolder::read(exportFolder() / "Theme_LogoSetup.bmp"), setup);
    column = "Theme_LogoSplash";
    ASSERT_EQ(db->lpVtbl->GetThemeImage(db, "Day", &column, &done), TESSERA_S_OK);
    EXPECT_EQ(TempFolder::read(exportFolder() / "Theme_LogoSplash.bmp"), splash);
    EXPECT_TRUE(reports.empty());

    // A picture that cannot be read leaves no theme behind.
    const std::string missing = (folder / "missing.bmp").string();
    const char* missingArgument = missing.c_str();
    ASSERT_EQ(db->lpVtbl->CreateTheme(db, "Broken", nullptr, nullptr, &missingArgument, &done), TESSERA_S_OK);
    EXPECT_EQ(done, TESSERA_FALSE);
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(count(catalogue, "select count(*) from Theme where Theme_Name = 'Broken'"), 0);
}

TEST_P(TesseraVariantBehaviour, RecordSetsOutliveTheObjectThatMadeThem) {
    picture("export/temp.bmp", 64, 1);
    ASSERT_TRUE(addProgram("Editor"));
    TesseraRecordset* rs = nullptr;
    ASSERT_EQ(db->lpVtbl->loadProperties(db, "Editor", &rs), TESSERA_S_OK);
    ASSERT_EQ(db->lpVtbl->Release(db), 0u);
    db = nullptr;
    EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_FALSE) << "the record set is still alive";
    TesseraVariant value;
    ASSERT_EQ(rs->lpVtbl->get_Field(rs, "programname", &value), TESSERA_S_OK);
    ASSERT_EQ(value.vt, TESSERA_VT_BSTR);
    EXPECT_STREQ(value.u.strVal, "Editor");
    TesseraVariantClear(&value);
    ASSERT_EQ(rs->lpVtbl->get_Field(rs, "AddedDate", &value), TESSERA_S_OK);
    ASSERT_TRUE(value.vt == TESSERA_VT_DATE || value.vt == TESSERA_VT_BSTR) << value.vt;
    EXPECT_EQ(std::string(value.u.strVal).size(), 10u) << "YYYY-MM-DD";
    TesseraVariantClear(&value);
    EXPECT_EQ(rs->lpVtbl->Release(rs), 0u);
}

}  // namespace
}  // namespace portico::test
