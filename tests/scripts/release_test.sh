#!/usr/bin/env bash
# The release, made twice from one commit: from clones in two folders, at two
# different times. The two programs are the same file, byte for byte; the sums
# verify; the zip holds that program and the administrators' guide.
set -euo pipefail
ROOT=$1
git -C "$ROOT" rev-parse --verify HEAD >/dev/null || { echo "$ROOT is not a git checkout" >&2; exit 1; }
command -v i686-w64-mingw32-g++-posix >/dev/null ||
  { echo "missing build tool: i686-w64-mingw32-g++-posix (Debian's g++-mingw-w64-i686-posix)"; exit 0; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

release() {  # clone folder, output folder
  git clone -q "$ROOT" "$1"
  "$1/scripts/release" "$2" 2>"$work/log" || { cat "$work/log" >&2; echo "scripts/release failed" >&2; exit 1; }
}
release "$work/a" "$work/dist-a"
sleep 1
release "$work/another/folder/b" "$work/dist-b"

cmp "$work/dist-a/VelkKspClient.exe" "$work/dist-b/VelkKspClient.exe"
(cd "$work/dist-a" && sha256sum --check --strict SHA256SUMS)
zip=$(ls "$work"/dist-a/VelkKspClient-*-win32.zip)
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
[ "$(ls "$work/unpacked" | sort | tr '\n' ' ')" = "README.txt VelkKspClient.exe " ] ||
  { echo "the zip holds: $(ls "$work/unpacked")" >&2; exit 1; }
cmp "$work/unpacked/VelkKspClient.exe" "$work/dist-a/VelkKspClient.exe"
for text in "administrators' guide" "0xc0000022" "0xc0000035" "0xc0000225" "certutil -hashfile" "Get-FileHash"; do
  grep -qF "$text" "$work/unpacked/README.txt" || { echo "the guide lacks: $text" >&2; exit 1; }
done
echo "two releases of $(git -C "$ROOT" rev-parse --short HEAD): the same program, sums verified"
