#include "database/UsageCounter.h"

#include "database/ChangeHistory.h"
#include "database/Engine.h"
#include "settings/ErrorNumbers.h"
#include "settings/PorticoError.h"
#include "settings/TextUtil.h"

#include <strings.h>

namespace portico {
namespace {

bool isServer(Engine& engine) { return std::string(engine.source()) == "PostgreSQL"; }

bool hasUsageTables(Engine& engine) {
    bool setting = false, launches = false;
    for (const auto& name : engine.tableNames()) {
        setting = setting || strcasecmp(name.c_str(), "Usage_Setting") == 0;
        launches = launches || strcasecmp(name.c_str(), "Usage_Launch") == 0;
    }
    return setting && launches;
}

}  // namespace

UsageCounter::Recording UsageCounter::recording(Engine& engine) {
    if (!hasUsageTables(engine)) return Recording::Off;
    const auto rows = engine.run("SELECT Usage_Recording FROM Usage_Setting", {}).rows;
    if (rows.empty() || rows[0][0].isNull()) return Recording::Off;
    const auto value = rows[0][0].toInt64();
    return value == 1 ? Recording::Counts : value == 2 ? Recording::PerUser : Recording::Off;
}

void UsageCounter::setRecording(Engine& engine, Recording recording) {
    if (!hasUsageTables(engine))
        throw PorticoError(errors::kInvalidArgument,
                           "This catalogue has no usage tables; open it once with write access to add them.",
                           engine.source());
    engine.run("UPDATE Usage_Setting SET Usage_Recording = ?", {static_cast<int>(recording)});
}

bool UsageCounter::count(Engine& engine, const std::string& program, const std::string& day, int times) {
    if (times < 1 || ChangeHistory::utcOfLocalDate(day).empty()) return false;
    if (isServer(engine))
        return engine
                   .run("SELECT CASE WHEN portico_count_launch(?, CAST(? AS date), CAST(? AS integer)) THEN 1 ELSE 0 END",
                        {program, day, times})
                   .rows.at(0)
                   .at(0)
                   .toInt64() == 1;
    const Recording mode = recording(engine);
    if (mode == Recording::Off) return false;
    const auto found = engine.run("SELECT Program_Key FROM Program WHERE Program_Name = ?", {program}).rows;
    if (found.empty()) return false;
    engine.run(std::string("INSERT INTO Usage_Launch (Program_Key, Launch_Day, User_Name, Launches) VALUES (?, ?, ") +
                   (mode == Recording::PerUser ? "portico_who()" : "''") +
                   ", ?) ON CONFLICT (Program_Key, Launch_Day, User_Name) DO UPDATE SET Launches = Launches + "
                   "excluded.Launches",
               {found[0][0], day, times});
    return true;
}

std::vector<ProgramUsage> UsageCounter::report(Engine& engine) {
    std::vector<ProgramUsage> usage;
    if (!hasUsageTables(engine)) return usage;
    const auto rows =
        engine
            .run("SELECT p.Program_Name, sum(CASE WHEN u.Launch_Day >= ? THEN u.Launches ELSE 0 END), "
                 "sum(CASE WHEN u.Launch_Day >= ? THEN u.Launches ELSE 0 END), "
                 "sum(CASE WHEN u.Launch_Day >= ? THEN u.Launches ELSE 0 END), CAST(max(u.Launch_Day) AS TEXT) "
                 "FROM Program p LEFT JOIN Usage_Launch u ON u.Program_Key = p.Program_Key "
                 "GROUP BY p.Program_Key, p.Program_Name ORDER BY p.Program_Name",
                 {ChangeHistory::localDate(-6), ChangeHistory::localDate(-29), ChangeHistory::localDate(-89)})
            .rows;
    for (const auto& row : rows) {
        auto number = [](const Variant& value) { return value.isNull() ? 0 : value.toInt64(); };
        usage.push_back({row[0].isNull() ? "" : row[0].toText(), number(row[1]), number(row[2]), number(row[3]),
                         row[4].isNull() ? "" : row[4].toText()});
    }
    return usage;
}

std::string UsageCounter::csv(const std::vector<ProgramUsage>& usage) {
    std::string out = "program,last 7 days,last 30 days,last 90 days,last launch\r\n";
    for (const ProgramUsage& row : usage)
        out += csvField(row.program) + "," + std::to_string(row.last7) + "," + std::to_string(row.last30) + "," +
               std::to_string(row.last90) + "," + row.lastDay + "\r\n";
    return out;
}

}  // namespace portico
