"""Change as Python callbacks: several subscribers, calls back into the
component from a handler, errors of a handler, and asyncio."""
import asyncio
import threading

import pytest
import tovrak
from conftest import until


def settle(rig):
    """Reads the levels: their answers raise Change(4)."""
    rig.PollLevels()


def test_subscribers_and_calls_from_a_handler(rig, radio):
    first, second = [], []

    @rig.on_change
    def follow(state):
        first.append(state)
        if len(first) == 1:
            # Back into the component, from inside its event.
            assert rig.SetVFOB(7.2) == (True, 7.2)
            first.append(rig.AFLevel(0))

    rig.on_change(second.append)
    try:
        settle(rig)
        assert until(lambda: 4 in first and second)
        assert until(lambda: radio.state()["vfo_b_hz"] == 7_200_000)
        assert rig.off_change(follow) and not rig.off_change(follow)
        count = len(first)
        settle(rig)
        assert until(lambda: len(second) > count)
        assert len(first) == count
    finally:
        rig.off_change(follow)
        rig.off_change(second.append)


def test_an_error_in_a_handler_stops_the_loop_and_is_raised(rig):
    def broken(state):
        raise KeyError("handler")

    rig.on_change(broken)
    try:
        settle(rig)
        with pytest.raises(KeyError):
            tovrak.run_for(10)
    finally:
        rig.off_change(broken)


def test_asyncio_drives_the_apartment(rig):
    async def main():
        loop = asyncio.get_running_loop()
        changed = loop.create_future()

        def seen(state):
            if not changed.done():
                changed.set_result(state)

        detach = tovrak.attach(loop)
        rig.on_change(seen)
        try:
            settle(rig)
            return await asyncio.wait_for(changed, 10)
        finally:
            rig.off_change(seen)
            detach()

    state = asyncio.run(main())
    assert isinstance(state, tovrak.Change) and state in (1, 3, 4)


def test_other_threads_run_while_the_apartment_waits():
    ticks, stop = [], threading.Event()

    def worker():
        while not stop.is_set():
            ticks.append(1)
            stop.wait(0.001)

    t = threading.Thread(target=worker)
    t.start()
    tovrak.run_for(0.2)
    seen = len(ticks)
    stop.set()
    t.join()
    assert seen > 20  # a held interpreter lock would allow one or two
