#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the user guide: Markdown to HTML with cmark-gfm, then gives every section heading the
# anchor its links use (the same anchors as a Markdown viewer makes), puts a table of contents
# under the title and wraps it all in one page with its style sheet.
# Usage: doc/render-guide.sh CMARK_GFM INPUT.md STYLE.css OUTPUT.html VERSION
set -eu
cmark=$1 input=$2 style=$3 output=$4 version=$5

"$cmark" --extension table --extension autolink --to html "$input" >"$output.body"
awk -v version="$version" -v style="$style" '
function plain(s) {
  gsub(/<[^>]*>/, "", s)
  gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&amp;/, "\\&", s)
  return s
}
# Lower case; letters, digits, "-" and "_" kept, blanks made "-", everything else dropped.
function slug(s,   out, i, c) {
  s = tolower(plain(s))
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c ~ /[a-z0-9_-]/) out = out c
    else if (c == " ") out = out "-"
  }
  return out
}
{
  line[NR] = $0
  if ($0 ~ /^<h[1-3]>.*<\/h[1-3]>$/) {
    level[NR] = substr($0, 3, 1)
    inner[NR] = substr($0, 5, length($0) - 9)
    if (level[NR] == 1) {
      if (title == "") title = plain(inner[NR])
    } else {
      id = slug(inner[NR])
      if (id in used) { used[id]++; id = id "-" used[id] - 1 } else used[id] = 1
      anchor[NR] = id
    }
  }
}
END {
  print "<!DOCTYPE html>"
  print "<html lang=\"en\">"
  print "<head>"
  print "<meta charset=\"utf-8\">"
  print "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
  print "<title>" title "</title>"
  print "<style>"
  while ((getline css < style) > 0) print css
  print "</style>"
  print "</head>"
  print "<body>"
  print "<main>"
  toc = 0
  for (n = 1; n <= NR; n++) {
    if (level[n] == 1) {
      print line[n]
      print "<p class=\"version\">Tevra " version "</p>"
      if (toc == 0) {
        toc = 1
        print "<nav>"
        print "<p class=\"contents\">Contents</p>"
        print "<ul>"
        for (k = 1; k <= NR; k++) {
          if (level[k] == 2) print "<li><a href=\"#" anchor[k] "\">" inner[k] "</a></li>"
        }
        print "</ul>"
        print "</nav>"
      }
    } else if (n in anchor) {
      print "<h" level[n] " id=\"" anchor[n] "\">" inner[n] "</h" level[n] ">"
    } else {
      print line[n]
    }
  }
  print "</main>"
  print "</body>"
  print "</html>"
}' "$output.body" >"$output.tmp"
rm -f "$output.body"
mv "$output.tmp" "$output"
