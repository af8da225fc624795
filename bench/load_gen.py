#!/usr/bin/env python3
"""Writes a script of about N lines (default 1,000,000) in ZELK, VBScript and
Python: assignments, block IFs, FOR loops, many function definitions and their
calls. The run itself is short, so loading the text is what is measured.

usage: load_gen.py OUT_PREFIX [LINES]  ->  OUT_PREFIX.zls, .vbs, .py
"""
import sys


def main():
    prefix = sys.argv[1]
    lines = int(sys.argv[2]) if len(sys.argv) > 2 else 1000000
    funcs = lines // 40  # each definition is 6 lines: a quarter of the text
    blocks = (lines - funcs * 6 - 3) // 11
    zls, vbs, py = [], [], []
    zls.append("t = 0")
    vbs.append("Dim t, s, k, x\nt = 0")
    py.append("t = 0")
    for i in range(blocks):
        f = i % funcs
        zls += [
            f"x = {i} * 2 + 1",
            "IFB x MOD 3 = 0 THEN",
            "  t = t + 1",
            "ELSEIF x MOD 3 = 1",
            "  t = t + 2",
            "ELSE",
            "  t = t - 1",
            "ENDIF",
            "FOR k = 1 TO 2",
            f"  t = t + f{f}(k, {i % 7})",
            "NEXT",
        ]
        vbs += [
            f"x = {i} * 2 + 1",
            "If x Mod 3 = 0 Then",
            "  t = t + 1",
            "ElseIf x Mod 3 = 1 Then",
            "  t = t + 2",
            "Else",
            "  t = t - 1",
            "End If",
            "For k = 1 To 2",
            f"  t = t + f{f}(k, {i % 7})",
            "Next",
        ]
        py += [
            f"x = {i} * 2 + 1",
            "if x % 3 == 0:",
            "    t = t + 1",
            "elif x % 3 == 1:",
            "    t = t + 2",
            "else:",
            "    t = t - 1",
            "",
            "for k in range(1, 3):",
            f"    t = t + f{f}(k, {i % 7})",
            "",
        ]
    zls.append("s = \"total \" + t")
    zls.append("PRINT s")
    vbs.append("s = \"total \" & t")
    vbs.append("WScript.Echo s")
    # Python needs its functions before the first call.
    pydefs = []
    for f in range(funcs):
        zls += [
            f"FUNCTION f{f}(a, b)",
            "  RESULT = b - a + " + str(f % 5),
            "  IF a > b THEN RESULT = a - b",
            "  y = a * b",
            "  RESULT = RESULT + y MOD 2",
            "FEND",
        ]
        vbs += [
            f"Function f{f}(a, b)",
            "  f" + str(f) + " = b - a + " + str(f % 5),
            "  If a > b Then f" + str(f) + " = a - b",
            "  y = a * b",
            "  f" + str(f) + " = f" + str(f) + " + y Mod 2",
            "End Function",
        ]
        pydefs += [
            f"def f{f}(a, b):",
            "    r = b - a + " + str(f % 5),
            "    if a > b: r = a - b",
            "    y = a * b",
            "    return r + y % 2",
            "",
        ]
    py = pydefs + py + ["s = \"total \" + str(t)", "print(s)"]
    for ext, rows in (("zls", zls), ("vbs", vbs), ("py", py)):
        with open(f"{prefix}.{ext}", "w", encoding="utf-8", newline="\r\n" if ext != "py" else "\n") as out:
            out.write("\n".join(rows) + "\n")


if __name__ == "__main__":
    main()
