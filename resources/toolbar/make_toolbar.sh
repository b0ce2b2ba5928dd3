#!/bin/sh
# Draws the toolbar strip (toolbar.png): 19 images of 16 x 15 pixels side by side, in the order of
# the toolbar's buttons. Each image is drawn here from primitives; run this script again after a
# change (needs ImageMagick).
set -e
cd "$(dirname "$0")"
W=16
H=15
img() { # name, draw arguments...
  name=$1
  shift
  convert -size ${W}x${H} xc:none "$@" "part_$name.png"
}
INK='#20303f'
# 1 new: a page with a folded corner
img 00 -fill white -stroke "$INK" -draw 'polygon 3,1 10,1 13,4 13,13 3,13' -draw 'line 10,1 10,4' -draw 'line 10,4 13,4'
# 2 open: a folder
img 01 -fill '#f2c14e' -stroke '#8a6514' -draw 'polygon 1,4 6,4 7,5 14,5 14,13 1,13' -fill '#f7d57e' -draw 'polygon 1,13 3,7 15,7 13,13'
# 3 save: a disk
img 02 -fill '#3d6fb4' -stroke "$INK" -draw 'rectangle 1,1 14,13' -fill white -stroke none -draw 'rectangle 4,2 11,6' -fill '#cfd8e3' -draw 'rectangle 4,9 11,13'
# 4 undo: arrow turning left
img 03 -fill none -stroke '#2d6a2d' -strokewidth 2 -draw 'arc 3,4 13,13 270,90' -fill '#2d6a2d' -stroke none -draw 'polygon 1,4 6,0 6,8'
# 5 redo: arrow turning right
img 04 -fill none -stroke '#2d6a2d' -strokewidth 2 -draw 'arc 2,4 12,13 90,270' -fill '#2d6a2d' -stroke none -draw 'polygon 14,4 9,0 9,8'
# 6 cut: scissors
img 05 -fill none -stroke "$INK" -draw 'line 4,1 10,9' -draw 'line 11,1 5,9' -draw 'circle 4,11 4,13' -draw 'circle 11,11 11,13'
# 7 copy: two pages
img 06 -fill white -stroke "$INK" -draw 'rectangle 1,1 9,10' -draw 'rectangle 6,4 14,13'
# 8 paste: clipboard with a page
img 07 -fill '#b5895a' -stroke "$INK" -draw 'rectangle 1,2 11,13' -fill '#dddddd' -draw 'rectangle 4,1 8,3' -fill white -draw 'rectangle 7,6 14,13'
# 9 batch conversion: stacked rows with an arrow
img 08 -fill '#dfe8f2' -stroke "$INK" -draw 'rectangle 1,1 10,4' -draw 'rectangle 1,6 10,9' -draw 'rectangle 1,11 10,14' -fill '#d9534f' -stroke none -draw 'polygon 12,3 15,7 12,11'
# 10 capture pose: a camera
img 09 -fill '#555555' -stroke "$INK" -draw 'rectangle 1,4 14,13' -draw 'rectangle 5,2 9,4' -fill '#9fd3f2' -draw 'circle 7,8 7,11'
# 11 insert pose: a plus on a row
img 10 -fill '#dfe8f2' -stroke "$INK" -draw 'rectangle 1,5 9,10' -fill '#2d8a2d' -stroke none -draw 'rectangle 11,2 13,12' -draw 'rectangle 7,6 15,8'
# 12 delete pose: a red cross
img 11 -fill none -stroke '#c0392b' -strokewidth 3 -draw 'line 3,2 12,12' -draw 'line 12,2 3,12'
# 13 play: a green triangle
img 12 -fill '#2d8a2d' -stroke '#1d5a1d' -draw 'polygon 4,1 13,7 4,13'
# 14 step: a triangle and a bar
img 13 -fill '#2d8a2d' -stroke '#1d5a1d' -draw 'polygon 2,1 10,7 2,13' -fill '#1d5a1d' -draw 'rectangle 11,1 13,13'
# 15 record: a red disc
img 14 -fill '#d62c1a' -stroke '#8a1a10' -draw 'circle 7,7 7,12'
# 16 stop: a dark square
img 15 -fill '#333333' -stroke black -draw 'rectangle 3,2 12,11'
# 17 simulator settings: a monitor with the arm
img 16 -fill '#dfe8f2' -stroke "$INK" -draw 'rectangle 1,1 14,10' -draw 'line 7,10 7,13' -draw 'line 4,13 10,13' -stroke '#e08a1e' -draw 'line 4,8 7,4' -draw 'line 7,4 11,6'
# 18 motor on: a lightning bolt
img 17 -fill '#f5b400' -stroke '#8a6514' -draw 'polygon 9,0 3,8 7,8 5,14 12,5 8,5 10,0'
# 19 communication: a plug with a cable
img 18 -fill '#7a8a99' -stroke "$INK" -draw 'rectangle 3,3 11,9' -draw 'line 5,0 5,3' -draw 'line 9,0 9,3' -fill none -draw 'line 7,9 7,14'
convert part_*.png +append +repage -depth 8 toolbar.png
rm -f part_*.png
