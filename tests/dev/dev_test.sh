#!/usr/bin/env bash
# Tests of ./dev itself: the package fallback against a stubbed apt-get, the
# counting of Google Test runs, the 32-bit loader probe and Windows paths.
# Prints "ok N - what" or "not ok N - what" per case (TAP).
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
N=0

check() {  # description, condition command...
  local what="$1"
  shift
  N=$((N + 1))
  if "$@"; then
    echo "ok $N - $what"
  else
    echo "not ok $N - $what"
  fi
}

contains() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }

# ---------------------------------------------------------------- setup

# A fake system: dpkg-query answers from a list of installed packages, apt-get
# fails the way SCENARIO says and records its calls.
make_stubs() {  # scenario
  local bin="$WORK/bin"
  rm -rf "$bin" "$WORK/state"
  mkdir -p "$bin" "$WORK/state"
  : >"$WORK/state/installed"
  : >"$WORK/state/calls"
  echo "$1" >"$WORK/state/scenario"
  cat >"$bin/dpkg-query" <<EOF
#!/bin/sh
for pkg; do :; done
grep -qx "\$pkg" "$WORK/state/installed" && echo "install ok installed" && exit 0
exit 1
EOF
  cat >"$bin/dpkg" <<EOF
#!/bin/sh
echo i386
EOF
  cat >"$bin/id" <<EOF
#!/bin/sh
echo 0
EOF
  cat >"$bin/apt-get" <<EOF
#!/bin/sh
echo "apt-get \$*" >>"$WORK/state/calls"
scenario=\$(cat "$WORK/state/scenario")
case "\$1" in
  update)
    case "\$scenario" in
      stale-index|never)
        echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
        exit 100 ;;
    esac
    exit 0 ;;
  install)
    case "\$*" in
      *" -t "*) [ "\$scenario" = never ] && { echo "E: Unable to locate package" >&2; exit 100; } ;;
      *) [ "\$scenario" = plain ] || { echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100; } ;;
    esac
    for a in "\$@"; do case "\$a" in -*|install|bookworm) ;; *) echo "\$a" >>"$WORK/state/installed" ;; esac; done
    exit 0 ;;
esac
exit 0
EOF
  chmod +x "$bin"/*
}

run_setup() {  # scenario
  make_stubs "$1"
  local status=0
  PATH="$WORK/bin:$PATH" bash "$ROOT/dev" setup >"$WORK/out" 2>&1 || status=$?
  echo "$status" >"$WORK/status"
}

status_is() { [ "$(cat "$WORK/status")" = "$1" ]; }
installed_all() { grep -qx wine64 "$WORK/state/installed" && grep -qx ccache "$WORK/state/installed"; }
retry_lines() { [ "$(grep -c 'retrying with' "$WORK/out")" = "$1" ]; }

run_setup plain
check "setup: a good index installs without a fallback" status_is 0
check "setup: no fallback line when nothing failed" retry_lines 0
check "setup: no -t when nothing failed" lacks "$WORK/state/calls" " -t "

run_setup stale-index
check "setup: a failed update still installs" status_is 0
check "setup: the fallback installs every package" installed_all
check "setup: one line names the update failure and the fallback" \
  contains "$WORK/out" "setup: apt-get update failed (Failed to fetch"
check "setup: the fallback targets the release's codename" \
  contains "$WORK/state/calls" "install -y -q --no-install-recommends -t $(. /etc/os-release && echo "$VERSION_CODENAME")"
check "setup: exactly one retry line" retry_lines 1

run_setup held-broken
check "setup: held broken packages after a good update are retried" status_is 0
check "setup: the line names the unresolved install" \
  contains "$WORK/out" "setup: apt-get install could not resolve (Unable to correct problems"

run_setup never
check "setup: when the fallback fails too, setup fails" status_is 1
check "setup: and names the packages it could not install" contains "$WORK/out" "setup: could not install: cmake"

# ---------------------------------------------------------------- counting

# shellcheck source=../../dev
source "$ROOT/dev"
set +e +u +o pipefail

fake_gtest() {  # file, body of a shell script standing in for a test program
  printf '#!/bin/sh\n%s\n' "$2" >"$1"
  chmod +x "$1"
}

count_run() {  # program
  PASSED=0 FAILED=0 SKIPPED=0
  run_gtest fake "$1" >/dev/null 2>"$WORK/gtest.err"
  echo "$PASSED $FAILED $SKIPPED" >"$WORK/counts"
}
counts_are() { [ "$(cat "$WORK/counts")" = "$1" ]; }

fake_gtest "$WORK/good" 'echo "[==========] 3 tests from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 3 tests."'
count_run "$WORK/good"
check "gtest: a clean run counts its tests" counts_are "3 0 0"

fake_gtest "$WORK/crash" 'echo "[ RUN      ] A.B"; exit 0'
count_run "$WORK/crash"
check "gtest: no summary and exit status 0 is a failure" counts_are "0 1 0"
check "gtest: and says so" contains "$WORK/gtest.err" "ended without its summary"

fake_gtest "$WORK/failing" 'echo "[  FAILED  ] A.B (3 ms)"
echo "[  FAILED  ] A.C (0 ms)"
echo "[==========] 3 tests from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 1 test."
exit 1'
count_run "$WORK/failing"
check "gtest: each failed test is counted" counts_are "1 2 0"

fake_gtest "$WORK/skipping" 'echo "[==========] 3 tests from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 2 tests."
echo "[  SKIPPED ] 1 test, listed below:"'
count_run "$WORK/skipping"
check "gtest: skipped tests are counted as skipped" counts_are "2 0 1"

# --gtest_brief ends its list of skipped tests differently.
fake_gtest "$WORK/skipping-brief" 'echo "[==========] 3 tests from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 2 tests."
echo "[  SKIPPED ] 1 test."'
count_run "$WORK/skipping-brief"
check "gtest: skipped tests of a brief run are counted as skipped" counts_are "2 0 1"

fake_gtest "$WORK/status" 'echo "[==========] 1 test from 1 test suite ran. (0 ms total)"
echo "[  PASSED  ] 1 test."
exit 3'
count_run "$WORK/status"
check "gtest: a bad exit status after a clean summary is a failure" counts_are "1 1 0"

# ---------------------------------------------------------------- Wine

fake_gtest "$WORK/noexec" 'echo "cannot execute binary file: Exec format error" >&2; exit 126'
WINE32_LOADER="$WORK/noexec"
WINE32_WHY=""
wine32_usable
check "wine32: a loader that cannot execute is not usable" [ $? -ne 0 ]
check "wine32: the reason names the loader's error" \
  bash -c '[[ "$1" == *"Exec format error"* ]]' _ "$WINE32_WHY"

WINE32_LOADER="$WORK/good"
WINE32_WHY=""
ZELK_NO_WINE32=1 wine32_usable
check "wine32: ZELK_NO_WINE32 makes the machine one without 32-bit programs" [ $? -ne 0 ]

WINE32_LOADER="$WORK/missing"
WINE32_WHY=""
wine32_usable
check "wine32: a missing loader names its package" \
  bash -c '[[ "$1" == *"wine32:i386"* ]]' _ "$WINE32_WHY"

check "win_path: a path becomes its Z: form" [ "$(win_path /tmp/a/b.zls)" = 'Z:\tmp\a\b.zls' ]

# ---------------------------------------------------------------- screenshot

# A 3 x 2 picture, bottom-up as BMP files are: red, green, blue over white.
python3 - "$WORK/shot.bmp" <<'PY'
import struct, sys
rows = [bytes([0, 0, 255, 0, 255, 0, 255, 0, 0]), bytes([255] * 9)]  # BGR
stride = 12
pixels = b"".join(r + b"\0" * (stride - len(r)) for r in rows)
header = struct.pack("<IiiHHIIiiII", 40, 3, 2, 1, 24, 0, len(pixels), 0, 0, 0, 0)
data = b"BM" + struct.pack("<IHHI", 14 + 40 + len(pixels), 0, 0, 54) + header + pixels
open(sys.argv[1], "wb").write(data)
PY
bmp_to_png "$WORK/shot.bmp" "$WORK/shot.png"
png_is() {  # file, expected "width height row-rgb..." (top row first)
  python3 - "$1" "$2" <<'PY'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
assert data[:8] == b"\x89PNG\r\n\x1a\n"
width, height = struct.unpack(">II", data[16:24])
body = zlib.decompress(data[data.index(b"IDAT") + 4:])
rows = [body[y * (1 + width * 3) + 1:(y + 1) * (1 + width * 3)].hex() for y in range(height)]
sys.exit(0 if " ".join([str(width), str(height)] + rows) == sys.argv[2] else 1)
PY
}
check "screenshot: a BMP becomes a PNG, top row first, in RGB order" \
  png_is "$WORK/shot.png" "3 2 ffffffffffffffffff ff000000ff000000ff"

# ---------------------------------------------------------------- dist

mkdir -p "$WORK/winbuild/bin"
echo exe >"$WORK/winbuild/bin/ZelkDebug.exe"
echo exe >"$WORK/winbuild/bin/zelkrun.exe"
DIST="$WORK/dist"
dist_zip 64 "$WORK/winbuild" 2>/dev/null
zip_lists() {  # zip, names...
  local zip="$1" listing name
  shift
  listing=$(unzip -Z1 "$zip") || return 1
  for name; do grep -qx -- "$name" <<<"$listing" || return 1; done
}
check "dist: the zip holds both programs, the README and the examples" \
  zip_lists "$WORK/dist/zelk-$ZELK_VERSION-win64.zip" "zelk-$ZELK_VERSION-win64/ZelkDebug.exe" \
  "zelk-$ZELK_VERSION-win64/zelkrun.exe" "zelk-$ZELK_VERSION-win64/README.md" \
  "zelk-$ZELK_VERSION-win64/examples/hello.zls"
rm "$WORK/winbuild/bin/zelkrun.exe"
dist_zip 32 "$WORK/winbuild" 2>"$WORK/dist.err"
no_zip_and_why() {
  [ ! -e "$WORK/dist/zelk-$ZELK_VERSION-win32.zip" ] && contains "$WORK/dist.err" "zelkrun.exe is missing"
}
check "dist: a build without its programs makes no zip and says what is missing" no_zip_and_why

echo "1..$N"
