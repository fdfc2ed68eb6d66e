"""The interface as Python sees it: every member of the table, calls with
written-back arguments, and the component's errors."""
import ast
import os
import threading

import pytest
import tovrak
from conftest import until


def test_every_member_of_the_table_is_reachable_and_in_the_stubs():
    assert [m[0] for m in tovrak.MEMBERS] == list(range(1, 175))
    stub = os.path.join(os.path.dirname(tovrak.__file__), "_tovrak.pyi")
    tree = ast.parse(open(stub).read())
    protocol = next(n for n in tree.body if isinstance(n, ast.ClassDef) and n.name == "Protocol")
    stubbed = {n.name for n in protocol.body if isinstance(n, ast.FunctionDef)}
    for slot, name, kind, args in tovrak.MEMBERS:
        attr = getattr(tovrak.Protocol, name)
        if kind == "method" or (kind == "get" and args):
            assert callable(attr) and not isinstance(attr, property), name
        elif kind == "get":
            assert attr.fget is not None, name
        else:
            assert attr.fset is not None, name
        assert attr.__doc__ and name in stubbed, name
    # The help texts reach the docstrings.
    assert "Current frequency (MHz)" in tovrak.Protocol.Freq.__doc__


def test_calls_write_back_their_by_reference_arguments(rig, radio):
    # A method with by-reference arguments gives (result, written back...).
    assert rig.SetVFOB(Freq=7.123) == (True, 7.123)
    assert until(lambda: radio.state()["vfo_b_hz"] == 7_123_000)
    # Properties read and assign; an indexed property is a method.
    rig.ChannelMax = 50
    assert rig.ChannelMax == 50
    assert rig.SetAFLevel(0, 77) == (True, 0, 77)
    assert until(lambda: rig.AFLevel(0) == 77)


@pytest.mark.parametrize(
    "call, kind, python, code, number",
    [
        (lambda r: r.Property(101), tovrak.SubscriptError, IndexError, 0x800A0009, 9),
        (lambda r: r.SetPitch(40000), tovrak.ValueOverflowError, OverflowError, 0x800A0006, 6),
        (lambda r: r.SetFreq("abc"), tovrak.TypeMismatchError, TypeError, 0x800A000D, 13),
        (lambda r: setattr(r, "PortSpeed", "fast"), tovrak.InvalidValueError, ValueError,
         0x800A017C, 380),
    ],
)
def test_component_errors_are_pythons_own_and_carry_code_and_description(
        call, kind, python, code, number):
    rig = tovrak.Connector(tovrak.Apartment()).Protocol
    with pytest.raises(python) as e:
        call(rig)
    assert type(e.value) is kind and isinstance(e.value, tovrak.Error)
    assert (e.value.code, e.value.number) == (code, number)
    assert e.value.description == str(e.value) != ""


def test_misuse_is_refused():
    rig = tovrak.Connector().Protocol
    with pytest.raises(TypeError):
        rig.SetPitch()
    with pytest.raises(TypeError):
        rig.SetPitch(Speed=1)
    with pytest.raises(AttributeError):
        rig.Freq = 7.0
    # Only the apartment's own thread calls in.
    seen = []

    def elsewhere():
        try:
            rig.Freq
        except RuntimeError as e:
            seen.append(e)

    t = threading.Thread(target=elsewhere)
    t.start()
    t.join()
    assert seen
