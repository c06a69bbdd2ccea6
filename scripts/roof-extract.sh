#!/usr/bin/env bash
# Writes a copy of an OSM XML extract in which every building way has the given
# roof shape and 4 levels (its own heights, levels and roof tags dropped), to see
# and measure what pitched roofs cost over a whole city.
#   scripts/roof-extract.sh IN.osm OUT.osm [SHAPE]   (SHAPE defaults to hipped)
set -euo pipefail
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 IN.osm OUT.osm [SHAPE]" >&2
  exit 1
fi
in_osm=$1 out_osm=$2 shape=${3:-hipped}

SHAPE=$shape perl -0777 -pe '
  s{(<way\b[^>]*>)(.*?)(</way>)}{
    my ($open, $body, $close) = ($1, $2, $3);
    if ($body =~ /<tag\s+k="building"/) {
      $body =~ s{\s*<tag\s+k="(?:height|min_height|building:levels|building:min_level|roof:[a-z]+)"[^>]*/>}{}g;
      $body .= qq{  <tag k="roof:shape" v="$ENV{SHAPE}"/>\n  <tag k="building:levels" v="4"/>\n };
    }
    "$open$body$close"
  }gse;
' "$in_osm" > "$out_osm"
