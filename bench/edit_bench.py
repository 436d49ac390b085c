#!/usr/bin/env python3
"""Times kestrova-cli append, trim, split and export to Matroska against cat, dd and mkvmerge.

On the benchmark's video file (corpus.py): two copies of it appended,
against `cat` of the same two files; a cut of a minute from its middle (a
tenth of it for --quick), against dd of the cut's size, with the bytes of
packets the trim read (from a copy of the file with index records); and a split into 100 MB parts (10 MB for --quick),
against dd of the whole file; and an export of it to Matroska, against
cat of the file and against mkvmerge's own export. Commands run in turn, round after round, after
a warm-up round, through `/usr/bin/time -v` for their peak memory, with
--no-sync: as merge_bench.py, CPU and memory cost through the page cache.

Prints a table and writes it, with the numbers as JSON, to the results
folder. Exits with status 1 when a target is missed.
"""

import json
import os
import re
import subprocess
import sys
import time
from pathlib import Path

import corpus
import merge_bench

MAX_RATIO_TO_CAT = 1.2
MAX_EXPORT_RATIO_TO_CAT = 1.1
MAX_PEAK_RSS_MIB = 8.0


def rounds(commands, work: Path, runs: int, clean):
    """Each command's per-round seconds and peak RSS (KiB), after a warm-up
    round; clean() removes the outputs after every run."""
    seconds = {name: [] for name in commands}
    rss = {name: [] for name in commands}
    for round_number in range(runs + 1):
        for name, cmd in commands.items():
            s, kib = merge_bench.run_measured(cmd, work)
            clean()
            if round_number > 0:
                seconds[name].append(s)
                rss[name].append(kib)
    return seconds, rss


def case(commands, work, runs, clean, references, inputs, output_bytes, **extra):
    os.sync()
    for path in inputs:
        merge_bench.evict(path)
    seconds, rss = rounds(commands, work, runs, clean)
    return {"inputs": [merge_bench.input_of(p) for p in inputs], "output_bytes": output_bytes, "runs": runs,
            **extra, **merge_bench.summarize(seconds, rss, references)}


def time_append(cli, video, work, runs):
    out = work / "out.rm"
    subprocess.run([str(cli), "append", "--quiet", "--no-sync", "-o", str(out), str(video), str(video)], check=True)
    size = out.stat().st_size
    out.unlink()
    commands = {"kestrova append": [cli, "append", "--quiet", "--no-sync", "-o", out, video, video],
                "cat": ["sh", "-c", f'cat "{video}" "{video}" > "{out}"']}
    return case(commands, work, runs, lambda: out.unlink(missing_ok=True), ("cat",), [video], size)


def indexed_copy(cli, video, work):
    """The video file as kestrova-cli merge writes it, with index records
    (ffmpeg writes none): a trim finds its start through them, as it does
    in files from RealNetworks' producers."""
    indexed = work / f"indexed-{video.name}"
    if not indexed.exists():
        subprocess.run([str(cli), "merge", "--quiet", "-o", str(indexed), str(video)], check=True)
    return indexed


def time_trim(cli, video, seconds_long, work, runs):
    out = work / "out.rm"
    dd_input = work / "dd-input.bin"
    video = indexed_copy(cli, video, work)
    middle = seconds_long // 2
    cut = 60 if seconds_long >= 300 else seconds_long // 10
    trim = [cli, "merge", "--no-sync", "-o", out, "--start", str(middle), "--end", str(middle + cut), video]
    report = subprocess.run(list(map(str, trim)), check=True, capture_output=True, text=True).stdout
    found = re.search(r"\(([\d,]+) bytes of packets read\)", report)
    bytes_read = int(found.group(1).replace(",", "")) if found else None
    os.replace(out, dd_input)
    commands = {"kestrova trim": trim, "dd bs=1M": ["dd", f"if={dd_input}", f"of={out}", "bs=1M", "status=none"]}
    result = case(commands, work, runs, lambda: out.unlink(missing_ok=True), ("dd bs=1M",), [video, dd_input],
                  dd_input.stat().st_size, cut_seconds=cut, bytes_read=bytes_read,
                  report=next((line for line in report.splitlines() if line.startswith("Trimmed")), ""))
    dd_input.unlink()
    return result


def time_split(cli, video, part_size, work, runs):
    parts = work / "parts"
    parts.mkdir(exist_ok=True)

    def clean():
        for p in parts.iterdir():
            p.unlink()

    split = [cli, "split", "--quiet", "--no-sync", "-o", parts / "part.rm", "--size", part_size, video]
    subprocess.run(list(map(str, split)), check=True)
    sizes = sorted(p.stat().st_size for p in parts.iterdir())
    clean()
    commands = {"kestrova split": split,
                "dd bs=1M": ["dd", f"if={video}", f"of={parts / 'copy.bin'}", "bs=1M", "status=none"]}
    return case(commands, work, runs, clean, ("dd bs=1M",), [video], sum(sizes), part_bytes=sizes)


def time_export(cli, video, work, runs):
    out = work / "out.mkv"
    export = [cli, "merge", "--quiet", "--no-sync", "-o", out, video]
    subprocess.run(list(map(str, export)), check=True)
    size = out.stat().st_size
    out.unlink()
    # mkvmerge exits with 1 when it only warned.
    commands = {"kestrova export": export,
                "cat": ["sh", "-c", f'cat "{video}" > "{out}"'],
                "mkvmerge": ["sh", "-c", f'mkvmerge -q -o "{out}" "{video}"; [ $? -le 1 ]']}
    return case(commands, work, runs, lambda: out.unlink(missing_ok=True), ("cat", "mkvmerge"), [video], size)


def main():
    args = merge_bench.parse_args()
    size = "small" if args.quick else "large"
    pair = corpus.make_pair(args.cache, size)
    work = args.cache / "work"
    work.mkdir(parents=True, exist_ok=True)
    started = time.time()
    load_before = os.getloadavg()[0]
    cases = {}
    print(f"Timing append, trim, split and export on the {size} video file ...", flush=True)
    cases["append two copies"] = time_append(args.cli, pair.video, work, args.runs)
    cases["trim from the middle"] = time_trim(args.cli, pair.video, corpus.PAIR_SECONDS[size], work, args.runs)
    cases["split"] = time_split(args.cli, pair.video, "10M" if args.quick else "100M", work, args.runs)
    cases["export to Matroska"] = time_export(args.cli, pair.video, work, args.runs)
    (work / "time-v.txt").unlink(missing_ok=True)

    append = cases["append two copies"]
    worse = max(append["ratios"]["cat"].values())
    targets = [(f"append <= {MAX_RATIO_TO_CAT} x cat", f"{worse:.2f} x", worse <= MAX_RATIO_TO_CAT)]
    export = cases["export to Matroska"]["ratios"]["cat"]["paired_median"]
    targets.append((f"export <= {MAX_EXPORT_RATIO_TO_CAT} x cat", f"{export:.2f} x",
                    export <= MAX_EXPORT_RATIO_TO_CAT))
    for name, c in cases.items():
        rss = max(c["peak_rss_kib"][cmd] for cmd in c["peak_rss_kib"] if cmd.startswith("kestrova")) / 1024
        targets.append((f"{name}: peak RSS <= {MAX_PEAK_RSS_MIB:g} MiB", f"{rss:.1f} MiB", rss <= MAX_PEAK_RSS_MIB))

    lines = [f"kestrova-cli append, trim, split and export, {time.strftime('%Y-%m-%d', time.localtime(started))}; "
             f"load average {load_before:.2f} before, {os.getloadavg()[0]:.2f} after"]
    for name, c in cases.items():
        inputs = " + ".join(merge_bench.mb(i["bytes"]) for i in c["inputs"])
        lines += ["", f"{name}: {inputs} -> {merge_bench.mb(c['output_bytes'])}; {c['runs']} rounds after a warm-up"]
        if "bytes_read" in c:
            lines.append(f"  {c['cut_seconds']} s cut: {c['report']}")
        if "part_bytes" in c:
            lines.append(f"  {len(c['part_bytes'])} parts, " + ", ".join(merge_bench.mb(b) for b in c["part_bytes"]))
        for cmd, s in c["seconds"].items():
            lines.append(f"  {cmd:<18} median {s['median']:.3f} s, min-max {s['min']:.3f}-{s['max']:.3f} s, "
                         f"peak RSS {c['peak_rss_kib'][cmd] / 1024:.1f} MiB")
        for ref, r in c["ratios"].items():
            lines.append(f"  ours / {ref:<11} {r['paired_median']:.2f} paired median, {r['best']:.2f} best runs")
    lines += ["", "Targets"] + [f"  {t:<40} {v:>10}  {'met' if ok else 'MISSED'}" for t, v, ok in targets]
    text = "\n".join(lines)
    print("\n" + text)
    results = args.cache / "results"
    results.mkdir(exist_ok=True)
    stem = "edit-bench-quick" if args.quick else "edit-bench"
    (results / f"{stem}.txt").write_text(text + "\n")
    (results / f"{stem}.json").write_text(json.dumps({"started": started, "cases": cases, "targets": [
        {"target": t, "measured": v, "met": ok} for t, v, ok in targets]}, indent=2) + "\n")
    print(f"\nWritten to {results / stem}.txt and .json")
    return 0 if all(ok for _, _, ok in targets) else 1


if __name__ == "__main__":
    sys.exit(main())
