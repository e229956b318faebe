#!/usr/bin/env python3
"""Runs a command and samples the used bytes of one file system while it runs.

Meant for a file system that nothing else writes to (a tmpfs of its own): its used bytes are then
exactly what the command and the processes it talks to have placed there.

Usage: room-peak.py MOUNT_POINT COMMAND [ARG...]
Prints one line: exit code, used bytes before, peak used bytes, used bytes after, samples, seconds.
"""
import os
import subprocess
import sys
import time


def used(mount):
    stats = os.statvfs(mount)
    return (stats.f_blocks - stats.f_bfree) * stats.f_frsize


def main():
    mount, command = sys.argv[1], sys.argv[2:]
    before = used(mount)
    peak = before
    samples = 0
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # A short sleep leaves the cores to the command; the installer's staged files live for much
    # longer than one interval.
    while process.poll() is None:
        peak = max(peak, used(mount))
        samples += 1
        time.sleep(0.0005)
    seconds = time.monotonic() - start
    after = used(mount)
    peak = max(peak, after)
    print(process.returncode, before, peak, after, samples, f'{seconds:.2f}')


if __name__ == '__main__':
    main()
