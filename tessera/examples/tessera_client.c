/*
 * A C client of libTessera.so: loads the library at run time, creates
 * clsDBRoutines through its class factory, and works on a catalogue.
 *
 *     tessera_client LIBRARY CATALOGUE FOLDER
 *
 * CATALOGUE is an existing (empty) catalogue file; FOLDER an empty folder the
 * client may write pictures into. Exits 0 when every check holds.
 * The environment variable XDG_RUNTIME_DIR names the per-user folder where
 * pictures land while exportThemePath is empty.
 */
#include "Tessera.h"

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

typedef TesseraStatus (*GetClassObjectFn)(const TesseraGuid*, const TesseraGuid*, void**);
typedef TesseraStatus (*CanUnloadNowFn)(void);
typedef void (*FreeStringFn)(char*);
typedef TesseraStatus (*VariantClearFn)(TesseraVariant*);
typedef TesseraStatus (*GetErrorInfoFn)(int32_t*, char**, char**);
typedef TesseraStatus (*SetMessageHandlerFn)(TesseraMessageHandler, void*);

static GetClassObjectFn getClassObject;
static CanUnloadNowFn canUnloadNow;
static FreeStringFn freeString;
static VariantClearFn variantClear;
static GetErrorInfoFn getErrorInfo;
static SetMessageHandlerFn setMessageHandler;

static int failures = 0;

#define CHECK(condition)                                                              \
    do {                                                                              \
        if (!(condition)) {                                                           \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            ++failures;                                                               \
        }                                                                             \
    } while (0)

#define CALL(expression) CHECK((expression) == TESSERA_S_OK)

/* The reports of the data layer, kept for the checks. */
typedef struct Reports {
    int count;
    char last[512];
    char lastTitle[128];
    int lastIcon;
} Reports;

static void recordReport(void* context, const char* text, const char* title, int32_t icon) {
    Reports* reports = (Reports*)context;
    ++reports->count;
    snprintf(reports->last, sizeof reports->last, "%s", text);
    snprintf(reports->lastTitle, sizeof reports->lastTitle, "%s", title);
    reports->lastIcon = icon;
}

static void* symbol(void* library, const char* name) {
    void* address = dlsym(library, name);
    if (!address) {
        fprintf(stderr, "missing export %s\n", name);
        exit(2);
    }
    return address;
}

static int writeFile(const char* path, const unsigned char* data, size_t size) {
    FILE* file = fopen(path, "wb");
    if (!file) return 0;
    size_t written = fwrite(data, 1, size, file);
    return fclose(file) == 0 && written == size;
}

/* The whole file, or NULL; *size gets its length. */
static unsigned char* readFile(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    if (!file) return NULL;
    unsigned char* data = NULL;
    size_t length = 0, capacity = 0;
    for (;;) {
        if (length == capacity) {
            capacity = capacity ? capacity * 2 : 4096;
            unsigned char* grown = (unsigned char*)realloc(data, capacity);
            if (!grown) {
                free(data);
                fclose(file);
                return NULL;
            }
            data = grown;
        }
        size_t got = fread(data + length, 1, capacity - length, file);
        length += got;
        if (got == 0) break;
    }
    fclose(file);
    *size = length;
    return data;
}

static int fileEquals(const char* path, const unsigned char* expected, size_t size) {
    size_t length = 0;
    unsigned char* data = readFile(path, &length);
    int same = data && length == size && memcmp(data, expected, size) == 0;
    free(data);
    return same;
}

static int fileExists(const char* path) {
    struct stat info;
    return stat(path, &info) == 0;
}

/* A small picture file: a bitmap header and a pattern that differs per seed. */
static void makePicture(unsigned char* data, size_t size, unsigned seed) {
    size_t i;
    for (i = 0; i < size; ++i) data[i] = (unsigned char)((i * 31u + seed * 7u) & 0xFFu);
    data[0] = 'B';
    data[1] = 'M';
}

static int32_t recordCount(TesseraRecordset* rs) {
    int32_t count = -1;
    CALL(rs->lpVtbl->get_RecordCount(rs, &count));
    return count;
}

/* The text of a field of the current row ("" for anything but text). */
static void fieldText(TesseraRecordset* rs, const char* name, char* buffer, size_t size) {
    TesseraVariant value;
    buffer[0] = '\0';
    CALL(rs->lpVtbl->get_Field(rs, name, &value));
    if (value.vt == TESSERA_VT_BSTR) snprintf(buffer, size, "%s", value.u.strVal);
    variantClear(&value);
}

static int textIs(char* text, const char* expected) {
    int same = text && strcmp(text, expected) == 0;
    freeString(text);
    return same;
}

int main(int argc, char** argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: %s LIBRARY CATALOGUE FOLDER\n", argv[0]);
        return 2;
    }
    const char* libraryPath = argv[1];
    const char* catalogue = argv[2];
    const char* folder = argv[3];

    void* library = dlopen(libraryPath, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    /* POSIX's way to turn dlsym's object pointer into a function pointer. */
    *(void**)(&getClassObject) = symbol(library, "DllGetClassObject");
    *(void**)(&canUnloadNow) = symbol(library, "DllCanUnloadNow");
    *(void**)(&freeString) = symbol(library, "TesseraFreeString");
    *(void**)(&variantClear) = symbol(library, "TesseraVariantClear");
    *(void**)(&getErrorInfo) = symbol(library, "TesseraGetErrorInfo");
    *(void**)(&setMessageHandler) = symbol(library, "TesseraSetMessageHandler");

    Reports reports;
    memset(&reports, 0, sizeof reports);
    CALL(setMessageHandler(recordReport, &reports));
    CHECK(canUnloadNow() == TESSERA_S_OK);

    /* ---- creation through the published identifiers ---- */
    TesseraClassFactory* factory = NULL;
    TesseraGuid unknownClass = TESSERA_CLSID_clsDBRoutines;
    unknownClass.Data1 ^= 1u;
    CHECK(getClassObject(&unknownClass, &TESSERA_IID_IClassFactory, (void**)&factory) ==
          TESSERA_CLASS_E_CLASSNOTAVAILABLE);
    CALL(getClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory, (void**)&factory));
    if (!factory) return 1;
    _clsDBRoutines* db = NULL;
    CALL(factory->lpVtbl->CreateInstance(factory, NULL, &TESSERA_IID__clsDBRoutines, (void**)&db));
    factory->lpVtbl->Release(factory);
    if (!db) return 1;
    CHECK(canUnloadNow() == TESSERA_S_FALSE);

    void* other = NULL;
    CHECK(db->lpVtbl->QueryInterface(db, &TESSERA_IID_IClassFactory, &other) == TESSERA_E_NOINTERFACE);
    CALL(db->lpVtbl->QueryInterface(db, &TESSERA_IID_IDispatch, &other));
    CHECK(other == (void*)db);
    db->lpVtbl->Release(db);

    /* ---- pictures go to the export folder ---- */
    char exportFolder[1024], tempPicture[1200], path[1200];
    snprintf(exportFolder, sizeof exportFolder, "%s/export", folder);
    CHECK(mkdir(exportFolder, 0700) == 0);
    snprintf(tempPicture, sizeof tempPicture, "%s/temp.bmp", exportFolder);
    CALL(db->lpVtbl->put_exportThemePath(db, exportFolder));
    char* text = NULL;
    CALL(db->lpVtbl->get_exportThemePath(db, &text));
    CHECK(textIs(text, exportFolder));

    /* ---- open the catalogue and list its programs ---- */
    TesseraVariant ignored;
    CALL(db->lpVtbl->openDatabase(db, catalogue, &ignored));
    CHECK(ignored.vt == TESSERA_VT_EMPTY);
    CHECK(reports.count == 0);

    TesseraRecordset* rs = NULL;
    CALL(db->lpVtbl->loadPrograms(db, &rs));
    CHECK(rs != NULL && recordCount(rs) == 0);
    if (rs) rs->lpVtbl->Release(rs);

    /* ---- add a program with a picture and read it back ---- */
    unsigned char picture[3000];
    makePicture(picture, sizeof picture, 1);
    CHECK(writeFile(tempPicture, picture, sizeof picture));
    const char* description = "A text editor";
    const char* programPath = "/usr/bin/editor";
    const char* unusedFile = "";
    const char* startIn = "/tmp";
    TesseraBool added = TESSERA_FALSE;
    CALL(db->lpVtbl->addProgram(db, "  Editor  ", &description, &programPath, &unusedFile, &startIn, NULL, &added));
    CHECK(added == TESSERA_TRUE);
    CHECK(reports.count == 0);

    rs = NULL;
    CALL(db->lpVtbl->loadPrograms(db, &rs));
    if (rs) {
        char name[256];
        int32_t fields = 0;
        CHECK(recordCount(rs) == 1);
        CALL(rs->lpVtbl->get_FieldCount(rs, &fields));
        CHECK(fields == 3);
        char* fieldName = NULL;
        CALL(rs->lpVtbl->get_FieldName(rs, 1, &fieldName));
        CHECK(textIs(fieldName, "Program_Icon"));
        fieldText(rs, "Program_Name", name, sizeof name);
        CHECK(strcmp(name, "Editor") == 0);
        TesseraVariant icon;
        CALL(rs->lpVtbl->get_FieldByIndex(rs, 1, &icon));
        CHECK(icon.vt == TESSERA_VT_BYTES && icon.u.bytes.size == sizeof picture &&
              memcmp(icon.u.bytes.data, picture, sizeof picture) == 0);
        variantClear(&icon);
        CALL(rs->lpVtbl->MoveNext(rs));
        TesseraBool eof = TESSERA_FALSE;
        CALL(rs->lpVtbl->get_EOF(rs, &eof));
        CHECK(eof == TESSERA_TRUE);
        /* No current row: the read fails with 3021 and says so. */
        TesseraVariant none;
        CHECK(rs->lpVtbl->get_Field(rs, "Program_Name", &none) == TESSERA_STATUS_FROM_ERROR(3021));
        int32_t number = 0;
        CHECK(getErrorInfo(&number, NULL, NULL) == TESSERA_S_OK && number == 3021);
        rs->lpVtbl->Release(rs);
    }

    CALL(db->lpVtbl->getProgramPath(db, "Editor", &text));
    CHECK(textIs(text, "/usr/bin/editor"));
    CALL(db->lpVtbl->GetProgramStartInDir(db, "Editor", &text));
    CHECK(textIs(text, "/tmp"));

    TesseraBool exported = TESSERA_FALSE;
    CALL(db->lpVtbl->GetProgramImage(db, "Editor", &exported));
    CHECK(exported == TESSERA_TRUE);
    snprintf(path, sizeof path, "%s/Editor.bmp", exportFolder);
    CHECK(fileEquals(path, picture, sizeof picture));

    /* ---- a picture through a record set of ours, and an unreadable one ---- */
    unsigned char second[1500];
    makePicture(second, sizeof second, 2);
    snprintf(path, sizeof path, "%s/second.bmp", folder);
    CHECK(writeFile(path, second, sizeof second));
    rs = NULL;
    CALL(db->lpVtbl->loadProgram(db, "Editor", &rs));
    if (rs) {
        const char* picturePath = path;
        TesseraVariant result;
        CALL(db->lpVtbl->AddProgramImage(db, &rs, &picturePath, &result));
        CALL(rs->lpVtbl->Update(rs));
        const char* missing = "/nonexistent/folder/none.bmp";
        CHECK(db->lpVtbl->AddProgramImage(db, &rs, &missing, &result) == TESSERA_STATUS_FROM_ERROR(3002));
        int32_t number = 0;
        char* errorText = NULL;
        char* source = NULL;
        CHECK(getErrorInfo(&number, &errorText, &source) == TESSERA_S_OK);
        CHECK(number == 3002 && errorText && strlen(errorText) > 0 && source && strlen(source) > 0);
        freeString(errorText);
        freeString(source);
        CALL(rs->lpVtbl->Close(rs));
        rs->lpVtbl->Release(rs);
    }
    CHECK(reports.count == 0);
    CALL(db->lpVtbl->GetProgramImage(db, "Editor", &exported));
    snprintf(path, sizeof path, "%s/Editor.bmp", exportFolder);
    CHECK(exported == TESSERA_TRUE && fileEquals(path, second, sizeof second));

    /* ---- edge case: temp.bmp missing, DefaultIconPath stands in ---- */
    unsigned char fallback[800];
    makePicture(fallback, sizeof fallback, 3);
    snprintf(path, sizeof path, "%s/Default.ico", folder);
    CHECK(writeFile(path, fallback, sizeof fallback));
    CALL(db->lpVtbl->put_DefaultIconPath(db, path));
    CHECK(remove(tempPicture) == 0);
    CALL(db->lpVtbl->addProgram(db, "Viewer", &description, &programPath, &unusedFile, NULL, NULL, &added));
    CHECK(added == TESSERA_TRUE);
    CHECK(reports.count == 0);
    CALL(db->lpVtbl->GetProgramImage(db, "Viewer", &exported));
    snprintf(path, sizeof path, "%s/Viewer.bmp", exportFolder);
    CHECK(exported == TESSERA_TRUE && fileEquals(path, fallback, sizeof fallback));

    /* ---- a name with separators stays inside the export folder ---- */
    CHECK(writeFile(tempPicture, picture, sizeof picture));
    CALL(db->lpVtbl->addProgram(db, "../escape/x", &description, &programPath, &unusedFile, NULL, NULL, &added));
    CHECK(added == TESSERA_TRUE);
    CALL(db->lpVtbl->GetProgramImage(db, "../escape/x", &exported));
    CHECK(exported == TESSERA_TRUE);
    snprintf(path, sizeof path, "%s/.._escape_x.bmp", exportFolder);
    CHECK(fileEquals(path, picture, sizeof picture));
    snprintf(path, sizeof path, "%s/escape", folder);
    CHECK(!fileExists(path));

    /* ---- edge case: deleteProgram removes its permission rows only ---- */
    TesseraBool done = TESSERA_FALSE;
    CALL(db->lpVtbl->AddUser(db, "alice", "S-1-5-21-1", &done));
    CALL(db->lpVtbl->AddGroup(db, "staff", &done));
    CHECK(done == TESSERA_TRUE);
    int16_t granted = 1;
    CALL(db->lpVtbl->AddSecurity(db, "alice", &granted, "Editor", 1, &done));
    CHECK(done == TESSERA_TRUE);
    CALL(db->lpVtbl->AddSecurity(db, "staff", &granted, "Editor", 2, &done));
    CHECK(done == TESSERA_TRUE);
    CALL(db->lpVtbl->AddSecurity(db, "alice", &granted, "Viewer", 1, &done));
    CHECK(done == TESSERA_TRUE);
    rs = NULL;
    CALL(db->lpVtbl->LoadUserPermissionForDataReport(db, &rs));
    CHECK(rs && recordCount(rs) == 2);
    if (rs) rs->lpVtbl->Release(rs);
    int16_t editorKey = 0;
    CALL(db->lpVtbl->getProgramKey(db, "Editor", &editorKey));
    CHECK(editorKey > 0);
    CALL(db->lpVtbl->deleteProgram(db, "Editor", &done));
    CHECK(done == TESSERA_TRUE);
    rs = NULL;
    CALL(db->lpVtbl->LoadUsersByProgram(db, "Viewer", &rs));
    CHECK(rs && recordCount(rs) == 1);
    if (rs) rs->lpVtbl->Release(rs);
    rs = NULL;
    CALL(db->lpVtbl->LoadGroupPermissionForDataReport(db, &rs));
    CHECK(rs && recordCount(rs) == 0);
    if (rs) rs->lpVtbl->Release(rs);
    CHECK(reports.count == 0);

    /* ---- edge case: CreateTheme with only the setup picture ---- */
    unsigned char setup[1200];
    makePicture(setup, sizeof setup, 4);
    snprintf(path, sizeof path, "%s/setup.bmp", folder);
    CHECK(writeFile(path, setup, sizeof setup));
    const char* blank = "";
    const char* blanks = "   ";
    const char* setupPath = path;
    CALL(db->lpVtbl->CreateTheme(db, "Night", &blank, &blanks, &setupPath, &done));
    CHECK(done == TESSERA_TRUE);
    rs = NULL;
    CALL(db->lpVtbl->LoadTheme(db, "Night", &rs));
    if (rs) {
        TesseraVariant value;
        CHECK(recordCount(rs) == 1);
        CALL(rs->lpVtbl->get_Field(rs, "Theme_LogoSetup", &value));
        CHECK(value.vt == TESSERA_VT_BYTES && value.u.bytes.size == sizeof setup &&
              memcmp(value.u.bytes.data, setup, sizeof setup) == 0);
        variantClear(&value);
        CALL(rs->lpVtbl->get_Field(rs, "Theme_LogoSplash", &value));
        CHECK(value.vt == TESSERA_VT_NULL);
        CALL(rs->lpVtbl->get_Field(rs, "Theme_LogoAddRemove", &value));
        CHECK(value.vt == TESSERA_VT_NULL);
        rs->lpVtbl->Release(rs);
    }
    const char* setupColumn = "Theme_LogoSetup";
    CALL(db->lpVtbl->GetThemeImage(db, "Night", &setupColumn, &done));
    snprintf(path, sizeof path, "%s/Theme_LogoSetup.bmp", exportFolder);
    CHECK(done == TESSERA_TRUE && fileEquals(path, setup, sizeof setup));

    /* ---- edge case: exportThemePath empty, pictures land in the user's picture folder ---- */
    CALL(db->lpVtbl->put_exportThemePath(db, ""));
    CALL(db->lpVtbl->GetProgramImage(db, "Viewer", &exported));
    CHECK(exported == TESSERA_TRUE);
    const char* runtime = getenv("XDG_RUNTIME_DIR");
    if (runtime) {
        snprintf(path, sizeof path, "%s/portico/Viewer.bmp", runtime);
        CHECK(fileEquals(path, fallback, sizeof fallback));
    }

    /* ---- an unknown program: one report, false ---- */
    CALL(db->lpVtbl->GetProgramImage(db, "Nobody", &exported));
    CHECK(exported == TESSERA_FALSE);
    CHECK(reports.count == 1 && strncmp(reports.last, "3021, ", 6) == 0 && reports.lastIcon == TESSERA_ICON_CRITICAL);

    /* ---- the last release lets the library go ---- */
    CHECK(canUnloadNow() == TESSERA_S_FALSE);
    CHECK(db->lpVtbl->Release(db) == 0);
    CHECK(canUnloadNow() == TESSERA_S_OK);
    CALL(setMessageHandler(NULL, NULL));
    dlclose(library);

    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    else printf("all checks passed\n");
    return failures ? 1 : 0;
}
