"""Tests of the benchmark's judgement of its targets, on made-up runs, and of
the peak memory it reads from /usr/bin/time."""

import sys
import tempfile
import unittest
from pathlib import Path

import merge_bench


def pair_result(ours, dd, ffmpeg, merge_rss_kib=4800):
    seconds = {"kestrova merge": ours, "dd bs=1M": dd, "ffmpeg -c copy": ffmpeg}
    rss = {"kestrova merge": [merge_rss_kib] * len(ours), "dd bs=1M": [2700] * len(dd),
           "ffmpeg -c copy": [56000] * len(ffmpeg)}
    return merge_bench.summarize(seconds, rss)


def listing(median_seconds):
    return {"seconds": merge_bench.summary([median_seconds] * 3)}


def verdicts(checks):
    return {what: met for what, _, met in checks}


class TargetTest(unittest.TestCase):
    def test_ratios_within_both_ways_meet_the_targets(self):
        large = pair_result([0.19, 0.18, 0.20], [0.16, 0.17, 0.16], [0.50, 0.52, 0.49])
        small = pair_result([0.03] * 3, [0.025] * 3, [0.2] * 3)
        got = verdicts(merge_bench.check_targets({"small": small, "large": large}, listing(0.004)))
        self.assertEqual(got, {
            "large: merge <= 1.2 x dd": True,
            "large: merge <= 0.5 x ffmpeg": True,
            "large: merge peak RSS <= 8 MiB": True,
            "peak RSS flat, large - small <= 0.5 MiB": True,
            "large: list <= 10 ms": True,
        })

    def test_slow_runs_of_the_reference_do_not_hide_a_miss(self):
        # dd slowed in most rounds: the paired median says 0.2 x, the
        # fastest runs say 1.375 x.
        large = pair_result([0.22] * 5, [0.16, 1.1, 1.2, 1.0, 1.1], [0.5] * 5)
        self.assertLess(large["ratios"]["dd bs=1M"]["paired_median"], 1.2)
        got = verdicts(merge_bench.check_targets({"large": large}, listing(0.004)))
        self.assertFalse(got["large: merge <= 1.2 x dd"])
        self.assertTrue(got["large: merge <= 0.5 x ffmpeg"])

    def test_a_slow_median_misses_even_with_one_fast_run(self):
        large = pair_result([0.15, 0.30, 0.31], [0.16] * 3, [0.5] * 3)
        got = verdicts(merge_bench.check_targets({"large": large}, listing(0.004)))
        self.assertFalse(got["large: merge <= 1.2 x dd"])

    def test_memory_that_grows_with_the_input_misses(self):
        small = pair_result([0.03] * 3, [0.03] * 3, [0.2] * 3, merge_rss_kib=4800)
        large = pair_result([0.2] * 3, [0.2] * 3, [0.5] * 3, merge_rss_kib=4800 + 1024)
        got = verdicts(merge_bench.check_targets({"small": small, "large": large}, listing(0.004)))
        self.assertFalse(got["peak RSS flat, large - small <= 0.5 MiB"])
        self.assertTrue(got["large: merge peak RSS <= 8 MiB"])

    def test_a_quick_run_is_judged_on_the_small_pair(self):
        small = pair_result([0.03] * 3, [0.03] * 3, [0.2] * 3, merge_rss_kib=9 * 1024)
        got = verdicts(merge_bench.check_targets({"small": small}, listing(0.012)))
        self.assertEqual(got, {
            "small: merge <= 1.2 x dd": True,
            "small: merge <= 0.5 x ffmpeg": True,
            "small: merge peak RSS <= 8 MiB": False,
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


if __name__ == "__main__":
    unittest.main()
