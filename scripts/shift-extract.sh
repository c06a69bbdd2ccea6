#!/usr/bin/env bash
# Writes a copy of an OSM extract and its terrain raster moved by DLON, DLAT degrees:
# every lat/lon attribute (nodes and bounds) and the raster's georeference shift
# together, so the copy is the same city somewhere else on the globe (for example in
# the southern and western hemispheres, to look at the sun and the up direction there).
#   scripts/shift-extract.sh IN.osm IN.tif DLON DLAT OUT.osm OUT.tif
set -euo pipefail
if [ $# -ne 6 ]; then
  echo "usage: $0 IN.osm IN.tif DLON DLAT OUT.osm OUT.tif" >&2
  exit 1
fi
in_osm=$1 in_tif=$2 dlon=$3 dlat=$4 out_osm=$5 out_tif=$6

DLON=$dlon DLAT=$dlat perl -pe '
  s/\b((?:min|max)?lat)="(-?[0-9.]+)"/sprintf(q{%s="%.7f"}, $1, $2 + $ENV{DLAT})/ge;
  s/\b((?:min|max)?lon)="(-?[0-9.]+)"/sprintf(q{%s="%.7f"}, $1, $2 + $ENV{DLON})/ge;
' "$in_osm" > "$out_osm"

# The corners, moved.
corners=$(gdalinfo "$in_tif" | DLON=$dlon DLAT=$dlat perl -ne '
  @ul = ($1 + $ENV{DLON}, $2 + $ENV{DLAT}) if /^Upper Left\s*\(\s*(-?[0-9.]+),\s*(-?[0-9.]+)\)/;
  @lr = ($1 + $ENV{DLON}, $2 + $ENV{DLAT}) if /^Lower Right\s*\(\s*(-?[0-9.]+),\s*(-?[0-9.]+)\)/;
  END { printf "%.9f %.9f %.9f %.9f\n", @ul, @lr }')
# shellcheck disable=SC2086
gdal_translate -q -a_ullr $corners "$in_tif" "$out_tif"
