#!/usr/bin/env bash
# Redraws every picture in resources/images/: the icon, the About box emblem, the two donation
# buttons and the hand cursor. ImageMagick only renders the button captions (it has the font
# rasteriser); draw-images.py draws the rest and writes each file byte by byte, with no timestamp,
# so two runs on one machine give identical files.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$here/images

for tool in convert fc-match python3; do
    command -v "$tool" >/dev/null || { echo "draw-images: $tool not found, nothing drawn" >&2; exit 1; }
done

# Bold italic sans for the captions; refuse a silent substitute, which would change every button.
font=$(fc-match -f '%{file}' 'Nimbus Sans:style=Bold Italic')
case "$font" in
    *NimbusSans-BoldItalic*) ;;
    *) echo "draw-images: Nimbus Sans Bold Italic not installed (fonts-urw-base35), nothing drawn" >&2; exit 1 ;;
esac

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One 8-bit coverage mask per caption, the size of the button: white where the text is.
caption() { # name text
    convert -size 89x21 xc:black -font "$font" -pointsize 12 -fill white \
        -gravity center -annotate +0+0 "$2" -depth 8 "gray:$work/$1.gray"
}
caption donner-fr 'Faire un don'
caption donner-en 'Donate'

mkdir -p "$out"
python3 "$here/draw-images.py" "$out" "$work"
