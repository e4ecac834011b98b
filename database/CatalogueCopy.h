#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace portico {

// Copies a whole catalogue between any two engines (a file and a server, either way).
class CatalogueCopy {
public:
    // Rows copied, table by table, in copying order.
    using Counts = std::vector<std::pair<std::string, std::size_t>>;

    // Copies every row of every catalogue table from `from` into `to`, keys and
    // pictures as they are, and appends the history of `from` to that of `to`
    // (the copying itself is not recorded where the copier owns `to`), in one
    // transaction on `to`. A destination that
    // already holds programs, folders, themes, users, groups or permissions is
    // refused unless `replace`, which empties it first. Throws PorticoError;
    // a failed copy leaves the destination as it was. Without `withHistory`
    // neither history is touched: nothing is appended and the copying is not
    // recorded (a user's offline copy, read by someone who may not read the history).
    static Counts copy(const std::string& from, const std::string& to, bool replace, bool withHistory = true);
};

}  // namespace portico
