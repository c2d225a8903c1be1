#!/usr/bin/env bash
# The desktop entry, the MIME type, the AppStream metainfo and the manual pages, each
# checked by its own validator.
set -euo pipefail
source_dir=$1 build_dir=$2
desktop-file-validate "$source_dir/packaging/vorlap.desktop"
appstreamcli validate --no-net "$build_dir/packaging/org.vorlap.Vorlap.metainfo.xml"
xmllint --noout "$source_dir/packaging/vorlap-mime.xml"
grep -q 'glob pattern="\*.vorlap"' "$source_dir/packaging/vorlap-mime.xml"
for page in "$build_dir"/packaging/*.1; do
  warnings=$(groff -ww -man -Tutf8 -z "$page" 2>&1)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >/dev/null
done
echo "desktop files OK"
