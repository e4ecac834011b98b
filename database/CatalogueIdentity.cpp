#include "database/CatalogueIdentity.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

namespace portico {
namespace {

std::mutex providerMutex;
CatalogueIdentity::Provider provider;

CatalogueIdentity::Provider installedProvider() {
    std::lock_guard lock(providerMutex);
    return provider;
}

// getpw*_r and getgr*_r want a buffer; sysconf may say "no limit" (-1).
std::vector<char> lookupBuffer(int which) {
    const long size = sysconf(which);
    return std::vector<char>(size > 0 ? static_cast<std::size_t>(size) : 16384);
}

CatalogueIdentity fromPassword(const passwd& entry) {
    CatalogueIdentity identity;
    identity.user = entry.pw_name ? entry.pw_name : "";
    // The count is grown until every group fits; a directory user can be in hundreds.
    std::vector<gid_t> ids(64);
    int count = static_cast<int>(ids.size());
    while (getgrouplist(entry.pw_name, entry.pw_gid, ids.data(), &count) < 0) {
        if (count <= static_cast<int>(ids.size())) count = static_cast<int>(ids.size()) * 2;
        if (count > 65536) return identity;
        ids.resize(static_cast<std::size_t>(count));
    }
    ids.resize(static_cast<std::size_t>(count));
    std::vector<char> buffer = lookupBuffer(_SC_GETGR_R_SIZE_MAX);
    for (const gid_t id : ids) {
        group entryGroup{};
        group* found = nullptr;
        while (getgrgid_r(id, &entryGroup, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 24))
            buffer.resize(buffer.size() * 2);
        if (found && found->gr_name) identity.groups.emplace_back(found->gr_name);
    }
    return identity;
}

template <typename Lookup>
bool findPassword(Lookup lookup, CatalogueIdentity& identity) {
    std::vector<char> buffer = lookupBuffer(_SC_GETPW_R_SIZE_MAX);
    passwd entry{};
    passwd* found = nullptr;
    while (lookup(&entry, buffer, &found) == ERANGE && buffer.size() < (1u << 24)) buffer.resize(buffer.size() * 2);
    if (!found) return false;
    identity = fromPassword(entry);
    return true;
}

}  // namespace

CatalogueIdentity CatalogueIdentity::current() {
    if (auto hook = installedProvider()) return hook({});
    CatalogueIdentity identity;
    const uid_t uid = geteuid();
    if (!findPassword([uid](passwd* entry, std::vector<char>& buffer, passwd** found) {
            return getpwuid_r(uid, entry, buffer.data(), buffer.size(), found);
        }, identity))
        identity.user = std::to_string(uid);  // a login the system cannot name is granted nothing by name
    return identity;
}

CatalogueIdentity CatalogueIdentity::of(const std::string& user) {
    if (auto hook = installedProvider()) return hook(user);
    CatalogueIdentity identity;
    if (!findPassword([&user](passwd* entry, std::vector<char>& buffer, passwd** found) {
            return getpwnam_r(user.c_str(), entry, buffer.data(), buffer.size(), found);
        }, identity))
        identity.user = user;
    return identity;
}

bool CatalogueIdentity::knownUser(const std::string& name) {
    CatalogueIdentity ignored;
    return !name.empty() && findPassword([&name](passwd* entry, std::vector<char>& buffer, passwd** found) {
        return getpwnam_r(name.c_str(), entry, buffer.data(), buffer.size(), found);
    }, ignored);
}

bool CatalogueIdentity::knownGroup(const std::string& name) {
    if (name.empty()) return false;
    std::vector<char> buffer = lookupBuffer(_SC_GETGR_R_SIZE_MAX);
    group entry{};
    group* found = nullptr;
    while (getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) == ERANGE && buffer.size() < (1u << 24))
        buffer.resize(buffer.size() * 2);
    return found != nullptr;
}

void CatalogueIdentity::setProvider(Provider replacement) {
    std::lock_guard lock(providerMutex);
    provider = std::move(replacement);
}

}  // namespace portico
