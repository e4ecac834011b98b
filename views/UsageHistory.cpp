#include "views/UsageHistory.h"

#include "settings/SafeFile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace portico {
namespace {

constexpr double kHalfLifeSeconds = 14.0 * 24 * 3600;
constexpr std::size_t kMaxFileBytes = 256 * 1024;
constexpr std::size_t kMaxNameBytes = 1024;

std::int64_t seconds(UsageHistory::Clock::time_point time) {
    return std::chrono::duration_cast<std::chrono::seconds>(time.time_since_epoch()).count();
}

// Names may hold any character: tab, newline and backslash are escaped.
std::string escaped(const std::string& name) {
    std::string text;
    for (const char c : name) {
        if (c == '\\') text += "\\\\";
        else if (c == '\t') text += "\\t";
        else if (c == '\n') text += "\\n";
        else if (c == '\r') text += "\\r";
        else text += c;
    }
    return text;
}

bool unescaped(const std::string& text, std::string& name) {
    name.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            name += text[i];
            continue;
        }
        if (++i == text.size()) return false;
        switch (text[i]) {
        case '\\': name += '\\'; break;
        case 't': name += '\t'; break;
        case 'n': name += '\n'; break;
        case 'r': name += '\r'; break;
        default: return false;
        }
    }
    return !name.empty() && name.size() <= kMaxNameBytes;
}

}  // namespace

std::filesystem::path UsageHistory::defaultFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state == '/') return std::filesystem::path(state) / "portico" / "usage";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : "/tmp") / ".local" / "state" / "portico" / "usage";
}

UsageHistory::UsageHistory(std::filesystem::path file) : file_(file.empty() ? defaultFile() : std::move(file)) { load(); }

double UsageHistory::decayed(const Entry& entry, std::int64_t now) {
    const double age = static_cast<double>(std::max<std::int64_t>(0, now - entry.last));
    return entry.weight * std::exp2(-age / kHalfLifeSeconds);
}

void UsageHistory::load() {
    std::string content;
    std::error_code error;
    if (!SafeFile::read(file_, content, error, kMaxFileBytes, SafeFile::Links::Follow)) return;
    std::istringstream lines(content);
    std::string line;
    if (!std::getline(lines, line) || line != "portico-usage 1") return;
    // weight <tab> last <tab> pinned order <tab> name; a line that does not
    // read so is skipped.
    while (std::getline(lines, line) && entries_.size() < 4 * kMaxEntries) {
        std::istringstream fields(line);
        Entry entry;
        std::string name;
        if (!(fields >> entry.weight >> entry.last >> entry.pinnedAt) || fields.get() != '\t') continue;
        std::string rest;
        std::getline(fields, rest);
        if (!std::isfinite(entry.weight) || entry.weight < 0 || entry.weight > 1e6 || entry.pinnedAt < 0 ||
            !unescaped(rest, name))
            continue;
        nextPin_ = std::max(nextPin_, entry.pinnedAt + 1);
        entries_[name] = entry;
    }
    trim();
}

void UsageHistory::save() const {
    std::ostringstream text;
    text << "portico-usage 1\n";
    for (const auto& [name, entry] : entries_)
        text << entry.weight << '\t' << entry.last << '\t' << entry.pinnedAt << '\t' << escaped(name) << '\n';
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    SafeFile::write(file_, text.str(), error);
}

void UsageHistory::trim() {
    if (entries_.size() <= kMaxEntries) return;
    // Pins stay; of the rest the weakest go.
    std::vector<std::pair<double, std::string>> unpinned;
    const std::int64_t now = seconds(Clock::now());
    for (const auto& [name, entry] : entries_)
        if (entry.pinnedAt == 0) unpinned.emplace_back(decayed(entry, now), name);
    std::sort(unpinned.begin(), unpinned.end());
    for (std::size_t i = 0; i < unpinned.size() && entries_.size() > kMaxEntries; ++i) entries_.erase(unpinned[i].second);
}

void UsageHistory::recordLaunch(const std::string& name, Clock::time_point now) {
    if (name.empty() || name.size() > kMaxNameBytes) return;
    Entry& entry = entries_[name];
    const std::int64_t at = seconds(now);
    entry.weight = decayed(entry, at) + 1.0;
    entry.last = at;
    trim();
    ++generation_;
    save();
}

void UsageHistory::setPinned(const std::string& name, bool pinned) {
    if (name.empty() || name.size() > kMaxNameBytes || this->pinned(name) == pinned) return;
    if (pinned) {
        entries_[name].pinnedAt = nextPin_++;
    } else {
        Entry& entry = entries_[name];
        entry.pinnedAt = 0;
        if (entry.weight == 0) entries_.erase(name);
    }
    trim();
    ++generation_;
    save();
}

bool UsageHistory::pinned(const std::string& name) const {
    const auto found = entries_.find(name);
    return found != entries_.end() && found->second.pinnedAt > 0;
}

double UsageHistory::weight(const std::string& name, Clock::time_point now) const {
    const auto found = entries_.find(name);
    return found == entries_.end() ? 0.0 : decayed(found->second, seconds(now));
}

std::vector<std::string> UsageHistory::pinnedNames() const {
    std::vector<std::pair<std::int64_t, std::string>> pins;
    for (const auto& [name, entry] : entries_)
        if (entry.pinnedAt > 0) pins.emplace_back(entry.pinnedAt, name);
    std::sort(pins.begin(), pins.end());
    std::vector<std::string> names;
    for (auto& pin : pins) names.push_back(std::move(pin.second));
    return names;
}

std::vector<std::string> UsageHistory::recentNames(std::size_t count, Clock::time_point now) const {
    std::vector<std::pair<double, std::string>> used;
    const std::int64_t at = seconds(now);
    for (const auto& [name, entry] : entries_)
        if (entry.weight > 0) used.emplace_back(-decayed(entry, at), name);
    std::sort(used.begin(), used.end());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < used.size() && i < count; ++i) names.push_back(std::move(used[i].second));
    return names;
}

}  // namespace portico
