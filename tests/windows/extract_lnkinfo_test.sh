#!/usr/bin/env bash
# Runs the Windows installation test under Wine with its links kept, then
# reads each .lnk file back with lnkinfo (liblnk-utils): the target, working
# folder and icon stored in the file must be the ones the engine asked for.
# Usage: extract_lnkinfo_test.sh WINDOWS_EXTRACT_TEST_EXE WINE_RUN_SCRIPT
# Prints "N passed, N failed".
set -euo pipefail
exe=$1
wine_run=$2
prefix=${VOZ_WINEPREFIX:-$(cd "$(dirname "$wine_run")" && pwd)/../build/wineprefix}
# Wine's menu builder would mirror the links into the host's menus: keep it off.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="

list=$(mktemp)
trap 'rm -f "$list"' EXIT
# Unix paths reach the Windows program through Wine's Z: drive.
"$wine_run" "$exe" --keep "Z:${list//\//\\}"

# A Windows path under a drive letter, as a path in the Wine prefix.
unix_path() {
  local drive=${1:0:1}
  local rest=${1:2}
  printf '%s/dosdevices/%s:%s' "$prefix" "${drive,,}" "${rest//\\//}"
}

passed=0
failed=0
check() {  # what, expected, actual
  if [ "$2" = "$3" ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAILED: %s: expected "%s", got "%s"\n' "$1" "$2" "$3"
  fi
}
field() {  # lnkinfo output, field name
  sed -n "s/^[[:space:]]*$2[[:space:]]*: //p" <<<"$1" | head -1
}

links=0
while IFS='|' read -r link target working icon; do
  [ "$link" = CLEAN ] && continue
  links=$((links + 1))
  file=$(unix_path "$link")
  if [ ! -f "$file" ]; then
    check "$link exists" yes no
    continue
  fi
  info=$(lnkinfo -c windows-936 "$file")
  check "$link: target" "$target" "$(field "$info" 'Local path')"
  check "$link: working folder" "$working" "$(field "$info" 'Working directory')"
  check "$link: icon" "$icon" "$(field "$info" 'Icon location')"
  check "$link: icon index" 0 "$(field "$info" 'Icon index')"
  rm -f "$file"
done <"$list"
check "links listed" 4 "$links"

while IFS='|' read -r tag folder; do
  [ "$tag" = CLEAN ] && rm -rf "$(unix_path "$folder")"
done <"$list"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
