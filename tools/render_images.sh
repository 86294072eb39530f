#!/bin/sh
# Renders the hand-written SVG sources in Assets/Image/src/ to the PNG files the windowed program
# loads, and the application icon Assets/Image/Icon/murkmoot.svg to the PNG sizes desktops use. Needs rsvg-convert (Debian: librsvg2-bin). Output is written in place under Assets/Image/;
# run it from anywhere, then commit the PNG files together with their sources.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/Assets/Image/src"
out="$root/Assets/Image"

if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "rsvg-convert not found (apt-get install librsvg2-bin)" >&2
    exit 1
fi

# render <source name> <destination relative to Assets/Image> <width> <height>
render() {
    mkdir -p "$(dirname "$out/$2")"
    rsvg-convert --width "$3" --height "$4" --keep-aspect-ratio \
        --output "$out/$2" "$src/$1"
    echo "rendered $2 ($3x$4)"
}

render oracleChamber.svg               Backgrounds/oracleChamber.png         3840 2160
render firstGoboPortrait.svg           Portraits/firstGoboPortrait.png       760  960
render hoodedGoboPortrait.svg          Portraits/hoodedGoboPortrait.png      760  960
render askButtonNormal.svg             GUI/Buttons/askButtonNormal.png       230  210
render askButtonHover.svg              GUI/Buttons/askButtonHover.png        230  210
render askButtonClicked.svg            GUI/Buttons/askButtonClicked.png      230  210
render 894x570_borderless_clear.svg    GUI/TextBoxes/894x570_borderless_clear.png 894 570

# The icon's source is installed as it is (scalable); the PNGs are the usual hicolor sizes, and
# the window shows the 256 px one.
for size in 16 32 48 64 128 256; do
    rsvg-convert --width "$size" --height "$size" --keep-aspect-ratio \
        --output "$out/Icon/murkmoot-$size.png" "$out/Icon/murkmoot.svg"
    echo "rendered Icon/murkmoot-$size.png (${size}x$size)"
done
