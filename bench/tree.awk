# The synthetic storage tree of the benchmarks: prints the folders to make,
# one path a line, parents first. Variables: total (folders), dvds (DVD
# folders among them), root.
#
# Breadth-first: every ordinary folder gets a few children until the total
# is reached (6-14 on the upper levels, 2-10 below). DVD folders are picked
# among the leaves, so that they lie at several depths and nothing is made
# below them but VIDEO_TS and AUDIO_TS.
BEGIN {
  srand(12345)
  nw = split("Movies anime Drama Concert 映画 アニメ ドラマ ライブ 記録 Season Disc Vol 特典 Collection 洋画 邦画", w, " ")
  n = 0; head = 0; qn = 1; q[0] = root; qd[0] = 0
  while (n < total && head < qn) {
    parent = q[head]; depth = qd[head]; head++
    fan = depth < 3 ? 6 + int(rand() * 9) : 2 + int(rand() * 9)
    for (i = 0; i < fan && n < total; i++) {
      path = parent "/" w[1 + int(rand() * nw)] "_" i
      made[n++] = path; q[qn] = path; qd[qn++] = depth + 1; haschild[parent] = 1
    }
  }
  nl = 0
  for (i = 0; i < n; i++) if (!(made[i] in haschild)) leaf[nl++] = made[i]
  # Every k-th leaf becomes a DVD folder, spread over the whole tree.
  step = nl > dvds ? nl / dvds : 1
  for (i = 0; i < n; i++) print made[i]
  for (j = 0; j < dvds && int(j * step) < nl; j++) {
    print leaf[int(j * step)] "/VIDEO_TS"
    print leaf[int(j * step)] "/AUDIO_TS"
  }
}
