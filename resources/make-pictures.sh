#!/bin/sh
# SPDX-License-Identifier: MIT
#
# Draws the station window's pictures into resources/pictures/. The generated files are kept
# in the repository, so a build never needs ImageMagick; run this again only to change a
# picture. Needs ImageMagick's `convert` and the WenQuanYi Micro Hei font (fonts-wqy-microhei),
# which has both the Latin and the Chinese glyphs.
set -eu

cd "$(dirname "$0")/pictures"
FONT=${FONT:-/usr/share/fonts/truetype/wqy/wqy-microhei.ttc}
[ -r "$FONT" ] || { echo "font not found: $FONT" >&2; exit 1; }

# Built-in logo, 200 x 66. A JPEG on purpose: the window must decode one through the JPEG
# image plugin, and the soft gradient suits the format.
convert -size 66x200 gradient:'#0b2a5b-#2f6fb8' -rotate -90 \
  -fill none -stroke '#9fd0ff' -strokewidth 3 \
  -draw 'arc 8,13 48,53 200,340' -draw 'arc 16,21 40,45 200,340' \
  -stroke none -fill '#9fd0ff' -draw 'circle 28,37 28,41' \
  -fill '#9fd0ff' -draw 'rectangle 26,37 30,56' \
  -font "$FONT" -fill white -pointsize 20 -annotate +58+30 'HALVORETH' \
  -fill '#cfe6ff' -pointsize 12 -annotate +59+50 '2.4GHz RF SoC' \
  -quality 92 logo.jpg

# Language list pictures, 63 x 14 each: the language's own name.
lang() {
  convert -size 63x14 xc:white -font "$FONT" -pointsize "$2" -fill black \
    -gravity center -annotate +0+0 "$1" -type TrueColor "PNG24:$3"
}
lang 'English' 11 lang_eng.png
lang '繁體中文' 11 lang_cht.png
lang '简体中文' 11 lang_chs.png

# Receiver pictures, 50 x 50: a plug with a red cross (no receiver) and with a green tick
# (receiver connected).
plug='rectangle 17,6 33,20 rectangle 13,20 37,40 rectangle 22,40 28,47'
convert -size 50x50 xc:white -fill '#9a9a9a' -stroke '#5a5a5a' -draw "$plug" \
  -fill '#5a5a5a' -stroke none -draw 'rectangle 20,10 23,14 rectangle 27,10 30,14' \
  -stroke '#d01010' -strokewidth 5 -draw 'line 8,8 42,42 line 42,8 8,42' \
  -type TrueColor PNG24:nodevice.png
convert -size 50x50 xc:white -fill '#5aa0e0' -stroke '#1f5f9f' -draw "$plug" \
  -fill '#1f5f9f' -stroke none -draw 'rectangle 20,10 23,14 rectangle 27,10 30,14' \
  -fill '#18a018' -stroke white -strokewidth 2 -draw 'circle 36,36 36,48' \
  -fill none -stroke white -strokewidth 3 -draw 'polyline 30,36 35,41 43,31' \
  -type TrueColor PNG24:connected.png

# Binding animation, 50 x 50: radio waves spreading from the receiver to the transmitter,
# looped for as long as the binding runs.
frame() { # frame number = how many waves are out
  set -- "$1" 'arc 6,15 22,35 -60,60' 'arc 4,12 28,38 -50,50' 'arc 4,9 34,41 -40,40'
  n=$1; waves=''
  [ "$n" -ge 1 ] && waves="$2"
  [ "$n" -ge 2 ] && waves="$waves $3"
  [ "$n" -ge 3 ] && waves="$waves $4"
  convert -size 50x50 xc:white -fill '#5aa0e0' -stroke '#1f5f9f' -draw 'rectangle 4,19 14,31' \
    -fill '#6a6a6a' -stroke '#3a3a3a' -draw 'roundrectangle 36,14 46,36 5,5' \
    -fill none -stroke '#e08a00' -strokewidth 2 -draw "${waves:-point 0,0}" "bind$n.gif"
}
for n in 0 1 2 3; do frame $n; done
convert -delay 25 -dispose background bind0.gif bind1.gif bind2.gif bind3.gif -loop 0 binding.gif
rm -f bind0.gif bind1.gif bind2.gif bind3.gif

# Operator prompts shown over the ID and serial-number fields, 200 x 56: a Simplified Chinese
# line above its English words. Green asks for the next unit, magenta for the keyboard's bind
# button.
prompt() {
  convert -size 200x56 xc:white -font "$FONT" -fill "$1" -gravity north \
    -pointsize 20 -annotate +0+2 "$2" -pointsize 16 -annotate +0+32 "$3" \
    -type TrueColor "PNG24:$4"
}
prompt '#00a000' '请换下一个' 'change Next one' next_unit.png
prompt '#e000e0' '请按键盘对码键' 'Press KDB Bind Button' kbd_bind.png
