#!/usr/bin/env bash
# Fails, naming the lines, when the host library or the web module includes
# an engine header that is not public (kalengine.h, colour_panorama.h,
# kalinput.h under engine/core).   check_public_includes.sh
set -uo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT" || exit 1
public='^(core/(kalengine|colour_panorama|kalinput)|view/continuous_view)\.h$'
bad=0
while IFS= read -r file; do
    while IFS= read -r name; do
        [[ $name == kalhost/* || -f $(dirname "$file")/$name ]] && continue
        [[ $name =~ $public ]] && continue
        echo "$file includes the engine's internal \"$name\""
        bad=1
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find host web/src -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
[ "$bad" -eq 0 ] && echo "host/ and web/src include only the engine's public headers"
exit "$bad"
