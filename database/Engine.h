#pragma once

#include "database/Variant.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace portico {

// A statement's result, fetched whole.
struct EngineResult {
    std::vector<std::string> names;    // field names as the statement spells them
    std::vector<std::string> columns;  // column of `table` behind each field ("" when computed)
    std::string table;                 // the one table behind every field, else ""
    std::vector<std::vector<Variant>> rows;
};

// What the access layer needs from a database engine. Statements arrive in the
// catalogue's own dialect (SQLite's, with `?` placeholders and bracketed
// reserved names); an engine that speaks another dialect translates them.
// Every failure is thrown as a PorticoError carrying the engine's own message.
class Engine {
public:
    virtual ~Engine() = default;

    // The source of the engine's error reports ("SQLite", "PostgreSQL").
    virtual const char* source() const = 0;
    // Where the catalogue is, for messages: "" for a file, whose name the caller
    // has; the database and its server for an engine that connects to one.
    virtual std::string location() const { return ""; }
    // False once the engine has lost its connection; the data layer then connects anew.
    virtual bool isOpen() const = 0;
    virtual void setCommandTimeout(int seconds) = 0;

    // Runs `sql` with `parameters` bound to its placeholders in order; raises
    // 3001 when their number differs from the statement's.
    virtual EngineResult run(const std::string& sql, const std::vector<Variant>& parameters) = 0;
    // Transactions; begin takes the write lock up front where the engine has one.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;

    virtual std::vector<std::string> tableNames() = 0;
    // The real name of `table` and its columns in order; raises when there is no such table.
    virtual std::vector<std::string> tableColumns(std::string& table) = 0;
    // Whether the engine keeps `column` of `table` as text (so it must be given text, not bytes).
    virtual bool isTextColumn(const std::string& table, const std::string& column) = 0;
    // The table's integer key column, "" when it has none.
    virtual std::string keyColumn(const std::string& table) = 0;
    // Adds a row and returns its new key (0 when `key` is empty).
    virtual std::int64_t insertRow(const std::string& table, const std::vector<std::string>& columns,
                                   const std::vector<Variant>& values, const std::string& key) = 0;
    // After rows were added with their keys given: new rows get keys above them.
    virtual void resetKeyCounter(const std::string& table, const std::string& key) = 0;
    virtual void updateRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<Variant>& values, const std::string& key, const Variant& keyValue) = 0;
};

}  // namespace portico
