"""The benchmark's input files, made once with ffmpeg and kept in a cache folder.

Each pair is a video file (640x480 RealVideo 2.0 with an AC-3 track) and an
audio-only AC-3 file of the same length. The large pair runs 10 minutes
(about 400 MB and 30 MB); the small pair is a tenth of that. The picture is
a moving test pattern with seeded noise, so the encoder spends its bit rate
and the same ffmpeg makes the same bytes every time.

Beside each video file lies a copy whose data chunk stores all packets of
stream 0 first, then those of stream 1: the same packets, laid out as some
tools write them, one stream after the other.
"""

import os
import struct
import subprocess
from dataclasses import dataclass
from pathlib import Path

# Seconds of media in each pair.
PAIR_SECONDS = {"small": 60, "large": 600}

# Rate control that keeps every video frame under the 64 KiB a RealMedia
# packet can hold, at about 5.2 Mbit/s.
VIDEO_ARGS = [
    "-c:v", "rv20", "-b:v", "5200k", "-maxrate", "5200k", "-bufsize", "400k", "-g", "250",
]
VIDEO_SOURCE = "testsrc2=size=640x480:rate=25,noise=alls=8:allf=t:all_seed=1"
VIDEO_TRACK_AUDIO_ARGS = ["-c:a", "ac3", "-b:a", "192k", "-ac", "2"]
AUDIO_FILE_ARGS = ["-c:a", "ac3", "-b:a", "384k", "-ac", "2"]


@dataclass
class Pair:
    name: str
    video: Path
    audio: Path
    separate: Path  # the video file with its streams stored one after the other


def _ffmpeg(args, target: Path):
    """Runs ffmpeg into a temporary name and moves the result into place,
    so that an interrupted run never leaves a file that looks finished."""
    partial = target.with_name(target.name + ".partial.rm")
    cmd = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y", *args, str(partial)]
    subprocess.run(cmd, check=True)
    os.replace(partial, target)


def make_pair(cache: Path, name: str) -> Pair:
    """Returns the pair called `name`, making whichever file is missing."""
    seconds = PAIR_SECONDS[name]
    cache.mkdir(parents=True, exist_ok=True)
    pair = Pair(name, cache / f"{name}-video-rv20-ac3.rm", cache / f"{name}-audio-ac3.rm",
                cache / f"{name}-video-streams-apart.rm")
    if not pair.video.exists():
        print(f"Making {pair.video} ({seconds} s of video and audio; takes a while) ...", flush=True)
        _ffmpeg(["-f", "lavfi", "-i", VIDEO_SOURCE,
                 "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=48000",
                 "-t", str(seconds), *VIDEO_ARGS, *VIDEO_TRACK_AUDIO_ARGS], pair.video)
    if not pair.audio.exists():
        print(f"Making {pair.audio} ...", flush=True)
        _ffmpeg(["-f", "lavfi", "-i", "sine=frequency=330:sample_rate=48000",
                 "-t", str(seconds), *AUDIO_FILE_ARGS], pair.audio)
    if not pair.separate.exists():
        print(f"Making {pair.separate} ...", flush=True)
        partial = pair.separate.with_name(pair.separate.name + ".partial.rm")
        partial.write_bytes(streams_apart(pair.video.read_bytes()))
        os.replace(partial, pair.separate)
    return pair


def streams_apart(data: bytes) -> bytes:
    """The file with the packets of its data chunk reordered by stream
    number, each stream's packets in their own order; every other byte stays
    where it was."""
    prop = data.index(b"PROP")
    data_offset = struct.unpack_from(">I", data, prop + 42)[0]
    if data[data_offset:data_offset + 4] != b"DATA":
        raise ValueError("no DATA chunk at data_offset")
    size = struct.unpack_from(">I", data, data_offset + 4)[0]
    end = min(len(data), data_offset + size)
    packets = []
    at = data_offset + 18
    while at + 12 <= end:
        length, number = struct.unpack_from(">HH", data, at + 2)
        if length < 12 or at + length > end:
            break
        packets.append((number, data[at:at + length]))
        at += length
    packets.sort(key=lambda p: p[0])  # stable: each stream keeps its order
    return data[:data_offset + 18] + b"".join(p for _, p in packets) + data[at:]
