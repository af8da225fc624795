#!/usr/bin/env python3
"""Writes a text file of about BENCH_FILE_MB megabytes (default 100) and the
three scripts that read it line by line and write it back to another file:
ZELK with FOPEN/FGET/FPUT/FCLOSE, VBScript with the FileSystemObject, Python.
Each prints the number of lines it copied.

usage: fileio_gen.py OUT_PREFIX [ignored]  ->  OUT_PREFIX.zls, .vbs, .py, .in.txt
"""
import os
import sys


def windows_form(path):
    # Wine's drive Z: is the root; zelkrun maps "X:\" to the root natively too.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    prefix = sys.argv[1]
    megabytes = int(os.environ.get("BENCH_FILE_MB", "100"))
    source = prefix + ".in.txt"
    target = prefix + ".out.txt"
    count = 0
    size = 0
    with open(source, "w", newline="") as out:
        chunk = []
        while size < megabytes * 1000000:
            line = f"{count:08d},item {count % 977},{(count * 7919) % 100000},some text for the cell\r\n"
            chunk.append(line)
            size += len(line)
            count += 1
            if len(chunk) == 10000:
                out.write("".join(chunk))
                chunk = []
        out.write("".join(chunk))
    src, dst = windows_form(source), windows_form(target)
    with open(prefix + ".zls", "w", newline="") as f:
        f.write(
            f'inp = FOPEN("{src}", F_READ)\r\n'
            f'out = FOPEN("{dst}", F_WRITE)\r\n'
            "n = FGET(inp, F_LINECOUNT)\r\n"
            "FOR i = 1 TO n\r\n"
            "  FPUT(out, FGET(inp, i))\r\n"
            "NEXT\r\n"
            "FCLOSE(inp)\r\n"
            "FCLOSE(out)\r\n"
            "PRINT n\r\n"
        )
    with open(prefix + ".vbs", "w", newline="") as f:
        f.write(
            'Set fso = CreateObject("Scripting.FileSystemObject")\r\n'
            f'Set inp = fso.OpenTextFile("{src}", 1)\r\n'
            f'Set out = fso.CreateTextFile("{dst}", True)\r\n'
            "n = 0\r\n"
            "Do Until inp.AtEndOfStream\r\n"
            "  out.WriteLine inp.ReadLine\r\n"
            "  n = n + 1\r\n"
            "Loop\r\n"
            "inp.Close\r\n"
            "out.Close\r\n"
            "WScript.Echo n\r\n"
        )
    with open(prefix + ".py", "w", newline="") as f:
        f.write(
            "n = 0\n"
            f"with open({source!r}, encoding='latin-1', newline='') as inp, "
            f"open({target!r}, 'w', encoding='latin-1', newline='') as out:\n"
            "    for line in inp:\n"
            "        out.write(line.rstrip('\\r\\n') + '\\r\\n')\n"
            "        n += 1\n"
            "print(n)\n"
        )


if __name__ == "__main__":
    main()
