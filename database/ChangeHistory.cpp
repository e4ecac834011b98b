#include "database/ChangeHistory.h"

#include "database/Engine.h"
#include "database/NameFold.h"
#include "database/PostgresDialect.h"
#include "database/Sha256.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <sqlite3.h>

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <strings.h>

namespace portico {

extern const char* const kServerHistorySchema;

namespace {

// A tracked column: its name in the history and its value, an expression over
// the row `$` (replaced by OLD or NEW); pictures are recorded by digest.
struct TrackedField {
    const char* field;
    const char* value;
    bool picture = false;
    // A column that an older catalogue file may lack: recorded only where it is.
    const char* addedColumn = nullptr;
};

// A catalogue table whose changes are recorded, what its rows are called, and
// the expressions for the key and the name that identify a row.
struct TrackedTable {
    const char* table;
    const char* what;
    const char* key;
    const char* name;
    std::vector<TrackedField> fields;
};

const std::vector<TrackedTable>& trackedTables() {
    static const std::vector<TrackedTable> tables = {
        {"Program",
         "program",
         "$.Program_Key",
         "$.Program_Name",
         {{"name", "$.Program_Name"},
          {"description", "$.Program_Desc"},
          {"path", "$.Program_Path"},
          {"start in", "$.Program_StartInDir"},
          {"parameters", "$.Program_StartUpParms"},
          {"added", "$.Program_Added_Date"},
          {"picture", "$.Program_Icon", true},
          {"picture kind", "$.Program_ResType"},
          {"runs in a terminal", "CASE WHEN coalesce($.Program_Terminal, 0) <> 0 THEN 'yes' END", false,
           "program_terminal"}}},
        {"Permission",
         "grant",
         "CAST($.Program_Key AS TEXT) || '/' || CAST($.Object_Type AS TEXT) || '/' || CAST($.Object_Key AS TEXT)",
         "coalesce((SELECT Program_Name FROM Program WHERE Program_Key = $.Program_Key), 'program ' || "
         "CAST($.Program_Key AS TEXT)) || ': ' || CASE $.Object_Type "
         "WHEN 1 THEN 'user ' || coalesce((SELECT User_Name FROM [User] WHERE User_Key = $.Object_Key), "
         "CAST($.Object_Key AS TEXT)) "
         "WHEN 2 THEN 'group ' || coalesce((SELECT Group_Name FROM [Group] WHERE Group_Key = $.Object_Key), "
         "CAST($.Object_Key AS TEXT)) "
         "ELSE 'object ' || CAST($.Object_Key AS TEXT) END",
         {{"program", "$.Program_Key"},
          {"object type", "$.Object_Type"},
          {"object", "$.Object_Key"},
          {"status", "$.Permission_Status"}}},
        {"[User]", "user", "$.User_Key", "$.User_Name", {{"name", "$.User_Name"}, {"SID", "$.User_SID"}}},
        {"[Group]", "group", "$.Group_Key", "$.Group_Name", {{"name", "$.Group_Name"}}},
        {"Folder", "folder", "NULL", "$.Folder_Name", {{"name", "$.Folder_Name"}, {"path", "$.Folder_Path"}}},
        {"Theme",
         "theme",
         "$.Theme_Key",
         "$.Theme_Name",
         {{"name", "$.Theme_Name"},
          {"splash picture", "$.Theme_LogoSplash", true},
          {"add/remove picture", "$.Theme_LogoAddRemove", true},
          {"setup picture", "$.Theme_LogoSetup", true}}},
        {"Settings",
         "default theme",
         "NULL",
         "NULL",
         {{"theme", "CASE WHEN $.Theme_Key IS NULL THEN NULL ELSE coalesce((SELECT Theme_Name FROM Theme WHERE "
                    "Theme_Key = $.Theme_Key), 'theme ' || CAST($.Theme_Key AS TEXT)) END"}}},
        {"Usage_Setting",
         "usage recording",
         "NULL",
         "NULL",
         {{"recording", "CASE $.Usage_Recording WHEN 0 THEN 'off' WHEN 1 THEN 'counts' WHEN 2 THEN "
                        "'counts per user' ELSE CAST($.Usage_Recording AS TEXT) END"}}},
    };
    return tables;
}

std::string bare(const char* table) {
    std::string name = table;
    if (name.front() == '[') name = name.substr(1, name.size() - 2);
    return name;
}

std::string onRow(const std::string& expression, const char* row) {
    std::string result;
    for (std::size_t i = 0; i < expression.size(); ++i) {
        if (expression.compare(i, 2, "$.") == 0) {
            result += row;
            result += '.';
            ++i;
        } else {
            result += expression[i];
        }
    }
    return result;
}

enum class Operation { Insert, Update, Delete };

// The SQL of recording one operation on one table, for a file's triggers or a server's.
class TriggerText {
public:
    // `lacking` names the (lower-case) added columns the table does not have.
    TriggerText(const TrackedTable& table, Operation operation, bool server, const std::set<std::string>& lacking = {})
        : table_(table), operation_(operation), server_(server) {
        for (const TrackedField& field : table.fields)
            if (!field.addedColumn || !lacking.count(field.addedColumn)) fields_.push_back(field);
    }

    const char* action() const {
        return operation_ == Operation::Insert ? "added" : operation_ == Operation::Update ? "changed" : "deleted";
    }
    const char* event() const {
        return operation_ == Operation::Insert ? "INSERT" : operation_ == Operation::Update ? "UPDATE" : "DELETE";
    }
    const char* row() const { return operation_ == Operation::Delete ? "OLD" : "NEW"; }

    // A field's value as recorded: text compared letter by letter, pictures by digest.
    std::string value(const TrackedField& field, const char* row) const {
        const std::string expression = onRow(field.value, row);
        if (field.picture) return "portico_digest(" + expression + ")";
        return server_ ? "CAST(" + expression + " AS text) COLLATE \"C\"" : "(" + expression + ")";
    }

    std::string distinct(const std::string& before, const std::string& after) const {
        return server_ ? before + " IS DISTINCT FROM " + after : before + " IS NOT " + after + " COLLATE BINARY";
    }

    // True when an update changed some tracked field.
    std::string changed() const {
        std::string condition;
        for (const TrackedField& field : fields_) {
            if (!condition.empty()) condition += " OR ";
            const std::string before = field.picture ? onRow(field.value, "OLD") : value(field, "OLD");
            const std::string after = field.picture ? onRow(field.value, "NEW") : value(field, "NEW");
            condition += distinct(before, after);
        }
        return "(" + condition + ")";
    }

    std::string insertChange() const {
        const std::string when = server_ ? "to_char(now() AT TIME ZONE 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.MS\"Z\"')"
                                         : "strftime('%Y-%m-%dT%H:%M:%fZ', 'now')";
        const std::string who = server_ ? "session_user" : "portico_who()";
        return "INSERT INTO History_Change (Change_When, Change_Who, Change_Action, Change_Table, Change_Row, "
               "Change_Name) VALUES (" +
               when + ", " + who + ", '" + action() + "', '" + table_.what + "', CAST(" + onRow(table_.key, row()) +
               " AS TEXT), CAST(" + onRow(table_.name, row()) + " AS TEXT))";
    }

    std::string insertFields(const std::string& changeKey) const {
        const std::string none = server_ ? "CAST(NULL AS text)" : "NULL";
        std::string values;
        int order = 0;
        for (const TrackedField& field : fields_) {
            if (!values.empty()) values += " UNION ALL ";
            std::string before = operation_ == Operation::Insert ? none : value(field, "OLD");
            std::string after = operation_ == Operation::Delete ? none : value(field, "NEW");
            if (field.picture && operation_ == Operation::Update) {
                // Digesting both pictures on every change cost more than the rest of
                // the record; an unchanged picture is left out before it is digested.
                const std::string differs = "CASE WHEN " + distinct(onRow(field.value, "OLD"), onRow(field.value, "NEW"));
                before = differs + " THEN " + before + " END";
                after = differs + " THEN " + after + " END";
            }
            values += "SELECT " + std::to_string(++order) + " AS o, CAST('" + field.field + "' AS TEXT) AS f, " +
                      before + " AS b, " + after + " AS a";
        }
        return "INSERT INTO History_Field (Change_Key, Field_Name, Field_Before, Field_After) SELECT " + changeKey +
               ", f, b, a FROM (" + values + ") AS v WHERE " +
               (server_ ? "b IS DISTINCT FROM a" : "b IS NOT a COLLATE BINARY") + " ORDER BY o";
    }

    std::string fileTrigger() const {
        std::string when = "portico_history_recording()";
        if (operation_ == Operation::Update) when += " AND " + changed();
        return "CREATE TEMP TRIGGER IF NOT EXISTS portico_history_" + lower() + "_" + action() + " AFTER " + event() +
               " ON main." + table_.table + " WHEN " + when + " BEGIN " + insertChange() + "; " +
               insertFields("(SELECT max(Change_Key) FROM History_Change)") + "; END;\n";
    }

    std::string serverTrigger(const std::string& schema) const {
        const std::string function = "portico_history_" + lower() + "_" + action();
        const std::string table = PostgresDialect::translate(table_.table).sql;
        std::string body = "DECLARE recorded bigint;\nBEGIN\n"
                           // The owner may copy a catalogue with its history without recording it anew.
                           "IF session_user = current_user AND current_setting('portico.history', true) = 'off' "
                           "THEN RETURN NULL; END IF;\n";
        if (operation_ == Operation::Update) body += "IF NOT " + changed() + " THEN RETURN NULL; END IF;\n";
        body += insertChange() + " RETURNING Change_Key INTO recorded;\n" + insertFields("recorded") +
                ";\nRETURN NULL;\nEND";
        return PostgresDialect::translate(
                   "CREATE OR REPLACE FUNCTION " + function + "() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER " +
                   "SET search_path = " + schema + ", pg_temp AS $history$\n" + body + "\n$history$;\n" +
                   "REVOKE ALL ON FUNCTION " + function + "() FROM PUBLIC;\n" +
                   "DROP TRIGGER IF EXISTS portico_history_" + action() + " ON " + table + ";\n" +
                   "CREATE TRIGGER portico_history_" + action() + " AFTER " + event() + " ON " + table +
                   " FOR EACH ROW EXECUTE FUNCTION " + function + "();\n")
            .sql;
    }

private:
    const TrackedTable& table_;
    std::vector<TrackedField> fields_;
    Operation operation_;
    bool server_;

    std::string lower() const { return toLowerAscii(bare(table_.table)); }
};

constexpr Operation kOperations[] = {Operation::Insert, Operation::Update, Operation::Delete};

constexpr const char* kFileTables =
    "CREATE TABLE IF NOT EXISTS History_Change (\n"
    "    Change_Key    INTEGER PRIMARY KEY,\n"
    "    Change_When   TEXT NOT NULL,\n"
    "    Change_Who    TEXT NOT NULL,\n"
    "    Change_Action TEXT NOT NULL,\n"
    "    Change_Table  TEXT NOT NULL,\n"
    "    Change_Row    TEXT,\n"
    "    Change_Name   TEXT);\n"
    "CREATE INDEX IF NOT EXISTS History_Change_When_Index ON History_Change (Change_When);\n"
    "CREATE TABLE IF NOT EXISTS History_Field (\n"
    "    Field_Key     INTEGER PRIMARY KEY,\n"
    "    Change_Key    INTEGER NOT NULL,\n"
    "    Field_Name    TEXT NOT NULL,\n"
    "    Field_Before  TEXT,\n"
    "    Field_After   TEXT);\n"
    "CREATE INDEX IF NOT EXISTS History_Field_Change_Index ON History_Field (Change_Key);\n"
    "CREATE TABLE IF NOT EXISTS Usage_Setting (Usage_Recording INTEGER NOT NULL);\n"
    "INSERT INTO Usage_Setting (Usage_Recording) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM Usage_Setting);\n"
    "CREATE TABLE IF NOT EXISTS Usage_Launch (\n"
    "    Program_Key INTEGER NOT NULL,\n"
    "    Launch_Day  TEXT NOT NULL,\n"
    "    User_Name   TEXT NOT NULL DEFAULT '',\n"
    "    Launches    INTEGER NOT NULL,\n"
    "    PRIMARY KEY (Program_Key, Launch_Day, User_Name));\n";

const std::string& loginName() {
    static const std::string name = [] {
        if (const passwd* user = ::getpwuid(::geteuid()); user && user->pw_name && *user->pw_name) return std::string(user->pw_name);
        if (const char* user = std::getenv("USER"); user && *user) return std::string(user);
        return "uid " + std::to_string(::geteuid());
    }();
    return name;
}

void who(sqlite3_context* context, int, sqlite3_value**) {
    sqlite3_result_text(context, loginName().c_str(), -1, SQLITE_STATIC);
}

void digest(sqlite3_context* context, int, sqlite3_value** values) {
    if (sqlite3_value_type(values[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    const auto* data = static_cast<const char*>(sqlite3_value_blob(values[0]));
    const auto size = static_cast<std::size_t>(sqlite3_value_bytes(values[0]));
    const std::string text = Sha256::hex(std::string_view(data ? data : "", data ? size : 0), 12);
    sqlite3_result_text(context, text.c_str(), -1, SQLITE_TRANSIENT);
}

// portico_history_recording() tells whether this connection records; with an argument it sets that.
void recording(sqlite3_context* context, int count, sqlite3_value** values) {
    int& on = *static_cast<int*>(sqlite3_user_data(context));
    if (count == 1) on = sqlite3_value_int(values[0]) != 0;
    sqlite3_result_int(context, on);
}

std::set<std::string> fileTables(sqlite3* db) {
    std::set<std::string> names;
    auto collect = [](void* found, int, char** values, char**) {
        if (values[0]) static_cast<std::set<std::string>*>(found)->insert(toLowerAscii(values[0]));
        return 0;
    };
    sqlite3_exec(db, "SELECT name FROM sqlite_master WHERE type = 'table'", collect, &names, nullptr);
    return names;
}

bool hasColumn(sqlite3* db, const std::string& table, const char* column) {
    const std::string sql = "SELECT count(*) FROM pragma_table_info('" + table + "') WHERE name = '" + column +
                            "' COLLATE NOCASE";
    int found = 0;
    sqlite3_exec(
        db, sql.c_str(),
        [](void* count, int, char** values, char**) {
            *static_cast<int*>(count) = values[0] ? std::atoi(values[0]) : 0;
            return 0;
        },
        &found, nullptr);
    return found > 0;
}

bool isServer(Engine& engine) { return std::string(engine.source()) == "PostgreSQL"; }

std::string text(const Variant& value) { return value.isNull() || value.isEmpty() ? std::string() : value.toText(); }

std::string utcNow(std::time_t moment) {
    std::tm utc{};
    gmtime_r(&moment, &utc);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S.000Z", &utc);
    return buffer;
}

}  // namespace

void ChangeHistory::attachToFile(sqlite3* db) {
    const std::set<std::string> present = fileTables(db);
    for (const char* table : {"program", "permission", "user", "group", "folder", "theme", "settings"})
        if (!present.count(table)) return;
    auto state = std::make_unique<int>(1);
    sqlite3_create_function_v2(db, "portico_who", 0, SQLITE_UTF8, nullptr, who, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "portico_digest", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, digest, nullptr,
                               nullptr, nullptr);
    // SQLite frees the flag with the connection, or at once when the function is refused.
    sqlite3_create_function_v2(db, "portico_history_recording", -1, SQLITE_UTF8, state.release(), recording, nullptr,
                               nullptr, [](void* flag) { delete static_cast<int*>(flag); });
    if (!present.count("history_change") || !present.count("history_field") || !present.count("usage_setting") ||
        !present.count("usage_launch")) {
        // An older catalogue gets the tables when it can be written; one that cannot is used without history.
        if (sqlite3_db_readonly(db, "main") == 0) {
            const std::string script = std::string("BEGIN IMMEDIATE;\n") + kFileTables + "COMMIT;";
            if (sqlite3_exec(db, script.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
                sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }
    const std::set<std::string> now = fileTables(db);
    if (!now.count("history_change") || !now.count("history_field")) return;
    std::string triggers;
    for (const TrackedTable& table : trackedTables()) {
        if (!now.count(toLowerAscii(bare(table.table)))) continue;
        std::set<std::string> lacking;
        for (const TrackedField& field : table.fields)
            if (field.addedColumn && !hasColumn(db, bare(table.table), field.addedColumn)) lacking.insert(field.addedColumn);
        for (Operation operation : kOperations)
            triggers += TriggerText(table, operation, false, lacking).fileTrigger();
    }
    sqlite3_exec(db, triggers.c_str(), nullptr, nullptr, nullptr);
}

void ChangeHistory::installOnServer(const std::function<void(const std::string&)>& run, const std::string& schema,
                                    const std::string& administrators, const std::string& users) {
    // The triggers are renewed quietly: the server would note each one it drops.
    std::string script = std::string("SET LOCAL client_min_messages = warning;\n") + kServerHistorySchema;
    for (const auto& [placeholder, value] :
         {std::pair<std::string, std::string>{"{{schema}}", schema}, {"{{administrators}}", administrators},
          {"{{users}}", users}}) {
        for (auto at = script.find(placeholder); at != std::string::npos; at = script.find(placeholder, at + value.size()))
            script.replace(at, placeholder.size(), value);
    }
    for (const TrackedTable& table : trackedTables())
        for (Operation operation : kOperations) script += TriggerText(table, operation, true).serverTrigger(schema);
    run(script);
}

bool ChangeHistory::isPresent(Engine& engine) {
    for (const auto& name : engine.tableNames())
        if (strcasecmp(name.c_str(), "History_Change") == 0) return true;
    return false;
}

std::vector<Change> ChangeHistory::read(Engine& engine, const HistoryFilter& filter) {
    const EngineResult result = engine.run(
        "SELECT c.Change_Key, c.Change_When, c.Change_Who, c.Change_Action, c.Change_Table, c.Change_Row, "
        "c.Change_Name, f.Field_Name, f.Field_Before, f.Field_After FROM History_Change c "
        "LEFT JOIN History_Field f ON f.Change_Key = c.Change_Key WHERE c.Change_When >= ? AND c.Change_When < ? "
        "ORDER BY c.Change_Key DESC, f.Field_Key",
        {Variant(filter.since.empty() ? "0000" : filter.since), Variant(filter.until.empty() ? "9999" : filter.until)});
    std::vector<Change> changes;
    for (const auto& row : result.rows) {
        const std::int64_t key = row[0].toInt64();
        if (changes.empty() || changes.back().key != key) {
            changes.push_back({key, text(row[1]), text(row[2]), text(row[3]), text(row[4]), text(row[5]), text(row[6]), {}});
        }
        if (!row[7].isNull()) changes.back().fields.push_back({text(row[7]), text(row[8]), text(row[9])});
    }
    // Names compare as the catalogue compares them. A program is followed by its
    // key, so it is found under its old names too, with its grants.
    auto same = [](const std::string& a, const std::string& b) { return NameFold::sameName(a, b); };
    std::set<std::string> keys;
    if (!filter.program.empty()) {
        for (const Change& change : changes) {
            if (change.table != "program") continue;
            bool named = same(change.name, filter.program);
            for (const FieldChange& field : change.fields)
                named = named || (field.field == "name" && (same(field.before, filter.program) || same(field.after, filter.program)));
            if (named) keys.insert(change.row);
        }
    }
    std::erase_if(changes, [&](const Change& change) {
        if (!filter.person.empty() && !same(change.who, filter.person)) return true;
        if (filter.program.empty()) return false;
        if (change.table == "grant") return !keys.count(change.row.substr(0, change.row.find('/')));
        return change.table != "program" || !keys.count(change.row);
    });
    return changes;
}

void ChangeHistory::pauseRecording(Engine& engine) {
    if (isServer(engine))
        engine.run("SELECT set_config('portico.history', 'off', true)", {});
    else
        engine.run("SELECT portico_history_recording(0)", {});
}

void ChangeHistory::append(Engine& engine, const std::vector<Change>& changes) {
    // Oldest first, so that the keys keep their order.
    for (auto change = changes.rbegin(); change != changes.rend(); ++change) {
        auto optional = [](const std::string& value) { return value.empty() ? Variant::null() : Variant(value); };
        const std::int64_t key = engine.insertRow(
            "History_Change", {"Change_When", "Change_Who", "Change_Action", "Change_Table", "Change_Row", "Change_Name"},
            {change->when, change->who, change->action, change->table, optional(change->row), optional(change->name)},
            "Change_Key");
        for (const FieldChange& field : change->fields)
            engine.insertRow("History_Field", {"Change_Key", "Field_Name", "Field_Before", "Field_After"},
                             {key, field.field, optional(field.before), optional(field.after)}, "");
    }
}

std::int64_t ChangeHistory::prune(Engine& engine, int days) {
    if (days < 0) throw PorticoError(errors::kInvalidArgument, "The days to keep cannot be negative.", engine.source());
    if (isServer(engine)) return engine.run("SELECT portico_history_prune(?)", {days}).rows.at(0).at(0).toInt64();
    const std::string cutoff = utcNow(std::time(nullptr) - static_cast<std::time_t>(days) * 86400);
    const std::int64_t count =
        engine.run("SELECT count(*) FROM History_Change WHERE Change_When < ?", {cutoff}).rows.at(0).at(0).toInt64();
    engine.run("DELETE FROM History_Field WHERE Change_Key IN (SELECT Change_Key FROM History_Change WHERE Change_When < ?)",
               {cutoff});
    engine.run("DELETE FROM History_Change WHERE Change_When < ?", {cutoff});
    return count;
}

std::string ChangeHistory::what(const Change& change) {
    if (change.name.empty()) return change.row.empty() ? change.table : change.table + " " + change.row;
    return change.table + " " + change.name;
}

std::vector<std::string> ChangeHistory::lines(const Change& change) {
    const std::string head =
        localTime(change.when) + " · " + change.who + " · " + change.action + " · " + what(change);
    if (change.fields.empty()) return {head};
    std::vector<std::string> result;
    auto shown = [](const std::string& value) { return value.empty() ? std::string("(none)") : value; };
    for (const FieldChange& field : change.fields) {
        const bool picture = field.field.ends_with("picture");
        result.push_back(head + " · " + field.field + (picture ? " changed" : "") + ": " + shown(field.before) + " → " +
                         shown(field.after));
    }
    return result;
}

std::string ChangeHistory::csv(const std::vector<Change>& changes) {
    std::string out = "when,who,action,table,key,name,field,before,after\r\n";
    for (const Change& change : changes) {
        const std::string head = csvField(change.when) + "," + csvField(change.who) + "," + csvField(change.action) +
                                 "," + csvField(change.table) + "," + csvField(change.row) + "," + csvField(change.name);
        if (change.fields.empty()) out += head + ",,,\r\n";
        for (const FieldChange& field : change.fields)
            out += head + "," + csvField(field.field) + "," + csvField(field.before) + "," + csvField(field.after) + "\r\n";
    }
    return out;
}

std::string ChangeHistory::localTime(const std::string& utc) {
    std::tm moment{};
    if (std::sscanf(utc.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d", &moment.tm_year, &moment.tm_mon, &moment.tm_mday,
                    &moment.tm_hour, &moment.tm_min, &moment.tm_sec) != 6)
        return utc;
    moment.tm_year -= 1900;
    moment.tm_mon -= 1;
    const std::time_t seconds = timegm(&moment);
    std::tm local{};
    localtime_r(&seconds, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d %H:%M:%S", &local);
    return buffer;
}

std::string ChangeHistory::utcOfLocalDate(const std::string& date) {
    int year = 0, month = 0, day = 0;
    char rest = 0;
    if (date.size() != 10 || date[4] != '-' || date[7] != '-' ||
        std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &year, &month, &day, &rest) != 3)
        return "";
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    // mktime moves 2026-02-31 on to March: such a date is no date.
    if (seconds == static_cast<std::time_t>(-1) || local.tm_mday != day || local.tm_mon != month - 1) return "";
    return utcNow(seconds);
}

std::string ChangeHistory::localDate(int days) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    local.tm_mday += days;
    local.tm_hour = 12;  // away from the hour a clock change skips
    local.tm_isdst = -1;
    std::mktime(&local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
    return buffer;
}

}  // namespace portico
