#!/usr/bin/env bash
# Writes a seed corpus for the fuzz targets into OUTDIR/<target>/: small OSM files
# in every format the loader reads, small elevation rasters and building tags, all made here.
# Usage: scripts/make-seed-corpus.sh OUTDIR
set -euo pipefail
out=${1:?usage: scripts/make-seed-corpus.sh OUTDIR}
xml="$out/fuzz_osm_xml"
formats="$out/fuzz_osm_formats"
terrain="$out/fuzz_terrain"
tags="$out/fuzz_tags"
mkdir -p "$xml" "$formats" "$terrain" "$tags"

# The children of the root: a tagged node, a building with levels, streets of
# several kinds (one a bridge, one a tunnel), a stream, a lake with an island as
# a multipolygon, and a building made of a relation.
osm_children() {
  cat <<'XML'
  <node id="1" lat="43.7300" lon="7.4200"><tag k="name" v="Fontaine"/></node>
  <node id="2" lat="43.7300" lon="7.4210"/>
  <node id="3" lat="43.7310" lon="7.4210"/>
  <node id="4" lat="43.7310" lon="7.4200"/>
  <node id="5" lat="43.7320" lon="7.4230"/>
  <node id="6" lat="43.7330" lon="7.4250"/>
  <node id="7" lat="43.7340" lon="7.4240"/>
  <node id="8" lat="43.7350" lon="7.4260"/>
  <node id="9" lat="43.7360" lon="7.4270"/>
  <node id="10" lat="43.7362" lon="7.4272"/>
  <node id="11" lat="43.7364" lon="7.4271"/>
  <way id="100"><nd ref="1"/><nd ref="2"/><nd ref="3"/><nd ref="4"/><nd ref="1"/><tag k="building" v="yes"/><tag k="building:levels" v="4"/></way>
  <way id="101"><nd ref="5"/><nd ref="6"/><tag k="highway" v="primary"/><tag k="bridge" v="yes"/></way>
  <way id="102"><nd ref="6"/><nd ref="7"/><tag k="highway" v="residential"/></way>
  <way id="103"><nd ref="7"/><nd ref="8"/><tag k="railway" v="tram"/></way>
  <way id="104"><nd ref="5"/><nd ref="8"/><tag k="railway" v="rail"/><tag k="tunnel" v="yes"/></way>
  <way id="105"><nd ref="2"/><nd ref="6"/><tag k="waterway" v="stream"/></way>
  <way id="106"><nd ref="5"/><nd ref="6"/><nd ref="9"/><nd ref="8"/><nd ref="5"/></way>
  <way id="107"><nd ref="6"/><nd ref="10"/><nd ref="11"/><nd ref="6"/></way>
  <way id="108"><nd ref="3"/><nd ref="5"/><nd ref="7"/><nd ref="3"/><tag k="natural" v="water"/></way>
  <way id="109"><nd ref="7"/><nd ref="9"/><nd ref="8"/><nd ref="7"/></way>
  <relation id="200"><member type="way" ref="106" role="outer"/><member type="way" ref="107" role="inner"/><tag k="type" v="multipolygon"/><tag k="natural" v="water"/></relation>
  <relation id="201"><member type="way" ref="109" role="outline"/><tag k="type" v="building"/><tag k="building" v="yes"/><tag k="height" v="12.5"/></relation>
XML
}

osm_root() {
  echo '<osm version="0.6" generator="orvalis seed">'
  osm_children
  echo '</osm>'
}

# The plain shape, which the streamed reader takes.
{ echo '<?xml version="1.0" encoding="UTF-8"?>'; echo '<!-- seed -->'; osm_root; } > "$xml/plain.osm"
{ echo '<osm>'; osm_children | grep '<node'; echo '</osm>'; } > "$xml/nodes-only.osm"
echo '<osm><node id="1" lat="43.73" lon="7.42"/></osm>' > "$xml/one-node.osm"
# Shapes the streamed reader declines, so the whole-document reader takes them.
{ echo '<!DOCTYPE osm [ <!ENTITY city "Monaco"> ]>'; osm_root; } > "$xml/doctype-subset.osm"
{ osm_root; echo '<note>after the root</note>'; } > "$xml/after-root.osm"
{ echo '<osm>'; echo '<![CDATA[ <node id="0"/> ]]>'; osm_children; echo '</osm>'; } > "$xml/cdata-child.osm"
{ echo '<osmChange>'; osm_children; echo '</osmChange>'; } > "$xml/foreign-root.osm"

# The same extract in every other format, converted by osmium-tool.
cp "$xml/plain.osm" "$formats/plain.osm"
for extension in osm.pbf osm.gz osm.bz2 opl; do
  osmium cat --no-progress --overwrite "$xml/plain.osm" -o "$formats/city.$extension"
done

# osmium-tool reads o5m but does not write it: a small one is written byte by byte.
# Numbers are varints, signed ones zigzag-coded; ids and coordinates are deltas.
varint() {
  local v=$1 hex=""
  while (( v >= 128 )); do hex+=$(printf '%02x' $(( (v & 127) | 128 ))); v=$(( v >> 7 )); done
  echo "$hex$(printf '%02x' "$v")"
}
zigzag() { varint $(( $1 >= 0 ? $1 * 2 : -$1 * 2 - 1 )); }
text() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
tag() { echo "00$(text "$1")00$(text "$2")00"; }
dataset() { echo "$1$(varint $(( ${#2} / 2 )))$2"; }
o5m() {
  local refs members
  refs="$(zigzag 1)$(zigzag 1)$(zigzag -1)"
  members="$(zigzag 100)00$(text 1outer)00"
  local hex="ffe0046f356d32"
  hex+=$(dataset 10 "$(zigzag 1)00$(zigzag 74200000)$(zigzag 437300000)$(tag name Fontaine)")
  hex+=$(dataset 10 "$(zigzag 1)00$(zigzag 10000)$(zigzag 10000)")
  hex+=$(dataset 11 "$(zigzag 98)00$(varint $(( ${#refs} / 2 )))$refs$(tag building yes)")
  hex+=$(dataset 12 "$(zigzag 100)00$(varint $(( ${#members} / 2 )))$members$(tag type multipolygon)$(tag natural water)")
  printf "$(echo "${hex}fe" | sed 's/../\\x&/g')"
}
o5m > "$formats/city.o5m"

# Elevation rasters: an ASCII grid (GDAL reads it too), GeoTIFFs made of it with
# and without no-data and in a projected reference system, and a single cell.
cat > "$terrain/dem.asc" <<'ASC'
ncols 4
nrows 3
xllcorner 7.40
yllcorner 43.70
cellsize 0.01
NODATA_value -32768
10 20 30 40
15 -32768 35 45
20 30 40 50
ASC
gdal_translate -q -of GTiff -ot Int16 -a_srs EPSG:4326 "$terrain/dem.asc" "$terrain/dem-nodata.tif"
gdal_translate -q -of GTiff -ot Float32 -a_srs EPSG:4326 -a_nodata none "$terrain/dem.asc" "$terrain/dem.tif"
gdal_translate -q -of GTiff -ot Float32 -a_srs EPSG:32632 -a_ullr 770000 4850000 770400 4849700 -co COMPRESS=DEFLATE \
  "$terrain/dem.asc" "$terrain/dem-utm.tif"
gdal_create -q -of GTiff -outsize 1 1 -bands 1 -ot Int16 -burn 42 -a_srs EPSG:4326 -a_ullr 7.42 43.74 7.43 43.73 \
  "$terrain/one-cell.tif"
rm -f "$terrain"/*.aux.xml
echo "seed corpus in $out: $(find "$out" -type f | wc -l) files"

# Building tags, one key=value a line; node=x;y lines make the footprint.
printf 'height=12,5 m\nmin_height=3\nroof:shape=gabled\nroof:height=4 ft\nroof:direction=NNE\nbuilding:colour=#a52\nroof:colour=dark red\n' > "$tags/gabled.txt"
printf "height=40'6\"\nbuilding:levels=4\nroof:levels=1\nroof:shape=hipped\nroof:orientation=across\nbuilding:material=brick\n" > "$tags/hipped-feet.txt"
printf 'roof:shape=skillion\nroof:direction=-45\nnode=0;0\nnode=10;10\nnode=10;0\nnode=0;10\n' > "$tags/skillion-crossed.txt"
printf 'roof:shape=onion\nroof:height=1e308\nnode=0;0\nnode=0;0\nnode=5;0\n' > "$tags/onion-degenerate.txt"
