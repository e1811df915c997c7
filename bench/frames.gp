# bench/frames.gp -- the frame-time graph of the whole show from frame_bench's data files.
# Usage: gnuplot -e "before='DIR/frames-1024x768.dat'; after='DIR2/frames-1024x768.dat'; out='bench/frames-1024x768.png'; card=9.7" bench/frames.gp
# `after` and `card` (the card reference's median, in ms, drawn as a line at 1.5 x card) are optional.
if (!exists("out")) out = 'frames.png'
set terminal pngcairo size 1400,560 font ",10"
set output out
set xlabel "show time (s)"
set ylabel "Render + glFinish (ms)"
set grid ytics
set key top left
set yrange [0:*]
# Scene boundaries: the first time of each song position, read from the data file (column 3).
stats before using 3 nooutput
set style line 9 lc rgb "#999999" dt 2
prev = -1
do for [p=0:11] {
    stats before using ($3 == p ? $2 : 1/0) nooutput
    if (STATS_records > 0) {
        set arrow from STATS_min, graph 0 to STATS_min, graph 1 nohead ls 9
        set label sprintf("%d", p) at STATS_min, graph 0.97 offset 0.3,0 tc rgb "#555555"
    }
}
set label "positions: 0-1 intro, 2-4 hammers, 5-6 faces, 7-10 greetings and cloud, 11 empty" at graph 0.35, graph 0.97
cardline = exists("card") ? card * 1.5 : 1/0
if (exists("after")) {
    plot before using 2:4 with lines lc rgb "#c03030" title "before", \
         after using 2:4 with lines lc rgb "#3060c0" title "after", \
         cardline with lines lc rgb "#30a030" dt 3 title "1.5 x card"
} else {
    plot before using 2:4 with lines lc rgb "#c03030" title "frame time", \
         cardline with lines lc rgb "#30a030" dt 3 title "1.5 x card"
}
