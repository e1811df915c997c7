# bench/frames.gp -- the frame-time graph of the whole show from frame_bench's data files.
# Usage: gnuplot -e "before='DIR/frames-1024x768.dat'; after='DIR2/frames-1024x768.dat'; out='bench/frames-1024x768.png'" bench/frames.gp
# `after` is optional.
if (!exists("out")) out = 'frames.png'
set terminal pngcairo size 1400,560 font ",10"
set output out
set xlabel "show time (s); song positions marked: 0-1 intro, 2-4 hammers, 5-6 faces, 7-10 greetings and cloud (10: fly-past), 11 empty"
set ylabel "Render + glFinish (ms, log scale)"
set logscale y
set grid ytics
set key outside top center horizontal
set yrange [0.3:*]
set xrange [0:*]
# Scene boundaries: the first time of each song position, read from the data file (column 3).
set style line 9 lc rgb "#999999" dt 2
do for [p=0:11] {
    stats before using ($3 == p ? $2 : 1/0) nooutput
    if (STATS_records > 0) {
        set arrow from STATS_min, graph 0 to STATS_min, graph 1 nohead ls 9
        set label sprintf("%d", p) at STATS_min, graph 0.04 offset 0.3,0 tc rgb "#555555"
    }
}
# Column 5 (when present): the reference frame drawn after each frame, card after even frames; the
# card frames show how the machine's load moved during the run.
cardref(f) = (int(column(1)) % 2 == 0 && column(5) > 0) ? column(5) : 1/0
if (exists("after")) {
    plot before using 2:4 with lines lc rgb "#c03030" title "before", \
         after using 2:4 with lines lc rgb "#3060c0" title "after", \
         after using 2:(cardref(0)) with dots lc rgb "#20a020" title "card reference (after)"
} else {
    plot before using 2:4 with lines lc rgb "#c03030" title "frame time", \
         before using 2:(cardref(0)) with dots lc rgb "#20a020" title "card reference"
}
