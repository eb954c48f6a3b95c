#!/usr/bin/env bash
# The English translation of the program's Chinese texts (translations/vantoro_en.ts).
#   scripts/translations.sh update   adds newly marked texts to the file (unfinished, to translate)
#                                    and drops texts no longer in the code
#   scripts/translations.sh check    fails when a marked text has no English translation or the
#                                    file holds texts the code no longer has (the tests run this)
# The texts are marked with VT_TR("...") (profiles/Translation.h); lupdate reads the marks as
# Qt's own QT_TRANSLATE_NOOP in the one context of all our texts, from copies of the sources.
set -euo pipefail

mode=${1:-check}
root=$(cd "$(dirname "$0")/.." && pwd)
ts="$root/translations/vantoro_en.ts"
lupdate=${LUPDATE:-}
if [ -z "$lupdate" ]; then
  for candidate in /usr/lib/qt6/bin/lupdate "$(command -v lupdate6 || true)" "$(command -v lupdate || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then lupdate=$candidate; break; fi
  done
fi
[ -n "$lupdate" ] || { echo "translations: lupdate not found (Debian package qt6-l10n-tools)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for folder in app profiles gui; do
  mkdir -p "$work/$folder"
  for file in "$root/$folder"/*.cpp "$root/$folder"/*.h; do
    [ "$(basename "$file")" = Translation.h ] && continue # the marker's own definition
    sed 's/\bVT_TR(/QT_TRANSLATE_NOOP("Vantoro", /g' "$file" > "$work/$folder/$(basename "$file")"
  done
done
cp "$ts" "$work/vantoro_en.ts"
"$lupdate" -silent -locations none -no-obsolete -source-language zh_CN -target-language en_US \
  "$work/app" "$work/profiles" "$work/gui" -ts "$work/vantoro_en.ts" >"$work/lupdate.log" 2>&1 || {
  cat "$work/lupdate.log" >&2
  exit 2
}

case "$mode" in
  update)
    cp "$work/vantoro_en.ts" "$ts"
    echo "translations: $(grep -c '<source>' "$ts") texts, $(grep -c 'type="unfinished"' "$ts" || true) to translate"
    ;;
  check)
    status=0
    if ! cmp -s "$ts" "$work/vantoro_en.ts"; then
      echo "translations: translations/vantoro_en.ts is not up to date with the marked texts" >&2
      echo "(run scripts/translations.sh update, then translate the new entries):" >&2
      diff -u "$ts" "$work/vantoro_en.ts" | grep '^[-+] *<source>' >&2 || true
      status=1
    fi
    if grep -q 'type="unfinished"' "$work/vantoro_en.ts"; then
      echo "translations: texts without an English translation:" >&2
      grep -B1 'type="unfinished"' "$work/vantoro_en.ts" | grep '<source>' >&2
      status=1
    fi
    [ $status -eq 0 ] && echo "translations: $(grep -c '<source>' "$ts") texts, all translated"
    exit $status
    ;;
  *)
    echo "usage: $0 update|check" >&2
    exit 2
    ;;
esac
