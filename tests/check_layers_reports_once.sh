#!/bin/sh
# scripts/check-layers over a small tree of its own: a library's header quoted
# with its folder passes in the library's adapter and is reported once
# elsewhere, as a third-party header only; an include of a room above is
# still a layer violation. Run from CTest: SOURCE_DIR.
source_dir=$1
work=$(mktemp -d /tmp/velka-layers-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/scripts" "$work/base" "$work/data" "$work/views"
cp "$source_dir/scripts/check-layers" "$work/scripts/"
printf '#include "polyclipping/clipper.hpp"\n' >"$work/base/gpc_clipper.cpp"
printf '#include "gdal/gdal.h"\n#include "base/text.h"\n' >"$work/base/raster_io.cpp"
printf '#include "gdal/gdal.h"\n' >"$work/data/grid.cpp"
printf '#include "views/view.h"\n' >"$work/data/points.cpp"
printf '#include "data/points.h"\n' >"$work/views/view.h"
(cd "$work" && git init -q .) || exit 1
status=0
sh "$work/scripts/check-layers" >"$work/out" 2>&1 || status=$?
cat "$work/out"
[ $status -eq 1 ] || { echo "check-layers ended with status $status, not 1"; exit 1; }
grep -q '^third-party header: data/grid.cpp:1 includes "gdal/gdal.h"' "$work/out" || { echo "the GDAL include was not reported"; exit 1; }
grep -q '^layer violation: data/points.cpp:1 includes "views/view.h"' "$work/out" || { echo "the layer fault was not reported"; exit 1; }
[ "$(grep -c -e '^third-party header' -e '^layer violation' "$work/out")" -eq 2 ] || { echo "a fault was reported twice, or one that is none"; exit 1; }
echo "check-layers reports each fault once"
