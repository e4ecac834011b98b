#pragma once

#include "database/CatalogueFile.h"
#include "tessera/Tessera.h"
#include "tests/support/PostgresTestServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestEngine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace portico::test {

struct Report {
    std::string text;
    std::string title;
    int icon;
};

// Text the library returned, freed.
inline std::string take(char* text) {
    std::string value = text ? text : "<null>";
    TesseraFreeString(text);
    return value;
}

// A catalogue (a file in a temporary folder, or a database of the process's
// throwaway server, as the test's engine says), the per-user folders pointed into
// that folder, the library's reports recorded, and one clsDBRoutines created
// through the library's class factory and opened on the catalogue.
class TesseraFixture : public ::testing::TestWithParam<TestEngine> {
protected:
    bool onServer() const { return engine_ == TestEngine::Server; }

    void SetUp() override {
        ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", (folder / "runtime").c_str(), 1);
        std::filesystem::create_directories(folder / "runtime");
        std::filesystem::create_directories(exportFolder());
        if (onServer()) {
            PostgresTestServer* server = PostgresTestServer::shared();
            if (!server) GTEST_SKIP() << "no PostgreSQL server: " << PostgresTestServer::unavailableReason();
            catalogue = server->createCatalogue();
        } else {
            catalogue = (folder / "Portico.mdb").string();
            CatalogueFile::create(catalogue);
        }
        TesseraSetMessageHandler(&TesseraFixture::record, &reports);
        db = create();
        ASSERT_NE(db, nullptr);
        ASSERT_EQ(db->lpVtbl->put_exportThemePath(db, exportFolder().c_str()), TESSERA_S_OK);
        TesseraVariant ignored;
        ASSERT_EQ(db->lpVtbl->openDatabase(db, catalogue.c_str(), &ignored), TESSERA_S_OK);
        if (!reports.empty()) FAIL() << reports.front().text;
    }

    void TearDown() override {
        if (db) {
            EXPECT_EQ(db->lpVtbl->Release(db), 0u);
        }
        TesseraSetMessageHandler(nullptr, nullptr);
        EXPECT_EQ(DllCanUnloadNow(), TESSERA_S_OK);
    }

    static _clsDBRoutines* create() {
        TesseraClassFactory* factory = nullptr;
        if (DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
                              reinterpret_cast<void**>(&factory)) != TESSERA_S_OK)
            return nullptr;
        _clsDBRoutines* object = nullptr;
        factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID__clsDBRoutines,
                                        reinterpret_cast<void**>(&object));
        factory->lpVtbl->Release(factory);
        return object;
    }

    static void record(void* context, const char* text, const char* title, int32_t icon) {
        static_cast<std::vector<Report>*>(context)->push_back({text, title, icon});
    }

    std::filesystem::path exportFolder() const { return folder / "export"; }

    // Writes a picture file of `size` bytes whose content depends on `seed`.
    std::string picture(const std::string& name, std::size_t size, int seed) const {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 13 + seed * 101) & 0xFF);
        folder.write(name, bytes);
        return bytes;
    }

    bool addProgram(const char* name) {
        const char* desc = "description";
        const char* path = "/usr/bin/true";
        const char* file = "";
        TesseraBool added = TESSERA_FALSE;
        EXPECT_EQ(db->lpVtbl->addProgram(db, name, &desc, &path, &file, nullptr, nullptr, &added), TESSERA_S_OK);
        return added == TESSERA_TRUE;
    }

    const TestEngine engine_ = runningEngine();
    TempFolder folder;
    std::string catalogue;  // the file's path or the server's connection string
    std::vector<Report> reports;
    _clsDBRoutines* db = nullptr;
};

}  // namespace portico::test
