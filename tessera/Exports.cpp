// The functions libTessera.so exports: the in-process server set, the
// predeclared instance, and the helpers for values that cross the boundary.

#include "tessera/Tessera.h"

#include "settings/ErrorNumbers.h"
#include "tessera/CText.h"
#include "tessera/ClassFactory.h"
#include "tessera/ComponentRegistry.h"
#include "tessera/ErrorInfo.h"
#include "tessera/Guid.h"
#include "tessera/MessageHandlerSink.h"
#include "tessera/PredeclaredInstance.h"
#include "tessera/ServerState.h"
#include "tessera/VariantConversion.h"

#include <dlfcn.h>

#include <cstring>
#include <filesystem>
#include <string>

using namespace portico::tessera;

namespace {

constexpr const char* kRegistrySource = "Tessera.DllRegisterServer";

std::string libraryPath() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&DllGetClassObject), &info) == 0 || !info.dli_fname)
        throw portico::PorticoError(portico::errors::kFileNotFound, "File not found: the library's own path", kRegistrySource);
    std::error_code ec;
    auto path = std::filesystem::canonical(info.dli_fname, ec);
    if (ec) path = std::filesystem::absolute(info.dli_fname);
    return path.string();
}

const std::string kClsid = TESSERA_CLSID_STRING;
const std::string kLibid = TESSERA_LIBID_STRING;
const std::string kIid = TESSERA_IID__clsDBRoutines_STRING;
const std::string kVersion =
    std::to_string(TESSERA_TYPELIB_VERSION_MAJOR) + "." + std::to_string(TESSERA_TYPELIB_VERSION_MINOR);

const std::string kProgIdSection = std::string("ProgID\\") + TESSERA_PROGID;
const std::string kClassSection = "CLSID\\" + kClsid;
const std::string kTypeLibSection = "TypeLib\\" + kLibid;
const std::string kInterfaceSection = "Interface\\" + kIid;

// A failure of self-registration keeps its cause in the error information.
template <typename Body>
TesseraStatus registration(Body&& body) {
    const TesseraStatus status = guardedCall([&] {
        ComponentRegistry registry(ComponentRegistry::defaultFile());
        registry.load();
        body(registry);
        registry.save();
        return TESSERA_S_OK;
    });
    return TESSERA_FAILED(status) ? TESSERA_SELFREG_E_CLASS : status;
}

}  // namespace

extern "C" {

TESSERA_API TesseraStatus DllGetClassObject(const TesseraGuid* clsid, const TesseraGuid* iid, void** object) {
    if (!object) return TESSERA_E_POINTER;
    *object = nullptr;
    if (!clsid || !iid) return TESSERA_E_POINTER;
    if (!sameGuid(clsid, TESSERA_CLSID_clsDBRoutines)) return TESSERA_CLASS_E_CLASSNOTAVAILABLE;
    return guardedCall([&] {
        TesseraClassFactory* factory = ClassFactory::create();
        const TesseraStatus status = factory->lpVtbl->QueryInterface(factory, iid, object);
        factory->lpVtbl->Release(factory);
        return status;
    });
}

TESSERA_API TesseraStatus DllCanUnloadNow(void) {
    const auto heldByLibrary = PredeclaredInstance::get().objectsHeldOnlyByLibrary();
    return ServerState::canUnload(heldByLibrary) ? TESSERA_S_OK : TESSERA_S_FALSE;
}

TESSERA_API TesseraStatus DllRegisterServer(void) {
    return registration([](ComponentRegistry& registry) {
        const std::string path = libraryPath();
        registry.setSection(kProgIdSection, {{"CLSID", kClsid}});
        registry.setSection(kClassSection, {{"Name", TESSERA_CLASS_NAME},
                                            {"ProgID", TESSERA_PROGID},
                                            {"InprocServer", path},
                                            {"ThreadingModel", "Apartment"},
                                            {"TypeLib", kLibid},
                                            {"Version", kVersion}});
        registry.setSection(kTypeLibSection, {{"Name", TESSERA_TYPELIB_NAME},
                                              {"Version", kVersion},
                                              {"LCID", std::to_string(TESSERA_TYPELIB_LCID)},
                                              {"Path", path},
                                              {"FileVersion", TESSERA_FILE_VERSION}});
        registry.setSection(kInterfaceSection, {{"Name", TESSERA_INTERFACE_NAME}, {"TypeLib", kLibid}});
    });
}

TESSERA_API TesseraStatus DllUnregisterServer(void) {
    return registration([](ComponentRegistry& registry) {
        for (const auto* section : {&kProgIdSection, &kClassSection, &kTypeLibSection, &kInterfaceSection})
            registry.removeSection(*section);
    });
}

TESSERA_API TesseraStatus TesseraGetPredeclaredInstance(const TesseraGuid* iid, void** object) {
    return PredeclaredInstance::get().query(iid, object);
}

TESSERA_API void TesseraFreeString(char* text) { freeText(text); }

TESSERA_API void TesseraVariantInit(TesseraVariant* value) {
    if (value) std::memset(value, 0, sizeof *value);
}

TESSERA_API TesseraStatus TesseraVariantClear(TesseraVariant* value) {
    if (!value) return TESSERA_E_POINTER;
    VariantConversion::clear(*value);
    return TESSERA_S_OK;
}

TESSERA_API TesseraStatus TesseraGetErrorInfo(int32_t* number, char** description, char** source) {
    if (description) *description = nullptr;
    if (source) *source = nullptr;
    if (number) *number = 0;
    if (!ErrorInfo::pending()) return TESSERA_S_FALSE;
    try {
        if (description) *description = allocateText(ErrorInfo::description());
        if (source) *source = allocateText(ErrorInfo::source());
    } catch (...) {
        if (description) freeText(std::exchange(*description, nullptr));
        return TESSERA_E_OUTOFMEMORY;
    }
    if (number) *number = static_cast<int32_t>(ErrorInfo::number());
    return TESSERA_S_OK;
}

TESSERA_API TesseraStatus TesseraSetMessageHandler(TesseraMessageHandler handler, void* context) {
    MessageHandlerSink::install(handler, context);
    return TESSERA_S_OK;
}

}  // extern "C"
