#include "database/Connection.h"
#include "database/Stream.h"
#include "tests/database/CatalogueFixture.h"

#include <functional>

namespace portico::test {
namespace {

using ::testing::ElementsAre;

long errorNumber(const std::function<void()>& action) {
    try {
        action();
    } catch (const PorticoError& error) {
        return error.number();
    }
    return 0;
}

TEST(VariantTest, ConversionsRaiseTheRuntimeErrors) {
    EXPECT_EQ(Variant(32767).toInt16(), 32767);
    EXPECT_EQ(Variant(-32768).toInt16(), -32768);
    EXPECT_EQ(Variant(" 12 ").toInt16(), 12);
    EXPECT_EQ(errorNumber([] { Variant(32768).toInt16(); }), 6);
    EXPECT_EQ(errorNumber([] { Variant(1e300).toInt64(); }), 6);
    EXPECT_EQ(errorNumber([] { Variant::null().toText(); }), 94);
    EXPECT_EQ(errorNumber([] { Variant::null().toInt16(); }), 94);
    EXPECT_EQ(errorNumber([] { Variant("abc").toInt16(); }), 13);
    EXPECT_EQ(errorNumber([] { Variant("12abc").toInt16(); }), 13);
    EXPECT_EQ(errorNumber([] { Variant(Bytes{1}).toText(); }), 13);
    EXPECT_EQ(errorNumber([] { Variant("x").bytes(); }), 13);
    EXPECT_EQ(Variant().toText(), "");
    EXPECT_EQ(Variant().toInt16(), 0);
    EXPECT_EQ(Variant(2.5).toText(), "2.5");
    EXPECT_EQ(Variant::date("2024-02-29").toText(), "2024-02-29");
}

class RecordsetTest : public CatalogueTest {
protected:
    RecordsetTest() {
        connection = std::make_shared<Connection>();
        connection->setConnectionString(connectionString());
        connection->Open();
    }
    std::shared_ptr<Connection> connection;
};
PORTICO_ON_FILE_AND_SERVER(RecordsetTest);

TEST_P(RecordsetTest, NavigationAndMissingRows) {
    db->AddFolder("b", "/b");
    db->AddFolder("a", "/a");
    Recordset rs;
    rs.Open("Select Folder_Name as Name, Folder_Path from Folder order by Folder_Name", connection);
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.Fields("NAME").Value().toText(), "a");
    rs.MoveNext();
    EXPECT_EQ(rs.Fields(1).Value().toText(), "/b");
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    EXPECT_EQ(errorNumber([&] { rs.Fields("Name").Value(); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.MoveNext(); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.Fields("Folder_Name"); }), 3265);
    EXPECT_EQ(errorNumber([&] { rs.Fields(2); }), 3265);
    rs.MoveFirst();
    EXPECT_EQ(rs.Fields("name").Value().toText(), "a");
    // A result that joins or computes has no row to write back to.
    EXPECT_EQ(errorNumber([&] { rs.Fields("Name").setValue("c"); }), 3251);
    rs.Close();
    EXPECT_EQ(rs.State(), Recordset::adStateClosed);
    EXPECT_EQ(errorNumber([&] { rs.RecordCount(); }), 3704);
}

TEST_P(RecordsetTest, CurrentRowOfASingleTableQueryIsWrittenBack) {
    db->CreateTheme("Plain");
    db->CreateTheme("Dark");
    Recordset rs;
    rs.Open("Select * from Theme where Theme_Name = ?", connection, {"Dark"});
    rs.Fields("Theme_LogoSetup").setValue(Bytes{1, 2, 3});
    rs.Fields("Theme_Name").setValue("Darker");
    rs.Update();

    Recordset check;
    check.Open("Select Theme_Name, Theme_LogoSetup from Theme order by Theme_Key", connection);
    EXPECT_THAT(column(check, "Theme_Name"), ElementsAre("Plain", "Darker"));
    check.MoveFirst();
    check.MoveNext();
    EXPECT_EQ(check.Fields("Theme_LogoSetup").Value(), Variant(Bytes{1, 2, 3}));
}

TEST_P(RecordsetTest, AddNewWithoutFetchingTheTableAndThenEditTheNewRow) {
    db->AddFolder("existing", "/e");
    Recordset rs;
    rs.OpenTable("[Theme]", connection);
    EXPECT_EQ(rs.RecordCount(), 0);
    rs.AddNew();
    rs.Fields("Theme_Name").setValue("New");
    rs.Fields("Theme_LogoSplash").setValue(Bytes{});
    rs.Update();
    EXPECT_EQ(rs.Fields("Theme_Key").Value().toInt16(), 1);
    EXPECT_TRUE(rs.Fields("Theme_LogoAddRemove").Value().isNull());
    rs.Fields("Theme_Name").setValue("Renamed");
    rs.Update();
    EXPECT_EQ(db->GetThemeName(1), "Renamed");
    // An empty picture stays an empty picture, not a missing one.
    EXPECT_TRUE(db->GetThemeImage("Renamed", "Theme_LogoSplash"));
    EXPECT_EQ(std::filesystem::file_size(pictureFile("Theme_LogoSplash.bmp")), 0u);
    EXPECT_TRUE(sink.messages.empty());

    rs.AddNew();
    rs.Fields("Theme_Name").setValue("Abandoned");
    rs.CancelUpdate();
    EXPECT_EQ(db->GetThemeKey("Abandoned"), 0);

    // Folders have no key: new rows go in, stored rows cannot be changed.
    Recordset folders;
    folders.OpenTable("Folder", connection);
    folders.AddNew();
    folders.Fields("Folder_Name").setValue("f");
    folders.Update();
    EXPECT_EQ(errorNumber([&] { folders.Fields("Folder_Name").setValue("g"); }), 3251);
}

TEST_P(RecordsetTest, StatementsRunAndWrongParameterCountsAreRefused) {
    Recordset rs;
    rs.Open("Update Settings Set Theme_Key = ?", connection, {7});
    EXPECT_EQ(rs.State(), Recordset::adStateClosed);
    rs.Open("Select Theme_Key from Settings", connection);
    EXPECT_EQ(rs.Fields("Theme_Key").Value().toInt16(), 7);
    Recordset wrong;
    EXPECT_EQ(errorNumber([&] { wrong.Open("Select * from Theme where Theme_Name = ?", connection, {}); }), 3001);
    // The engine's own number: SQLite's SQLITE_ERROR, the server's SQLSTATE 42601 (syntax error).
    EXPECT_EQ(errorNumber([&] { wrong.Open("Select nonsense from", connection); }), onServer() ? 42601 : 1);
    connection->Close();
    EXPECT_EQ(errorNumber([&] { wrong.Open("Select 1", connection); }), 3709);
}

TEST(StreamTest, FileErrorsCarryAdoNumbers) {
    TempFolder folder;
    Stream stream;
    EXPECT_EQ(errorNumber([&] { stream.Read(); }), 3704);
    stream.Open();
    EXPECT_EQ(errorNumber([&] { stream.LoadFromFile(folder / "missing"); }), 3002);
    EXPECT_EQ(errorNumber([&] { stream.LoadFromFile(folder.path()); }), 3002);
    EXPECT_EQ(errorNumber([&] { stream.Write(Variant::null()); }), 3001);
    EXPECT_EQ(errorNumber([&] { stream.Write(Variant("text")); }), 3001);
    stream.Write(Bytes{'a', 'b'});
    const auto file = folder / "out.bmp";
    stream.SaveToFile(file, Stream::adSaveCreateOverWrite);
    EXPECT_EQ(errorNumber([&] { stream.SaveToFile(file); }), 3004);
    EXPECT_EQ(errorNumber([&] { stream.SaveToFile(folder / "no" / "dir.bmp", Stream::adSaveCreateOverWrite); }), 3004);
    EXPECT_EQ(TempFolder::read(file), "ab");

    // A planted link is never followed when a picture is written.
    const auto target = folder.write("victim", "precious");
    std::filesystem::create_symlink(target, folder / "link.bmp");
    stream.SaveToFile(folder / "link.bmp", Stream::adSaveCreateOverWrite);
    EXPECT_EQ(TempFolder::read(target), "precious");
    EXPECT_FALSE(std::filesystem::is_symlink(folder / "link.bmp"));
    EXPECT_EQ(TempFolder::read(folder / "link.bmp"), "ab");
    // Failed saves leave nothing half-written behind.
    std::filesystem::create_directory(folder / "taken.bmp");
    EXPECT_EQ(errorNumber([&] { stream.SaveToFile(folder / "taken.bmp", Stream::adSaveCreateOverWrite); }), 3004);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 4);  // out, victim, link, taken
}

}  // namespace
}  // namespace portico::test
