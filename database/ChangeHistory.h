#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct sqlite3;

namespace portico {

class Engine;

// One field of a recorded change: pictures are a short digest, never their bytes.
struct FieldChange {
    std::string field;
    std::string before;  // "" when the field had no value
    std::string after;
};

// One recorded change of one catalogue row.
struct Change {
    std::int64_t key = 0;
    std::string when;    // UTC, "YYYY-MM-DDTHH:MM:SS.mmmZ"
    std::string who;     // the server's session_user, or the login name with a file
    std::string action;  // "added", "changed" or "deleted"
    std::string table;   // "program", "grant", "theme", "default theme", ...
    std::string row;     // the row's key ("" for a folder or the settings)
    std::string name;    // the row's name
    std::vector<FieldChange> fields;
};

// Which changes to read; empty members do not filter.
struct HistoryFilter {
    std::string since;    // UTC, inclusive
    std::string until;    // UTC, exclusive
    std::string program;  // changes of this program and its grants, under any of its names
    std::string person;
};

// The catalogue's history of changes. On a server the server records every
// change itself (triggers owned by the catalogue's owner), whoever makes it. With
// a file the data layer records it: triggers that live only in its own connection
// write the history in the same transaction as the change, so other programs
// writing the file are not recorded.
class ChangeHistory {
public:
    // Sets up a newly opened catalogue file: the history and usage tables (made
    // when missing and the file is writable), the functions the triggers use and
    // the triggers. A file that is not a catalogue is left as it is.
    static void attachToFile(sqlite3* db);
    // Installs the history and usage tables, functions and triggers in a server
    // catalogue (run again, it renews them). `schema`, `administrators` and
    // `users` are quoted names. The users' role cannot read the history; the
    // administrators' role can only read it.
    static void installOnServer(const std::function<void(const std::string&)>& run, const std::string& schema,
                                const std::string& administrators, const std::string& users);

    // Whether the catalogue behind `engine` has a history.
    static bool isPresent(Engine& engine);
    // Newest first.
    static std::vector<Change> read(Engine& engine, const HistoryFilter& filter);
    // Stops recording in the transaction open on `engine`, for copying a
    // catalogue whose history is copied along. On a server only the catalogue's
    // owner can stop it; anyone else's changes are still recorded.
    static void pauseRecording(Engine& engine);
    // Appends `changes` (as read from another catalogue) to the history.
    static void append(Engine& engine, const std::vector<Change>& changes);
    // Deletes the changes older than `days` days; how many went. On a server
    // only the catalogue's owner may.
    static std::int64_t prune(Engine& engine, int days);

    // What a change is about: "program Mail", "grant Mail: user alice".
    static std::string what(const Change& change);
    // One line per field: "when · who · action · what · field: before → after",
    // the time local.
    static std::vector<std::string> lines(const Change& change);
    // RFC 4180, UTF-8, one record per field, with a header.
    static std::string csv(const std::vector<Change>& changes);

    // A UTC time of the history as local time, "YYYY-MM-DD HH:MM:SS".
    static std::string localTime(const std::string& utc);
    // The UTC time of local midnight starting `date` ("YYYY-MM-DD"), in the
    // history's form; "" when `date` is no such date.
    static std::string utcOfLocalDate(const std::string& date);
    // The local date `days` days from today (negative: before), "YYYY-MM-DD".
    static std::string localDate(int days = 0);
};

}  // namespace portico
