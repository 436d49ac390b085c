"""Tests of the benchmark's judgement of its targets, on made-up runs, of
the peak memory it reads from /usr/bin/time, and of the corpus file that
stores its streams one after the other."""

import struct
import sys
import tempfile
import unittest
from pathlib import Path

import corpus
import merge_bench
from merge_bench import DD, FFMPEG, MERGE


def case(ours, dd, ffmpeg=None, merge_rss_kib=4800):
    seconds = {MERGE: ours, DD: dd}
    rss = {MERGE: [merge_rss_kib] * len(ours), DD: [2700] * len(dd)}
    if ffmpeg:
        seconds[FFMPEG] = ffmpeg
        rss[FFMPEG] = [56000] * len(ffmpeg)
    return merge_bench.summarize(seconds, rss, (DD, FFMPEG) if ffmpeg else (DD,))


def cases(size, pair, alone=None, apart=None):
    return {f"{size} pair": pair,
            f"{size} video file alone": alone or case([0.2] * 3, [0.2] * 3),
            f"{size} streams stored apart": apart or case([0.5] * 3, [0.2] * 3)}


def listing(median_seconds):
    return {"seconds": merge_bench.summary([median_seconds] * 3)}


def verdicts(checks):
    return {what: met for what, _, met in checks}


class TargetTest(unittest.TestCase):
    def test_ratios_within_both_ways_meet_the_targets(self):
        large = case([0.18, 0.18, 0.19], [0.16, 0.17, 0.165], [0.50, 0.52, 0.49])
        small = case([0.03] * 3, [0.027] * 3, [0.2] * 3)
        got = verdicts(merge_bench.check_targets({**cases("small", small), **cases("large", large)}, listing(0.004)))
        self.assertEqual(got, {
            "large pair: merge <= 1.15 x dd": True,
            "large pair: merge <= 0.5 x ffmpeg": True,
            "large video file alone: merge <= 1.2 x dd": True,
            "large pair: merge peak RSS <= 8 MiB": True,
            "large streams stored apart: merge peak RSS <= 8 MiB": True,
            "peak RSS flat, large - small pair <= 0.5 MiB": True,
            "large: list <= 10 ms": True,
        })

    def test_slow_runs_of_the_reference_do_not_hide_a_miss(self):
        # dd slowed in most rounds: the paired median says 0.2 x, the
        # fastest runs say 1.375 x.
        large = case([0.22] * 5, [0.16, 1.1, 1.2, 1.0, 1.1], [0.5] * 5)
        self.assertLess(large["ratios"][DD]["paired_median"], 1.15)
        got = verdicts(merge_bench.check_targets(cases("large", large), listing(0.004)))
        self.assertFalse(got["large pair: merge <= 1.15 x dd"])
        self.assertTrue(got["large pair: merge <= 0.5 x ffmpeg"])

    def test_a_slow_median_misses_even_with_one_fast_run(self):
        large = case([0.15, 0.30, 0.31], [0.16] * 3, [0.5] * 3)
        got = verdicts(merge_bench.check_targets(cases("large", large), listing(0.004)))
        self.assertFalse(got["large pair: merge <= 1.15 x dd"])

    def test_one_file_read_twice_misses(self):
        pair = case([0.18] * 3, [0.17] * 3, [0.5] * 3)
        got = verdicts(merge_bench.check_targets(
            cases("large", pair, alone=case([0.36] * 3, [0.2] * 3)), listing(0.004)))
        self.assertFalse(got["large video file alone: merge <= 1.2 x dd"])
        self.assertTrue(got["large pair: merge <= 1.15 x dd"])

    def test_memory_that_grows_with_the_input_or_the_layout_misses(self):
        small = case([0.03] * 3, [0.03] * 3, [0.2] * 3, merge_rss_kib=4800)
        large = case([0.2] * 3, [0.2] * 3, [0.5] * 3, merge_rss_kib=4800 + 1024)
        apart = case([0.5] * 3, [0.2] * 3, merge_rss_kib=400 * 1024)
        got = verdicts(merge_bench.check_targets({**cases("small", small), **cases("large", large, apart=apart)},
                                                 listing(0.004)))
        self.assertFalse(got["peak RSS flat, large - small pair <= 0.5 MiB"])
        self.assertTrue(got["large pair: merge peak RSS <= 8 MiB"])
        self.assertFalse(got["large streams stored apart: merge peak RSS <= 8 MiB"])

    def test_a_quick_run_is_judged_on_the_small_files(self):
        small = case([0.03] * 3, [0.03] * 3, [0.2] * 3, merge_rss_kib=9 * 1024)
        got = verdicts(merge_bench.check_targets(cases("small", small), listing(0.012)))
        self.assertEqual(got, {
            "small pair: merge <= 1.15 x dd": True,
            "small pair: merge <= 0.5 x ffmpeg": True,
            "small video file alone: merge <= 1.2 x dd": True,
            "small pair: merge peak RSS <= 8 MiB": False,
            "small streams stored apart: merge peak RSS <= 8 MiB": True,
            "small: list <= 10 ms": False,
        })


class MeasureTest(unittest.TestCase):
    def test_peak_memory_is_that_of_the_command(self):
        with tempfile.TemporaryDirectory() as work:
            _, big = merge_bench.run_measured([sys.executable, "-c", "s = 'x' * (64 << 20)"], Path(work))
            _, small = merge_bench.run_measured(["true"], Path(work))
        self.assertGreaterEqual(big, 64 * 1024)
        self.assertLess(small, 16 * 1024)

    def test_a_failing_command_stops_the_benchmark_with_its_message(self):
        with tempfile.TemporaryDirectory() as work:
            with self.assertRaises(SystemExit) as stop:
                merge_bench.run_measured(["sh", "-c", "echo out of luck >&2; exit 3"], Path(work))
        self.assertIn("out of luck", str(stop.exception.code))


def packet(number, timestamp, payload):
    return struct.pack(">HHHIBB", 0, 12 + len(payload), number, timestamp, 0, 0) + payload


class CorpusTest(unittest.TestCase):
    def test_streams_apart_keeps_every_byte_and_each_streams_order(self):
        packets = [packet(k % 2, k, bytes([k]) * (3 + k)) for k in range(6)]
        data = b"".join(packets)
        prop_end = 18 + 50
        head = b".RMF" + bytes(14) + b"PROP" + bytes(38) + struct.pack(">I", prop_end) + bytes(4)
        chunk = b"DATA" + struct.pack(">IHII", 18 + len(data), 0, 6, 0)
        tail = b"INDX" + bytes(16) + bytes(8)
        apart = corpus.streams_apart(head + chunk + data + tail)
        self.assertEqual(apart, head + chunk + b"".join(packets[0::2] + packets[1::2]) + tail)


if __name__ == "__main__":
    unittest.main()
