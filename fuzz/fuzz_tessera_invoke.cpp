// Drives libTessera through Invoke as a scripting client would, with the input
// choosing dispatch ids, flags, argument counts and variant types: members of
// the class and of the record sets it hands out, picture exports into a scratch
// folder included. A failed call must leave no result behind, and once every
// reference is released the library must report no live object.
#include "database/CatalogueFile.h"
#include "tessera/Tessera.h"

#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return position_ >= size_; }
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::int32_t int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value = (value << 8) | byte();
        return static_cast<std::int32_t>(value);
    }
    std::string text() {
        const std::size_t length = byte() % 48;
        std::string value;
        for (std::size_t i = 0; i < length && !empty(); ++i) value += static_cast<char>(byte());
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

struct Scratch {
    std::filesystem::path folder;
    std::filesystem::path catalogue;
    std::filesystem::path exports;
    std::string emptyCatalogue;
    Scratch() {
        std::error_code ec;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        folder = base / ("portico-fuzz-tessera-" + std::to_string(::getpid()));
        exports = folder / "export";
        catalogue = folder / "Portico.mdb";
        std::filesystem::create_directories(exports);
        portico::CatalogueFile::create(catalogue);
        std::ifstream in(catalogue, std::ios::binary);
        emptyCatalogue.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::ofstream(exports / "temp.bmp", std::ios::binary) << "BM picked icon";
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    void reset() const {
        std::filesystem::remove(folder / "Portico.mdb-journal");
        std::ofstream out(catalogue, std::ios::binary | std::ios::trunc);
        out.write(emptyCatalogue.data(), static_cast<std::streamsize>(emptyCatalogue.size()));
    }
};

void quiet(void*, const char*, const char*, std::int32_t) {}

// The members of the class and of a record set, and a few ids that name nothing.
constexpr std::array<std::int32_t, 6> kOddIds = {0, -1, 0x60030000, 0x60030036, 0x68030002, 0x7FFFFFFF};

std::int32_t classId(Input& in) {
    const std::uint8_t pick = in.byte();
    if (pick < 200) {
        const int member = pick % 47;  // loadPrograms .. getDefaultTheme
        if (member == 44) return TESSERA_DISPID_DefaultIconPath;
        if (member == 45) return TESSERA_DISPID_exportThemePath;
        if (member == 46) return TESSERA_DISPID_openDatabase;
        return TESSERA_DISPID_loadPrograms + member;
    }
    if (pick < 240) return kOddIds[pick % kOddIds.size()];
    return in.int32();
}

struct Arguments {
    std::vector<TesseraVariant> values;
    std::vector<std::string> texts;  // owned here; variants point into them
    std::vector<std::vector<std::uint8_t>> bytes;
};

Arguments arguments(Input& in, const std::vector<TesseraRecordset*>& recordsets) {
    Arguments args;
    const std::size_t count = in.byte() % 8;
    // Reserved up front: the variants point into these, which must not move.
    args.texts.reserve(count + 1);
    args.bytes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        TesseraVariant value{};
        switch (in.byte() % 13) {
        case 0: value.vt = TESSERA_VT_EMPTY; break;
        case 1: value.vt = TESSERA_VT_NULL; break;
        case 2: value.vt = TESSERA_VT_I2; value.u.iVal = static_cast<std::int16_t>(in.int32()); break;
        case 3: value.vt = TESSERA_VT_I4; value.u.lVal = in.int32(); break;
        case 4: {
            value.vt = TESSERA_VT_R8;
            const std::int32_t raw = in.int32();
            value.u.dblVal = raw / 7.0;
            break;
        }
        case 5:
        case 6:
        case 7: {
            value.vt = in.byte() % 4 == 0 ? TESSERA_VT_DATE : TESSERA_VT_BSTR;
            args.texts.push_back(in.text());
            value.u.strVal = args.texts.back().data();
            break;
        }
        case 8:
            value.vt = TESSERA_VT_DISPATCH;
            value.u.recordset = recordsets.empty() ? nullptr : recordsets[in.byte() % recordsets.size()];
            break;
        case 9: value.vt = TESSERA_VT_ERROR; value.u.scode = TESSERA_DISP_E_PARAMNOTFOUND; break;
        case 10: value.vt = TESSERA_VT_BOOL; value.u.boolVal = in.byte() & 1 ? TESSERA_TRUE : TESSERA_FALSE; break;
        case 11: {
            value.vt = TESSERA_VT_BYTES;
            std::vector<std::uint8_t> data(in.byte() % 32);
            for (auto& b : data) b = in.byte();
            args.bytes.push_back(std::move(data));
            value.u.bytes.data = args.bytes.back().data();
            value.u.bytes.size = static_cast<std::uint32_t>(args.bytes.back().size());
            break;
        }
        default: value.vt = static_cast<std::uint16_t>(in.byte() | (in.byte() << 8)); break;
        }
        args.values.push_back(value);
    }
    return args;
}

void keep(TesseraVariant& result, std::vector<TesseraRecordset*>& recordsets) {
    if (result.vt == TESSERA_VT_DISPATCH && result.u.recordset && recordsets.size() < 6) {
        recordsets.push_back(result.u.recordset);
        result.vt = TESSERA_VT_EMPTY;  // the reference moved to the pool
        return;
    }
    TesseraVariantClear(&result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scratch scratch;
    static const bool installed = (TesseraSetMessageHandler(&quiet, nullptr), true);
    (void)installed;
    scratch.reset();

    TesseraClassFactory* factory = nullptr;
    if (DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory, reinterpret_cast<void**>(&factory)) !=
        TESSERA_S_OK)
        std::abort();
    _clsDBRoutines* db = nullptr;
    factory->lpVtbl->CreateInstance(factory, nullptr, &TESSERA_IID__clsDBRoutines, reinterpret_cast<void**>(&db));
    factory->lpVtbl->Release(factory);
    if (!db) std::abort();
    db->lpVtbl->put_exportThemePath(db, scratch.exports.c_str());
    TesseraVariant opened;
    TesseraVariantInit(&opened);
    db->lpVtbl->openDatabase(db, scratch.catalogue.c_str(), &opened);
    TesseraVariantClear(&opened);

    Input in(data, size);
    std::vector<TesseraRecordset*> recordsets;
    for (int call = 0; call < 64 && !in.empty(); ++call) {
        const bool onRecordset = (in.byte() & 3) == 0 && !recordsets.empty();
        TesseraRecordset* rs = onRecordset ? recordsets[in.byte() % recordsets.size()] : nullptr;
        const std::int32_t dispid = onRecordset ? static_cast<std::int32_t>(in.byte() % 12) - 1 : classId(in);
        const std::uint16_t flags = static_cast<std::uint16_t>(in.byte() % 8);
        // The connection and the folder for picture files stay in the scratch folder.
        const bool keepToScratch =
            !onRecordset && (dispid == TESSERA_DISPID_openDatabase || dispid == TESSERA_DISPID_exportThemePath);
        Arguments args = arguments(in, recordsets);
        if (keepToScratch && !args.values.empty()) {
            args.texts.push_back(dispid == TESSERA_DISPID_openDatabase ? scratch.catalogue.string()
                                                                       : scratch.exports.string());
            args.values[0].vt = TESSERA_VT_BSTR;
            args.values[0].u.strVal = args.texts.back().data();
            for (std::size_t i = 1; i < args.values.size(); ++i) args.values[i].vt = TESSERA_VT_EMPTY;
        }
        TesseraVariant result;
        std::memset(&result, 0xA5, sizeof result);  // whatever the caller's memory held
        const TesseraVariant* argv = args.values.empty() ? nullptr : args.values.data();
        const auto argc = static_cast<std::uint32_t>(args.values.size());
        const TesseraStatus status = onRecordset ? rs->lpVtbl->Invoke(rs, dispid, flags, argv, argc, &result)
                                                 : db->lpVtbl->Invoke(db, dispid, flags, argv, argc, &result);
        if (TESSERA_FAILED(status) && result.vt != TESSERA_VT_EMPTY) std::abort();
        keep(result, recordsets);
    }

    for (TesseraRecordset* rs : recordsets) rs->lpVtbl->Release(rs);
    if (db->lpVtbl->Release(db) != 0) std::abort();
    if (DllCanUnloadNow() != TESSERA_S_OK) std::abort();
    return 0;
}
