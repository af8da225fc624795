#!/usr/bin/env python3
"""The debugger's cost, measured through zelkrun --dap.

  dap_bench.py [--windows] "ZELKRUN COMMAND" BENCH_DIR [RUNS]

ZELKRUN COMMAND may have words before the program (a Wine loader); with
--windows, paths go to the program in their Windows form (Z:\\...).

Prints, for the loop and fib benchmarks, the best wall time of a plain run, a
run under the debug adapter with no breakpoint, and one with a breakpoint on a
line that is never reached (so the per-row watch is armed); then the latency
of Pause in an endless loop, and what 1,000 breakpoints in 100,000 lines that
never run cost the loop benchmark.
"""
import json
import os
import shlex
import subprocess
import sys
import tempfile
import time


WINDOWS = False


def host_path(path):
    """The path as the program under test reads it."""
    return "Z:" + os.path.abspath(path).replace("/", "\\") if WINDOWS else path


class Adapter:
    def __init__(self, zelkrun):
        self.proc = subprocess.Popen(zelkrun + ["--dap"], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE)
        self.seq = 0
        self.output = []

    def send(self, command, arguments=None):
        self.seq += 1
        body = json.dumps({"seq": self.seq, "type": "request", "command": command,
                           "arguments": arguments or {}}).encode()
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()
        return self.seq

    def read(self):
        length = 0
        while True:
            line = self.proc.stdout.readline()
            if not line:
                raise RuntimeError("the adapter ended")
            line = line.strip()
            if not line:
                break
            if line.lower().startswith(b"content-length:"):
                length = int(line.split(b":")[1])
        message = json.loads(self.proc.stdout.read(length))
        if message.get("type") == "event" and message.get("event") == "output":
            self.output.append(message["body"].get("output", ""))
        return message

    def request(self, command, arguments=None):
        seq = self.send(command, arguments)
        while True:
            message = self.read()
            if message.get("type") == "response" and message.get("request_seq") == seq:
                if not message.get("success"):
                    raise RuntimeError("%s: %s" % (command, message.get("message")))
                return message

    def wait_event(self, name):
        while True:
            message = self.read()
            if message.get("type") == "event" and message.get("event") == name:
                return message
            if message.get("type") == "event" and message.get("event") == "stopped":
                # An unexpected stop (a script error) would wait forever.
                raise RuntimeError("stopped: %s" % message["body"].get("text", ""))

    def start(self, program, breakpoints=None):
        self.request("initialize", {"adapterID": "zelk", "linesStartAt1": True,
                                    "pathFormat": "path"})
        self.request("launch", {"program": host_path(program)})
        self.wait_event("initialized")
        if breakpoints:
            self.request("setBreakpoints", {"source": {"path": host_path(program)},
                                            "breakpoints": [{"line": n} for n in breakpoints]})
        self.request("configurationDone")

    def close(self):
        try:
            self.proc.stdin.close()
        except OSError:
            pass
        self.proc.wait(timeout=30)


def plain(zelkrun, program):
    started = time.perf_counter()
    subprocess.run(zelkrun + [host_path(program)], check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - started


def under_adapter(zelkrun, program, breakpoints=None):
    started = time.perf_counter()
    adapter = Adapter(zelkrun)
    adapter.start(program, breakpoints)
    adapter.wait_event("terminated")
    elapsed = time.perf_counter() - started
    adapter.close()
    return elapsed


def with_unreached_line(program, tmp):
    """A copy of the program that starts with a line never run; its number."""
    copy = os.path.join(tmp, os.path.basename(program))
    with open(program, encoding="utf-8") as f:
        text = f.read()
    with open(copy, "w", encoding="utf-8") as f:
        f.write('IFB FALSE\n  PRINT "never"\nENDIF\n' + text)
    return copy, 2


def pause_latency(zelkrun, tmp):
    program = os.path.join(tmp, "endless.zls")
    with open(program, "w", encoding="utf-8") as f:
        f.write("i = 0\nWHILE TRUE\n  i = i + 1\nWEND\n")
    adapter = Adapter(zelkrun)
    adapter.start(program)
    time.sleep(0.3)
    best = None
    for _ in range(5):
        started = time.perf_counter()
        adapter.send("pause", {"threadId": 1})
        adapter.wait_event("stopped")
        elapsed = time.perf_counter() - started
        best = elapsed if best is None else min(best, elapsed)
        adapter.request("continue", {"threadId": 1})
        time.sleep(0.05)
    adapter.request("disconnect", {"terminateDebuggee": True})
    adapter.close()
    return best


def many_breakpoints(zelkrun, bench_dir, tmp, runs):
    """The loop benchmark after 100,000 lines that never run, with and without
    1,000 breakpoints on them: the cost of breakpoints that are not hit."""
    program = os.path.join(tmp, "long.zls")
    with open(program, "w", encoding="utf-8") as f:
        f.write("s = 0\nIFB FALSE\n")
        for n in range(100_000):
            f.write("  s = s + %d\n" % (n % 7))
        f.write("ENDIF\n")
        with open(os.path.join(bench_dir, "loop.zls"), encoding="utf-8") as loop:
            f.write(loop.read())
    lines = list(range(3, 100_003, 100))
    without, with_bps, set_times = [], [], []
    for _ in range(runs):
        without.append(under_adapter(zelkrun, program))
        adapter = Adapter(zelkrun)
        started = time.perf_counter()
        adapter.request("initialize", {"adapterID": "zelk", "linesStartAt1": True})
        adapter.request("launch", {"program": host_path(program)})
        adapter.wait_event("initialized")
        set_started = time.perf_counter()
        adapter.request("setBreakpoints", {"source": {"path": host_path(program)},
                                           "breakpoints": [{"line": n} for n in lines]})
        set_time = time.perf_counter() - set_started
        set_times.append(set_time)
        adapter.request("configurationDone")
        adapter.wait_event("terminated")
        # Setting them is reported on its own.
        with_bps.append(time.perf_counter() - started - set_time)
        adapter.close()
    return min(set_times), min(with_bps), min(without)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    global WINDOWS
    args = sys.argv[1:]
    if args and args[0] == "--windows":
        WINDOWS = True
        args = args[1:]
    zelkrun, bench_dir = shlex.split(args[0]), args[1]
    runs = int(args[2]) if len(args) > 2 else 3
    print("%-9s %10s %10s %10s %9s %9s" %
          ("benchmark", "plain", "dap", "dap+bp", "dap/plain", "bp/plain"))
    tmp_dir = tempfile.TemporaryDirectory()
    for name in ("loop", "fib"):
        program, bp_line = with_unreached_line(os.path.join(bench_dir, name + ".zls"), tmp_dir.name)
        times = {"plain": [], "dap": [], "bp": []}
        # Alternating rounds spread other load on the machine over all three.
        for _ in range(runs):
            times["plain"].append(plain(zelkrun, program))
            times["dap"].append(under_adapter(zelkrun, program))
            times["bp"].append(under_adapter(zelkrun, program, [bp_line]))
        best = {k: min(v) for k, v in times.items()}
        print("%-9s %10.3f %10.3f %10.3f %9.3f %9.3f" %
              (name, best["plain"], best["dap"], best["bp"],
               best["dap"] / best["plain"], best["bp"] / best["plain"]))
    with tmp_dir as tmp:
        print("pause latency in an endless loop: %.1f ms (best of 5)" %
              (pause_latency(zelkrun, tmp) * 1000))
        set_time, with_bps, without = many_breakpoints(zelkrun, bench_dir, tmp, runs)
        print("loop after 100,000 lines that never run: %.3f s, with 1,000 breakpoints on them"
              " %.3f s (%.3f; set in %.1f ms)" % (without, with_bps, with_bps / without,
                                                  set_time * 1000))
    return 0


if __name__ == "__main__":
    sys.exit(main())
