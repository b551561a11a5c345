"""tevrak.cycle(): the calls inside go behind one link check and hold the
link against other threads; a failure inside raises as outside, ends the
cycle and gives the link back."""
import threading
import time

import pytest

import tevrak


def test_a_cycle_keeps_other_threads_off_the_link_until_it_ends(sim):
    sensors = [tevrak.DistanceSensor(n) for n in (1, 2)]
    encoder = tevrak.Encoder(1)
    single = [sensors[0].raw, sensors[1].raw, encoder.count]
    other = []
    with tevrak.cycle():
        inside = [sensors[0].raw, sensors[1].raw]
        thread = threading.Thread(target=lambda: other.append(tevrak.DistanceSensor(3).raw))
        thread.start()
        time.sleep(0.2)
        inside.append(encoder.count)
        assert other == []  # still waiting for the link
    thread.join(5)
    assert inside == single
    assert len(other) == 1
    tail = [line.split()[0] + " " + line.split()[1] for line in sim.frames()[-4:]]
    assert tail == ["PSDGetRaw psd=1", "PSDGetRaw psd=2", "ENCODERRead encoder=1", "PSDGetRaw psd=3"]


def test_a_failure_inside_raises_and_the_next_call_checks_the_link(sim):
    sensor = tevrak.DistanceSensor(1)
    tevrak.set_link_timeout(1.0)
    try:
        with pytest.raises(tevrak.LinkError, match="PSDGetRaw"):
            with tevrak.cycle():
                sensor.raw
                sim.command("silent on")
                sensor.raw
        sim.command("silent off")
        # Given back: another thread gets the link at once.
        got = []
        thread = threading.Thread(target=lambda: got.append(sensor.raw))
        thread.start()
        thread.join(5)
        assert len(got) == 1
    finally:
        tevrak.set_link_timeout(None)


def test_a_cycle_object_opens_once(sim):
    cycle = tevrak.cycle()
    with cycle:
        with pytest.raises(ValueError, match="open already"):
            cycle.__enter__()
