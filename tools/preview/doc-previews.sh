#!/bin/sh
# The documentation's pictures of the repo's forms: every form of every
# forms/*.fls, previewed from the resource file the build made of it.
#
#   doc-previews.sh BIN_DIR FORMS_DIR OUT_DIR
#
# Writes OUT_DIR/NAME-ID.png (NAME the source, ID the form id).
set -eu
[ $# -eq 3 ] || { echo "usage: doc-previews.sh BIN_DIR FORMS_DIR OUT_DIR" >&2; exit 2; }
bin=$1 forms=$2 out=$3
preview=$(cd "$(dirname "$0")/.." && pwd)/preview.sh
mkdir -p "$out"
for source in "$forms"/*.fls; do
  name=$(basename "$source" .fls)
  sed -n 's/^form \([^ ]*\) \([0-9-]*\) .*/\1 \2/p' "$source" | while read -r class id; do
    class=$(echo "$class" | tr -d '"')
    FL_PREVIEW_TREE=$(dirname "$bin") sh "$preview" "$bin/$name.flf" "$class" "$id" "$out/$name-$id.png" >/dev/null
    python3 "$(dirname "$0")/compress_png.py" "$out/$name-$id.png"
    echo "$out/$name-$id.png"
  done
done
