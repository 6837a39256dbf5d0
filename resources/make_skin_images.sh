#!/usr/bin/env bash
# Draws the placeholder skin images under skin/res/ with ImageMagick. The PNGs are committed;
# run this again only to change them. Every image has an alpha channel, as the real skin's do.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/skin"
convert_png() { /usr/bin/convert "$@"; }
out=res/mainWnd
mkdir -p "$out/installBtnAnimate"
strip=(-strip -define png:exclude-chunks=date,time)

# Window background: a vertical gradient with rounded, transparent corners.
convert_png -size 600x400 gradient:'#2f80ed-#f5f8ff' \
  \( -size 600x400 xc:none -fill white -draw 'roundrectangle 0,0 599,399 8,8' \) \
  -compose CopyOpacity -composite "${strip[@]}" png32:"$out/bg1.png"

# Logo: a soft disc with a ring.
convert_png -size 96x96 xc:none -fill '#ffffffcc' -draw 'circle 48,48 48,6' \
  -fill none -stroke '#2f80ed' -strokewidth 6 -draw 'circle 48,48 48,14' \
  "${strip[@]}" png32:"$out/logo.png"

# Caption buttons in three states.
for state in normal:'#ffffff00' hover:'#ffffff40' pressed:'#00000030'; do
  name=${state%%:*}
  color=${state#*:}
  convert_png -size 30x30 xc:"$color" -stroke white -strokewidth 2 \
    -draw 'line 10,10 20,20' -draw 'line 20,10 10,20' "${strip[@]}" png32:"$out/close_$name.png"
  convert_png -size 30x30 xc:"$color" -stroke white -strokewidth 2 \
    -draw 'line 9,15 21,15' "${strip[@]}" png32:"$out/min_$name.png"
done

# The install button in four states.
for state in normal:'#2f80ed' hover:'#4a94f5' pressed:'#1f66c4' disabled:'#a0a8b8'; do
  name=${state%%:*}
  color=${state#*:}
  convert_png -size 200x48 xc:none -fill "$color" -draw 'roundrectangle 0,0 199,47 24,24' \
    "${strip[@]}" png32:"$out/installBtn_$name.png"
done

# A light band sweeping over the install button, twelve frames.
for frame in $(seq 0 11); do
  x=$((frame * 20 - 20))
  convert_png -size 200x48 xc:none -fill '#ffffff50' \
    -draw "polygon $x,0 $((x + 30)),0 $((x + 10)),47 $((x - 20)),47" \
    \( -size 200x48 xc:none -fill white -draw 'roundrectangle 0,0 199,47 24,24' \) \
    -compose DstIn -composite "${strip[@]}" png32:"$out/installBtnAnimate/$(printf %03d "$frame").png"
done

# Licence check box and progress bar.
convert_png -size 16x16 xc:none -fill white -stroke '#8a94a6' -draw 'roundrectangle 1,1 14,14 3,3' \
  "${strip[@]}" png32:"$out/check_normal.png"
convert_png -size 16x16 xc:none -fill '#2f80ed' -draw 'roundrectangle 1,1 14,14 3,3' \
  -stroke white -strokewidth 2 -draw 'polyline 4,8 7,11 12,5' "${strip[@]}" png32:"$out/check_selected.png"
convert_png -size 500x8 xc:none -fill '#dde3ee' -draw 'roundrectangle 0,0 499,7 4,4' \
  "${strip[@]}" png32:"$out/progress_bk.png"
convert_png -size 500x8 gradient:'#56ccf2-#2f80ed' -rotate 90 -resize 500x8\! \
  \( -size 500x8 xc:none -fill white -draw 'roundrectangle 0,0 499,7 4,4' \) \
  -compose CopyOpacity -composite "${strip[@]}" png32:"$out/progress_fore.png"

