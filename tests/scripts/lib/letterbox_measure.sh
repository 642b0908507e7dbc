# Shared by the player script tests (sourced): the measures of a screenshot of a letterboxed show.

# Reads a WIDTH x HEIGHT RGB screenshot whose letterbox bars are BAR rows high and prints: the
# brightest channel value in the top bar, in the bottom bar, the share of non-black pixels in the
# picture rows and the number of distinct brightness levels there (a non-empty picture has both).
analyse() {  # file width height bar
  od -An -v -tu1 -w$(($2 * 3)) "$1" | awk -v h="$3" -v bar="$4" '
    { row = NR - 1
      for (i = 1; i <= NF; i += 3) {
        v = $i; if ($(i+1) > v) v = $(i+1); if ($(i+2) > v) v = $(i+2)
        if (row < bar) { if (v > top) top = v }
        else if (row >= h - bar) { if (v > bottom) bottom = v }
        else { total++; if (v > 16) lit++; levels[int(v / 16)] = 1 }
      }
    }
    END { n = 0; for (k in levels) n++; printf "%d %d %.3f %d\n", top, bottom, lit / total, n }'
}
