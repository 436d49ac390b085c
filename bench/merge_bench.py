#!/usr/bin/env python3
"""Times `kestrova-cli merge` against ffmpeg's stream copy and dd.

For each pair of the corpus (see corpus.py) the same selection, the video
stream of the video file and the audio stream of the audio file, is merged
by kestrova-cli and by `ffmpeg -c copy`, and dd copies a file of exactly the
size of our output. Both streams of the video file alone are merged too
(read in one pass), and both streams of its copy that stores them one after
the other (memory must not grow with that layout). The commands of a case
run in turn, round after round, after a warm-up round, so that whatever the
machine does meanwhile falls on all of them alike. Each run goes through
`/usr/bin/time -v` for its peak resident memory; wall time is taken around
that call. `kestrova-cli list` of the video file is timed as well.

The merges run with --no-sync: their targets are CPU and memory cost.
Every input, the corpus files and dd's, is dropped from the page cache
before a case and comes back through the warm-up round's reads, so that all
commands read files that lie in the cache alike. For
information, the large pair is also merged as users merge it, synced to
disk, beside `dd conv=fsync` of the same size.

What is measured: the inputs sit in the page cache (the warm-up reads them
and the machine has memory to spare), and every output is deleted right
after its run, long before the kernel would write it to disk. The times are
therefore the CPU and memory cost of reading and writing through the page
cache, the same for all three commands, and not the speed of the disk.

Prints a table and writes it, with the same numbers as JSON, to the results
folder. Exits with status 1 when a target is missed.
"""

import argparse
import json
import os
import platform
import statistics
import subprocess
import sys
import time
from pathlib import Path

import corpus

# Targets. A ratio of our time to another command's is taken two ways: the
# median of the per-round ratios (paired runs), and the ratio of the two
# fastest runs. Other work on the machine and, in a virtual machine, memory
# the host has taken back slow some runs of one command more than the other
# (see the README); a target counts as met only when both ways meet it.
MAX_RATIO_TO_DD = 1.15
# Both streams of one file: the file is read once, its streams found in one pass.
MAX_RATIO_TO_DD_ONE_FILE = 1.2
MAX_RATIO_TO_FFMPEG = 0.5
MAX_PEAK_RSS_MIB = 8.0
# "Flat": the large pair, ten times the input, may need at most this much
# more peak memory than the small pair.
MAX_RSS_GROWTH_MIB = 0.5
MAX_LIST_SECONDS = 0.010

MERGE = "kestrova merge"
FFMPEG = "ffmpeg -c copy"
DD = "dd bs=1M"
SYNCED_MERGE = "kestrova merge, synced"
SYNCED_DD = "dd conv=fsync"
# Synced runs write to the disk: a few of them tell enough.
SYNCED_RUNS = 3


def parse_args():
    default_cache = os.environ.get("KESTROVA_BENCH_CACHE", str(Path.home() / ".cache" / "kestrova-bench"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", type=Path, required=True, help="the kestrova-cli to time")
    parser.add_argument("--cache", type=Path, default=Path(default_cache),
                        help="folder of the corpus, the runs' outputs and the results "
                             "(default: $KESTROVA_BENCH_CACHE or ~/.cache/kestrova-bench)")
    parser.add_argument("--quick", action="store_true", help="only the small pair")
    parser.add_argument("--runs", type=int, default=7, help="timed runs of each command per pair (default 7)")
    parser.add_argument("--list-runs", type=int, default=30, help="timed runs of list (default 30)")
    args = parser.parse_args()
    if args.runs < 1 or args.list_runs < 1:
        parser.error("--runs and --list-runs need at least 1")
    args.cli = args.cli.resolve()
    return args


def run_measured(cmd, work: Path):
    """Runs cmd under /usr/bin/time -v; returns (wall seconds, peak RSS in KiB)."""
    report = work / "time-v.txt"
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-v", "-o", str(report), *map(str, cmd)],
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.perf_counter() - start
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {' '.join(map(str, cmd))}\n{proc.stderr}")
    for line in report.read_text().splitlines():
        if "Maximum resident set size" in line:
            return seconds, int(line.rsplit(":", 1)[1])
    sys.exit(f"no peak memory in {report}")


def video_stream_number(cli: Path, video: Path) -> int:
    listed = json.loads(subprocess.run([str(cli), "list", "--json", str(video)],
                                       check=True, capture_output=True, text=True).stdout)
    return next(s["number"] for s in listed[0]["streams"] if s["kind"] == "video")


def summary(samples):
    return {"median": statistics.median(samples), "min": min(samples), "max": max(samples), "runs": samples}


def evict(path: Path):
    """Drops a file that is on disk from the page cache, so that the next
    read puts it there as reading puts a file there. How a file came into
    the cache (written in small pieces, or read) changes what reading it
    costs, and the inputs of every command should come alike."""
    fd = os.open(path, os.O_RDONLY)
    try:
        os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
    finally:
        os.close(fd)


def time_case(commands, dd_name, inputs, work: Path, runs: int):
    """Runs the commands of a case (the merge first, writing work/out.rm)
    round after round; dd_name names the dd command, which copies a file of
    the merge's output size, and inputs are the case's source files.
    Returns the output size and each command's per-round seconds and peak
    RSS in KiB."""
    out = work / "out.rm"
    dd_input = work / "dd-input.bin"
    # The merge's output becomes dd's input, so that dd copies exactly as
    # many bytes as the merge writes. sync puts it and the corpus on disk
    # now, so that no write-back of theirs falls into a timed run; the
    # first round after it is a warm-up and is not counted.
    out.unlink(missing_ok=True)
    run_measured(next(iter(commands.values())), work)
    os.replace(out, dd_input)
    os.sync()
    for path in [*inputs, dd_input]:
        evict(path)
    commands = {name: [f"if={dd_input}" if arg == "if=DD_INPUT" else arg for arg in cmd]
                if name == dd_name else cmd for name, cmd in commands.items()}

    seconds = {name: [] for name in commands}
    rss = {name: [] for name in commands}
    for round_number in range(runs + 1):
        for name, cmd in commands.items():
            s, kib = run_measured(cmd, work)
            out.unlink()
            if round_number > 0:
                seconds[name].append(s)
                rss[name].append(kib)
    output_bytes = dd_input.stat().st_size
    dd_input.unlink()
    return output_bytes, seconds, rss


def merge_command(cli: Path, out: Path, sources, sync=False):
    return [cli, "merge", "--quiet", *([] if sync else ["--no-sync"]), "-o", out, *sources]


def dd_command(out: Path, *extra):
    return ["dd", "if=DD_INPUT", f"of={out}", "bs=1M", "status=none", *extra]


def time_pair(cli: Path, pair: corpus.Pair, work: Path, runs: int):
    out = work / "out.rm"
    commands = {
        MERGE: merge_command(cli, out, [f"{pair.video}:{video_stream_number(cli, pair.video)}", pair.audio]),
        FFMPEG: ["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin",
                 "-i", pair.video, "-i", pair.audio, "-map", "0:v", "-map", "1:a", "-c", "copy", out],
        DD: dd_command(out),
    }
    output_bytes, seconds, rss = time_case(commands, DD, [pair.video, pair.audio], work, runs)
    return {"inputs": [input_of(pair.video), input_of(pair.audio)], "output_bytes": output_bytes, "runs": runs,
            **summarize(seconds, rss, (DD, FFMPEG))}


def time_one_file(cli: Path, video: Path, work: Path, runs: int):
    """Both streams of one file, against dd of the same size."""
    out = work / "out.rm"
    commands = {MERGE: merge_command(cli, out, [video]), DD: dd_command(out)}
    output_bytes, seconds, rss = time_case(commands, DD, [video], work, runs)
    return {"inputs": [input_of(video)], "output_bytes": output_bytes, "runs": runs,
            **summarize(seconds, rss, (DD,))}


def time_synced(cli: Path, pair: corpus.Pair, work: Path):
    """The large pair merged as users merge it, onto the disk, beside dd
    writing as much with conv=fsync: for information, not judged."""
    out = work / "out.rm"
    commands = {
        SYNCED_MERGE: merge_command(cli, out, [f"{pair.video}:{video_stream_number(cli, pair.video)}", pair.audio],
                                    sync=True),
        SYNCED_DD: dd_command(out, "conv=fsync"),
    }
    output_bytes, seconds, rss = time_case(commands, SYNCED_DD, [pair.video, pair.audio], work, SYNCED_RUNS)
    return {"inputs": [input_of(pair.video), input_of(pair.audio)], "output_bytes": output_bytes,
            "runs": SYNCED_RUNS, **summarize(seconds, rss, (SYNCED_DD,))}


def input_of(path: Path):
    return {"path": str(path), "bytes": path.stat().st_size}


def summarize(seconds, rss, references):
    """Times, peak memory and the ratios of our time (the first command's)
    to each reference's, from each command's per-round seconds and peak RSS
    in KiB."""
    ours = next(iter(seconds.values()))
    return {
        "seconds": {name: summary(samples) for name, samples in seconds.items()},
        "peak_rss_kib": {name: max(samples) for name, samples in rss.items()},
        "ratios": {ref: {"paired_median": statistics.median(a / b for a, b in zip(ours, seconds[ref])),
                         "best": min(ours) / min(seconds[ref])}
                   for ref in references},
    }


def time_list(cli: Path, video: Path, work: Path, runs: int):
    cmd = [cli, "list", video]
    run_measured(cmd, work)
    measured = [run_measured(cmd, work) for _ in range(runs)]
    return {"path": str(video), "bytes": video.stat().st_size,
            "seconds": summary([s for s, _ in measured]),
            "peak_rss_kib": max(kib for _, kib in measured)}


def machine():
    model = next((line.split(":", 1)[1].strip() for line in Path("/proc/cpuinfo").read_text().splitlines()
                  if line.startswith("model name")), platform.processor())
    ffmpeg = subprocess.run(["ffmpeg", "-version"], capture_output=True, text=True).stdout.split(" Copyright", 1)[0]
    return {"cpu": model, "cores": os.cpu_count(), "kernel": platform.release(),
            "memory_gib": round(os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30, 1),
            "ffmpeg": ffmpeg}


def check_targets(cases, listing):
    """Each target as (description, measured, met). The targets are set for
    the large files; a quick run checks them on the small ones."""
    size = "large" if "large pair" in cases else "small"
    checks = []

    def ratio(case, ref, short, limit):
        worse = max(cases[case]["ratios"][ref].values())
        checks.append((f"{case}: merge <= {limit} x {short}", f"{worse:.2f} x", worse <= limit))

    def memory(case):
        rss = cases[case]["peak_rss_kib"][MERGE] / 1024
        checks.append((f"{case}: merge peak RSS <= {MAX_PEAK_RSS_MIB:g} MiB", f"{rss:.1f} MiB",
                       rss <= MAX_PEAK_RSS_MIB))

    ratio(f"{size} pair", DD, "dd", MAX_RATIO_TO_DD)
    ratio(f"{size} pair", FFMPEG, "ffmpeg", MAX_RATIO_TO_FFMPEG)
    ratio(f"{size} video file alone", DD, "dd", MAX_RATIO_TO_DD_ONE_FILE)
    memory(f"{size} pair")
    memory(f"{size} streams stored apart")
    if "small pair" in cases and "large pair" in cases:
        growth = (cases["large pair"]["peak_rss_kib"][MERGE] - cases["small pair"]["peak_rss_kib"][MERGE]) / 1024
        checks.append((f"peak RSS flat, large - small pair <= {MAX_RSS_GROWTH_MIB} MiB", f"{growth:+.2f} MiB",
                       growth <= MAX_RSS_GROWTH_MIB))
    median = listing["seconds"]["median"]
    checks.append((f"{size}: list <= {MAX_LIST_SECONDS * 1000:g} ms", f"{median * 1000:.1f} ms",
                   median <= MAX_LIST_SECONDS))
    return checks


def mb(n):
    return f"{n / 1e6:.1f} MB"


def table(result):
    m = result["machine"]
    lines = [
        f"kestrova-cli merge benchmark, {time.strftime('%Y-%m-%d', time.localtime(result['started']))}",
        f"{m['cores']} cores {m['cpu']}, {m['memory_gib']} GiB, Linux {m['kernel']}, {m['ffmpeg']}",
        "Inputs read from the page cache, outputs deleted before write-back: CPU and memory cost, not disk speed",
        "(but for the synced case, which waits for the disk).",
        f"1-minute load average {result['load_average']['before']:.2f} before the runs, "
        f"{result['load_average']['after']:.2f} after (the runs themselves add about 1); "
        f"run at niceness {result['niceness']}.",
    ]
    for name, p in result["cases"].items():
        inputs = " + ".join(mb(i["bytes"]) for i in p["inputs"])
        lines += [
            "",
            f"{name}: {inputs} -> {mb(p['output_bytes'])}; {p['runs']} rounds after a warm-up",
            f"  {'command':<22} {'median s':>9} {'min-max s':>15} {'peak RSS MiB':>13}",
        ]
        for cmd, s in p["seconds"].items():
            lines.append(f"  {cmd:<22} {s['median']:>9.3f} {s['min']:>7.3f}-{s['max']:<7.3f} "
                         f"{p['peak_rss_kib'][cmd] / 1024:>13.1f}")
        for ref, r in p["ratios"].items():
            lines.append(f"  ours / {ref:<15} {r['paired_median']:.2f} paired median, {r['best']:.2f} best runs")
    ls = result["list"]
    s = ls["seconds"]
    lines += ["", f"list of the {mb(ls['bytes'])} video file: median {s['median'] * 1000:.1f} ms, "
                  f"min-max {s['min'] * 1000:.1f}-{s['max'] * 1000:.1f} ms, {len(s['runs'])} runs, "
                  f"peak RSS {ls['peak_rss_kib'] / 1024:.1f} MiB",
              "", "Targets"]
    for what, measured, met in result["targets"]:
        lines.append(f"  {what:<45} {measured:>12}  {'met' if met else 'MISSED'}")
    return "\n".join(lines)


def main():
    args = parse_args()
    sizes = ["small"] if args.quick else ["small", "large"]
    pairs = {size: corpus.make_pair(args.cache, size) for size in sizes}
    work = args.cache / "work"
    work.mkdir(parents=True, exist_ok=True)

    started = time.time()
    # Other work on the machine slows all commands, but not always alike;
    # the table says how busy the machine was.
    load_before = os.getloadavg()[0]
    cases = {}
    for size in sizes:
        print(f"Timing the {size} files ...", flush=True)
        pair = pairs[size]
        cases[f"{size} pair"] = time_pair(args.cli, pair, work, args.runs)
        cases[f"{size} video file alone"] = time_one_file(args.cli, pair.video, work, args.runs)
        cases[f"{size} streams stored apart"] = time_one_file(args.cli, pair.separate, work, args.runs)
    largest = pairs[sizes[-1]]
    print("Timing a synced merge ...", flush=True)
    cases[f"{sizes[-1]} pair, synced to disk"] = time_synced(args.cli, largest, work)
    listing = time_list(args.cli, largest.video, work, args.list_runs)
    (work / "time-v.txt").unlink(missing_ok=True)

    result = {"started": started, "cli": str(args.cli), "machine": machine(),
              "load_average": {"before": load_before, "after": os.getloadavg()[0]}, "niceness": os.nice(0),
              "cases": cases, "list": listing}
    result["targets"] = check_targets(cases, listing)
    text = table(result)
    print("\n" + text)

    results = args.cache / "results"
    results.mkdir(exist_ok=True)
    stem = "merge-bench-quick" if args.quick else "merge-bench"
    (results / f"{stem}.txt").write_text(text + "\n")
    result["targets"] = [{"target": t, "measured": v, "met": ok} for t, v, ok in result["targets"]]
    (results / f"{stem}.json").write_text(json.dumps(result, indent=2) + "\n")
    print(f"\nWritten to {results / stem}.txt and .json")
    return 0 if all(t["met"] for t in result["targets"]) else 1


if __name__ == "__main__":
    sys.exit(main())
