#!/usr/bin/python3
"""Prints what an independent PE parser (pefile) finds in a file's version resource, as JSON.

Output keys:
  machine, dll, magic            from the file and optional headers
  fixed                          VS_FIXEDFILEINFO file and product version words
  string_tables                  {table key: {string key: value}} as pefile reports them
  translations                   [[language, code page], ...] from the Translation Var
  windres_string_tables          the same tables as binutils' windres decompiles them, when
                                 windres is installed (pefile stops early on some multi-table
                                 StringFileInfo blocks, windres reads them all)
  windres_translations           the Translation pairs as windres decompiles them
"""
import json
import re
import shutil
import subprocess
import sys

import pefile


def pefile_view(path):
    pe = pefile.PE(path)
    out = {
        "machine": pe.FILE_HEADER.Machine,
        "dll": bool(pe.FILE_HEADER.Characteristics & 0x2000),
        "magic": pe.OPTIONAL_HEADER.Magic,
        "warnings": pe.get_warnings(),
        "fixed": None,
        "string_tables": {},
        "translations": [],
    }
    if hasattr(pe, "VS_FIXEDFILEINFO") and pe.VS_FIXEDFILEINFO:
        f = pe.VS_FIXEDFILEINFO[0]
        out["fixed"] = [f.FileVersionMS, f.FileVersionLS, f.ProductVersionMS, f.ProductVersionLS]
    for file_info in getattr(pe, "FileInfo", []):
        for block in file_info:
            for table in getattr(block, "StringTable", []):
                out["string_tables"][table.LangID.decode("utf-8", "replace")] = {
                    k.decode("utf-8", "replace"): v.decode("utf-8", "replace")
                    for k, v in table.entries.items()
                }
            for var in getattr(block, "Var", []):
                # pefile keeps only the last pair in var.entry; the pairs themselves follow the
                # Var header, its key and the padding to a 4-byte boundary.
                data = pe.__data__
                start = var.get_file_offset()
                key_end = start + 6
                while data[key_end:key_end + 2] != b"\0\0":
                    key_end += 2
                value = start + ((key_end + 2 - start + 3) & ~3)
                for i in range(var.ValueLength // 4):
                    lang = int.from_bytes(data[value + 4 * i:value + 4 * i + 2], "little")
                    cp = int.from_bytes(data[value + 4 * i + 2:value + 4 * i + 4], "little")
                    out["translations"].append([lang, cp])
    return out


def unescape(text):
    """Decodes the C escapes windres writes in rc strings (octal and the usual letters)."""
    out, i = [], 0
    simple = {"n": "\n", "t": "\t", "r": "\r", "a": "\a", "b": "\b", "f": "\f", "v": "\v"}
    while i < len(text):
        c = text[i]
        if c != "\\" or i + 1 == len(text):
            out.append(c)
            i += 1
            continue
        nxt = text[i + 1]
        m = re.match(r"[0-7]{1,6}", text[i + 1:])
        if m:
            out.append(chr(int(m.group(0), 8)))
            i += 1 + len(m.group(0))
        elif nxt == "x":
            m = re.match(r"[0-9a-fA-F]+", text[i + 2:])
            out.append(chr(int(m.group(0), 16)))
            i += 2 + len(m.group(0))
        else:
            out.append(simple.get(nxt, nxt))
            i += 2
    return "".join(out)


def windres_view(path):
    windres = shutil.which("x86_64-w64-mingw32-windres") or shutil.which("i686-w64-mingw32-windres")
    if not windres:
        return None
    rc = subprocess.run([windres, "-i", path, "-J", "coff", "-O", "rc"], capture_output=True, text=True)
    if rc.returncode != 0:
        return {"error": rc.stderr.strip()}
    tables, translations, current = {}, [], None
    for line in rc.stdout.splitlines():
        line = line.strip()
        m = re.match(r'BLOCK "([^"]*)"', line)
        if m and m.group(1) not in ("StringFileInfo", "VarFileInfo"):
            current = tables.setdefault(m.group(1), {})
            continue
        m = re.match(r'VALUE "Translation",\s*(.*)', line)
        if m:
            nums = [int(x, 0) for x in re.split(r"\s*,\s*", m.group(1).strip()) if x]
            translations = [nums[i:i + 2] for i in range(0, len(nums) - 1, 2)]
            continue
        m = re.match(r'VALUE "((?:[^"\\]|\\.)*)",\s*L?"((?:[^"\\]|\\.)*)"', line)
        if m and current is not None:
            current[unescape(m.group(1))] = unescape(m.group(2))
    return {"string_tables": tables, "translations": translations}


def main():
    view = pefile_view(sys.argv[1])
    windres = windres_view(sys.argv[1])
    if windres is not None:
        view["windres_string_tables"] = windres.get("string_tables")
        view["windres_translations"] = windres.get("translations")
        if "error" in windres:
            view["windres_error"] = windres["error"]
    json.dump(view, sys.stdout, sort_keys=True, ensure_ascii=True)
    print()


if __name__ == "__main__":
    main()
