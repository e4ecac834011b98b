#include "settings/ServerConnectionString.h"

#include <algorithm>
#include <cctype>
#include <iterator>

namespace portico {
namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool isUri(const std::string& text) { return startsWith(text, "postgresql://") || startsWith(text, "postgres://"); }

PasswordDecision passwordDecision = nullptr;

bool plainReadingCarriesPassword(const std::string& connectionString);

}  // namespace

bool isServerConnectionString(const std::string& connectionString) {
    if (isUri(connectionString)) return true;
    // A keyword string starts with one of libpq's keywords and "=".
    static const char* const keywords[] = {"host",     "hostaddr", "port",    "dbname",  "user",
                                           "password", "passfile", "service", "sslmode", "connect_timeout",
                                           "options",  "application_name",    "target_session_attrs"};
    const std::size_t start = connectionString.find_first_not_of(" \t");
    if (start == std::string::npos) return false;
    const std::size_t end = connectionString.find_first_of(" \t=", start);
    if (end == std::string::npos) return false;
    const std::string word = connectionString.substr(start, end - start);
    const std::size_t equals = connectionString.find_first_not_of(" \t", end);
    if (equals == std::string::npos || connectionString[equals] != '=') return false;
    return std::any_of(std::begin(keywords), std::end(keywords), [&](const char* k) { return word == k; });
}

void setPasswordDecision(PasswordDecision decision) { passwordDecision = decision; }

bool carriesPassword(const std::string& connectionString) {
    if (!isServerConnectionString(connectionString)) return false;
    return passwordDecision ? passwordDecision(connectionString) : plainReadingCarriesPassword(connectionString);
}

namespace {

bool plainReadingCarriesPassword(const std::string& connectionString) {
    if (isUri(connectionString)) {
        const std::size_t authority = connectionString.find("://") + 3;
        const std::size_t authorityEnd = connectionString.find_first_of("/?", authority);
        const std::string host = connectionString.substr(authority, authorityEnd - authority);
        const std::size_t at = host.rfind('@');
        if (at != std::string::npos && host.substr(0, at).find(':') != std::string::npos) return true;
        const std::size_t query = connectionString.find('?');
        if (query == std::string::npos) return false;
        const std::string parameters = "&" + connectionString.substr(query + 1);
        return parameters.find("&password=") != std::string::npos || parameters.find("&sslpassword=") != std::string::npos;
    }
    // password = ... as a keyword of its own, not inside another value.
    for (std::size_t at = connectionString.find("password"); at != std::string::npos;
         at = connectionString.find("password", at + 1)) {
        const bool own = at == 0 || std::isspace(static_cast<unsigned char>(connectionString[at - 1])) ||
                         (at >= 3 && connectionString.compare(at - 3, 3, "ssl") == 0 &&
                          (at == 3 || std::isspace(static_cast<unsigned char>(connectionString[at - 4]))));
        const std::size_t next = connectionString.find_first_not_of(" \t\n\r\f\v", at + 8);
        if (own && next != std::string::npos && connectionString[next] == '=') return true;
    }
    return false;
}

}  // namespace

std::string unusableCatalogueText(const std::string& configuredPath) {
    if (configuredPath.empty()) return "No catalogue is named";
    if (isServerConnectionString(configuredPath) && carriesPassword(configuredPath))
        return "The connection string carries a password, which the settings file must not hold "
               "(keep it in ~/.pgpass or a pg_service.conf entry)";
    return "There is no catalogue file at " + configuredPath;
}

}  // namespace portico
