#!/usr/bin/env python3
"""How soon Ctrl+C ends a long built-in call, natively.

  stop_bench.py ZELKRUN [RUNS]

A script builds a text of about 100,000,000 characters, prints "ready" and
then calls REPLACE (or POS) on it, which looks through the whole text, inside
a TRY whose FINALLY part prints "end" (OPTION OPTFINALLY: also when stopped).
For each built-in this prints how long the call takes when left alone, and
how long after SIGINT, sent 5 ms into the call, "end" comes (best of RUNS).
The second must stay a few milliseconds however long the first is; freeing
the text as the program ends is not counted.
"""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time

# 12 characters doubled 23 times: 100,663,296.
BUILD = """OPTION OPTFINALLY
s = "abcdefghijkl"
FOR i = 1 TO 23
  s = s + s
NEXT
TRY
  PRINT "ready"
  %s
FINALLY
  PRINT "end"
ENDTRY
"""
CALLS = {
    "REPLACE": 't = REPLACE(s, "xyz", "w")',
    "POS": 'p = POS("xyz", s)',
}


def wait_for(proc, what, seen, limit=120):
    """Reads until the script has printed what (seen: all it printed so far,
    a bytearray that grows); False when it did not."""
    deadline = time.monotonic() + limit
    while what not in seen:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([proc.stdout], [], [], left)[0]:
            return False
        chunk = os.read(proc.stdout.fileno(), 256)
        if not chunk:
            return False
        seen.extend(chunk)
    return True


def one_run(zelkrun, script, interrupt_after):
    """Seconds from "ready" to "end", or from SIGINT to "end"."""
    proc = subprocess.Popen([zelkrun, script], stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    seen = bytearray()
    try:
        if not wait_for(proc, b"ready", seen):
            raise RuntimeError("the script did not get ready")
        start = time.monotonic()
        if interrupt_after is not None:
            time.sleep(interrupt_after)
            start = time.monotonic()
            proc.send_signal(signal.SIGINT)
        if not wait_for(proc, b"end", seen):
            raise RuntimeError("the script did not come to its FINALLY part")
        took = time.monotonic() - start
        proc.wait(timeout=120)
        if interrupt_after is not None and proc.returncode != 130:
            raise RuntimeError("ended with status %d instead of the stopped status"
                               % proc.returncode)
        return took
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    zelkrun = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    with tempfile.TemporaryDirectory() as tmp:
        for name, call in CALLS.items():
            script = os.path.join(tmp, name.lower() + ".zls")
            with open(script, "w") as out:
                out.write(BUILD % call)
            whole = min(one_run(zelkrun, script, None) for _ in range(runs))
            stop = min(one_run(zelkrun, script, 0.005) for _ in range(runs))
            print("%-8s on 100,663,296 characters: %8.1f ms alone, ended %6.1f ms after Ctrl+C"
                  % (name, whole * 1000, stop * 1000))
    return 0


if __name__ == "__main__":
    sys.exit(main())
