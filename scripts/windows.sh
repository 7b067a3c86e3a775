#!/usr/bin/env bash
# The Windows build, on Debian: installs the mingw-w64 cross compiler and
# Wine, cross-builds scenario.exe, scenario-tool.exe and the Windows test
# suite into build-win/, runs the tests under Wine, and checks end to end
# that the Windows programs write the same bytes as the Linux ones:
#   - scenario.exe, started in a fresh folder, exits 0 and leaves exactly the
#     six files of a Linux run, byte for byte, and no source;
#   - scenario-tool.exe compile of the exported sources writes the same three
#     binary files as the Linux tool, and its map the same SVG and HTML.
# The executables: build-win/src/scenario.exe and build-win/tools/scenario-tool.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --windows

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

echo "== Windows build (build-win)"
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  "${launcher[@]}" >/dev/null
cmake --build build-win -j"$(nproc)"

# Statically linked: nothing but Windows' own libraries is loaded, so each
# runs from a bare folder; scenario.exe is a desktop (GUI) program.
for exe in build-win/src/scenario.exe build-win/tools/scenario-tool.exe; do
  other="$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' |
    grep -viE '^(kernel32|user32|gdi32|msvcrt|advapi32|shell32|ws2_32|bcrypt)\.dll$' || true)"
  if [[ -n "$other" ]]; then echo "$exe loads libraries Windows does not ship: $other"; exit 1; fi
done
subsystem="$(x86_64-w64-mingw32-objdump -p build-win/src/scenario.exe | awk '/^Subsystem/')"
[[ "$subsystem" == *"Windows GUI"* ]] || { echo "scenario.exe is not a GUI-subsystem program: $subsystem"; exit 1; }

echo "== Linux programs to compare with (build)"
cmake -S . -B build "${launcher[@]}" >/dev/null
cmake --build build -j"$(nproc)" --target scenario scenario-tool

# Wine in a prefix of its own inside the build folder, quiet, without a
# display: the programs then write their texts to standard error.
export WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "== preparing the Wine prefix"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait
fi

echo "== Windows tests under Wine"
wine build-win/tests/unit_tests.exe

echo "== scenario.exe under Wine against the Linux scenario"
work="$(mktemp -d "${TMPDIR:-/tmp}/scenario-windows.XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir "$work/windows" "$work/linux"
cp build-win/src/scenario.exe "$work/windows/"
cp build/src/scenario "$work/linux/"
status=0
wine "$work/windows/scenario.exe" 2>"$work/windows.err" || status=$?
if ((status != 0)); then
  echo "scenario.exe exited with status $status:"; cat "$work/windows.err"; exit 1
fi
"$work/linux/scenario" 2>/dev/null
rm "$work/windows/scenario.exe" "$work/linux/scenario"
names() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | sort); }
if [[ "$(names "$work/windows")" != "$(names "$work/linux")" ]]; then
  echo "the two runs left different files:"; diff <(names "$work/linux") <(names "$work/windows") || true; exit 1
fi
count=0
for file in "$work/linux"/*; do
  name="$(basename "$file")"
  cmp "$file" "$work/windows/$name"
  count=$((count + 1))
done
if ((count != 6)); then echo "expected six files, found $count"; exit 1; fi
echo "scenario.exe: exit status 0, the same $count files as on Linux, byte for byte, no source left:"
names "$work/windows" | sed 's/^/  /'

echo "== scenario-tool.exe compile against the Linux scenario-tool"
build/tools/scenario-tool export -o "$work/sources" >/dev/null
sources=("$work/sources/Ardena_VelmoraCle_linea.txt" "$work/sources/Ardena_VelmoraCle_4713-.txt")
build/tools/scenario-tool compile "${sources[@]}" -o "$work/bin-linux"
# The Windows tool gets Windows paths, backslashes and all.
windows_path() { winepath -w "$1" 2>/dev/null; }
wine build-win/tools/scenario-tool.exe compile "$(windows_path "${sources[0]}")" "$(windows_path "${sources[1]}")" \
  -o "$(windows_path "$work/bin-windows")"
for name in Ardena_VelmoraCle_linea.dat Ardena_VelmoraCle_4713.sim Ardena_VelmoraCle_4713.dat; do
  cmp "$work/bin-linux/$name" "$work/bin-windows/$name"
done
echo "scenario-tool.exe compile: the same three binary files as on Linux, byte for byte"

echo "== scenario-tool.exe map against the Linux scenario-tool (SVG and HTML)"
for kind in svg html; do
  build/tools/scenario-tool map "$work/bin-linux" -o "$work/map-linux.$kind" >/dev/null
  wine build-win/tools/scenario-tool.exe map "$(windows_path "$work/bin-windows")" \
    -o "$(windows_path "$work")\\map-windows.$kind" >/dev/null
  cmp "$work/map-linux.$kind" "$work/map-windows.$kind"
done
echo "scenario-tool.exe map: the same SVG and HTML as on Linux, byte for byte"
echo "Windows executables: build-win/src/scenario.exe, build-win/tools/scenario-tool.exe"
