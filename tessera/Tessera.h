/*
 * Tessera: the Portico catalogue data layer for other programs.
 *
 * libTessera.so publishes one class, clsDBRoutines, through a component
 * contract that C and C++ programs (and any language with a C foreign-function
 * interface) can use:
 *
 *   - Objects are reference-counted interfaces: a pointer to a struct whose
 *     first member points to a table of functions. The first three slots of
 *     every table are QueryInterface, AddRef and Release; the dual interfaces
 *     (_clsDBRoutines, TesseraRecordset) follow them with the four dispatch
 *     slots GetTypeInfoCount, GetTypeInfo, GetIDsOfNames and Invoke, and then
 *     their members.
 *   - Every member returns a TesseraStatus (0 = success, negative = failure)
 *     and hands its result back through its last argument.
 *   - Text is UTF-8. Text the library returns (char**, TESSERA_VT_BSTR) is
 *     allocated by the library; release it with TesseraFreeString. A null
 *     text argument is the empty text. Text arguments are never kept.
 *   - 16-bit integers are int16_t. Booleans are TesseraBool: -1 true, 0 false.
 *   - By-reference and optional arguments are pointers; a null pointer leaves
 *     an optional argument out. No member changes what they point to.
 *   - Variants are TesseraVariant; record sets are TesseraRecordset.
 *
 * Creating the class:
 *
 *     TesseraClassFactory* factory = NULL;
 *     DllGetClassObject(&TESSERA_CLSID_clsDBRoutines, &TESSERA_IID_IClassFactory,
 *                       (void**)&factory);
 *     _clsDBRoutines* db = NULL;
 *     factory->lpVtbl->CreateInstance(factory, NULL, &TESSERA_IID__clsDBRoutines,
 *                                     (void**)&db);
 *     factory->lpVtbl->Release(factory);
 *     db->lpVtbl->openDatabase(db, "/path/to/Portico.mdb", &ignored);
 *     (or a PostgreSQL connection string: "postgresql://host/portico",
 *      "service=portico", "host=... dbname=...")
 *     ...
 *     db->lpVtbl->Release(db);
 *
 * Dynamic languages need only GetIDsOfNames and Invoke (see below).
 *
 * Errors. The data layer traps its own errors: it reports them (number, ", ",
 * description, titled with the source) to the message handler installed with
 * TesseraSetMessageHandler, or to standard error when none is installed, and
 * the member returns success with its default result (a null record set,
 * false, 0 or ""). AddProgramImage and AddThemeImage trap nothing: their
 * errors come back as a failure status, TESSERA_STATUS_FROM_ERROR(number) for
 * numbers 1 to 65535, and TesseraGetErrorInfo then gives the error's number,
 * description and source. Every failing call of the library sets that error
 * information for the calling thread; every call clears it first.
 *
 * Component registry. DllRegisterServer writes the class's registration to a
 * per-user text file, $XDG_CONFIG_HOME/components/registry.ini (default
 * ~/.config/components/registry.ini), so that a client can find the library
 * from the programmatic name. The file is UTF-8 with "\n" line ends: lines
 * "[section]" open a section, "key=value" lines belong to the section above
 * them, lines starting with ";" are comments. Names match without regard to
 * case. Registration replaces (and unregistration removes) these sections and
 * leaves every other section alone:
 *
 *     [ProgID\Tessera.clsDBRoutines]
 *     CLSID={0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}
 *
 *     [CLSID\{0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}]
 *     Name=clsDBRoutines
 *     ProgID=Tessera.clsDBRoutines
 *     InprocServer=<absolute path of libTessera.so>
 *     ThreadingModel=Apartment
 *     TypeLib={0155B683-C202-4BB1-95BA-B4A4CEF79DF1}
 *     Version=26.0
 *
 *     [TypeLib\{0155B683-C202-4BB1-95BA-B4A4CEF79DF1}]
 *     Name=Tessera
 *     Version=26.0
 *     LCID=1033
 *     Path=<absolute path of libTessera.so>
 *     FileVersion=1.0.0.22
 *
 *     [Interface\{DF8DFEE7-F865-46E3-A453-142999174A48}]
 *     Name=_clsDBRoutines
 *     TypeLib={0155B683-C202-4BB1-95BA-B4A4CEF79DF1}
 *
 * A client looks up [ProgID\<name>] for the CLSID, then [CLSID\<clsid>] for
 * InprocServer, loads that library and calls its DllGetClassObject.
 *
 * Threads. An object belongs to the thread that uses it; the library keeps no
 * locks around an object's state. Reference counts and the unload test are
 * safe from any thread.
 */
#ifndef TESSERA_H
#define TESSERA_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define TESSERA_API __attribute__((visibility("default")))
#define TESSERA_UNUSED __attribute__((unused))
#else
#define TESSERA_API
#define TESSERA_UNUSED
#endif

/* ---- Basic types -------------------------------------------------------- */

typedef int32_t TesseraStatus;
typedef int16_t TesseraBool;

#define TESSERA_TRUE ((TesseraBool)-1)
#define TESSERA_FALSE ((TesseraBool)0)

typedef struct TesseraGuid {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} TesseraGuid;

/* ---- Status codes ------------------------------------------------------- */

#define TESSERA_SUCCEEDED(status) ((TesseraStatus)(status) >= 0)
#define TESSERA_FAILED(status) ((TesseraStatus)(status) < 0)

#define TESSERA_S_OK ((TesseraStatus)0)
#define TESSERA_S_FALSE ((TesseraStatus)1)
#define TESSERA_E_NOTIMPL ((TesseraStatus)0x80004001)
#define TESSERA_E_NOINTERFACE ((TesseraStatus)0x80004002)
#define TESSERA_E_POINTER ((TesseraStatus)0x80004003)
#define TESSERA_E_FAIL ((TesseraStatus)0x80004005)
#define TESSERA_E_UNEXPECTED ((TesseraStatus)0x8000FFFF)
#define TESSERA_E_OUTOFMEMORY ((TesseraStatus)0x8007000E)
#define TESSERA_E_INVALIDARG ((TesseraStatus)0x80070057)
#define TESSERA_CLASS_E_NOAGGREGATION ((TesseraStatus)0x80040110)
#define TESSERA_CLASS_E_CLASSNOTAVAILABLE ((TesseraStatus)0x80040111)
#define TESSERA_SELFREG_E_CLASS ((TesseraStatus)0x80040201)
#define TESSERA_DISP_E_UNKNOWNINTERFACE ((TesseraStatus)0x80020001)
#define TESSERA_DISP_E_MEMBERNOTFOUND ((TesseraStatus)0x80020003)
#define TESSERA_DISP_E_PARAMNOTFOUND ((TesseraStatus)0x80020004)
#define TESSERA_DISP_E_TYPEMISMATCH ((TesseraStatus)0x80020005)
#define TESSERA_DISP_E_UNKNOWNNAME ((TesseraStatus)0x80020006)
#define TESSERA_DISP_E_OVERFLOW ((TesseraStatus)0x8002000A)
#define TESSERA_DISP_E_BADPARAMCOUNT ((TesseraStatus)0x8002000E)
#define TESSERA_DISP_E_PARAMNOTOPTIONAL ((TesseraStatus)0x8002000F)

/* A numbered error of the data layer (for instance 3002, "File could not be
 * opened.") as a failure status. */
#define TESSERA_STATUS_FROM_ERROR(number) \
    ((TesseraStatus)(0x800A0000u | ((uint32_t)(number) & 0xFFFFu)))

/* ---- Published identifiers ---------------------------------------------- */

#define TESSERA_TYPELIB_NAME "Tessera"
#define TESSERA_TYPELIB_VERSION_MAJOR 26
#define TESSERA_TYPELIB_VERSION_MINOR 0
#define TESSERA_TYPELIB_LCID 1033
#define TESSERA_PROGID "Tessera.clsDBRoutines"
#define TESSERA_CLASS_NAME "clsDBRoutines"
#define TESSERA_INTERFACE_NAME "_clsDBRoutines"
#define TESSERA_FILE_VERSION "1.0.0.22"

#define TESSERA_LIBID_STRING "{0155B683-C202-4BB1-95BA-B4A4CEF79DF1}"
#define TESSERA_CLSID_STRING "{0B6A0E46-67B6-48C9-89B5-5F2C5AFAC36D}"
#define TESSERA_IID__clsDBRoutines_STRING "{DF8DFEE7-F865-46E3-A453-142999174A48}"
#define TESSERA_IID_TesseraRecordset_STRING "{770B19F1-C704-4382-93F7-6F323348C5B0}"

static const TesseraGuid TESSERA_LIBID_Tessera TESSERA_UNUSED =
    {0x0155B683, 0xC202, 0x4BB1, {0x95, 0xBA, 0xB4, 0xA4, 0xCE, 0xF7, 0x9D, 0xF1}};
static const TesseraGuid TESSERA_CLSID_clsDBRoutines TESSERA_UNUSED =
    {0x0B6A0E46, 0x67B6, 0x48C9, {0x89, 0xB5, 0x5F, 0x2C, 0x5A, 0xFA, 0xC3, 0x6D}};
static const TesseraGuid TESSERA_IID__clsDBRoutines TESSERA_UNUSED =
    {0xDF8DFEE7, 0xF865, 0x46E3, {0xA4, 0x53, 0x14, 0x29, 0x99, 0x17, 0x4A, 0x48}};
/* The record-set interface of this library. */
static const TesseraGuid TESSERA_IID_TesseraRecordset TESSERA_UNUSED =
    {0x770B19F1, 0xC704, 0x4382, {0x93, 0xF7, 0x6F, 0x32, 0x33, 0x48, 0xC5, 0xB0}};
/* The platform's standard interfaces, with their usual identifiers. */
static const TesseraGuid TESSERA_IID_IUnknown TESSERA_UNUSED =
    {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const TesseraGuid TESSERA_IID_IDispatch TESSERA_UNUSED =
    {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const TesseraGuid TESSERA_IID_IClassFactory TESSERA_UNUSED =
    {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

/* ---- Dispatch identifiers of _clsDBRoutines ----------------------------- */

#define TESSERA_DISPID_openDatabase ((int32_t)0x60030003)
#define TESSERA_DISPID_exportThemePath ((int32_t)0x68030000)
#define TESSERA_DISPID_DefaultIconPath ((int32_t)0x68030001)
#define TESSERA_DISPID_loadPrograms ((int32_t)0x6003000A)
#define TESSERA_DISPID_loadProgram ((int32_t)0x6003000B)
#define TESSERA_DISPID_getProgramDescription ((int32_t)0x6003000C)
#define TESSERA_DISPID_getProgramKey ((int32_t)0x6003000D)
#define TESSERA_DISPID_loadProperties ((int32_t)0x6003000E)
#define TESSERA_DISPID_getProgramPath ((int32_t)0x6003000F)
#define TESSERA_DISPID_getProgramResType ((int32_t)0x60030010)
#define TESSERA_DISPID_deleteProgram ((int32_t)0x60030011)
#define TESSERA_DISPID_addProgram ((int32_t)0x60030012)
#define TESSERA_DISPID_AddProgramImage ((int32_t)0x60030013)
#define TESSERA_DISPID_AddThemeImage ((int32_t)0x60030014)
#define TESSERA_DISPID_GetThemeImage ((int32_t)0x60030015)
#define TESSERA_DISPID_GetProgramImage ((int32_t)0x60030016)
#define TESSERA_DISPID_updateProgram ((int32_t)0x60030017)
#define TESSERA_DISPID_LoadSecurityUser ((int32_t)0x60030018)
#define TESSERA_DISPID_LoadGroupPermissionForDataReport ((int32_t)0x60030019)
#define TESSERA_DISPID_LoadUserPermissionForDataReport ((int32_t)0x6003001A)
#define TESSERA_DISPID_LoadSecurityGroup ((int32_t)0x6003001B)
#define TESSERA_DISPID_LoadProgramsByGroup ((int32_t)0x6003001C)
#define TESSERA_DISPID_LoadProgramsByUser ((int32_t)0x6003001D)
#define TESSERA_DISPID_LoadUsersByProgram ((int32_t)0x6003001E)
#define TESSERA_DISPID_LoadGroupsByProgram ((int32_t)0x6003001F)
#define TESSERA_DISPID_GetObjectKey ((int32_t)0x60030020)
#define TESSERA_DISPID_AddSecurity ((int32_t)0x60030021)
#define TESSERA_DISPID_DeleteSecurity ((int32_t)0x60030022)
#define TESSERA_DISPID_AddUser ((int32_t)0x60030023)
#define TESSERA_DISPID_AddGroup ((int32_t)0x60030024)
#define TESSERA_DISPID_DeleteUser ((int32_t)0x60030025)
#define TESSERA_DISPID_DeleteGroup ((int32_t)0x60030026)
#define TESSERA_DISPID_GroupExists ((int32_t)0x60030027)
#define TESSERA_DISPID_UserExists ((int32_t)0x60030028)
#define TESSERA_DISPID_AddFolder ((int32_t)0x60030029)
#define TESSERA_DISPID_DeleteFolder ((int32_t)0x6003002A)
#define TESSERA_DISPID_GetFolders ((int32_t)0x6003002B)
#define TESSERA_DISPID_GetProgramParameters ((int32_t)0x6003002C)
#define TESSERA_DISPID_GetProgramStartInDir ((int32_t)0x6003002D)
#define TESSERA_DISPID_LoadThemes ((int32_t)0x6003002E)
#define TESSERA_DISPID_DeleteTheme ((int32_t)0x6003002F)
#define TESSERA_DISPID_LoadTheme ((int32_t)0x60030030)
#define TESSERA_DISPID_CreateTheme ((int32_t)0x60030031)
#define TESSERA_DISPID_setDefaultTheme ((int32_t)0x60030032)
#define TESSERA_DISPID_GetThemeKey ((int32_t)0x60030033)
#define TESSERA_DISPID_GetThemeName ((int32_t)0x60030034)
#define TESSERA_DISPID_getDefaultTheme ((int32_t)0x60030035)

/* Dispatch identifiers of TesseraRecordset. */
#define TESSERA_DISPID_RS_Field ((int32_t)0)
#define TESSERA_DISPID_RS_RecordCount ((int32_t)1)
#define TESSERA_DISPID_RS_EOF ((int32_t)2)
#define TESSERA_DISPID_RS_MoveFirst ((int32_t)3)
#define TESSERA_DISPID_RS_MoveNext ((int32_t)4)
#define TESSERA_DISPID_RS_FieldCount ((int32_t)5)
#define TESSERA_DISPID_RS_FieldName ((int32_t)6)
#define TESSERA_DISPID_RS_AddNew ((int32_t)7)
#define TESSERA_DISPID_RS_Update ((int32_t)8)
#define TESSERA_DISPID_RS_Close ((int32_t)9)

#define TESSERA_DISPID_UNKNOWN ((int32_t)-1)

/* Invoke flags. A property shares one identifier between its read and write. */
#define TESSERA_DISPATCH_METHOD ((uint16_t)1)
#define TESSERA_DISPATCH_PROPERTYGET ((uint16_t)2)
#define TESSERA_DISPATCH_PROPERTYPUT ((uint16_t)4)

/* ---- Variants ----------------------------------------------------------- */

#define TESSERA_VT_EMPTY ((uint16_t)0)    /* nothing */
#define TESSERA_VT_NULL ((uint16_t)1)     /* an empty column */
#define TESSERA_VT_I2 ((uint16_t)2)       /* u.iVal */
#define TESSERA_VT_I4 ((uint16_t)3)       /* u.lVal */
#define TESSERA_VT_R8 ((uint16_t)5)       /* u.dblVal */
#define TESSERA_VT_DATE ((uint16_t)7)     /* u.strVal: ISO-8601 "YYYY-MM-DD" */
#define TESSERA_VT_BSTR ((uint16_t)8)     /* u.strVal: UTF-8 text */
#define TESSERA_VT_DISPATCH ((uint16_t)9) /* u.recordset (may be null: no record set) */
#define TESSERA_VT_ERROR ((uint16_t)10)   /* u.scode; TESSERA_DISP_E_PARAMNOTFOUND = left out */
#define TESSERA_VT_BOOL ((uint16_t)11)    /* u.boolVal */
#define TESSERA_VT_UNKNOWN ((uint16_t)13) /* u.punkVal */
#define TESSERA_VT_I8 ((uint16_t)20)      /* u.llVal */
#define TESSERA_VT_BYTES ((uint16_t)0x2011) /* u.bytes: a picture's bytes */

struct TesseraRecordset;
struct TesseraUnknown;

/* A small tagged value. A variant the library fills (a result) owns what it
 * points to: text, bytes, or one reference to an object; release it with
 * TesseraVariantClear. A variant the client passes in stays the client's. */
typedef struct TesseraVariant {
    uint16_t vt;
    uint16_t reserved1;
    uint16_t reserved2;
    uint16_t reserved3;
    union {
        int16_t iVal;
        int32_t lVal;
        int64_t llVal;
        double dblVal;
        TesseraBool boolVal;
        TesseraStatus scode;
        char* strVal;
        struct TesseraRecordset* recordset;
        struct TesseraUnknown* punkVal;
        struct {
            uint8_t* data;
            uint32_t size;
        } bytes;
    } u;
} TesseraVariant;

/* ---- IUnknown ----------------------------------------------------------- */

typedef struct TesseraUnknown TesseraUnknown;
typedef struct TesseraUnknownVtbl {
    TesseraStatus (*QueryInterface)(TesseraUnknown* self, const TesseraGuid* iid, void** object);
    uint32_t (*AddRef)(TesseraUnknown* self);
    uint32_t (*Release)(TesseraUnknown* self);
} TesseraUnknownVtbl;
struct TesseraUnknown {
    const TesseraUnknownVtbl* lpVtbl;
};

/* ---- Class factory ------------------------------------------------------ */

typedef struct TesseraClassFactory TesseraClassFactory;
typedef struct TesseraClassFactoryVtbl {
    TesseraStatus (*QueryInterface)(TesseraClassFactory* self, const TesseraGuid* iid, void** object);
    uint32_t (*AddRef)(TesseraClassFactory* self);
    uint32_t (*Release)(TesseraClassFactory* self);
    /* outer must be null (no aggregation). */
    TesseraStatus (*CreateInstance)(TesseraClassFactory* self, TesseraUnknown* outer, const TesseraGuid* iid,
                                    void** object);
    /* A lock keeps the library loaded (DllCanUnloadNow answers false). */
    TesseraStatus (*LockServer)(TesseraClassFactory* self, TesseraBool lock);
} TesseraClassFactoryVtbl;
struct TesseraClassFactory {
    const TesseraClassFactoryVtbl* lpVtbl;
};

/* ---- Record sets -------------------------------------------------------- */

/* A query result, fetched whole and positioned on its first row. Fields are
 * found by column name or alias without regard to case, or by index from 0.
 * Reading a field with no current row fails with error 3021; an unknown field
 * name with 3265. A record set of one table that includes its key (loadProgram,
 * LoadTheme) can take a new row (AddNew, assign fields, Update) or have its
 * current row changed and written back with Update.
 *
 * Dispatch names: Field (identifier 0; read with one argument, a name or an
 * index; write with two, the name or index and the value), RecordCount, EOF,
 * MoveFirst, MoveNext, FieldCount, FieldName (an index), AddNew, Update, Close. */
typedef struct TesseraRecordset TesseraRecordset;
typedef struct TesseraRecordsetVtbl {
    TesseraStatus (*QueryInterface)(TesseraRecordset* self, const TesseraGuid* iid, void** object);
    uint32_t (*AddRef)(TesseraRecordset* self);
    uint32_t (*Release)(TesseraRecordset* self);

    TesseraStatus (*GetTypeInfoCount)(TesseraRecordset* self, uint32_t* count);
    TesseraStatus (*GetTypeInfo)(TesseraRecordset* self, uint32_t index, uint32_t lcid, void** typeInfo);
    TesseraStatus (*GetIDsOfNames)(TesseraRecordset* self, const TesseraGuid* iid, const char* const* names,
                                   uint32_t count, uint32_t lcid, int32_t* dispids);
    TesseraStatus (*Invoke)(TesseraRecordset* self, int32_t dispid, uint16_t flags, const TesseraVariant* args,
                            uint32_t argCount, TesseraVariant* result);

    TesseraStatus (*get_RecordCount)(TesseraRecordset* self, int32_t* count);
    TesseraStatus (*get_EOF)(TesseraRecordset* self, TesseraBool* eof);
    TesseraStatus (*MoveFirst)(TesseraRecordset* self);
    TesseraStatus (*MoveNext)(TesseraRecordset* self);
    TesseraStatus (*get_FieldCount)(TesseraRecordset* self, int32_t* count);
    TesseraStatus (*get_FieldName)(TesseraRecordset* self, int32_t index, char** name);
    TesseraStatus (*get_Field)(TesseraRecordset* self, const char* name, TesseraVariant* value);
    TesseraStatus (*get_FieldByIndex)(TesseraRecordset* self, int32_t index, TesseraVariant* value);
    TesseraStatus (*put_Field)(TesseraRecordset* self, const char* name, const TesseraVariant* value);
    TesseraStatus (*AddNew)(TesseraRecordset* self);
    TesseraStatus (*Update)(TesseraRecordset* self);
    TesseraStatus (*Close)(TesseraRecordset* self);
} TesseraRecordsetVtbl;
struct TesseraRecordset {
    const TesseraRecordsetVtbl* lpVtbl;
};

/* ---- _clsDBRoutines ----------------------------------------------------- */

/* The dual interface of clsDBRoutines: the three reference-counting slots, the
 * four dispatch slots, then the 49 members in their published order.
 *
 * GetTypeInfoCount answers 0 and GetTypeInfo TESSERA_E_NOTIMPL: the library
 * carries no type information beyond this header.
 * GetIDsOfNames takes UTF-8 names, matched without regard to case: names[0] is
 * the member, any further names are its parameters, answered with their
 * position from 0. iid is reserved (may be null). An unknown name gets
 * TESSERA_DISPID_UNKNOWN and the call fails with TESSERA_DISP_E_UNKNOWNNAME.
 * Invoke calls a member by its dispatch identifier with the arguments in the
 * member's own order (first argument first). Trailing optional arguments may
 * be left out, or passed as TESSERA_VT_ERROR with TESSERA_DISP_E_PARAMNOTFOUND.
 * Arguments are converted as the platform's automation does (numbers to text,
 * numeric text or Booleans to integers; out-of-range integers fail with
 * TESSERA_DISP_E_OVERFLOW). result may be null when the caller wants none.
 *
 * Picture files: addProgram, updateProgram and AddProgramImage (without a
 * path) read exportThemePath/temp.bmp; GetProgramImage writes
 * exportThemePath/<program name>.bmp, the name untrimmed with "/" and "\"
 * turned into "_" so that the file stays in that folder ("../x" gives
 * ".._x.bmp"); GetThemeImage writes exportThemePath/<column>.bmp. While
 * exportThemePath is empty the folder is the per-user picture folder,
 * $XDG_RUNTIME_DIR/portico, else $XDG_CACHE_HOME/portico (~/.cache/portico).
 *
 * The record-set argument of AddProgramImage and AddThemeImage must be a
 * record set of this library, positioned on the row being added or edited.
 * Text results are never null. A record-set result is null when the data layer
 * reported a failure; a record set handed out belongs to the caller, who
 * releases it. */
typedef struct _clsDBRoutines _clsDBRoutines;
typedef struct _clsDBRoutinesVtbl {
    TesseraStatus (*QueryInterface)(_clsDBRoutines* self, const TesseraGuid* iid, void** object);
    uint32_t (*AddRef)(_clsDBRoutines* self);
    uint32_t (*Release)(_clsDBRoutines* self);

    TesseraStatus (*GetTypeInfoCount)(_clsDBRoutines* self, uint32_t* count);
    TesseraStatus (*GetTypeInfo)(_clsDBRoutines* self, uint32_t index, uint32_t lcid, void** typeInfo);
    TesseraStatus (*GetIDsOfNames)(_clsDBRoutines* self, const TesseraGuid* iid, const char* const* names,
                                   uint32_t count, uint32_t lcid, int32_t* dispids);
    TesseraStatus (*Invoke)(_clsDBRoutines* self, int32_t dispid, uint16_t flags, const TesseraVariant* args,
                            uint32_t argCount, TesseraVariant* result);

    /*  1 */ TesseraStatus (*openDatabase)(_clsDBRoutines* self, const char* mstrConString, TesseraVariant* result);
    /*  2 */ TesseraStatus (*put_DefaultIconPath)(_clsDBRoutines* self, const char* value);
    /*  3 */ TesseraStatus (*put_exportThemePath)(_clsDBRoutines* self, const char* value);
    /*  4 */ TesseraStatus (*get_DefaultIconPath)(_clsDBRoutines* self, char** result);
    /*  5 */ TesseraStatus (*get_exportThemePath)(_clsDBRoutines* self, char** result);
    /*  6 */ TesseraStatus (*loadPrograms)(_clsDBRoutines* self, TesseraRecordset** result);
    /*  7 */ TesseraStatus (*loadProgram)(_clsDBRoutines* self, const char* mStrName, TesseraRecordset** result);
    /*  8 */ TesseraStatus (*getProgramDescription)(_clsDBRoutines* self, const char* mStrPrgName, char** result);
    /*  9 */ TesseraStatus (*getProgramKey)(_clsDBRoutines* self, const char* mStrName, int16_t* result);
    /* 10 */ TesseraStatus (*loadProperties)(_clsDBRoutines* self, const char* mStrName, TesseraRecordset** result);
    /* 11 */ TesseraStatus (*getProgramPath)(_clsDBRoutines* self, const char* mStrName, char** result);
    /* 12 */ TesseraStatus (*getProgramResType)(_clsDBRoutines* self, const char* mStrName, char** result);
    /* 13 */ TesseraStatus (*deleteProgram)(_clsDBRoutines* self, const char* mStrName, TesseraBool* result);
    /* 14 */ TesseraStatus (*addProgram)(_clsDBRoutines* self, const char* mStrName, const char* const* mStrDesc,
                                         const char* const* mStrProgramPath, const char* const* strFileName,
                                         const char* const* strProgramStartInDir,   /* optional */
                                         const char* const* strProgramStartParms,   /* optional */
                                         TesseraBool* result);
    /* 15 */ TesseraStatus (*AddProgramImage)(_clsDBRoutines* self, TesseraRecordset* const* rs,
                                              const char* const* strPath, /* optional */
                                              TesseraVariant* result);
    /* 16 */ TesseraStatus (*AddThemeImage)(_clsDBRoutines* self, TesseraRecordset* const* rs,
                                            const char* const* strPath, const char* const* mStrFieldName,
                                            TesseraVariant* result);
    /* 17 */ TesseraStatus (*GetThemeImage)(_clsDBRoutines* self, const char* mStrThemeName,
                                            const char* const* mStrFieldName, TesseraBool* result);
    /* 18 */ TesseraStatus (*GetProgramImage)(_clsDBRoutines* self, const char* strPrgName, TesseraBool* result);
    /* 19 */ TesseraStatus (*updateProgram)(_clsDBRoutines* self, const char* mStrOldName, const char* mStrName,
                                            const char* const* mStrDesc, const char* const* mStrProgramPath,
                                            const char* const* mStrProgramStartInDir,  /* optional */
                                            const char* const* mStrProgramStartUpParm, /* optional */
                                            TesseraBool* result);
    /* 20 */ TesseraStatus (*LoadSecurityUser)(_clsDBRoutines* self, const char* strSid, const char* strPrgName,
                                               TesseraRecordset** result);
    /* 21 */ TesseraStatus (*LoadGroupPermissionForDataReport)(_clsDBRoutines* self, TesseraRecordset** result);
    /* 22 */ TesseraStatus (*LoadUserPermissionForDataReport)(_clsDBRoutines* self, TesseraRecordset** result);
    /* 23 */ TesseraStatus (*LoadSecurityGroup)(_clsDBRoutines* self, const char* strGroupName,
                                                const char* strPrgName, TesseraRecordset** result);
    /* 24 */ TesseraStatus (*LoadProgramsByGroup)(_clsDBRoutines* self, const char* strGroupName,
                                                  TesseraRecordset** result);
    /* 25 */ TesseraStatus (*LoadProgramsByUser)(_clsDBRoutines* self, const char* strUserName, const char* strSid,
                                                 TesseraRecordset** result);
    /* 26 */ TesseraStatus (*LoadUsersByProgram)(_clsDBRoutines* self, const char* strPrgName,
                                                 TesseraRecordset** result);
    /* 27 */ TesseraStatus (*LoadGroupsByProgram)(_clsDBRoutines* self, const char* strPrgName,
                                                  TesseraRecordset** result);
    /* 28 */ TesseraStatus (*GetObjectKey)(_clsDBRoutines* self, const char* strObjectName,
                                           const TesseraVariant* mIntType, /* 1 user, 2 group */
                                           int16_t* result);
    /* 29 */ TesseraStatus (*AddSecurity)(_clsDBRoutines* self, const char* strObjectName,
                                          const int16_t* intPermissionStatus, const char* strPrgName,
                                          int16_t mIntType, TesseraBool* result);
    /* 30 */ TesseraStatus (*DeleteSecurity)(_clsDBRoutines* self, int16_t IntObjectKey, int16_t IntPrgKey,
                                             TesseraBool* result);
    /* 31 */ TesseraStatus (*AddUser)(_clsDBRoutines* self, const char* strUserName, const char* strSid,
                                      TesseraBool* result);
    /* 32 */ TesseraStatus (*AddGroup)(_clsDBRoutines* self, const char* strGroupName, TesseraBool* result);
    /* 33 */ TesseraStatus (*DeleteUser)(_clsDBRoutines* self, const char* strSid, TesseraBool* result);
    /* 34 */ TesseraStatus (*DeleteGroup)(_clsDBRoutines* self, const char* strGroupName, TesseraBool* result);
    /* 35 */ TesseraStatus (*GroupExists)(_clsDBRoutines* self, const char* strGroupName, TesseraBool* result);
    /* 36 */ TesseraStatus (*UserExists)(_clsDBRoutines* self, const char* strUserName, TesseraBool* result);
    /* 37 */ TesseraStatus (*AddFolder)(_clsDBRoutines* self, const char* mStrFolderName,
                                        const char* mStrFolderPath, TesseraBool* result);
    /* 38 */ TesseraStatus (*DeleteFolder)(_clsDBRoutines* self, const char* mStrFolderName, TesseraBool* result);
    /* 39 */ TesseraStatus (*GetFolders)(_clsDBRoutines* self, TesseraRecordset** result);
    /* 40 */ TesseraStatus (*GetProgramParameters)(_clsDBRoutines* self, const char* mStrPrgName, char** result);
    /* 41 */ TesseraStatus (*GetProgramStartInDir)(_clsDBRoutines* self, const char* mStrPrgName, char** result);
    /* 42 */ TesseraStatus (*LoadThemes)(_clsDBRoutines* self, TesseraRecordset** result);
    /* 43 */ TesseraStatus (*DeleteTheme)(_clsDBRoutines* self, const char* mStrThemeName, TesseraBool* result);
    /* 44 */ TesseraStatus (*LoadTheme)(_clsDBRoutines* self, const char* mStrThemeName, TesseraRecordset** result);
    /* 45 */ TesseraStatus (*CreateTheme)(_clsDBRoutines* self, const char* mStrThemeName,
                                          const char* const* mStrSplash,    /* optional */
                                          const char* const* mStrAddRemove, /* optional */
                                          const char* const* mStrSetup,     /* optional */
                                          TesseraBool* result);
    /* 46 */ TesseraStatus (*setDefaultTheme)(_clsDBRoutines* self, const char* mStrThemeName, TesseraBool* result);
    /* 47 */ TesseraStatus (*GetThemeKey)(_clsDBRoutines* self, const char* mStrThemeName, int16_t* result);
    /* 48 */ TesseraStatus (*GetThemeName)(_clsDBRoutines* self, int16_t mIntThemeKey, char** result);
    /* 49 */ TesseraStatus (*getDefaultTheme)(_clsDBRoutines* self, char** result);
} _clsDBRoutinesVtbl;
struct _clsDBRoutines {
    const _clsDBRoutinesVtbl* lpVtbl;
};

/* ---- Exported functions ------------------------------------------------- */

/* The class factory of clsid (only TESSERA_CLSID_clsDBRoutines), asked for
 * interface iid (TESSERA_IID_IClassFactory or TESSERA_IID_IUnknown). */
TESSERA_API TesseraStatus DllGetClassObject(const TesseraGuid* clsid, const TesseraGuid* iid, void** object);
/* TESSERA_S_OK when no object of the library and no server lock is alive (the
 * library may be unloaded), TESSERA_S_FALSE otherwise. */
TESSERA_API TesseraStatus DllCanUnloadNow(void);
/* Add or remove the class's registration in the per-user registry file. */
TESSERA_API TesseraStatus DllRegisterServer(void);
TESSERA_API TesseraStatus DllUnregisterServer(void);

/* The library's predeclared instance of clsDBRoutines: one implicit instance
 * that every caller of this function shares, created on first use and kept
 * until the library is unloaded. Hands out a new reference to interface iid.
 * References the client holds count as live objects for DllCanUnloadNow. */
TESSERA_API TesseraStatus TesseraGetPredeclaredInstance(const TesseraGuid* iid, void** object);

/* Releases text returned by the library. Null is allowed. */
TESSERA_API void TesseraFreeString(char* text);
/* Sets a variant to TESSERA_VT_EMPTY. */
TESSERA_API void TesseraVariantInit(TesseraVariant* value);
/* Releases what a variant filled by the library owns and sets it empty. */
TESSERA_API TesseraStatus TesseraVariantClear(TesseraVariant* value);

/* The error of the last failing call on this thread: TESSERA_S_OK and its
 * number, description and source (each out pointer may be null; text is freed
 * with TesseraFreeString), or TESSERA_S_FALSE when that call succeeded. */
TESSERA_API TesseraStatus TesseraGetErrorInfo(int32_t* number, char** description, char** source);

/* Icons of a report, as the platform's message boxes number them. */
#define TESSERA_ICON_CRITICAL 16
#define TESSERA_ICON_QUESTION 32
#define TESSERA_ICON_EXCLAMATION 48
#define TESSERA_ICON_INFORMATION 64

/* Receives the data layer's error reports instead of standard error. A library
 * opens no windows: a client with a user interface shows the text itself. */
typedef void (*TesseraMessageHandler)(void* context, const char* text, const char* title, int32_t icon);
/* Installs handler (null restores standard error). Applies to every thread. */
TESSERA_API TesseraStatus TesseraSetMessageHandler(TesseraMessageHandler handler, void* context);

#ifdef __cplusplus
}
#endif

#endif /* TESSERA_H */
