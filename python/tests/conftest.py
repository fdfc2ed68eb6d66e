import time

import pytest
import tovrak


def until(predicate, seconds=10.0):
    """Runs this thread's apartment until predicate() holds; False when it
    does not within `seconds` (a bound for a stuck link, not a timing rule)."""
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            return False
        tovrak.run_for(0.02)
    return True


@pytest.fixture(scope="session")
def radio():
    return tovrak.SimulatedRadio(seed=3)


@pytest.fixture(scope="session")
def rig(radio):
    """The shared control object, its port open on the simulated radio, CAT
    on and the radio's frequencies read."""
    rig = tovrak.Connector().Protocol
    rig.PortDevice = radio.path
    rig.Port = 1
    rig.PortSpeed = "38400"
    assert rig.SetPort(True, "", "", "")[0]
    rig.SetCAT(1)
    assert until(lambda: rig.VFOA_Freq == 14.2 and rig.VFOB_Freq == 7.05, 20)
    return rig
