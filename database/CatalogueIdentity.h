#pragma once

#include <functional>
#include <string>
#include <vector>

namespace portico {

// Who reads a catalogue file, for the rule of who may see which program: a
// login name and the groups the system puts that login in. On a server the
// server knows who connected, and this is not asked.
class CatalogueIdentity {
public:
    std::string user;
    std::vector<std::string> groups;

    // The person running this program: the login name of the effective user and
    // its groups as getgrouplist reports them (so directory groups count).
    static CatalogueIdentity current();
    // A named login of this machine with its groups; just the name, no groups,
    // when the system does not know it.
    static CatalogueIdentity of(const std::string& user);
    // Whether the system knows a login (getpwnam) or a group (getgrnam) of this name.
    static bool knownUser(const std::string& name);
    static bool knownGroup(const std::string& name);

    // For tests: while set, current() and of() ask the provider instead of the
    // system (current() with an empty name). Empty: the system is asked.
    using Provider = std::function<CatalogueIdentity(const std::string& user)>;
    static void setProvider(Provider provider);
};

}  // namespace portico
