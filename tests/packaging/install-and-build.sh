#!/usr/bin/env bash
# Installs into an empty prefix, then builds the sample from another folder with only the
# system's programs on the path: the installed vorlap must find its own hdiutil.
set -euo pipefail
build_dir=$1 source_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/vorlap" ] || fail "bin/vorlap not installed"
[ -x "$prefix/libexec/vorlap/hdiutil" ] || fail "libexec/vorlap/hdiutil not installed"
[ ! -e "$prefix/bin/hdiutil" ] || fail "hdiutil must not be installed in bin/"
extra=$(cd "$prefix/bin" && ls | grep -vx vorlap || true)
[ -z "$extra" ] || fail "unexpected programs in bin/: $extra"

mkdir "$prefix/work"
cd "$prefix/work"
env -i PATH=/usr/bin:/bin HOME="$prefix/home" TMPDIR="$prefix/work" QT_QPA_PLATFORM=offscreen \
  "$prefix/bin/vorlap" build --app "$source_dir/examples/Sample.app" \
  --project "$source_dir/examples/Sample.vorlap" --background "$source_dir/examples/background.png" \
  --output Sample.dmg
listing=$(7zz l Sample.dmg)
for item in Sample.app Applications .background .DS_Store; do
  grep -q -- "$item" <<<"$listing" || fail "$item missing from the image"
done
version=$(env -i PATH=/usr/bin:/bin "$prefix/bin/vorlap" --version)
[ "$version" = "vorlap $3" ] || fail "version '$version'"
echo "installed build OK"
