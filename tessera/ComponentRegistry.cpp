#include "ComponentRegistry.h"

#include "PictureFolder.h"
#include "PorticoError.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <strings.h>
#include <system_error>
#include <unistd.h>

namespace portico::tessera {

namespace {

constexpr const char* kSource = "Tessera.Registry";

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const std::string& b) { return ::strcasecmp(a.c_str(), b.c_str()) == 0; }

// The name of a "[name]" line, or nothing for any other line.
std::optional<std::string> sectionName(const std::string& line) {
    const std::string text = trimmed(line);
    if (text.size() < 2 || text.front() != '[') return std::nullopt;
    const auto close = text.rfind(']');
    if (close == 0 || close == std::string::npos) return std::nullopt;
    return trimmed(text.substr(1, close - 1));
}

}  // namespace

ComponentRegistry::ComponentRegistry(std::filesystem::path file) : file_(std::move(file)) {}

std::filesystem::path ComponentRegistry::defaultFile() {
    std::filesystem::path base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/') {
        base = config;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".config";
    } else {
        throw PorticoError(5, "No folder for the component registry: HOME is not set", kSource);
    }
    return base / "components" / "registry.ini";
}

void ComponentRegistry::load() {
    sections_.clear();
    std::error_code ec;
    if (!std::filesystem::exists(file_, ec)) return;
    std::ifstream in(file_, std::ios::binary);
    if (!in) throw PorticoError(75, "Path/File access error: " + file_.string(), kSource);
    sections_.push_back({"", {}});
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto name = sectionName(line)) {
            sections_.push_back({*name, {}});
        } else {
            sections_.back().lines.push_back(line);
        }
    }
}

void ComponentRegistry::save() const {
    std::ostringstream text;
    for (const auto& section : sections_) {
        if (!section.name.empty()) text << '[' << section.name << "]\n";
        for (const auto& line : section.lines) text << line << '\n';
    }

    ensurePrivateFolder(file_.parent_path());
    auto temporary = file_;
    temporary += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const std::string content = text.str();
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw PorticoError(75, "Path/File access error: " + temporary.string(), kSource);
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, file_, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw PorticoError(75, "Path/File access error: " + file_.string() + ": " + ec.message(), kSource);
    }
}

ComponentRegistry::Section* ComponentRegistry::find(const std::string& name) {
    for (auto& section : sections_) {
        if (!section.name.empty() && sameName(section.name, name)) return &section;
    }
    return nullptr;
}

const ComponentRegistry::Section* ComponentRegistry::find(const std::string& name) const {
    return const_cast<ComponentRegistry*>(this)->find(name);
}

void ComponentRegistry::setSection(const std::string& name, const Values& values) {
    Section* section = find(name);
    if (!section) {
        // Keep a blank line between sections, as people write them.
        if (!sections_.empty() && !sections_.back().lines.empty() && !sections_.back().lines.back().empty())
            sections_.back().lines.emplace_back();
        sections_.push_back({name, {}});
        section = &sections_.back();
    }
    section->lines.clear();
    for (const auto& [key, value] : values) section->lines.push_back(key + "=" + value);
    section->lines.emplace_back();
}

void ComponentRegistry::removeSection(const std::string& name) {
    std::erase_if(sections_, [&](const Section& section) { return !section.name.empty() && sameName(section.name, name); });
}

bool ComponentRegistry::hasSection(const std::string& name) const { return find(name) != nullptr; }

std::optional<std::string> ComponentRegistry::value(const std::string& sectionName, const std::string& key) const {
    const Section* section = find(sectionName);
    if (!section) return std::nullopt;
    for (const auto& line : section->lines) {
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == ';') continue;
        const auto equals = text.find('=');
        if (equals == std::string::npos) continue;
        if (sameName(trimmed(text.substr(0, equals)), key)) return trimmed(text.substr(equals + 1));
    }
    return std::nullopt;
}

}  // namespace portico::tessera
