#!/usr/bin/env python3
"""Uses libTessera.so from Python through dispatch by name, with ctypes only.

    tessera_example.py CATALOGUE FOLDER [LIBRARY]

Finds the library through the per-user component registry by its programmatic
name "Tessera.clsDBRoutines" (when LIBRARY is given, it is registered first,
and unregistered at the end), creates clsDBRoutines, and works on CATALOGUE
(an existing catalogue file), writing pictures into FOLDER. Every call goes
through GetIDsOfNames and Invoke. Exits 0 when every check holds.
"""

import configparser
import ctypes
import os
import sys
import uuid

# ---- the C types of Tessera.h ------------------------------------------------

Status = ctypes.c_int32


class Guid(ctypes.Structure):
    _fields_ = [("Data1", ctypes.c_uint32), ("Data2", ctypes.c_uint16),
                ("Data3", ctypes.c_uint16), ("Data4", ctypes.c_uint8 * 8)]

    @classmethod
    def parse(cls, text):
        return cls.from_buffer_copy(uuid.UUID(text).bytes_le)


class _Bytes(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_uint8)), ("size", ctypes.c_uint32)]


class _Value(ctypes.Union):
    _fields_ = [("iVal", ctypes.c_int16), ("lVal", ctypes.c_int32), ("llVal", ctypes.c_int64),
                ("dblVal", ctypes.c_double), ("boolVal", ctypes.c_int16), ("scode", ctypes.c_int32),
                ("strVal", ctypes.c_void_p), ("pointer", ctypes.c_void_p), ("bytes", _Bytes)]


class Variant(ctypes.Structure):
    _fields_ = [("vt", ctypes.c_uint16), ("reserved1", ctypes.c_uint16),
                ("reserved2", ctypes.c_uint16), ("reserved3", ctypes.c_uint16), ("u", _Value)]


VT_EMPTY, VT_NULL, VT_I2, VT_I4, VT_R8, VT_DATE, VT_BSTR, VT_DISPATCH = 0, 1, 2, 3, 5, 7, 8, 9
VT_ERROR, VT_BOOL, VT_I8, VT_BYTES = 10, 11, 20, 0x2011
DISPATCH_METHOD, DISPATCH_PROPERTYGET, DISPATCH_PROPERTYPUT = 1, 2, 4

IID_IUnknown = Guid.parse("00000000-0000-0000-C000-000000000046")
IID_IClassFactory = Guid.parse("00000001-0000-0000-C000-000000000046")
IID_clsDBRoutines = Guid.parse("DF8DFEE7-F865-46E3-A453-142999174A48")
PROGID = "Tessera.clsDBRoutines"

# Slots shared by every interface of the library.
QUERY_INTERFACE, ADD_REF, RELEASE = 0, 1, 2
GET_IDS_OF_NAMES, INVOKE = 5, 6
CREATE_INSTANCE = 3  # of the class factory


def slot(pointer, index, restype, *argtypes):
    """The function in slot `index` of an interface's table."""
    table = ctypes.cast(pointer, ctypes.POINTER(ctypes.POINTER(ctypes.c_void_p)))[0]
    return ctypes.CFUNCTYPE(restype, ctypes.c_void_p, *argtypes)(table[index])


class TesseraError(Exception):
    pass


class Library:
    def __init__(self, path):
        self.dll = ctypes.CDLL(path)
        self.dll.DllGetClassObject.argtypes = [ctypes.POINTER(Guid), ctypes.POINTER(Guid),
                                               ctypes.POINTER(ctypes.c_void_p)]
        self.dll.DllGetClassObject.restype = Status
        self.dll.DllCanUnloadNow.restype = Status
        self.dll.TesseraFreeString.argtypes = [ctypes.c_void_p]
        self.dll.TesseraVariantClear.argtypes = [ctypes.POINTER(Variant)]
        self.dll.TesseraVariantClear.restype = Status
        self.dll.TesseraGetErrorInfo.argtypes = [ctypes.POINTER(ctypes.c_int32), ctypes.POINTER(ctypes.c_void_p),
                                                 ctypes.POINTER(ctypes.c_void_p)]
        self.dll.TesseraGetErrorInfo.restype = Status
        self.dll.TesseraSetMessageHandler.restype = Status

    def error(self, status):
        number = ctypes.c_int32()
        description, source = ctypes.c_void_p(), ctypes.c_void_p()
        if self.dll.TesseraGetErrorInfo(ctypes.byref(number), ctypes.byref(description),
                                        ctypes.byref(source)) != 0:
            return TesseraError("status 0x%08X" % (status & 0xFFFFFFFF))
        text = "%d, %s (%s)" % (number.value, ctypes.string_at(description.value).decode(),
                                ctypes.string_at(source.value).decode())
        self.dll.TesseraFreeString(description)
        self.dll.TesseraFreeString(source)
        error = TesseraError(text)
        error.number = number.value
        return error

    def create(self, clsid):
        factory = ctypes.c_void_p()
        status = self.dll.DllGetClassObject(ctypes.byref(clsid), ctypes.byref(IID_IClassFactory),
                                            ctypes.byref(factory))
        if status != 0:
            raise self.error(status)
        create = slot(factory, CREATE_INSTANCE, Status, ctypes.c_void_p, ctypes.POINTER(Guid),
                      ctypes.POINTER(ctypes.c_void_p))
        instance = ctypes.c_void_p()
        status = create(factory, None, ctypes.byref(IID_clsDBRoutines), ctypes.byref(instance))
        slot(factory, RELEASE, ctypes.c_uint32)(factory)
        if status != 0:
            raise self.error(status)
        return Dispatch(self, instance)

    def can_unload_now(self):
        return self.dll.DllCanUnloadNow() == 0


class Dispatch:
    """An object of the library, used through its names only."""

    def __init__(self, library, pointer):
        self._library = library
        self._pointer = pointer
        self._ids = {}

    def release(self):
        if self._pointer:
            count = slot(self._pointer, RELEASE, ctypes.c_uint32)(self._pointer)
            self._pointer = None
            return count
        return None

    def dispid(self, name):
        if name not in self._ids:
            names = (ctypes.c_char_p * 1)(name.encode())
            ids = (ctypes.c_int32 * 1)()
            lookup = slot(self._pointer, GET_IDS_OF_NAMES, Status, ctypes.c_void_p,
                          ctypes.POINTER(ctypes.c_char_p), ctypes.c_uint32, ctypes.c_uint32,
                          ctypes.POINTER(ctypes.c_int32))
            status = lookup(self._pointer, None, names, 1, 1033, ids)
            if status != 0:
                raise TesseraError("unknown name %s" % name)
            self._ids[name] = ids[0]
        return self._ids[name]

    def invoke(self, name, flags, *args):
        keep = []  # the encoded texts must live until the call returns
        values = (Variant * max(len(args), 1))()
        for index, arg in enumerate(args):
            value = values[index]
            if arg is None:
                value.vt, value.u.scode = VT_ERROR, ctypes.c_int32(0x80020004).value  # left out
            elif isinstance(arg, bool):
                value.vt, value.u.boolVal = VT_BOOL, -1 if arg else 0
            elif isinstance(arg, int):
                value.vt, value.u.llVal = VT_I8, arg
            elif isinstance(arg, str):
                text = ctypes.create_string_buffer(arg.encode())
                keep.append(text)
                value.vt, value.u.strVal = VT_BSTR, ctypes.cast(text, ctypes.c_void_p).value
            elif isinstance(arg, Dispatch):
                value.vt, value.u.pointer = VT_DISPATCH, arg._pointer.value
            else:
                raise TypeError(arg)
        result = Variant()
        call = slot(self._pointer, INVOKE, Status, ctypes.c_int32, ctypes.c_uint16, ctypes.POINTER(Variant),
                    ctypes.c_uint32, ctypes.POINTER(Variant))
        status = call(self._pointer, self.dispid(name), flags, values, len(args), ctypes.byref(result))
        if status != 0:
            raise self._library.error(status)
        return self._value(result)

    def _value(self, result):
        try:
            if result.vt in (VT_EMPTY,):
                return None
            if result.vt == VT_NULL:
                return None
            if result.vt == VT_I2:
                return result.u.iVal
            if result.vt == VT_I4:
                return result.u.lVal
            if result.vt == VT_I8:
                return result.u.llVal
            if result.vt == VT_R8:
                return result.u.dblVal
            if result.vt == VT_BOOL:
                return result.u.boolVal != 0
            if result.vt in (VT_BSTR, VT_DATE):
                return ctypes.string_at(result.u.strVal).decode()
            if result.vt == VT_BYTES:
                return ctypes.string_at(result.u.bytes.data, result.u.bytes.size)
            if result.vt == VT_DISPATCH:
                if not result.u.pointer:
                    return None
                # The variant's reference passes to the new wrapper.
                pointer = ctypes.c_void_p(result.u.pointer)
                result.vt = VT_EMPTY
                return Dispatch(self._library, pointer)
            raise TypeError("variant type %d" % result.vt)
        finally:
            self._library.dll.TesseraVariantClear(ctypes.byref(result))

    def call(self, name, *args):
        return self.invoke(name, DISPATCH_METHOD, *args)

    def get(self, name, *args):
        return self.invoke(name, DISPATCH_PROPERTYGET, *args)

    def put(self, name, *args):
        return self.invoke(name, DISPATCH_PROPERTYPUT, *args)


def find_library(progid):
    """The library registered for `progid` in the per-user component registry."""
    config = os.environ.get("XDG_CONFIG_HOME") or os.path.join(os.path.expanduser("~"), ".config")
    registry = configparser.ConfigParser(interpolation=None)
    registry.read(os.path.join(config, "components", "registry.ini"), encoding="utf-8")
    clsid = registry["ProgID\\" + progid]["CLSID"]
    return clsid, registry["CLSID\\" + clsid]["InprocServer"]


# ---- the example and its checks ---------------------------------------------

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("check failed:", what, file=sys.stderr)


def main():
    if len(sys.argv) not in (3, 4):
        print(__doc__, file=sys.stderr)
        return 2
    catalogue, folder = sys.argv[1], sys.argv[2]

    if len(sys.argv) == 4:
        registering = ctypes.CDLL(sys.argv[3])
        registering.DllRegisterServer.restype = Status
        check(registering.DllRegisterServer() == 0, "DllRegisterServer")

    clsid, path = find_library(PROGID)
    check(os.path.isabs(path), "registered library path is absolute")
    library = Library(path)

    reports = []
    handler_type = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p, ctypes.c_int32)
    handler = handler_type(lambda context, text, title, icon: reports.append((text.decode(), title.decode(), icon)))
    library.dll.TesseraSetMessageHandler.argtypes = [handler_type, ctypes.c_void_p]
    library.dll.TesseraSetMessageHandler(handler, None)

    db = library.create(Guid.parse(clsid))
    check(not library.can_unload_now(), "an object keeps the library loaded")

    export = os.path.join(folder, "export")
    os.makedirs(export, exist_ok=True)
    db.put("exportThemePath", export)
    check(db.get("exportThemePath") == export, "exportThemePath reads back")

    db.call("openDatabase", catalogue)
    check(reports == [], "catalogue opens without a report")

    picture = b"BM" + bytes(range(256)) * 12
    with open(os.path.join(export, "temp.bmp"), "wb") as file:
        file.write(picture)
    check(db.call("addProgram", "Calculator", "Adds numbers", "/usr/bin/calc", "") is True, "addProgram")
    check(db.call("addProgram", "Children's Games", "Fun", "/usr/games/fun", "", "/tmp", "-f") is True,
          "addProgram with an apostrophe and the optional arguments")

    programs = db.call("loadPrograms")
    names = []
    check(programs.get("RecordCount") == 2, "two programs")
    while not programs.get("EOF"):
        names.append(programs.get("Field", "Program_Name"))
        check(programs.get("Field", 1) == picture, "icon bytes of " + names[-1])
        programs.call("MoveNext")
    check(names == ["Calculator", "Children's Games"], "programs in name order: %r" % names)
    check(programs.call("FieldName", 2) == "Program_Path", "third column")
    programs.call("Close")
    programs.release()

    check(db.call("getProgramPath", "Children's Games") == "/usr/games/fun", "name lookup")
    check(db.call("GetProgramParameters", "Children's Games") == "-f", "parameters")
    check(db.call("getProgramKey", "Nobody") == 0, "unknown program key")

    check(db.call("GetProgramImage", "Calculator") is True, "GetProgramImage")
    with open(os.path.join(export, "Calculator.bmp"), "rb") as file:
        check(file.read() == picture, "exported picture is the stored one")

    # A picture stored through a record set and the picture member.
    second = b"BM" + bytes(reversed(range(256))) * 4
    second_path = os.path.join(folder, "second.bmp")
    with open(second_path, "wb") as file:
        file.write(second)
    row = db.call("loadProgram", "Calculator")
    db.call("AddProgramImage", row, second_path)
    row.call("Update")
    try:
        db.call("AddProgramImage", row, os.path.join(folder, "missing.bmp"))
        check(False, "an unreadable picture fails")
    except TesseraError as error:
        check(getattr(error, "number", 0) == 3002, "unreadable picture is error 3002: %s" % error)
    row.release()
    check(db.call("GetProgramImage", "Calculator") is True, "GetProgramImage after the change")
    with open(os.path.join(export, "Calculator.bmp"), "rb") as file:
        check(file.read() == second, "the new picture was stored")

    # The setup picture of a theme, the two others left out.
    check(db.call("CreateTheme", "Night", None, None, second_path) is True, "CreateTheme")
    theme = db.call("LoadTheme", "Night")
    check(theme.get("Field", "Theme_LogoSetup") == second, "setup picture stored")
    check(theme.get("Field", "Theme_LogoSplash") is None, "splash left empty")
    theme.release()
    check(db.call("setDefaultTheme", "Night") is True and db.call("getDefaultTheme") == "Night", "default theme")

    check(db.call("deleteProgram", "Calculator") is True, "deleteProgram")
    check(db.call("getProgramKey", "Calculator") == 0, "deleted program is gone")

    # Errors of dispatch itself.
    try:
        db.call("loadProgram")
        check(False, "a missing argument fails")
    except TesseraError:
        pass
    try:
        db.dispid("noSuchMember")
        check(False, "an unknown name fails")
    except TesseraError:
        pass

    check(reports == [], "no reports: %r" % reports)
    db.call("GetThemeKey", "Nothing")
    check(db.call("GetThemeName", 999) == "" and len(reports) == 1 and reports[0][0].startswith("3021, "),
          "a failing read reports once: %r" % reports)

    check(db.release() == 0, "last release")
    check(library.can_unload_now(), "DllCanUnloadNow after the last release")
    library.dll.TesseraSetMessageHandler(handler_type(), None)

    if len(sys.argv) == 4:
        registering.DllUnregisterServer.restype = Status
        check(registering.DllUnregisterServer() == 0, "DllUnregisterServer")
        try:
            find_library(PROGID)
            check(False, "unregistered")
        except KeyError:
            pass

    if failures:
        print("%d check(s) failed" % len(failures), file=sys.stderr)
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
