#!/usr/bin/env python3
"""Times kestrova-cli check over a collection and kestrova-cli repair of a damaged file.

Collection: `check --json-lines -r --jobs 2` over a folder of small RealMedia
files (made once with ffmpeg, copied into nested folders, some of them cut
short, with other files among them), against `ffprobe -count_packets` run on
the same files one by one. Target: check at least 10 times as fast.

Repair: `repair --no-sync` of a copy of the benchmark's video file (see
corpus.py) with a 1 MiB hole of zeros in the middle of its data, against
`cat` of the damaged file, paired run by run. Targets: at most 1.1 times
cat's time, peak memory at most 8 MiB. (cat copies in the kernel, where the
repair reads into its memory and writes from it.)
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import corpus  # noqa: E402

# The clips the collection is made of: a few seconds each, small pictures
# (sides a multiple of 16, as the RealVideo encoders want),
# RealVideo 1.0 or 2.0 with AC-3 sound, or sound alone.
CLIPS = {
    "rv10-ac3": ["-f", "lavfi", "-i", "testsrc=size=160x128:rate=15", "-f", "lavfi", "-i", "sine=f=440",
                 "-t", "2", "-c:v", "rv10", "-b:v", "100k", "-c:a", "ac3", "-b:a", "64k"],
    "rv20-ac3": ["-f", "lavfi", "-i", "testsrc2=size=176x144:rate=12", "-f", "lavfi", "-i", "sine=f=330",
                 "-t", "1", "-c:v", "rv20", "-b:v", "150k", "-c:a", "ac3", "-b:a", "96k"],
    "rv10": ["-f", "lavfi", "-i", "testsrc=size=128x96:rate=10", "-t", "3", "-c:v", "rv10", "-b:v", "60k"],
    "ac3": ["-f", "lavfi", "-i", "sine=f=220", "-t", "3", "-c:a", "ac3", "-b:a", "64k"],
}
TARGET_CHECK_SPEEDUP = 10.0
TARGET_REPAIR_RATIO = 1.1
TARGET_REPAIR_KIB = 8 * 1024


def parse_args():
    default_cache = os.environ.get("KESTROVA_BENCH_CACHE", str(Path.home() / ".cache" / "kestrova-bench"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cli", type=Path, required=True, help="the kestrova-cli to time")
    parser.add_argument("--cache", type=Path, default=Path(default_cache),
                        help="where the inputs are made and kept (default %(default)s)")
    parser.add_argument("--files", type=int, default=1000, help="files in the collection (default 1000)")
    parser.add_argument("--size", choices=["small", "large"], default="small",
                        help="the video file to repair: small (60 s, about 40 MB; the default) or large "
                             "(600 s, about 400 MB)")
    parser.add_argument("--runs", type=int, default=5, help="timed repairs and cat copies (default 5)")
    parser.add_argument("--check-runs", type=int, default=3, help="timed checks of the collection (default 3)")
    # bench/run passes its options to the merge benchmark and to this one:
    # those of the merge benchmark alone (--quick, --list-runs) are not ours.
    return parser.parse_known_args()[0]


def run_measured(cmd, stdout=subprocess.DEVNULL):
    """Runs cmd under /usr/bin/time -v; returns (wall seconds, peak RSS in KiB, exit status)."""
    report = Path(os.environ.get("TMPDIR", "/tmp")) / f"kestrova-repair-bench-{os.getpid()}.txt"
    start = time.perf_counter()
    proc = subprocess.run(["/usr/bin/time", "-v", "-o", str(report), *map(str, cmd)],
                          stdout=stdout, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    kib = next(int(line.rsplit(":", 1)[1]) for line in report.read_text().splitlines()
               if "Maximum resident set size" in line)
    report.unlink()
    return seconds, kib, proc.returncode


def make_collection(cache: Path, files: int) -> Path:
    """A folder of `files` RealMedia files in nested folders, one in ten cut
    short, with a text file in every folder; made once."""
    folder = cache / f"collection-{files}"
    if folder.exists():
        return folder
    clips = cache / "clips"
    clips.mkdir(parents=True, exist_ok=True)
    for name, args in CLIPS.items():
        target = clips / f"{name}.rm"
        if not target.exists():
            corpus._ffmpeg(args, target)
    sources = [(clips / f"{name}.rm").read_bytes() for name in CLIPS]
    partial = cache / f"collection-{files}.partial"
    shutil.rmtree(partial, ignore_errors=True)
    for k in range(files):
        sub = partial / f"shelf{k % 10}" / f"box{k % 7}"
        sub.mkdir(parents=True, exist_ok=True)
        data = sources[k % len(sources)]
        if k % 10 == 9:
            data = data[:len(data) * 2 // 3]
        (sub / f"file{k:05d}.{'RMVB' if k % 5 == 0 else 'rm'}").write_bytes(data)
        if k % 7 == 0:
            (sub / "notes.txt").write_text("not RealMedia\n")
    os.replace(partial, folder)
    return folder


def time_collection(cli: Path, folder: Path, runs: int):
    paths = sorted(p for p in folder.rglob("*") if p.is_file() and p.suffix.lower() in (".rm", ".rmvb", ".ra"))
    checks = []
    for _ in range(runs + 1):
        out = Path(os.environ.get("TMPDIR", "/tmp")) / "kestrova-repair-bench-lines.jsonl"
        with out.open("w") as sink:
            seconds, _, status = run_measured([cli, "check", "--json-lines", "-r", "--jobs", "2", folder], sink)
        lines = out.read_text().splitlines()
        out.unlink()
        if status not in (0, 1) or len(lines) != len(paths) + 1:
            sys.exit(f"check gave status {status} and {len(lines)} lines for {len(paths)} files")
        checks.append(seconds)
    checks = checks[1:]  # the first round fills the page cache
    summary = json.loads(lines[-1])["summary"]

    start = time.perf_counter()
    for path in paths:
        subprocess.run(["ffprobe", "-v", "error", "-count_packets", "-show_entries", "stream=nb_read_packets",
                        "-of", "csv=p=0", str(path)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ffprobe = time.perf_counter() - start
    return {"files": len(paths), "summary": summary, "check_seconds": checks, "ffprobe_seconds": ffprobe,
            "speedup": ffprobe / statistics.median(checks)}


def time_repair(cli: Path, cache: Path, size: str, runs: int):
    video = corpus.make_pair(cache, size).video
    damaged = cache / f"{size}-video-with-hole.rm"
    if not damaged.exists():
        data = bytearray(video.read_bytes())
        middle = len(data) // 2
        data[middle:middle + (1 << 20)] = bytes(1 << 20)
        damaged.write_bytes(bytes(data))
    work = cache / "repair-work"
    work.mkdir(exist_ok=True)
    out = work / "out.rm"
    report = subprocess.run([str(cli), "repair", "--no-sync", "-o", str(out), str(damaged)],
                            check=True, capture_output=True, text=True).stdout
    output_bytes = out.stat().st_size
    out.unlink()
    os.sync()
    repair_cmd = [cli, "repair", "--no-sync", "--quiet", "-o", out, damaged]
    cat_cmd = ["sh", "-c", 'cat "$0" > "$1"', damaged, out]
    samples = {"repair": [], "cat": []}
    peak = []
    for round_number in range(runs + 1):
        for name, cmd in (("repair", repair_cmd), ("cat", cat_cmd)):
            seconds, kib, status = run_measured(cmd)
            out.unlink()
            if status != 0:
                sys.exit(f"{name} failed ({status})")
            if round_number > 0:
                samples[name].append(seconds)
                if name == "repair":
                    peak.append(kib)
    ratios = [r / c for r, c in zip(samples["repair"], samples["cat"])]
    return {"input": str(damaged), "input_bytes": damaged.stat().st_size, "output_bytes": output_bytes,
            "report": report.strip().splitlines()[:2], "repair_seconds": samples["repair"],
            "cat_seconds": samples["cat"], "ratio_median": statistics.median(ratios),
            "ratio_fastest": min(samples["repair"]) / min(samples["cat"]), "peak_kib": max(peak)}


def main():
    args = parse_args()
    cli = args.cli.resolve()
    cache = args.cache
    cache.mkdir(parents=True, exist_ok=True)
    folder = make_collection(cache, args.files)
    collection = time_collection(cli, folder, args.check_runs)
    repair = time_repair(cli, cache, args.size, args.runs)
    load = os.getloadavg()

    print(f"load average {load[0]:.2f} {load[1]:.2f} {load[2]:.2f}")
    print(f"check --json-lines -r --jobs 2 over {collection['files']} files: median "
          f"{statistics.median(collection['check_seconds']):.2f} s "
          f"({min(collection['check_seconds']):.2f}-{max(collection['check_seconds']):.2f}); "
          f"ffprobe -count_packets one by one: {collection['ffprobe_seconds']:.2f} s; "
          f"{collection['speedup']:.1f}x (target >= {TARGET_CHECK_SPEEDUP:.0f}x)")
    print(f"  summary: {collection['summary']}")
    print(f"repair of {repair['input']} ({repair['input_bytes']:,} bytes, 1 MiB hole), "
          f"{repair['output_bytes']:,} bytes written: median {statistics.median(repair['repair_seconds']):.3f} s, "
          f"cat {statistics.median(repair['cat_seconds']):.3f} s; ratio {repair['ratio_median']:.2f} "
          f"(fastest runs {repair['ratio_fastest']:.2f}; target <= {TARGET_REPAIR_RATIO}); "
          f"peak memory {repair['peak_kib'] / 1024:.1f} MiB (target <= 8 MiB)")
    for line in repair["report"]:
        print(f"  {line}")

    results = cache / "results"
    results.mkdir(exist_ok=True)
    stamp = time.strftime("%Y%m%d-%H%M%S")
    (results / f"repair-{stamp}.json").write_text(json.dumps(
        {"load": load, "collection": collection, "repair": repair}, indent=2))

    missed = []
    if collection["speedup"] < TARGET_CHECK_SPEEDUP:
        missed.append("check speed-up over ffprobe")
    if max(repair["ratio_median"], repair["ratio_fastest"]) > TARGET_REPAIR_RATIO:
        missed.append("repair time against cat")
    if repair["peak_kib"] > TARGET_REPAIR_KIB:
        missed.append("repair memory")
    if missed:
        print("missed: " + ", ".join(missed))
        return 1
    print("every target met")
    return 0


if __name__ == "__main__":
    sys.exit(main())
