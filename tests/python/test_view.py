"""tevrak-view and tevrak-record beside a program that drives tevrak-sim
standing in for the robot: the page's event stream follows the program's
calls, the page refuses other sites and takes no commands, and the recorder
writes what the program did."""
import http.client
import json
import os
import signal
import subprocess
import time

import pytest

import tevrak

VIEW = os.environ.get("TEVRAK_VIEW", "tevrak-view")
RECORD = os.environ.get("TEVRAK_RECORD", "tevrak-record")


class Tool:
    """tevrak-view or tevrak-record on the simulator's robot folder."""

    def __init__(self, *args):
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.lines = []
        for line in self.process.stdout:
            self.lines.append(line.rstrip("\n"))
            if " view at " in line or line.startswith("tevrak-record: recording"):
                break

    def url_port(self):
        return int(self.lines[-1].rsplit(":", 1)[1].rstrip("/"))

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        _, errors = self.process.communicate(timeout=10)
        return self.process.returncode, errors


@pytest.fixture
def viewed(sim):
    view = Tool(VIEW, "--home", sim.home)
    yield sim, view.url_port()
    assert view.stop()[0] == 0


def get(port, path, method="GET", headers=None):
    connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    connection.request(method, path, body="" if method == "POST" else None,
                       headers={"Host": f"127.0.0.1:{port}", **(headers or {})})
    response = connection.getresponse()
    body = response.read()
    connection.close()
    return response.status, body


class Events:
    """The page's event stream: each event's state."""

    def __init__(self, port):
        self.connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        self.connection.request("GET", "/events", headers={"Host": f"127.0.0.1:{port}"})
        self.response = self.connection.getresponse()
        assert self.response.status == 200
        self.scene = None

    def next_state(self):
        while True:
            line = self.response.fp.readline().decode()
            if line.startswith("data: "):
                event = json.loads(line[6:])
                self.scene = event.get("scene") or self.scene
                return event["state"]

    def until(self, wanted, timeout=5):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            state = self.next_state()
            if wanted(state):
                return state, time.monotonic()
        raise AssertionError("the event stream never showed it")


def test_the_event_stream_follows_the_program(viewed):
    sim, port = viewed
    events = Events(port)
    assert events.next_state()["drive"]["linear"] == 0
    assert events.scene["source"] == "robot"
    drive = tevrak.Drive()
    drive.set_speed(120, 0)
    commanded = time.monotonic()
    state, seen = events.until(lambda s: s["drive"]["linear"] == 120)
    speed_latency = seen - commanded
    distance = tevrak.DistanceSensor(1).distance
    raw = sim.status().sensors[0].raw
    read = time.monotonic()
    state, seen = events.until(lambda s: any(r["psd"] == 1 for r in s["sensors"]))
    sensor_latency = seen - read
    drive.stop()
    assert distance > 0 and [r["raw"] for r in state["sensors"] if r["psd"] == 1] == [pytest.approx(raw, abs=40)]
    assert abs(state["ages"]["sensors"]["1"] - time.time()) < 5, "each value carries its time"
    # 100 ms on an idle machine; bounded loosely beside a busy build.
    print(f"speed seen after {speed_latency * 1000:.1f} ms, sensor after {sensor_latency * 1000:.1f} ms")
    assert speed_latency < 2 and sensor_latency < 2


@pytest.mark.parametrize(
    "method, path, headers, status",
    [
        ("GET", "/", {"Host": "attacker.example:80"}, 421),
        ("GET", "/events", {"Host": "attacker.example"}, 421),
        ("POST", "/control", {"X-Tevrak-View": "1", "Origin": "http://attacker.example"}, 403),
        ("POST", "/control", {"X-Tevrak-View": "1"}, 404),
        ("POST", "/key?button=KEY_UP&repeat=0", {"X-Tevrak-View": "1"}, 404),
        ("GET", "/run.svg", {}, 404),
        ("GET", "/", {}, 200),
    ],
)
def test_the_page_refuses_other_sites_and_takes_no_commands(viewed, method, path, headers, status):
    _, port = viewed
    got, _ = get(port, path, method, headers)
    assert got == status


def test_the_page_listens_on_loopback_only(viewed):
    _, port = viewed
    addresses = {line.split()[1] for line in open("/proc/net/tcp").read().splitlines()[1:] if line.split()[3] == "0A"}
    assert f"0100007F:{port:04X}" in addresses
    assert f"00000000:{port:04X}" not in addresses


def test_tevrak_record_writes_what_the_program_did(sim, tmp_path):
    recording = tmp_path / "run.jsonl"
    recorder = Tool(RECORD, "--home", sim.home, str(recording))
    tevrak.Drive().set_speed(80, 0)
    tevrak.DistanceSensor(2).distance
    status, errors = recorder.stop()
    assert status == 0 and "dropped" in errors
    lines = [json.loads(line) for line in recording.read_text().splitlines()]
    assert lines[0]["format"] == "tevrak-recording"
    assert [line["op"] for line in lines[1:]][-2:] == ["VWSetSpeed", "PSDGetRaw"]
    assert lines[-1]["args"] == {"psd": 2} and lines[-2]["args"] == {"linear": 80, "angular": 0}
