#!/bin/sh
# Builds the small tree with exact, close and renamed copies behind docs/results-window.png
# and docs/results-same-contents.png (results_window_bench --contents):
#   bench/make-demo-tree.sh /tmp/corvane-demo
#   xvfb-run -a -s "-screen 0 1000x700x24" sh -c \
#     'build/bin/results_window_bench /tmp/corvane-demo & sleep 3;
#      import -window root -crop 800x560+0+0 docs/results-window.png; kill $!'
# docs/results-content-letters.png and docs/results-protected.png come from
# a tree of copies in Documents, Laptop, Old, Phone, Backup and Photos, shown
# with "results_window_bench --keep newest FOLDER..." (and "--protect PHOTOS").
set -eu
D=${1:?usage: make-demo-tree.sh FOLDER}
mk() { head -c "$2" /dev/urandom > "$1"; }
mkdir -p "$D/Documents/Reports" "$D/Backup/Documents" "$D/Music/Albums" "$D/Photos/2024" "$D/Photos/Phone"
mk "$D/Documents/Reports/Budget 2025.xlsx" 48211
cp "$D/Documents/Reports/Budget 2025.xlsx" "$D/Backup/Documents/Budget 2025.xlsx"
mk "$D/Documents/Reports/Annual report.pdf" 1832211
cp "$D/Documents/Reports/Annual report.pdf" "$D/Backup/Documents/Annual report.pdf"
mk "$D/Photos/2024/Holiday in Rome beach.jpg" 2457600
mk "$D/Photos/Phone/Holiday Rome beach.jpg" 2457600
mk "$D/Photos/2024/IMG_2041.jpg" 3145728
cp "$D/Photos/2024/IMG_2041.jpg" "$D/Photos/Phone/IMG_2041.jpg"
cp "$D/Photos/2024/IMG_2041.jpg" "$D/Backup/IMG_2041.jpg"
mk "$D/Documents/notes.txt" 812
mk "$D/Backup/notes.txt" 790
mk "$D/Music/Albums/Kind of Blue track 01.mp3" 7340032
cp "$D/Music/Albums/Kind of Blue track 01.mp3" "$D/Backup/Kind of Blue track 01.mp3"
mk "$D/Photos/Phone/Summer trip Norway.mov" 73400320
mk "$D/Backup/Summer trip Norway.MOV" 73400320
mk "$D/Backup/Birthday cake.jpg" 4194304
cp "$D/Backup/Birthday cake.jpg" "$D/Photos/2024/Birthday Cake.JPG"
# Renamed copies, found by Same Contents alone.
cp "$D/Photos/2024/IMG_2041.jpg" "$D/Photos/Phone/IMG_2041 (1).jpg"
cp "$D/Documents/Reports/Annual report.pdf" "$D/Backup/Copy of Annual report.pdf"
mk "$D/Music/Albums/Track 07.mp3" 5242880
cp "$D/Music/Albums/Track 07.mp3" "$D/Backup/So What (live).mp3"
# Near misses: same size but names too far apart, or alike names of other sizes.
mk "$D/Music/Albums/Blue Train - John Coltrane.flac" 31457280
mk "$D/Music/Albums/John Coltrane - Blue Train.flac" 31457280
mk "$D/Photos/2024/Garden party evening.png" 512000
mk "$D/Backup/Garden party evening copy.png" 512000
mk "$D/Documents/Letter to Anna.odt" 20480
mk "$D/Backup/Documents/Letter to Anna old.odt" 20480
