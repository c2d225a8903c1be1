#!/usr/bin/env bash
# Builds the .deb (`make package`) and checks its contents, its metadata and lintian.
set -euo pipefail
build_dir=$1 version=$2
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build_dir" && cpack -G DEB >/dev/null)
deb="$build_dir/vorlap_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "$deb not made"

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for path in ./usr/bin/vorlap ./usr/libexec/vorlap/hdiutil \
    ./usr/share/applications/vorlap.desktop ./usr/share/icons/hicolor/scalable/apps/vorlap.svg \
    ./usr/share/mime/packages/vorlap.xml ./usr/share/metainfo/org.vorlap.Vorlap.metainfo.xml \
    ./usr/share/man/man1/vorlap.1.gz ./usr/share/man/man1/vorlap-hdiutil.1.gz \
    ./usr/share/doc/vorlap/copyright ./usr/share/doc/vorlap/changelog.gz; do
  grep -qx -- "$path" <<<"$contents" || fail "$path missing from the package"
done
! grep -q -- '^./usr/bin/hdiutil$' <<<"$contents" || fail "hdiutil in /usr/bin"
! grep -q -- 'screenshots\|bench\|test_' <<<"$contents" || fail "a development program is packaged"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6svg6 libplist3 zlib1g libc6 qt6-qpa-plugins; do
  grep -q -- "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version"

lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
echo "package OK: $(stat -c %s "$deb") bytes"
