#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace portico {

class Engine;

// How often one program was started lately; days count back from today, today included.
struct ProgramUsage {
    std::string program;
    std::int64_t last7 = 0;
    std::int64_t last30 = 0;
    std::int64_t last90 = 0;
    std::string lastDay;  // "YYYY-MM-DD", "" when never counted
};

// The catalogue's launch counts: one count per program and day, and per user
// when the catalogue says so. Off until an administrator turns it on.
class UsageCounter {
public:
    enum class Recording { Off = 0, Counts = 1, PerUser = 2 };

    // Off too when the catalogue has no usage tables.
    static Recording recording(Engine& engine);
    static void setRecording(Engine& engine, Recording recording);

    // Adds `times` launches of `program` on `day` ("YYYY-MM-DD"); false, with
    // nothing recorded, when counting is off or there is no such program.
    // On a server through the owner's function, so no user reads or changes
    // another's counts. Throws PorticoError when the catalogue cannot be written.
    static bool count(Engine& engine, const std::string& program, const std::string& day, int times = 1);

    // Every program of the catalogue, by name, with its counts up to today.
    static std::vector<ProgramUsage> report(Engine& engine);
    // RFC 4180, UTF-8, with a header.
    static std::string csv(const std::vector<ProgramUsage>& usage);
};

}  // namespace portico
