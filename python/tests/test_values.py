"""Values between Python and the component: arguments in, property types
out, SetPort's result, and the bounds of run_for."""
import math
import pydoc
import threading

import pytest
import tovrak


@pytest.fixture
def fresh():
    """A component of its own, its port closed."""
    return tovrak.Connector(tovrak.Apartment()).Protocol


class Holder:
    """An object used as a value: the component reads its `value`."""

    def __init__(self, value):
        self.value = value


def test_arguments_keep_their_type_through_a_variant(fresh):
    # AutoNF holds whatever it is given, so each value comes back as the
    # type it went in as: Integer, Long, Double, Boolean, String, Empty.
    for value in (5, -32768, 40000, 2**40 + 0.5, 2.5, True, "x", None):
        fresh.AutoNF = value
        assert fresh.AutoNF == value and type(fresh.AutoNF) is type(value), value
    fresh.AutoNF = 2**31
    assert type(fresh.AutoNF) is float  # beyond a Long: a Double
    held = Holder(3)
    fresh.AutoNF = held  # an object is assigned by reference
    assert fresh.AutoNF is held


def test_objects_are_read_through_value_a_few_levels_deep(fresh):
    assert fresh.SetPitch(Holder(Holder(700))) == (True, 700)
    endless = Holder(None)
    endless.value = endless
    deep = Holder(700)
    for _ in range(8):
        deep = Holder(deep)
    for bad in (endless, deep, object()):
        with pytest.raises(TypeError):
            fresh.SetPitch(bad)
        with pytest.raises(TypeError):
            fresh.SetKeyerMessage(1, 1, bad)


def test_numbers_beyond_a_type_overflow(fresh):
    for value in (40000, 2**63, 10**400, -(10**400), 1e300):
        with pytest.raises(OverflowError):
            fresh.SetPitch(value)
    assert fresh.Pitch == 0  # nothing was taken


def test_strings_are_utf8_and_bytes_pass_as_they_are(fresh):
    assert fresh.SetKeyerMessage(1, 1, "añb€") == (True, 1, 1, "añb€")
    # Text the component holds that is not UTF-8 reads byte by byte as
    # Latin-1, as the component itself reads it.
    assert fresh.SetKeyerMessage(1, 1, b"\xe9t\xe9\xe2\x82A") == (True, 1, 1, "\xe9t\xe9\xe2\x82A")
    with pytest.raises(UnicodeEncodeError):
        fresh.SetKeyerMessage(1, 1, "\udc80")


def test_properties_have_the_python_type_of_their_interface_type(fresh):
    python_type = {"int": int, "float": float, "bool": bool, "str": str}
    seen = set()
    for _, name, kind, args in tovrak.MEMBERS:
        if kind != "get" or args:
            continue
        declared = getattr(tovrak.Protocol, name).__doc__.splitlines()[0].split("-> ")[1]
        if declared in python_type:
            assert type(getattr(fresh, name)) is python_type[declared], name
            seen.add(declared)
    assert seen == set(python_type)
    # The VFO is a Double in the interface: a float, like the frequencies.
    assert (type(fresh.VFO), type(fresh.PortOpen), type(fresh.Mode)) == (float, bool, int)


def test_setport_tells_whether_the_port_is_open(fresh, tmp_path):
    missing = str(tmp_path / "no-such-device")
    fresh.PortDevice = missing
    ok, port_open, _, _, msg = fresh.SetPort(True, "", "", "")
    assert (ok, port_open, fresh.PortOpen) == (False, False, False)
    assert missing in msg
    radio = tovrak.SimulatedRadio(seed=7)
    fresh.PortDevice = radio.path
    assert fresh.SetPort(True, "", "", "")[:2] == (True, True)
    assert fresh.SetPort(False, "", "", "")[:2] == (True, False)


@pytest.mark.parametrize("seconds", [math.inf, 9.3e9, 1e300])
def test_run_for_a_span_beyond_any_run_lasts_until_quit(seconds):
    apartment = tovrak.Apartment.current()
    quit_sent = threading.Event()

    def quit_later():
        quit_sent.set()
        apartment.quit()

    timer = threading.Timer(0.5, quit_later)
    timer.start()
    tovrak.run_for(seconds)
    timer.join()
    assert quit_sent.is_set()  # it did not end on its own


@pytest.mark.parametrize("seconds", [math.nan, -1, -math.inf])
def test_run_for_refuses_what_is_no_span(seconds):
    with pytest.raises(ValueError):
        tovrak.run_for(seconds)


def test_help_shows_the_classes_of_the_package():
    text = pydoc.render_doc(tovrak, renderer=pydoc.plaintext)
    for name in ("Connector", "Protocol", "Apartment", "SimulatedRadio", "Change", "Error",
                 "TypeMismatchError"):
        assert "class " + name in text, name
