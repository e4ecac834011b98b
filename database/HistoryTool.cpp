// portico-history CATALOGUE [--since DATE] [--until DATE] [--program NAME] [--person NAME] [--csv]
// portico-history CATALOGUE --keep DAYS
// Prints the catalogue's changes, newest first, one line per changed field; or
// deletes the changes older than DAYS days (on a server only its owner may).
#include "database/ChangeHistory.h"
#include "database/Connection.h"
#include "settings/PorticoError.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>

namespace {

int usage(const char* program) {
    std::cerr << "usage: " << program
              << " CATALOGUE [--since DATE] [--until DATE] [--program NAME] [--person NAME] [--csv]\n"
              << "       " << program << " CATALOGUE --keep DAYS\n"
              << "Prints the changes made to catalogue CATALOGUE (a catalogue file or a PostgreSQL connection\n"
              << "string), newest first, one line per changed field: when · who · action · what · field: before\n"
              << "→ after. DATE is YYYY-MM-DD, local time; --until leaves that day out. --csv prints CSV (RFC 4180).\n"
              << "--keep DAYS deletes the changes older than DAYS days (on a server only the catalogue's owner may).\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string catalogue;
    portico::HistoryFilter filter;
    bool csv = false;
    std::optional<int> keep;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool hasValue = i + 1 < argc;
        if (argument == "--csv") {
            csv = true;
        } else if ((argument == "--since" || argument == "--until") && hasValue) {
            const std::string date = argv[++i];
            const std::string utc = portico::ChangeHistory::utcOfLocalDate(date);
            if (utc.empty()) {
                std::cerr << argv[0] << ": not a date (YYYY-MM-DD): " << date << "\n";
                return 2;
            }
            (argument == "--since" ? filter.since : filter.until) = utc;
        } else if (argument == "--program" && hasValue) {
            filter.program = argv[++i];
        } else if (argument == "--person" && hasValue) {
            filter.person = argv[++i];
        } else if (argument == "--keep" && hasValue) {
            const std::string text = argv[++i];
            int days = -1;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
            if (error != std::errc() || end != text.data() + text.size() || days < 0) return usage(argv[0]);
            keep = days;
        } else if (catalogue.empty() && !argument.starts_with("--")) {
            catalogue = argument;
        } else {
            return usage(argv[0]);
        }
    }
    if (catalogue.empty()) return usage(argv[0]);
    try {
        portico::Connection connection;
        connection.setConnectionString(catalogue);
        connection.Open();
        portico::Engine& engine = connection.engine("portico-history");
        if (!portico::ChangeHistory::isPresent(engine)) {
            std::cerr << argv[0] << ": the catalogue has no history yet: " << catalogue << "\n";
            return 1;
        }
        if (keep) {
            connection.BeginTrans();
            const auto gone = portico::ChangeHistory::prune(engine, *keep);
            connection.CommitTrans();
            std::cout << "Deleted " << gone << " changes older than " << *keep << " days.\n";
            return 0;
        }
        const auto changes = portico::ChangeHistory::read(engine, filter);
        if (csv) {
            std::cout << portico::ChangeHistory::csv(changes);
        } else {
            for (const auto& change : changes)
                for (const auto& line : portico::ChangeHistory::lines(change)) std::cout << line << "\n";
        }
    } catch (const portico::PorticoError& error) {
        std::cerr << argv[0] << ": " << error.number() << ", " << error.description() << " (" << error.source() << ")\n";
        return 1;
    }
    return 0;
}
