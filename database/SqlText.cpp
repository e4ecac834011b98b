#include "database/SqlText.h"

#include "settings/TextUtil.h"

namespace portico {

std::string SqlText::quote(const std::string& name) const {
    std::string quoted = "\"";
    for (char c : names_ == Names::LowerCase ? toLowerAscii(name) : name) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string SqlText::insert(const std::string& table, const std::vector<std::string>& columns,
                            const std::string& returning) const {
    std::string sql = "INSERT INTO " + quote(table);
    if (columns.empty()) {
        sql += " DEFAULT VALUES";
    } else {
        std::string names, marks;
        for (const auto& column : columns) {
            names += (names.empty() ? "" : ", ") + quote(column);
            marks += marks.empty() ? "?" : ", ?";
        }
        sql += " (" + names + ") VALUES (" + marks + ")";
    }
    if (!returning.empty()) sql += " RETURNING " + quote(returning);
    return sql;
}

std::string SqlText::update(const std::string& table, const std::vector<std::string>& columns,
                            const std::string& key) const {
    std::string assignments;
    for (const auto& column : columns) assignments += (assignments.empty() ? "" : ", ") + quote(column) + " = ?";
    return "UPDATE " + quote(table) + " SET " + assignments + " WHERE " + quote(key) + " = ?";
}

}  // namespace portico
