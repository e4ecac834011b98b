// Opens arbitrary bytes as a catalogue and runs the programs' reads and
// writes on it: a damaged or hostile catalogue must be reported, never crash
// the program.
#include "database/AdoErrors.h"
#include "database/Connection.h"
#include "database/Engine.h"
#include "database/SqliteEngine.h"
#include "database/clsDBRoutines.h"
#include "settings/MessageSink.h"
#include "settings/PorticoError.h"

#include <sanitizer/asan_interface.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>


namespace {

class QuietSink final : public portico::MessageSink {
public:
    void showMessage(const std::string&, const std::string&, portico::MessageIcon) override {}
};

// A private folder for the catalogue and its exported pictures, removed at exit.
class WorkFolder {
public:
    WorkFolder() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        std::string pattern = (base / "portico-fuzz-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder;
    return folder.path();
}

// The catalogue is opened from the input's bytes in memory: writing it to a
// file and opening that cost a run dozens of system calls (locks, journal,
// syncs) and most of its time. The engine reads the image with the same
// pager and b-tree code as a file. It refuses an image in write-ahead-log
// mode, so such an input still goes through a file.
bool needsFile(const std::uint8_t* data, std::size_t size) {
    return size > 19 && (data[18] == 2 || data[19] == 2);
}

const std::string& imageName() {
    static const std::string name = (workFolder() / "image.mdb").string();
    return name;
}

// One run's catalogue image and what its first connection made of it.
//
// The data layer keeps a connection that passed its catalogue check, and on a
// catalogue that fails it connects anew for every operation: some twenty
// times a run, each time parsing the same schema from the same bytes to the
// same end, which took most of the time of a run. The first connection of a
// run is the engine's own; it records what the check's table list came to,
// and later connections of the run replay that, so the data layer still
// connects, checks, closes and reports each time. Nothing is written through a
// connection that failed the check, so the bytes are still the run's input.
struct RunImage {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int opens = 0;
    bool recorded = false;
    std::optional<portico::PorticoError> openError;
    std::optional<portico::PorticoError> tablesError;
    std::vector<std::string> tables;

    void start(const std::uint8_t* bytes, std::size_t length) {
        *this = RunImage{};
        data = bytes;
        size = length;
    }
};

RunImage run;

// The first connection's engine records the table list; a later one replays
// it and opens the image itself only if asked for more.
class ImageEngine final : public portico::Engine {
public:
    ImageEngine(std::unique_ptr<portico::Engine> engine, int commandTimeout)
        : engine_(std::move(engine)), timeout_(commandTimeout), replays_(!engine_) {}

    const char* source() const override { return portico::ado::kEngineSource; }
    bool isOpen() const override { return true; }
    void setCommandTimeout(int seconds) override {
        timeout_ = seconds;
        if (engine_) engine_->setCommandTimeout(seconds);
    }
    portico::EngineResult run(const std::string& sql, const std::vector<portico::Variant>& parameters) override {
        return engine().run(sql, parameters);
    }
    void begin() override { engine().begin(); }
    void commit() override { engine().commit(); }
    void rollback() override { engine().rollback(); }
    std::vector<std::string> tableNames() override {
        if (replays_ && ::run.recorded) {
            if (::run.tablesError) throw *::run.tablesError;
            return ::run.tables;
        }
        if (::run.recorded) return engine().tableNames();
        ::run.recorded = true;
        try {
            ::run.tables = engine().tableNames();
        } catch (const portico::PorticoError& error) {
            ::run.tablesError = error;
            throw;
        }
        return ::run.tables;
    }
    std::vector<std::string> tableColumns(std::string& table) override { return engine().tableColumns(table); }
    bool isTextColumn(const std::string& table, const std::string& column) override {
        return engine().isTextColumn(table, column);
    }
    std::string keyColumn(const std::string& table) override { return engine().keyColumn(table); }
    std::int64_t insertRow(const std::string& table, const std::vector<std::string>& columns,
                           const std::vector<portico::Variant>& values, const std::string& key) override {
        return engine().insertRow(table, columns, values, key);
    }
    void resetKeyCounter(const std::string& table, const std::string& key) override {
        engine().resetKeyCounter(table, key);
    }
    void updateRow(const std::string& table, const std::vector<std::string>& columns,
                   const std::vector<portico::Variant>& values, const std::string& key,
                   const portico::Variant& keyValue) override {
        engine().updateRow(table, columns, values, key, keyValue);
    }

private:
    std::unique_ptr<portico::Engine> engine_;
    int timeout_;
    bool replays_;

    portico::Engine& engine() {
        if (!engine_) engine_ = portico::openSqliteImage(::run.data, ::run.size, timeout_);
        return *engine_;
    }
};

std::unique_ptr<portico::Engine> openRunImage(const std::string& connectionString, int commandTimeout) {
    if (connectionString != imageName()) return nullptr;
    if (run.opens++ > 0) {
        if (run.openError) throw *run.openError;
        return std::make_unique<ImageEngine>(nullptr, commandTimeout);
    }
    try {
        return std::make_unique<ImageEngine>(portico::openSqliteImage(run.data, run.size, commandTimeout),
                                             commandTimeout);
    } catch (const portico::PorticoError& error) {
        run.openError = error;
        throw;
    }
}

}  // namespace

namespace {

// SQLite's own allocations. The engine is built without its small-allocation
// cache, so a run made some 1,500 allocations through the sanitizer's
// allocator, every one on cold memory behind the quarantine: most of a run's
// time. They are served here from a few blocks used over and over, with the
// sanitizer's checks kept by poisoning by hand: the bytes around an
// allocation and a freed allocation stay poisoned (a freed one until its whole
// block is free and its turn comes round again), so our code reading past a
// value SQLite hands out, or after SQLite freed it, is still caught. The
// heap's own code is left out of coverage: its branches say nothing of the input.
#define HEAP_CODE __attribute__((no_sanitize("coverage")))

class SqliteHeap {
public:
    static void install() {
        static const sqlite3_mem_methods methods = {&SqliteHeap::allocate, &SqliteHeap::release,
                                                     &SqliteHeap::resize,   &SqliteHeap::size,
                                                     &SqliteHeap::roundUp,  &SqliteHeap::init,
                                                     &SqliteHeap::shutdown, nullptr};
        // Without the memory statistics, SQLite neither locks nor asks a size on every allocation.
        if (sqlite3_config(SQLITE_CONFIG_MALLOC, &methods) != SQLITE_OK ||
            sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) != SQLITE_OK)
            std::abort();
    }

private:
    static constexpr std::size_t kHeader = 16;  // the size, and the block (none for a large one)
    static constexpr std::size_t kRedZone = 16;
    static constexpr std::size_t kBlockSize = std::size_t(1) << 20;
    static constexpr std::size_t kLarge = kBlockSize / 8;

    struct Block {
        char* base;
        std::size_t used;
        std::size_t live;
    };
    struct Header {
        std::size_t size;
        Block* block;
    };

    // Never destroyed: SQLite may free into the blocks until the process ends.
    static std::vector<Block*>& blocks() {
        static auto* all = new std::vector<Block*>;
        return *all;
    }
    static std::size_t& current() {
        static std::size_t index = 0;
        return index;
    }

    // Big ones (a record a damaged header says is huge, the image) come in
    // powers of two, and a freed one is kept for the next of its size: fresh
    // memory cost a run its mapping, page faults and zeroing.
    static constexpr int kLargestKept = 27;
    static constexpr std::size_t kKeptPerSize = 2;
    static int sizeClass(std::size_t need) {
        int bits = 0;
        while ((std::size_t(1) << bits) < need) ++bits;
        return bits;
    }
    static std::vector<char*>& kept(int bits) {
        static auto* lists = new std::vector<char*>[kLargestKept + 1];
        return lists[bits];
    }
    HEAP_CODE static char* takeLarge(std::size_t need) {
        const int bits = sizeClass(need);
        if (bits <= kLargestKept && !kept(bits).empty()) {
            char* start = kept(bits).back();
            kept(bits).pop_back();
            return start;
        }
        auto* start = static_cast<char*>(std::malloc(std::size_t(1) << bits));
        if (start) ASAN_POISON_MEMORY_REGION(start, std::size_t(1) << bits);
        return start;
    }
    HEAP_CODE static void keepLarge(char* start, std::size_t need) {
        const int bits = sizeClass(need);
        if (bits <= kLargestKept && kept(bits).size() < kKeptPerSize) {
            ASAN_POISON_MEMORY_REGION(start, std::size_t(1) << bits);
            kept(bits).push_back(start);
        } else {
            ASAN_UNPOISON_MEMORY_REGION(start, std::size_t(1) << bits);
            std::free(start);
        }
    }

    static std::size_t rounded(std::size_t n) { return (n + 15) & ~std::size_t(15); }

    // The next block in turn with nothing alive in it, else a new one.
    HEAP_CODE static Block* freshBlock() {
        auto& all = blocks();
        for (std::size_t step = 1; step <= all.size(); ++step) {
            const std::size_t index = (current() + step) % all.size();
            if (all[index]->live == 0) {
                current() = index;
                all[index]->used = 0;
                return all[index];
            }
        }
        auto* block = new Block{static_cast<char*>(std::aligned_alloc(16, kBlockSize)), 0, 0};
        if (!block->base) return nullptr;
        ASAN_POISON_MEMORY_REGION(block->base, kBlockSize);
        all.push_back(block);
        current() = all.size() - 1;
        return block;
    }

    HEAP_CODE static void* allocate(int requested) {
        if (requested <= 0) return nullptr;
        const std::size_t n = static_cast<std::size_t>(requested);
        const std::size_t need = kHeader + rounded(n) + kRedZone;
        char* start = nullptr;
        Block* block = nullptr;
        if (need > kLarge) {
            start = takeLarge(need);
            if (!start) return nullptr;
        } else {
            auto& all = blocks();
            block = all.empty() ? nullptr : all[current()];
            if (!block || block->used + need > kBlockSize) block = freshBlock();
            if (!block) return nullptr;
            start = block->base + block->used;
            block->used += need;
            ++block->live;
        }
        ASAN_UNPOISON_MEMORY_REGION(start, kHeader);
        *reinterpret_cast<Header*>(start) = Header{n, block};
        ASAN_POISON_MEMORY_REGION(start, kHeader);
        ASAN_UNPOISON_MEMORY_REGION(start + kHeader, n);
        return start + kHeader;
    }

    HEAP_CODE static Header header(void* memory) {
        char* start = static_cast<char*>(memory) - kHeader;
        ASAN_UNPOISON_MEMORY_REGION(start, kHeader);
        const Header found = *reinterpret_cast<Header*>(start);
        ASAN_POISON_MEMORY_REGION(start, kHeader);
        return found;
    }

    HEAP_CODE static void release(void* memory) {
        if (!memory) return;
        const Header found = header(memory);
        ASAN_POISON_MEMORY_REGION(memory, rounded(found.size));
        if (found.block) {
            --found.block->live;
        } else {
            keepLarge(static_cast<char*>(memory) - kHeader, kHeader + rounded(found.size) + kRedZone);
        }
    }

    HEAP_CODE static void* resize(void* memory, int requested) {
        void* moved = allocate(requested);
        if (!moved) return nullptr;
        const std::size_t old = header(memory).size;
        std::memcpy(moved, memory, std::min(old, static_cast<std::size_t>(requested)));
        release(memory);
        return moved;
    }

    HEAP_CODE static int size(void* memory) { return memory ? static_cast<int>(header(memory).size) : 0; }
    static int roundUp(int n) { return n; }
    static int init(void*) { return SQLITE_OK; }
    static void shutdown(void*) {}
};

}  // namespace

// A run allocates a lot and briefly (record sets, a connection). With the
// default 256 MB quarantine every allocation lands on fresh pages, and page
// faults, pattern fills and stack captures took most of a run's time.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16:malloc_context_size=2:max_malloc_fill_size=0";
}

namespace {

// Runs the programs' reads and the administration program's writes on the catalogue.
void exercise(const std::string& catalogue, const std::uint8_t* data, std::size_t size) {
    portico::clsDBRoutines db(workFolder());
    db.openDatabase(catalogue);
    if (auto programs = db.loadPrograms()) {
        // Each program is looked up the way the launcher starts it, on a few
        // rows spread over the list (the rows of one page say little more than
        // one of them), and the first one's picture is exported.
        const long count = programs->RecordCount();
        const long step = std::max(1L, count / 3);
        for (long i = 0; i < count; ++i) {
            if (i % step == 0 || i == count - 1) {
                try {
                    const portico::Variant& value = programs->Fields("Program_Name").Value();
                    const std::string name = value.isNull() ? std::string() : value.toText();
                    db.getProgramPath(name);
                    db.GetProgramParameters(name);
                    if (i == 0) db.GetProgramImage(name);
                } catch (const portico::PorticoError&) {
                    // A name stored as bytes: the lists leave such a row out.
                }
            }
            programs->MoveNext();
        }
    }
    db.getDefaultTheme();
    db.GetThemeImage("Default", "Theme_LogoSplash");
    if (auto folders = db.GetFolders()) folders->RecordCount();
    db.LoadUserPermissionForDataReport();
    db.LoadGroupPermissionForDataReport();

    // The administration program's writes, on whatever the store holds: one
    // group a run, picked by the file's header, so every group is reached and a
    // run stays short.
    unsigned header = 0;
    for (std::size_t i = 0; i < size && i < 100; ++i) header += data[i];
    switch (header % 4) {
    case 0:
        db.addProgram("Fuzz", "description", "/usr/bin/true", "", "/tmp", "-x");
        db.updateProgram("Fuzz", "Fuzzed", "changed", "/usr/bin/false");
        db.deleteProgram("Fuzzed");
        break;
    case 1:
        db.AddUser("user", "S-1");
        db.AddGroup("group");
        db.AddSecurity("user", 1, "Program 1", 1);
        db.AddSecurity("group", 0, "Program 1", 2);
        db.LoadProgramsByGroup("group");
        db.DeleteSecurity(1, 1);
        break;
    case 2:
        db.AddFolder("Folder", "/srv");
        db.DeleteFolder("Folder");
        db.CreateTheme("Theme", (workFolder() / "temp.bmp").string());
        db.setDefaultTheme("Theme");
        db.DeleteTheme("Theme");
        break;
    default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static QuietSink sink;
    static portico::ScopedMessageSink quiet(sink);
    static const bool ready = [] {
        SqliteHeap::install();
        std::ofstream(workFolder() / "temp.bmp", std::ios::binary) << "BM picked icon";
        portico::Connection::setEngineOpener(openRunImage);
        return true;
    }();
    (void)ready;

    run.start(data, size);
    std::string catalogue = imageName();
    if (needsFile(data, size)) {
        // The folder is on tmpfs when there is one: writing the file costs a copy.
        const auto file = workFolder() / "Portico.mdb";
        for (const char* leftover : {"-journal", "-wal", "-shm"})
            std::filesystem::remove(workFolder() / ("Portico.mdb" + std::string(leftover)));
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        catalogue = file.string();
    }
    exercise(catalogue, data, size);
    // What the run recorded goes within the run: memory kept from one run to
    // the next looks like a leak to the fuzzer, which then runs the input again.
    run.start(nullptr, 0);
    return 0;
}
