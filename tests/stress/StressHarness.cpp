// Several processes change one catalogue at once, through the programs' data
// layer and through libTessera, while one reads; some writers are killed with
// SIGKILL in the middle of their work. Each writer journals every operation
// before it starts and its outcome after; at the end the catalogue must pass
// the engine's integrity check, hold every write reported as done with its
// exact bytes, nothing reported as failed, no half-applied row, and no picture
// folder may hold a temporary file once its next write has swept the stale ones.
//
//   portico_stress [--seconds N] [--writers N] [--rounds N] [--folder DIR]
//
// Prints one summary line per round and a total; exits 1 on any finding.
#include "database/CatalogueFile.h"
#include "database/NameFold.h"
#include "database/clsDBRoutines.h"
#include "settings/MessageSink.h"
#include "settings/SafeFile.h"
#include "tessera/Tessera.h"

#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <algorithm>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class QuietSink final : public portico::MessageSink {
public:
    void showMessage(const std::string&, const std::string&, portico::MessageIcon) override {}
};

void quietHandler(void*, const char*, const char*, std::int32_t) {}

// The picture of one version of a program: its name and version, then bytes
// that depend on both, of a length that depends on both.
std::string pictureOf(const std::string& name, int version) {
    std::string bytes = "PIC:" + name + ":v" + std::to_string(version) + ":";
    std::mt19937 generator(static_cast<unsigned>(std::hash<std::string>{}(bytes)));
    const std::size_t length = 100 + generator() % 3000;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>(generator() & 0xFF);
    return bytes;
}

std::string descriptionOf(int version) { return "v" + std::to_string(version); }

// One line per event, appended with a single write so that a kill never leaves half a line.
class Journal {
public:
    explicit Journal(const fs::path& file) : fd_(::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {}
    ~Journal() {
        if (fd_ >= 0) ::close(fd_);
    }
    void line(const std::string& text) const {
        const std::string whole = text + "\n";
        if (::write(fd_, whole.data(), whole.size()) != static_cast<ssize_t>(whole.size())) std::abort();
    }

private:
    int fd_;
};

// What a writer can do to the catalogue; one implementation per way in.
class Writer {
public:
    virtual ~Writer() = default;
    virtual bool add(const std::string& name, int version) = 0;
    virtual bool update(const std::string& name, int version) = 0;
    virtual bool remove(const std::string& name) = 0;
};

class DataLayerWriter final : public Writer {
public:
    DataLayerWriter(const fs::path& catalogue, const fs::path& pictures) : db_(pictures), pictures_(pictures) {
        db_.openDatabase(catalogue.string());
    }
    bool add(const std::string& name, int version) override {
        pick(name, version);
        return db_.addProgram(name, descriptionOf(version), "/usr/bin/true", "");
    }
    bool update(const std::string& name, int version) override {
        pick(name, version);
        return db_.updateProgram(name, name, descriptionOf(version), "/usr/bin/true");
    }
    bool remove(const std::string& name) override { return db_.deleteProgram(name); }

private:
    portico::clsDBRoutines db_;
    fs::path pictures_;
    // As the icon picker leaves the chosen icon.
    void pick(const std::string& name, int version) {
        std::error_code error;
        if (!portico::SafeFile::write(pictures_ / "temp.bmp", pictureOf(name, version), error)) std::abort();
    }
};

class LibraryWriter final : public Writer {
public:
    LibraryWriter(const fs::path& catalogue, const fs::path& pictures) : pictures_(pictures) {
        TesseraSetMessageHandler(&quietHandler, nullptr);
        TesseraClassFactory* factory = nullptr;
        if (DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
                              reinterpret_cast<void**>(&factory)) != TESSERA_S_OK)
            std::abort();
        factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID__clsDBRoutines, reinterpret_cast<void**>(&db_));
        factory->lpVtbl->Release(factory);
        if (!db_) std::abort();
        db_->lpVtbl->put_exportThemePath(db_, pictures.c_str());
        TesseraVariant ignored;
        TesseraVariantInit(&ignored);
        db_->lpVtbl->openDatabase(db_, catalogue.c_str(), &ignored);
    }
    ~LibraryWriter() override { db_->lpVtbl->Release(db_); }
    bool add(const std::string& name, int version) override {
        pick(name, version);
        const std::string description = descriptionOf(version);
        const char* desc = description.c_str();
        const char* path = "/usr/bin/true";
        const char* file = "";
        TesseraBool done = TESSERA_FALSE;
        return db_->lpVtbl->addProgram(db_, name.c_str(), &desc, &path, &file, nullptr, nullptr, &done) ==
                   TESSERA_S_OK &&
               done == TESSERA_TRUE;
    }
    bool update(const std::string& name, int version) override {
        pick(name, version);
        const std::string description = descriptionOf(version);
        const char* desc = description.c_str();
        const char* path = "/usr/bin/true";
        TesseraBool done = TESSERA_FALSE;
        return db_->lpVtbl->updateProgram(db_, name.c_str(), name.c_str(), &desc, &path, nullptr, nullptr, &done) ==
                   TESSERA_S_OK &&
               done == TESSERA_TRUE;
    }
    bool remove(const std::string& name) override {
        TesseraBool done = TESSERA_FALSE;
        return db_->lpVtbl->deleteProgram(db_, name.c_str(), &done) == TESSERA_S_OK && done == TESSERA_TRUE;
    }

private:
    _clsDBRoutines* db_ = nullptr;
    fs::path pictures_;
    void pick(const std::string& name, int version) {
        std::error_code error;
        if (!portico::SafeFile::write(pictures_ / "temp.bmp", pictureOf(name, version), error)) std::abort();
    }
};

// A writer process: random adds, updates and deletes of its own programs until the deadline.
int runWriter(bool library, const fs::path& catalogue, const fs::path& folder, const std::string& id, double seconds) {
    QuietSink sink;
    portico::ScopedMessageSink quiet(sink);
    const fs::path pictures = folder / ("pictures-" + id);
    fs::create_directories(pictures);
    Journal journal(folder / ("journal-" + id));
    std::unique_ptr<Writer> writer;
    if (library)
        writer = std::make_unique<LibraryWriter>(catalogue, pictures);
    else
        writer = std::make_unique<DataLayerWriter>(catalogue, pictures);
    std::mt19937 generator(std::random_device{}());
    std::map<std::string, int> mine;  // name -> version, as far as this writer knows
    int next = 0;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        const unsigned choice = generator() % 10;
        if (mine.empty() || choice < 4) {
            const std::string name = id + "-" + std::to_string(next++);
            journal.line("B add " + name + " 1");
            const bool done = writer->add(name, 1);
            journal.line(done ? "O" : "F");
            if (done) mine[name] = 1;
        } else {
            auto it = mine.begin();
            std::advance(it, static_cast<long>(generator() % mine.size()));
            const std::string name = it->first;
            if (choice < 8) {
                const int version = it->second + 1;
                journal.line("B update " + name + " " + std::to_string(version));
                const bool done = writer->update(name, version);
                journal.line(done ? "O" : "F");
                if (done) mine[name] = version;
            } else {
                journal.line("B delete " + name + " 0");
                const bool done = writer->remove(name);
                journal.line(done ? "O" : "F");
                if (done) mine.erase(name);
            }
        }
    }
    return 0;
}

// The reader: lists the catalogue and exports every picture, which must be whole.
int runReader(const fs::path& catalogue, const fs::path& folder, double seconds) {
    QuietSink sink;
    portico::ScopedMessageSink quiet(sink);
    const fs::path pictures = folder / "pictures-reader";
    fs::create_directories(pictures);
    portico::clsDBRoutines db(pictures);
    db.openDatabase(catalogue.string());
    long torn = 0;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        auto programs = db.loadPrograms();
        if (!programs) continue;
        for (long i = 0; i < programs->RecordCount() && i < 20; ++i, programs->MoveNext()) {
            const std::string name = programs->Fields("Program_Name").Value().toText();
            if (!db.GetProgramImage(name)) continue;  // deleted meanwhile
            std::string bytes;
            std::error_code error;
            if (!portico::SafeFile::read(db.programImageFile(), bytes, error) || bytes.rfind("PIC:" + name + ":v", 0) != 0)
                ++torn;
        }
    }
    std::printf("%ld\n", torn);
    return torn == 0 ? 0 : 3;
}

struct Expectation {
    std::optional<int> version;                // the state all completed operations give
    std::optional<std::optional<int>> maybe;   // the state if the in-doubt operation went through
};

struct Tally {
    long operations = 0, failures = 0, inDoubt = 0, lost = 0, halfApplied = 0, strays = 0, temporaries = 0, torn = 0;
    bool integrity = true;
};

// Reads a writer's journal into the state each of its programs must be in.
std::map<std::string, Expectation> expectations(const fs::path& journal, Tally& tally) {
    std::map<std::string, Expectation> expected;
    std::ifstream in(journal);
    std::string line, op, name;
    int version = 0;
    bool open = false;
    while (std::getline(in, line)) {
        if (line.rfind("B ", 0) == 0) {
            std::istringstream fields(line.substr(2));
            fields >> op >> name >> version;
            open = true;
            ++tally.operations;
            continue;
        }
        if (!open) continue;
        open = false;
        if (line == "F") {
            ++tally.failures;
            continue;
        }
        auto& state = expected[name];
        state.version = op == "delete" ? std::nullopt : std::optional<int>(version);
    }
    if (open) {
        // Killed between "B" and its outcome: either state is sound, nothing between.
        ++tally.inDoubt;
        expected[name].maybe = op == "delete" ? std::optional<int>() : std::optional<int>(version);
    }
    return expected;
}

struct Row {
    std::string description;
    std::string picture;
    int count = 0;
};

std::map<std::string, Row> rowsOf(const fs::path& catalogue, Tally& tally) {
    std::map<std::string, Row> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(catalogue.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) std::abort();
    // The unique name indexes are checked under the catalogue's own collation.
    portico::NameFold::registerOn(db);
    sqlite3_stmt* check = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
    if (sqlite3_step(check) != SQLITE_ROW ||
        std::strcmp(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok") != 0)
        tally.integrity = false;
    sqlite3_finalize(check);
    sqlite3_stmt* query = nullptr;
    sqlite3_prepare_v2(db, "SELECT Program_Name, Program_Desc, Program_Icon FROM Program", -1, &query, nullptr);
    while (sqlite3_step(query) == SQLITE_ROW) {
        const auto text = [&](int column) {
            const void* data = sqlite3_column_blob(query, column);
            return data ? std::string(static_cast<const char*>(data), static_cast<std::size_t>(sqlite3_column_bytes(query, column)))
                        : std::string();
        };
        Row& row = rows[text(0)];
        row.description = text(1);
        row.picture = text(2);
        ++row.count;
    }
    sqlite3_finalize(query);
    sqlite3_close(db);
    return rows;
}

bool matches(const Row* row, const std::optional<int>& version, const std::string& name) {
    if (!version) return row == nullptr;
    return row && row->count == 1 && row->description == descriptionOf(*version) && row->picture == pictureOf(name, *version);
}

pid_t spawn(const std::string& self, const std::vector<std::string>& args, bool quietOutput) {
    const pid_t pid = ::fork();
    if (pid < 0) std::abort();
    if (pid == 0) {
        if (quietOutput) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDERR_FILENO);
        }
        std::vector<char*> argv{const_cast<char*>(self.c_str())};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(self.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

Tally round(const std::string& self, const fs::path& folder, int writers, double seconds, int roundNumber,
            std::mt19937& generator) {
    Tally tally;
    const fs::path catalogue = folder / "Portico.mdb";
    std::vector<std::pair<pid_t, std::string>> children;
    for (int i = 0; i < writers; ++i) {
        const std::string id = (i % 2 ? "t" : "d") + std::to_string(roundNumber) + "w" + std::to_string(i);
        children.emplace_back(spawn(self, {"--writer", i % 2 ? "library" : "layer", catalogue.string(), folder.string(), id,
                                           std::to_string(seconds)},
                                    true),
                              id);
    }
    // The reader's output is its count of torn pictures.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) std::abort();
    const pid_t reader = ::fork();
    if (reader == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::execl(self.c_str(), self.c_str(), "--reader", catalogue.c_str(), folder.c_str(), std::to_string(seconds).c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);

    // Half the writers are killed at a random moment of their run.
    std::vector<std::pair<double, pid_t>> kills;
    std::uniform_real_distribution<double> when(0.1 * seconds, 0.9 * seconds);
    for (int i = 0; i < writers; i += 2) kills.emplace_back(when(generator), children[static_cast<std::size_t>(i)].first);
    std::sort(kills.begin(), kills.end());
    const auto start = Clock::now();
    for (const auto& [at, pid] : kills) {
        std::this_thread::sleep_until(start + std::chrono::duration<double>(at));
        ::kill(pid, SIGKILL);
    }
    for (const auto& child : children) ::waitpid(child.first, nullptr, 0);
    char buffer[64] = {};
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer - 1);
    ::close(pipeFds[0]);
    int readerStatus = 0;
    ::waitpid(reader, &readerStatus, 0);
    tally.torn = got > 0 ? std::atol(buffer) : 0;

    Tally& t = tally;
    const auto rows = rowsOf(catalogue, t);
    std::map<std::string, bool> accounted;
    for (const auto& child : children) {
        for (const auto& [name, state] : expectations(folder / ("journal-" + child.second), t)) {
            accounted[name] = true;
            const auto found = rows.find(name);
            const Row* row = found == rows.end() ? nullptr : &found->second;
            if (matches(row, state.version, name)) continue;
            if (state.maybe && matches(row, *state.maybe, name)) continue;
            if (row && (row->description.empty() || row->picture.rfind("PIC:" + name + ":", 0) != 0 ||
                        row->picture != pictureOf(name, std::atoi(row->description.c_str() + 1))))
                ++t.halfApplied;
            else
                ++t.lost;
            std::fprintf(stderr, "  %s: expected %s, found %s\n", name.c_str(),
                         state.version ? descriptionOf(*state.version).c_str() : "no row",
                         row ? row->description.c_str() : "no row");
        }
    }
    for (const auto& [name, row] : rows)
        if (!accounted.count(name) && name.find("w") != std::string::npos && name.rfind(std::to_string(roundNumber) + "w", 1) == 1)
            ++t.strays;
    // A writer killed between naming its temporary file and renaming it leaves
    // the name behind, which no write order can prevent; the next write to that
    // folder sweeps it once it is stale. Let the minute pass, write, then count.
    std::set<fs::path> leftIn;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (portico::SafeFile::isTemporaryName(entry.path().filename().string())) {
            const timespec stale{std::time(nullptr) - portico::SafeFile::kStaleTemporarySeconds - 1, 0};
            const timespec times[2] = {stale, stale};
            ::utimensat(AT_FDCWD, entry.path().c_str(), times, AT_SYMLINK_NOFOLLOW);
            leftIn.insert(entry.path().parent_path());
        }
    for (const fs::path& pictures : leftIn) {
        std::error_code error;
        if (!portico::SafeFile::write(pictures / "after-round.bmp", "x", error)) std::abort();
    }
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (portico::SafeFile::isTemporaryName(entry.path().filename().string())) ++t.temporaries;
    return tally;
}

bool clean(const Tally& t) {
    return t.integrity && t.lost == 0 && t.halfApplied == 0 && t.strays == 0 && t.temporaries == 0 && t.torn == 0;
}

void print(const char* label, const Tally& t) {
    std::printf("%s: operations %ld, reported failed %ld, in doubt at a kill %ld, lost writes %ld, half-applied %ld, "
                "unexpected rows %ld, temporary files %ld, torn pictures read %ld, integrity %s\n",
                label, t.operations, t.failures, t.inDoubt, t.lost, t.halfApplied, t.strays, t.temporaries, t.torn,
                t.integrity ? "ok" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 6 && args[0] == "--writer")
        return runWriter(args[1] == "library", args[2], args[3], args[4], std::atof(args[5].c_str()));
    if (args.size() == 4 && args[0] == "--reader") return runReader(args[1], args[2], std::atof(args[3].c_str()));

    double seconds = 3;
    int writers = 4, rounds = 1;
    std::optional<fs::path> given;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--seconds") seconds = std::atof(args[i + 1].c_str());
        else if (args[i] == "--writers") writers = std::max(2, std::atoi(args[i + 1].c_str()));
        else if (args[i] == "--rounds") rounds = std::max(1, std::atoi(args[i + 1].c_str()));
        else if (args[i] == "--folder") given = args[i + 1];
    }
    std::string pattern = (fs::temp_directory_path() / "portico-stress-XXXXXX").string();
    const fs::path folder = given ? *given : fs::path(::mkdtemp(pattern.data()));
    fs::create_directories(folder);
    const fs::path catalogue = folder / "Portico.mdb";
    if (!fs::exists(catalogue)) portico::CatalogueFile::create(catalogue);
    const std::string self = fs::canonical("/proc/self/exe").string();

    std::mt19937 generator(std::random_device{}());
    Tally total;
    bool allClean = true;
    for (int r = 1; r <= rounds; ++r) {
        const Tally t = round(self, folder, writers, seconds, r, generator);
        print(("round " + std::to_string(r)).c_str(), t);
        allClean = allClean && clean(t);
        total.operations += t.operations;
        total.failures += t.failures;
        total.inDoubt += t.inDoubt;
        total.lost += t.lost;
        total.halfApplied += t.halfApplied;
        total.strays += t.strays;
        total.temporaries += t.temporaries;
        total.torn += t.torn;
        total.integrity = total.integrity && t.integrity;
        std::fflush(stdout);
    }
    print("total", total);
    if (!given) fs::remove_all(folder);
    return allClean ? 0 : 1;
}
