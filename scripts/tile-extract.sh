#!/usr/bin/env bash
# Writes N copies of an OSM XML extract side by side in one file, for measuring how
# loading scales: copy k is moved by whole extract widths and heights (a near-square
# grid of copies) and its ids are offset by k times (the largest id + 1), so that no
# two copies share an element. Expects one element tag a line, as osmium writes.
#   scripts/tile-extract.sh IN.osm N OUT.osm
set -euo pipefail
if [ $# -ne 3 ]; then
  echo "usage: $0 IN.osm N OUT.osm" >&2
  exit 1
fi
COPIES=$2 perl -e '
  use strict; use warnings;
  my ($in, $out) = @ARGV;
  my $copies = $ENV{COPIES};
  die "N must be a whole number above 0\n" unless $copies =~ /^[1-9][0-9]*$/;
  open(my $fh, "<", $in) or die "cannot open $in: $!\n";
  my (%lines, $type, $maxId);
  my ($minLat, $minLon, $maxLat, $maxLon) = (90, 180, -90, -180);
  $lines{$_} = [] for qw(node way relation);
  $maxId = 0;
  while (my $line = <$fh>) {
    $type = $1 if $line =~ /^\s*<(node|way|relation)\b/;
    if (defined $type) {
      push @{$lines{$type}}, $line;
      $maxId = $1 if $line =~ /\b(?:id|ref)="-?([0-9]+)"/ && $1 > $maxId;
      if ($type eq "node" && $line =~ /\blat="(-?[0-9.]+)".*\blon="(-?[0-9.]+)"/) {
        $minLat = $1 if $1 < $minLat; $maxLat = $1 if $1 > $maxLat;
        $minLon = $2 if $2 < $minLon; $maxLon = $2 if $2 > $maxLon;
      }
      undef $type if $line =~ /\/>\s*$/ && $line =~ /^\s*<(node|way|relation)\b/ || $line =~ /^\s*<\/(node|way|relation)>/;
    }
  }
  close $fh;
  my $columns = int(sqrt($copies - 1)) + 1;
  my ($width, $height) = (($maxLon - $minLon) * 1.01, ($maxLat - $minLat) * 1.01);
  my $offset = $maxId + 1;
  open(my $o, ">", $out) or die "cannot write $out: $!\n";
  print $o "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<osm version=\"0.6\" generator=\"tile-extract\">\n";
  for my $t (qw(node way relation)) {
    for my $k (0 .. $copies - 1) {
      my ($dLon, $dLat, $dId) = (($k % $columns) * $width, int($k / $columns) * $height, $k * $offset);
      for my $line (@{$lines{$t}}) {
        my $copy = $line;
        if ($k > 0) {
          $copy =~ s/\b(id|ref)="(-?)([0-9]+)"/$1 . "=\"" . $2 . ($3 + $dId) . "\""/ge;
          $copy =~ s/\blat="(-?[0-9.]+)"/sprintf("lat=\"%.7f\"", $1 + $dLat)/e;
          $copy =~ s/\blon="(-?[0-9.]+)"/sprintf("lon=\"%.7f\"", $1 + $dLon)/e;
        }
        print $o $copy;
      }
    }
  }
  print $o "</osm>\n";
  close $o or die "cannot write $out: $!\n";
' "$1" "$3"
