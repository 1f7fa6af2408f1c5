#!/usr/bin/env python3
"""Checks the declarations in docs/bindings against the C header.

Usage: check_bindings.py REPO_ROOT

Other languages call the C interface through declarations written by hand,
and nothing links them to include/dibdraw32/dibdraw32.h: a parameter added,
widened or reordered there goes on compiling in VB6, Pascal, C# and Python
and corrupts the stack or the data at run time. This reads the header's
prototypes and DibdrawBlitInfo, reduces every type to a canonical form and
compares each binding with them, parameter by parameter and field by field
(fields by name too, as two swapped fields of one type would otherwise pass).
It also checks the stdcall byte counts in blitter/dibdraw32.def.
"""
import ctypes
import re
import sys
import types
from pathlib import Path

HEADER = "include/dibdraw32/dibdraw32.h"
GDI_TYPES = "platform/vdisplay/gdi_types.h"
GDI_STRUCTS = "platform/vdisplay/gdi_structs.h"
DEF_FILE = "blitter/dibdraw32.def"
BINDINGS = "docs/bindings"
BLIT_INFO = "dibdrawblitinfo"

# Canonical forms: int8 ... uint32, size_t, void, handle (an opaque object),
# string (const char*), ptr:T (T a canonical scalar or a lower-case struct
# name), struct:T. The bindings may also produce forms that stand for a
# whole family, as their languages cannot say more:
ADDRESS = "address"  # IntPtr, c_void_p, Pointer: any handle or pointer
LONG32 = "long32"  # VB6's ByVal Long: any 32-bit value, handles included
ANY_POINTER = "ptr:any"  # void*, VB6's As Any
BYTES = "ptr:bytes"  # a byte array standing for a block of data

SCALARS = {"int8", "uint8", "int16", "uint16", "int32", "uint32", "size_t"}


def pointer_to(canonical):
    if canonical.startswith("struct:"):
        return "ptr:" + canonical[len("struct:"):]
    return "ptr:" + canonical


def compatible(want, got):
    """Whether a binding's type `got` can stand for the header's `want`."""
    if want == got:
        return True
    pointerish = want in ("handle", "string") or want.startswith("ptr:")
    if got == ADDRESS:
        return pointerish
    if got == LONG32:
        return pointerish or want in ("int32", "uint32", "size_t")
    if got == ANY_POINTER:
        return want.startswith("ptr:")
    if got == BYTES:
        return want.startswith("ptr:") and want[len("ptr:"):] not in SCALARS
    return False


def blank_comments(text, pattern, flags=0):
    """Drops comments but keeps their line breaks, so line numbers stay right."""
    return re.sub(pattern, lambda m: " " + "\n" * m.group(0).count("\n"), text, flags=flags)


def line_of(text, pos):
    return text.count("\n", 0, pos) + 1


class Function:
    def __init__(self, name, params, ret, line):
        self.name = name
        self.params = params  # [(name, canonical)]
        self.ret = ret
        self.line = line


class Binding:
    """What one file declares: functions (a name may be overloaded), records
    by lower-case name, and problems found while reading it."""

    def __init__(self, language, shown):
        self.language = language
        self.path = shown
        self.functions = {}
        self.structs = {}
        self.problems = []

    def add(self, function):
        self.functions.setdefault(function.name, []).append(function)

    def where(self, line):
        """ctypes declarations are read from the imported module: no lines."""
        return f"{self.path}:{line}" if line else str(self.path)

    def problem(self, line, message):
        self.problems.append(f"{self.where(line)}: {message}")


# ---------------------------------------------------------------- the header

# No long: four bytes on Windows and eight on 64-bit Linux, so a header that
# used it would have no one meaning to bind.
C_SCALARS = {
    "char": "int8", "signed char": "int8", "unsigned char": "uint8",
    "short": "int16", "short int": "int16", "unsigned short": "uint16",
    "int": "int32", "signed int": "int32", "signed": "int32",
    "unsigned int": "uint32", "unsigned": "uint32",
    "size_t": "size_t", "void": "void",
}


class Header:
    def __init__(self, root):
        self.typedefs = {}
        self.structs = {}  # lower-case name -> [(field, canonical)]
        self.functions = {}
        for name in (GDI_TYPES, GDI_STRUCTS, HEADER):
            self.read(root / name)
        if not self.functions:
            raise SystemExit(f"{HEADER}: no DIBDRAW32_C_API ... WINAPI prototypes found")
        if BLIT_INFO not in self.structs:
            raise SystemExit(f"{HEADER}: no DibdrawBlitInfo structure found")

    def c_type(self, text):
        tokens = re.findall(r"\w+|\*", text)
        const = "const" in tokens
        tagged = "struct" in tokens
        stars = tokens.count("*")
        base = " ".join(t for t in tokens if t not in ("const", "struct", "*"))
        if base in C_SCALARS:
            canonical = C_SCALARS[base]
        elif base in self.typedefs:
            canonical = self.typedefs[base]
        elif base.lower() in self.structs:
            canonical = "struct:" + base.lower()
        elif tagged:
            canonical = "opaque"
        else:
            raise SystemExit(f"header: cannot classify the C type {text.strip()!r}")
        if stars == 0:
            return canonical
        if stars > 1:
            return "ptr:pointer"
        if canonical == "opaque":
            return "handle"
        if canonical == "int8" and const:
            return "string"
        if canonical == "void":
            return ANY_POINTER
        return pointer_to(canonical)

    def split_declaration(self, text):
        """'const char* converter' -> ('const char*', 'converter')."""
        match = re.fullmatch(r"\s*(.*?[\s*])(\w+)\s*(\[\s*\w*\s*\])?\s*", text, re.S)
        if not match:
            raise SystemExit(f"header: cannot read the declaration {text.strip()!r}")
        return match.group(1), match.group(2), match.group(3)

    def read(self, path):
        text = path.read_text()
        text = blank_comments(text, r"/\*.*?\*/", re.S)
        text = blank_comments(text, r"//[^\n]*")
        text = re.sub(r"^\s*#[^\n]*", "", text, flags=re.M)
        # In order of appearance: a structure's fields use the typedefs above it.
        typedef = r"typedef\s+struct\s+\w+\s*\{(.*?)\}\s*(\w+)\s*;|typedef\s+([^;{}]*?[\s*])(\w+)\s*;"
        for match in re.finditer(typedef, text, re.S):
            body, struct, aliased, alias = match.groups()
            if struct is None:
                self.typedefs[alias] = self.c_type(aliased)
                continue
            fields = []
            for declaration in filter(str.strip, body.split(";")):
                ctype, name, array = self.split_declaration(declaration)
                fields.append((name, "array" if array else self.c_type(ctype)))
            self.structs[struct.lower()] = fields
        prototype = r"DIBDRAW32_C_API\s+([^;(]*?)\bWINAPI\s+(\w+)\s*\(([^)]*)\)\s*;"
        for match in re.finditer(prototype, text):
            params = []
            if match.group(3).strip() not in ("", "void"):
                for declaration in match.group(3).split(","):
                    ctype, name, _ = self.split_declaration(declaration)
                    params.append((name, self.c_type(ctype)))
            ret = self.c_type(match.group(1))
            self.functions[match.group(2)] = Function(match.group(2), params, ret, line_of(text, match.start()))
        unread = set(re.findall(r"\bWINAPI\s+(\w+)\s*\(", text)) - self.functions.keys()
        if unread:
            raise SystemExit(f"{path.name}: cannot read the prototypes of {', '.join(sorted(unread))}")


def check_def(root, header):
    """i686 stdcall pushes every parameter, short and size_t included, as 4 bytes."""
    errors = []
    exports = {}
    text = (root / DEF_FILE).read_text()
    for number, line in enumerate(text.splitlines(), 1):
        match = re.match(r"\s*(\w+)@(\d+)\s*$", line.split(";")[0])
        if match:
            exports[match.group(1)] = (int(match.group(2)), number)
    for name, function in header.functions.items():
        if name not in exports:
            errors.append(f"{DEF_FILE}: {name} is not exported")
            continue
        count, number = exports[name]
        if count != 4 * len(function.params):
            errors.append(f"{DEF_FILE}:{number}: {name}@{count}, but its {len(function.params)} "
                          f"parameters take {4 * len(function.params)} bytes")
    for name in exports.keys() - header.functions.keys():
        errors.append(f"{DEF_FILE}:{exports[name][1]}: exports {name}, which the header does not declare")
    return errors, f"{DEF_FILE}: {len(exports)} exports with their stdcall byte counts"


# ---------------------------------------------------------------------- VB6

def read_vb6(path, shown):
    binding = Binding("VB6", shown)
    lines = []
    pending, start = "", 0
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        code = re.sub(r"""^((?:[^'"]|"[^"]*")*)'.*$""", r"\1", raw).rstrip()
        if not pending:
            start = number
        if code.endswith(" _"):
            pending += code[:-1]
            continue
        lines.append((start, pending + code))
        pending = ""

    user_types = {match.lower() for _, code in lines
                  for match in re.findall(r"^\s*(?:(?:Public|Private)\s+)?Type\s+(\w+)\s*$", code, re.I)}

    def canonical(vb_type, by_reference=False, array=False, parameter=False):
        """Parameters are ByRef unless ByVal; fields and results are values."""
        vb_type = vb_type.lower()
        if array:
            return "SAFEARRAY"
        if vb_type == "any":
            return ANY_POINTER if by_reference else "ByVal Any"
        if vb_type == "string":
            return "string" if parameter and not by_reference else "BSTR"
        value = {"long": LONG32, "integer": "int16", "byte": "uint8"}.get(vb_type)
        if value is None and vb_type in user_types:
            value = "struct:" + vb_type
        if value is None or not by_reference:
            return value or vb_type
        return pointer_to("int32" if value == LONG32 else value)

    declare = re.compile(
        r"(?:(?:Public|Private|Global)\s+)?Declare\s+(?:PtrSafe\s+)?(Function|Sub)\s+(\w+)\s+(.*?)"
        r"Lib\s+\"([^\"]+)\"(?:\s+Alias\s+\"([^\"]+)\")?\s*\((.*)\)\s*(?:As\s+(\w+))?\s*$", re.I)
    record = None
    for number, code in lines:
        if record is not None:
            if re.fullmatch(r"\s*End\s+Type\s*", code, re.I):
                record = None
            elif code.strip():
                field = re.fullmatch(r"\s*(\w+)\s*(\([^)]*\))?\s+As\s+(\w+)(\s*\*\s*\d+)?\s*", code, re.I)
                if not field:
                    binding.problem(number, f"cannot read the field {code.strip()!r}")
                else:
                    array = field.group(2) or field.group(4)
                    record.append((field.group(1), canonical(field.group(3), array=bool(array))))
            continue
        match = re.fullmatch(r"\s*(?:(?:Public|Private)\s+)?Type\s+(\w+)\s*", code, re.I)
        if match:
            record = binding.structs.setdefault(match.group(1).lower(), [])
            continue
        match = declare.fullmatch(code.strip())
        if not match:
            continue
        kind, name, between, library, alias, params, ret = match.groups()
        if not re.fullmatch(r"dibdraw32(\.dll)?", library, re.I):
            continue
        if re.search(r"\bCDecl\b", between, re.I):
            binding.problem(number, f"{name}: declared CDecl, but the DLL is stdcall")
        parsed = []
        for param in filter(str.strip, params.split(",")):
            declared = re.fullmatch(r"\s*(Optional\s+)?(ByVal\s+|ByRef\s+)?(\w+)(\(\))?(?:\s+As\s+(\w+))?\s*",
                                    param, re.I)
            if not declared:
                binding.problem(number, f"{name}: cannot read the parameter {param.strip()!r}")
                continue
            by_reference = (declared.group(2) or "").strip().lower() != "byval"
            parsed.append((declared.group(3), canonical(declared.group(5) or "Variant", by_reference,
                                                        bool(declared.group(4)), parameter=True)))
        if kind.lower() == "sub":
            returned = "void"
        else:
            returned = canonical(ret or "Variant")
        binding.add(Function(alias or name, parsed, returned, number))
    return binding


def vb6_view(header_type):
    """VB6 has no unsigned Long or Integer; the bits are the same."""
    return {"uint32": "int32", "uint16": "int16", "ptr:uint32": "ptr:int32",
            "ptr:uint16": "ptr:int16"}.get(header_type, header_type)


# ------------------------------------------------------------------- Pascal

PASCAL_TYPES = {
    "integer": "int32", "longint": "int32", "cardinal": "uint32", "longword": "uint32",
    "dword": "uint32", "uint": "uint32", "smallint": "int16", "word": "uint16",
    "shortint": "int8", "byte": "uint8", "nativeuint": "size_t", "size_t": "size_t",
    "pointer": ADDRESS, "pansichar": "string", "pbyte": BYTES,
    "psmallint": "ptr:int16", "pinteger": "ptr:int32", "plongint": "ptr:int32",
    "pcardinal": "ptr:uint32", "plongword": "ptr:uint32", "pdword": "ptr:uint32",
    "hdc": "handle", "hwnd": "handle", "hpalette": "handle", "thandle": "handle",
    "trect": "struct:rect", "prect": "ptr:rect", "trgbquad": "struct:rgbquad", "prgbquad": "ptr:rgbquad",
    "tbitmapinfoheader": "struct:bitmapinfoheader", "pbitmapinfoheader": "ptr:bitmapinfoheader",
}


def read_pascal(path, shown):
    binding = Binding("Delphi", shown)
    text = path.read_text()
    text = blank_comments(text, r"\{.*?\}", re.S)
    text = blank_comments(text, r"\(\*.*?\*\)", re.S)
    text = blank_comments(text, r"//[^\n]*")
    types = dict(PASCAL_TYPES)
    constants = {m.group(1).lower(): m.group(2) for m in re.finditer(r"\b(\w+)\s*=\s*'([^']*)'\s*;", text)}

    def record_name(name):
        return name[1:].lower() if re.match(r"T[A-Z]", name) else name.lower()

    records = list(re.finditer(r"\b(\w+)\s*=\s*(packed\s+)?record\b(.*?)\bend\s*;", text, re.S | re.I))
    for match in records:
        types[match.group(1).lower()] = "struct:" + record_name(match.group(1))
    for match in re.finditer(r"\b(\w+)\s*=\s*(?:type\s+)?Pointer\s*;", text, re.I):
        types[match.group(1).lower()] = "handle"
    for match in re.finditer(r"\b(\w+)\s*=\s*\^(\w+)\s*;", text):
        types[match.group(1).lower()] = pointer_to(types.get(match.group(2).lower(), match.group(2).lower()))

    def canonical(pascal_type):
        return types.get(pascal_type.lower(), pascal_type)

    for match in records:
        line = line_of(text, match.start())
        if match.group(2):
            binding.problem(line, f"{match.group(1)} is a packed record, but C aligns its fields")
        fields = []
        for group in filter(str.strip, match.group(3).split(";")):
            names, _, pascal_type = group.partition(":")
            for name in names.split(","):
                fields.append((name.strip(), canonical(pascal_type.strip())))
        binding.structs[record_name(match.group(1))] = fields

    routine = re.compile(
        r"\b(function|procedure)\s+(\w+)\s*(?:\(([^()]*)\))?\s*(?::\s*(\w+))?\s*;"
        r"((?:\s*(?!(?:function|procedure|implementation|type|const|var|begin|end)\b)\w[^;]*;)*)", re.I)
    for match in routine.finditer(text):
        kind, name, params, ret, directives = match.groups()
        directives = directives.lower()
        external = re.search(r"\bexternal\s+('[^']*'|\w+)(?:\s+name\s+'(\w+)')?", directives)
        if not external:
            continue
        line = line_of(text, match.start())
        library = external.group(1).strip("'")
        library = constants.get(library, library)
        if library.lower() not in ("dibdraw32.dll", "dibdraw32"):
            continue
        if not re.search(r"\bstdcall\b", directives):
            binding.problem(line, f"{name}: not declared stdcall")
        parsed = []
        for group in filter(str.strip, (params or "").split(";")):
            names, _, pascal_type = group.partition(":")
            mode = re.match(r"\s*(var|out|const|constref)\s+", names, re.I)
            names = names[mode.end():] if mode else names
            for param in names.split(","):
                kind_of = canonical(pascal_type.strip()) if pascal_type.strip() else "untyped"
                if mode and mode.group(1).lower() in ("var", "out", "constref"):
                    kind_of = pointer_to(kind_of) if kind_of != "untyped" else ANY_POINTER
                elif mode and kind_of.startswith("struct:"):
                    kind_of = "const record (passed as the compiler chooses)"
                parsed.append((param.strip(), kind_of))
        returned = canonical(ret) if kind.lower() == "function" else "void"
        binding.add(Function(external.group(2) or name, parsed, returned, line))
    return binding


# ----------------------------------------------------------------------- C#

CSHARP_TYPES = {
    "int": "int32", "Int32": "int32", "uint": "uint32", "UInt32": "uint32",
    "short": "int16", "Int16": "int16", "ushort": "uint16", "UInt16": "uint16",
    "byte": "uint8", "Byte": "uint8", "sbyte": "int8", "SByte": "int8",
    "UIntPtr": "size_t", "nuint": "size_t", "IntPtr": ADDRESS, "nint": ADDRESS,
    "void": "void", "string": "string", "bool": "bool (a 4-byte BOOL)", "long": "int64",
}


def split_top_level(text):
    """Splits at the commas outside brackets and parentheses ([In, Out])."""
    parts, depth, current = [], 0, ""
    for char in text:
        if char in "([":
            depth += 1
        elif char in ")]":
            depth -= 1
        if char == "," and depth == 0:
            parts.append(current)
            current = ""
        else:
            current += char
    if current.strip():
        parts.append(current)
    return parts


def read_csharp(path, shown):
    binding = Binding(".NET", shown)
    text = path.read_text()
    text = blank_comments(text, r"/\*.*?\*/", re.S)
    text = blank_comments(text, r"//[^\n]*")
    constants = {m.group(1): m.group(2) for m in re.finditer(r"\bconst\s+string\s+(\w+)\s*=\s*\"([^\"]*)\"", text)}
    struct_names = {name.lower() for name in re.findall(r"\bstruct\s+(\w+)", text)}

    def canonical(cs_type, what):
        array = cs_type.endswith("[]")
        base = cs_type[:-2] if array else cs_type.rstrip("*")
        if base in CSHARP_TYPES:
            result = CSHARP_TYPES[base]
        elif base.lower() in struct_names:
            result = "struct:" + base.lower()
        else:
            result = base
        if result == "string" and what != "param":
            return "string (the marshaller frees the library's text)"
        if array:
            return BYTES if result == "uint8" else pointer_to(result)
        if cs_type.endswith("*"):
            return pointer_to(result)
        return result

    for match in re.finditer(r"((?:\[[^\]]*\]\s*)*)(?:(?:public|internal|private|unsafe)\s+)*struct\s+(\w+)\s*\{",
                             text):
        line = line_of(text, match.start())
        layout = match.group(1)
        if "LayoutKind.Sequential" not in layout:
            binding.problem(line, f"{match.group(2)}: not [StructLayout(LayoutKind.Sequential)]")
        if re.search(r"\bPack\s*=", layout):
            binding.problem(line, f"{match.group(2)}: Pack changes C's alignment")
        depth, end = 1, match.end()
        while depth:
            depth += {"{": 1, "}": -1}.get(text[end], 0)
            end += 1
        body = re.sub(r"\{[^{}]*\}", ";", text[match.end():end - 1])
        fields = re.findall(r"(?:^|;)\s*(?:\[[^\]]*\]\s*)*(?:(?:public|internal|private)\s+)?"
                            r"(?!const\b|static\b)([\w.]+(?:\[\])?)\s+(\w+)\s*(?=;)", body)
        binding.structs[match.group(2).lower()] = [(name, canonical(cs_type, "field")) for cs_type, name in fields]

    for match in re.finditer(r"\bextern\s+(?:unsafe\s+)?([\w.]+(?:\[\]|\*)?)\s+(\w+)\s*\(", text):
        line = line_of(text, match.start())
        prefix = re.split(r"[;{}]", text[:match.start()])[-1]
        name = match.group(2)
        dll_import = re.search(r"\[\s*DllImport\s*\((.*?)\)\s*\]", prefix, re.S)
        if not dll_import:
            binding.problem(line, f"{name}: extern without [DllImport]")
            continue
        arguments = split_top_level(dll_import.group(1))
        library = arguments[0].strip()
        library = constants.get(library, library.strip('"'))
        if library.lower() not in ("dibdraw32", "dibdraw32.dll"):
            continue
        options = {}
        for argument in arguments[1:]:
            key, _, value = argument.partition("=")
            options[key.strip()] = value.strip()
        if options.get("CallingConvention") != "CallingConvention.StdCall":
            binding.problem(line, f"{name}: not CallingConvention = CallingConvention.StdCall")
        depth, end = 1, match.end()
        while depth:
            depth += {"(": 1, ")": -1}.get(text[end], 0)
            end += 1
        parsed = []
        for param in split_top_level(text[match.end():end - 1]):
            param = re.sub(r"^\s*(?:\[[^\]]*\]\s*)*", "", param).split()
            modifier = param[0] if param[0] in ("ref", "out", "in") else None
            cs_type = param[-2]
            kind_of = canonical(cs_type, "param")
            parsed.append((param[-1], pointer_to(kind_of) if modifier else kind_of))
        entry = options.get("EntryPoint", "").strip('"') or name
        binding.add(Function(entry, parsed, canonical(match.group(1), "return"), line))
    return binding


# ------------------------------------------------------------ Python ctypes

def ctypes_canonical(ctype):
    if ctype is None:
        return "void"
    if ctype is ctypes.c_char_p:
        return "string"
    if ctype is ctypes.c_void_p:
        return ADDRESS
    if ctype is ctypes.c_size_t:
        return "size_t"
    if isinstance(ctype, type) and issubclass(ctype, ctypes.Structure):
        return "struct:" + ctype.__name__.lower()
    if isinstance(ctype, type) and issubclass(ctype, ctypes._Pointer):
        return pointer_to(ctypes_canonical(ctype._type_))
    if isinstance(ctype, type) and issubclass(ctype, ctypes._SimpleCData) and ctype._type_ in "bBhHiIlLqQ":
        signed = "" if ctype._type_.islower() else "u"
        return f"{signed}int{8 * ctypes.sizeof(ctype)}"
    return getattr(ctype, "__name__", repr(ctype))


class StubLibrary:
    """Stands in for a loaded library: records what bind() declares."""

    class Symbol:
        argtypes = None
        restype = ctypes.c_int  # ctypes' own default, so a forgotten restype shows

    def __init__(self):
        self.symbols = {}

    def __getattr__(self, name):
        if name.startswith("__"):
            raise AttributeError(name)
        return self.symbols.setdefault(name, StubLibrary.Symbol())


def read_ctypes(path, shown):
    binding = Binding("ctypes", shown)
    # Run as a module of its own, without the import system: nothing is cached
    # beside it in the source tree.
    module = types.ModuleType("dibdraw32_ctypes_under_check")
    module.__file__ = str(path)
    exec(compile(path.read_text(), str(path), "exec"), vars(module))
    for value in vars(module).values():
        if isinstance(value, type) and issubclass(value, ctypes.Structure) and value.__module__ == module.__name__:
            if "_pack_" in vars(value):
                binding.problem(None, f"{value.__name__}: _pack_ changes C's alignment")
            binding.structs[value.__name__.lower()] = [(field[0], ctypes_canonical(field[1]))
                                                       for field in value._fields_]
    stub = StubLibrary()
    module.bind(stub)
    for name, symbol in stub.symbols.items():
        if symbol.argtypes is None:
            binding.problem(None, f"{name}: bind() leaves argtypes unset")
            continue
        params = [(f"argtypes[{index}]", ctypes_canonical(t)) for index, t in enumerate(symbol.argtypes)]
        binding.add(Function(name, params, ctypes_canonical(symbol.restype), None))
    return binding


def ctypes_view(header_type):
    """Where size_t is 32 bits ctypes makes c_size_t the very class of c_uint."""
    if header_type == "size_t" and ctypes.c_size_t is ctypes.c_uint32:
        return "uint32"
    return header_type


# ------------------------------------------------------------ the comparison

def compare(header, binding, view):
    errors = list(binding.problems)
    for name, proto in header.functions.items():
        declarations = binding.functions.get(name)
        if not declarations:
            errors.append(f"{binding.path}: {name}: not declared")
            continue
        for declared in declarations:
            where = f"{binding.where(declared.line)}: {name}"
            if len(declared.params) != len(proto.params):
                errors.append(f"{where}: {len(declared.params)} parameters, the header has {len(proto.params)} "
                              f"({', '.join(p for p, _ in proto.params)})")
            else:
                for index, ((want_name, want), (got_name, got)) in enumerate(zip(proto.params, declared.params), 1):
                    if not compatible(view(want), got):
                        errors.append(f"{where}: parameter {index} ({want_name}): the header has {want}, "
                                      f"the binding's {got_name} is {got}")
            if not compatible(view(proto.ret), declared.ret):
                errors.append(f"{where}: returns {declared.ret}, the header {proto.ret}")
    for name in binding.functions.keys() - header.functions.keys():
        first = binding.functions[name][0]
        errors.append(f"{binding.where(first.line)}: declares {name}, which the header does not")
    if BLIT_INFO not in binding.structs:
        errors.append(f"{binding.path}: DibdrawBlitInfo: not declared")
    for struct, fields in binding.structs.items():
        if struct not in header.structs:
            continue
        want_fields = header.structs[struct]
        if len(fields) != len(want_fields):
            errors.append(f"{binding.path}: {struct}: {len(fields)} fields, the header has {len(want_fields)} "
                          f"({', '.join(f for f, _ in want_fields)})")
            continue
        for index, ((want_name, want), (got_name, got)) in enumerate(zip(want_fields, fields), 1):
            if want_name.lower() != got_name.lower():
                errors.append(f"{binding.path}: {struct}: field {index} is {got_name}, the header's is {want_name}")
            elif not compatible(view(want), got):
                errors.append(f"{binding.path}: {struct}: field {index} ({want_name}): the header has {want}, "
                              f"the binding's {got_name} is {got}")
    return errors


def check_readme(root):
    """The README's C# declarations are copies of lines of the checked .cs file."""
    readme = (root / "README.md").read_text()
    declarations = {line.strip() for line in (root / BINDINGS / "Dibdraw32.cs").read_text().splitlines()}
    errors = []
    shown = 0
    for block in re.findall(r"```csharp\n(.*?)```", readme, re.S):
        for line in block.splitlines():
            if " extern " in line:
                shown += 1
                if line.strip() not in declarations:
                    errors.append(f"README.md: a C# declaration that {BINDINGS}/Dibdraw32.cs lacks: {line.strip()}")
    if shown == 0:
        errors.append("README.md shows no C# declaration")
    return errors, f"README.md: {shown} C# declaration(s) as in {BINDINGS}/Dibdraw32.cs"


def main():
    if len(sys.argv) != 2:
        raise SystemExit("usage: check_bindings.py REPO_ROOT")
    root = Path(sys.argv[1])
    header = Header(root)
    readers = [
        ("dibdraw32.bas", read_vb6, vb6_view),
        ("dibdraw32.pas", read_pascal, lambda t: t),
        ("Dibdraw32.cs", read_csharp, lambda t: t),
        ("dibdraw32_ctypes.py", read_ctypes, ctypes_view),
    ]
    failures = []
    report = []
    for file_name, reader, view in readers:
        shown = f"{BINDINGS}/{file_name}"
        try:
            binding = reader(root / shown, shown)
        except Exception as error:  # a binding that cannot be read is a failure to report, not a crash
            failures.append(f"{shown}: cannot read: {error!r}")
            continue
        errors = compare(header, binding, view)
        failures += errors
        if not errors:
            declarations = sum(len(d) for d in binding.functions.values())
            report.append(f"{binding.language}: {shown}: {len(header.functions)} functions "
                          f"({declarations} declarations) and DibdrawBlitInfo match {HEADER}")
    errors, summary = check_def(root, header)
    failures += errors
    readme_errors, readme_summary = check_readme(root)
    failures += readme_errors
    if failures:
        print("\n".join(failures))
        print(f"{len(failures)} differences from {HEADER}")
        return 1
    print("\n".join(report + [summary, readme_summary]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
