"""The peer of the in-process probes: psutil.net_if_addrs() in one Python
process. Each line read from standard input asks for one call; the answer is
the call's duration in nanoseconds, measured around the call alone, and the
number of interfaces it reported."""

import sys
import time

import psutil


def main():
    psutil.net_if_addrs()  # imports and first-call set-up stay out of the timings
    for _ in sys.stdin:
        start = time.perf_counter_ns()
        interfaces = psutil.net_if_addrs()
        elapsed = time.perf_counter_ns() - start
        sys.stdout.write(f"{elapsed} {len(interfaces)}\n")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
