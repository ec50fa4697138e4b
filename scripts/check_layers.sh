#!/usr/bin/env bash
# The folder rules the build cannot see: SDL only behind the presenters, a folder's *_internal.h
# only inside that folder (white-box tests aside), and layers including only downward.
set -euo pipefail
cd "$(dirname "$0")/.."
fail=0
complain() { echo "check_layers: $*"; fail=1; }

while IFS= read -r hit; do
  complain "SDL included outside platform/screen/: $hit"
done < <(grep -rn --include='*.cpp' --include='*.h' -E '#include\s*[<"]SDL' platform framework messenger app 2>/dev/null |
         grep -v '^platform/screen/' || true)

while IFS= read -r line; do
  file=${line%%:*}
  header=$(sed -E 's/.*#include\s*"([^"]+)".*/\1/' <<<"$line")
  [ "$(dirname "$file")" = "$(dirname "$header")" ] || complain "$file includes $header from outside its folder"
done < <(grep -rn --include='*.cpp' --include='*.h' -E '#include\s*"[^"]*_internal\.h"' \
         platform framework messenger app bench fuzz tools 2>/dev/null || true)

layer_rule() {  # folder, then the layers it must not include
  local folder=$1; shift
  [ -d "$folder" ] || return 0
  for above in "$@"; do
    while IFS= read -r hit; do complain "$folder reaches up into $above: $hit"; done \
      < <(grep -rn --include='*.cpp' --include='*.h' "#include \"$above/" "$folder" || true)
  done
}
layer_rule platform framework messenger app
layer_rule framework messenger app
layer_rule messenger app

exit $fail
