"""Ctrl-C and the other ways out of a Python program that keyed the
transmitter: each leaves the radio released. A child Python process drives
the simulated radio, which runs here, over its pseudo-terminal."""
import signal
import subprocess
import sys

import pytest
import tovrak
from conftest import until

# The child keys the transmitter, says so, and then does what `how` says.
CHILD = """
import gc, sys, time, tovrak
how = sys.argv[2]
rig = tovrak.Connector().Protocol
rig.PortDevice = sys.argv[1]
rig.Port, rig.PortSpeed = 1, "38400"
assert rig.SetPort(True, "", "", "")[0]
assert rig.SetPTT(1) == (True, 1)
start = time.monotonic()
try:
    # Told inside the try: the parent's Ctrl-C may come at once.
    print("keyed", flush=True)
    if how == "run":
        tovrak.run()
    elif how == "wait":
        rig.SetPowerON(1)  # sleeps 1.5 s in the component
    elif how == "drop":
        del rig
        gc.collect()
        print("dropped", flush=True)
        time.sleep(60)
except KeyboardInterrupt:
    print("interrupted after %.2f s" % (time.monotonic() - start), flush=True)
    raise
"""


@pytest.mark.parametrize(
    "how, interrupt",
    [
        ("run", True),  # Ctrl-C in tovrak.run()
        ("wait", True),  # Ctrl-C inside a wait of the component
        ("exit", False),  # the program ends with the transmitter keyed
        ("drop", True),  # the program drops its connector
    ],
)
def test_every_way_out_releases_the_transmitter(how, interrupt):
    radio = tovrak.SimulatedRadio(seed=5)
    child = subprocess.Popen([sys.executable, "-c", CHILD, radio.path, how],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline() == "keyed\n"
        if how == "drop":
            assert child.stdout.readline() == "dropped\n"
            assert until(lambda: not radio.state()["ptt"])  # while the program runs on
        elif interrupt:
            assert until(lambda: radio.state()["ptt"])
        if interrupt:
            child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=20)
    finally:
        child.kill()
    assert not radio.state()["ptt"], err
    if how in ("run", "wait"):
        assert child.returncode == -signal.SIGINT and err.rstrip().endswith("KeyboardInterrupt")
        # The interrupt ends the component's wait at once, long before its
        # 1.5 s are over.
        assert float(out.split()[2]) < 1.0, out
    else:
        assert child.returncode in (0, -signal.SIGINT), err
