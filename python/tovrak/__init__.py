"""The radio's control component for Python.

    import tovrak
    rig = tovrak.Connector().Protocol        # the shared control object
    rig.PortDevice = "/dev/ttyUSB0"
    ok, *_ = rig.SetPort(True, "", "", "")
    rig.SetCAT(1)

    @rig.on_change
    def changed(state):
        print(rig.Freq)

    tovrak.run()                             # or run_for(seconds), or attach(loop)
"""

import asyncio

from ._tovrak import (  # noqa: F401
    MEMBERS,
    Apartment,
    Connector,
    Error,
    Protocol,
    SimulatedRadio,
    __version__,
    quit,
    run,
    run_for,
)


def attach(loop=None, apartment=None):
    """Drives an apartment (this thread's by default) from an asyncio loop.

    The loop watches the apartment's descriptor and processes its messages
    when it is readable. Returns a function that detaches it again.
    """
    loop = loop or asyncio.get_running_loop()
    apartment = apartment or Apartment.current()
    fd = apartment.fd()
    loop.add_reader(fd, apartment.pump)
    return lambda: loop.remove_reader(fd)
