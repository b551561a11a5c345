#!/usr/bin/env python3
"""The live page's answer time while slow clients hold connections: a
tevrak-sim with --view, N clients that send their request one byte a
second, and GET / asked every 100 ms beside them; the median and the
slowest answer per N. The goal: under 60 slow clients, every answer within
1 s (the cap is 64 open connections; the 65th is refused at once).

    TEVRAK_SIM=build/sim/tevrak-sim python3 bench/page_slow_clients.py [--seconds S]
"""
import argparse
import os
import re
import socket
import statistics
import subprocess
import tempfile
import threading
import time


def start(folder):
    sim = subprocess.Popen([os.environ.get("TEVRAK_SIM", "tevrak-sim"), "--home", folder, "--view", "127.0.0.1:0"],
                           stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True)
    for line in sim.stdout:
        if match := re.search(r"view at http://127\.0\.0\.1:(\d+)/", line):
            return sim, int(match[1])
    raise SystemExit("tevrak-sim gave no view address")


def answer_time(port):
    asked = time.monotonic()
    with socket.create_connection(("127.0.0.1", port), timeout=10) as connection:
        connection.sendall(f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nConnection: close\r\n\r\n".encode())
        while connection.recv(65536):
            pass
    return time.monotonic() - asked


def measure(port, slow, seconds):
    stop = threading.Event()
    clients = [socket.create_connection(("127.0.0.1", port)) for _ in range(slow)]

    def trickle():
        while not stop.wait(1.0):
            for client in clients:
                try:
                    client.send(b"G")
                except OSError:
                    pass

    thread = threading.Thread(target=trickle)
    thread.start()
    times = []
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        times.append(answer_time(port))
        time.sleep(0.1)
    stop.set()
    thread.join()
    for client in clients:
        client.close()
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--seconds", type=float, default=8.0)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        sim, port = start(os.path.join(folder, "robot"))
        try:
            print("slow clients | answers | median ms | slowest ms")
            for slow in (0, 10, 30, 60):
                times = measure(port, slow, options.seconds)
                print(f"{slow:12} | {len(times):7} | {statistics.median(times) * 1000:9.1f} | {max(times) * 1000:10.1f}")
                time.sleep(6)  # the slow requests' 5 s run out
        finally:
            sim.terminate()
            sim.wait()


if __name__ == "__main__":
    main()
