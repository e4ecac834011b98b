#pragma once

#include <string>
#include <vector>

namespace portico {

// The statements an engine writes for itself rather than taking from the data
// layer: quoted names and the INSERT and UPDATE of a row. They are written in
// the catalogue's dialect, `?` placeholders included, so that each engine runs
// them as it runs every other statement.
class SqlText {
public:
    // How the engine keeps quoted names: as written, or folded to lower case as
    // a server folds the unquoted names its tables were created with.
    enum class Names { AsWritten, LowerCase };

    constexpr explicit SqlText(Names names) : names_(names) {}

    // `name` in double quotes, a quote inside it doubled.
    std::string quote(const std::string& name) const;
    // Adds a row with one `?` a column, DEFAULT VALUES when there are none;
    // a `returning` column makes the statement hand back that column's new value.
    std::string insert(const std::string& table, const std::vector<std::string>& columns,
                       const std::string& returning = {}) const;
    // Sets `columns` (one `?` each) of the row whose `key` is the last `?`.
    std::string update(const std::string& table, const std::vector<std::string>& columns,
                       const std::string& key) const;

private:
    Names names_;
};

}  // namespace portico
