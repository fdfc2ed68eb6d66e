"""The radio's control component for Python.

    import tovrak
    rig = tovrak.Connector().Protocol        # the shared control object
    rig.PortDevice = "/dev/ttyUSB0"
    ok, *_ = rig.SetPort(True, "", "", "")
    rig.SetCAT(1)

    @rig.on_change
    def changed(state):                      # a tovrak.Change
        print(rig.Freq)

    tovrak.run()                             # or run_for(seconds), or attach(loop)

Strings are UTF-8. The component's errors are tovrak.Error, and those of a
kind Python has an exception for are also that exception: a type mismatch is
a TypeError, an overflow an OverflowError, a subscript out of range an
IndexError, an invalid property value a ValueError. Ctrl-C ends the
component's waits; a transmission the program keyed (SetPTT) is released
when KeyboardInterrupt leaves a call of the module, when the last connector
goes, and at exit.
"""

import asyncio
import atexit

from ._tovrak import (
    MEMBERS,
    Apartment,
    Change,
    Connector,
    Error,
    InvalidValueError,
    Protocol,
    SimulatedRadio,
    SubscriptError,
    TypeMismatchError,
    ValueOverflowError,
    __version__,
    _release_transmitter,
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


__all__ = [
    "Apartment",
    "Change",
    "Connector",
    "Error",
    "InvalidValueError",
    "MEMBERS",
    "Protocol",
    "SimulatedRadio",
    "SubscriptError",
    "TypeMismatchError",
    "ValueOverflowError",
    "attach",
    "quit",
    "run",
    "run_for",
]

# The classes and functions are the package's: help(tovrak) lists them.
for _name in __all__:
    _obj = globals()[_name]
    if isinstance(_obj, type) or callable(_obj):
        try:
            _obj.__module__ = __name__
        except (AttributeError, TypeError):
            pass
del _name, _obj

# A transmission the program keyed and left on is released at exit.
atexit.register(_release_transmitter)
