"""tevrak.Remote against a private lirc daemon: keys as one-character
strings, the hold delay, bounded waits."""
import select
import threading
import time

import pytest

import tevrak


def test_keys_arrive_as_characters(lircd):
    remote = tevrak.Remote()
    assert remote.poll() is None  # connects; nothing pending
    for button in ("KEY_1", "KEY_UP", "KEY_RED", "KEY_RIGHT"):
        lircd.press(button)
    assert [remote.get(timeout=5) for _ in range(4)] == ["1", "U", "R", ">"]

    remote.set_hold_delay(3)
    for repeat in range(4):
        lircd.press("KEY_OK", repeat)
    assert remote.get(timeout=5) == "O"  # the press; repeats 1 and 2 are held back
    assert remote.get(timeout=5) == "O"  # repeat 3


def test_key_names_iterator_and_descriptor(lircd):
    remote = tevrak.Remote()
    remote.poll()
    assert select.select([remote.fileno()], [], [], 0.05)[0] == []
    for button in ("KEY_LEFT", "KEY_RIGHT", "KEY_0"):
        lircd.press(button)
    assert select.select([remote.fileno()], [], [], 5)[0] == [remote.fileno()]
    keys = list(remote.keys(timeout=0.3))
    assert keys == [tevrak.Key.LEFT, tevrak.Key.RIGHT, tevrak.Key.DIGIT_0] == ["L", ">", "0"]
    assert [tevrak.Key(key).name for key in keys] == ["LEFT", "RIGHT", "DIGIT_0"]
    with pytest.raises(ValueError):
        remote.keys(timeout=-1)


def test_use_configuration_installs_it_through_sudo(lircd, no_sudo):
    remote = tevrak.Remote()
    remote.use_configuration(2)
    assert remote.configuration == 2
    commands = no_sudo.read_text().splitlines()[-2:]
    assert commands == [f"cp {tevrak.home()}/bin/ir/2_lircd.conf /etc/lirc/lircd.conf", "/etc/init.d/lirc restart"]


def test_get_gives_up_after_its_timeout_and_lets_threads_run(lircd):
    remote = tevrak.Remote()
    ticks = []
    stop = threading.Event()

    def count():  # runs only while get() has released the interpreter
        while not stop.is_set():
            ticks.append(1)
            time.sleep(0.01)

    ticker = threading.Thread(target=count)
    ticker.start()
    began = time.monotonic()
    try:
        assert remote.get(timeout=0.3) is None
    finally:
        stop.set()
        ticker.join()
    assert 0.3 <= time.monotonic() - began < 2  # 2 s: a wait that ignores its timeout
    assert len(ticks) >= 3  # the wait held the interpreter: one tick at most

    threading.Timer(0.2, lircd.press, ("KEY_2",)).start()
    assert remote.get(timeout=5) == "2"
    with pytest.raises(ValueError):
        remote.get(timeout=-1)


@pytest.mark.parametrize("button, key", [("KEY_UP", "U"), ("KEY_1", "1")])
def test_the_simulators_remote_in_test_after_test(sim, button, key):
    remote = tevrak.Remote()  # the second test fails unless the fixture let go of the first remote
    sim.press(button, repeats=0)
    assert remote.get(timeout=5) == key
