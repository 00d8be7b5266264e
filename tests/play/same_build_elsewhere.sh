#!/usr/bin/env bash
# Builds the 32-bit exe and its zip once more from a copy of the tree in
# another directory and checks that both are byte for byte those of
# build/win32: neither the place of the tree nor the time of the build may
# show in what players download.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
reference=$root/build/win32
version=$(sed -n 's/^project(Pellorin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
zip=package/pellorin-$version-win32.zip
for file in pellorin.exe "$zip"; do
  [ -f "$reference/$file" ] || { echo "skipped: $reference/$file is not built"; exit 77; }
done

work=$(mktemp -d /tmp/pellorin-same-build.XXXXXX)
trap 'rm -rf "$work"' EXIT
# A deeper path of another length, without the git metadata: the commit time
# comes from the tree's history, as in build/.
copy=$work/another/place/pellorin
mkdir -p "$copy"
(cd "$root" && git ls-files -z -co --exclude-standard | xargs -0 tar cf - --) | tar xf - -C "$copy"
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 315532800)
  export SOURCE_DATE_EPOCH
fi

started=$SECONDS
(cd "$copy" && cmake --preset win32 >"$work/build.log" 2>&1 &&
   cmake --build --preset win32 --target package >>"$work/build.log" 2>&1) ||
  { cat "$work/build.log"; echo "FAILED: the second build did not complete"; exit 1; }
echo "second win32 build: $((SECONDS - started)) s"

status=0
for file in pellorin.exe "$zip"; do
  if cmp -s "$reference/$file" "$copy/build/win32/$file"; then
    echo "same: $file $(sha256sum "$reference/$file" | cut -d' ' -f1)"
  else
    echo "FAILED: $file differs from build/win32/$file ($(cmp -l "$reference/$file" "$copy/build/win32/$file" 2>/dev/null | wc -l) bytes)"
    status=1
  fi
done
[ $status -eq 0 ] || echo "(the zip's times are the last commit's: after a commit, scripts/build remakes build/win32's zip)"
exit $status
