#!/usr/bin/env python3
"""Instructions per unit of work, counted by callgrind.

Runs one benchmark program at two sizes under valgrind's callgrind and prints
the difference of the instruction counts over the difference of the work, so
that start-up cancels out. The count is exact and does not depend on how busy
the machine is.

usage: instructions.py BENCH_DIR NAME COMMAND...
  NAME is loop (per iteration) or fib (per call); the program is
  BENCH_DIR/NAME.zls for a command ending in zelkrun, else BENCH_DIR/NAME.py.
Prints the figure, or "-" and the reason on standard error.
"""

import os
import re
import subprocess
import sys
import tempfile

# name -> (the size as written in the program, two smaller sizes, work done at a size).
# Python's range() names the bound plus one: "3000001" is replaced by size + 1.
SIZES = {
    "loop": ("3000000", (20000, 80000), lambda n: n),
    # Calls of fib(n): 2 * F(n + 1) - 1.
    "fib": ("24", (12, 16), lambda n: 2 * fibonacci(n + 1) - 1),
}


def fibonacci(n):
    a, b = 0, 1
    for _ in range(n):
        a, b = b, a + b
    return a


def count(command, program):
    with tempfile.TemporaryDirectory() as tmp:
        result = subprocess.run(
            ["valgrind", "--tool=callgrind", "--callgrind-out-file=" + os.path.join(tmp, "out")]
            + command + [program],
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, timeout=600)
    if result.returncode != 0:
        raise RuntimeError("exit status %d" % result.returncode)
    found = re.search(r"Collected\s*:\s*(\d+)", result.stderr)
    if not found:
        raise RuntimeError("no count in callgrind's output")
    return int(found.group(1))


def main():
    if len(sys.argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    bench, name, command = sys.argv[1], sys.argv[2], sys.argv[3:]
    written, (small, large), work = SIZES[name]
    extension = ".py" if "python" in os.path.basename(command[0]) else ".zls"
    with open(os.path.join(bench, name + extension), encoding="utf-8") as f:
        text = f.read()
    bound = str(int(written) + 1)
    if written not in text and bound not in text:
        print("-")
        print("%s%s: no size %s to change" % (name, extension, written), file=sys.stderr)
        return 1
    counts = []
    try:
        for size in (small, large):
            with tempfile.NamedTemporaryFile("w", suffix=extension, delete=False,
                                             encoding="utf-8") as program:
                program.write(text.replace(written, str(size)).replace(bound, str(size + 1)))
            try:
                counts.append(count(command, program.name))
            finally:
                os.unlink(program.name)
    except (OSError, RuntimeError, subprocess.TimeoutExpired) as e:
        print("-")
        print("%s: %s" % (" ".join(command), e), file=sys.stderr)
        return 1
    print("%.0f" % ((counts[1] - counts[0]) / (work(large) - work(small))))
    return 0


if __name__ == "__main__":
    sys.exit(main())
