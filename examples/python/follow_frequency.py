#!/usr/bin/env python3
"""Follows the radio and prints its frequency whenever it moves.

    follow_frequency.py --port /dev/ttyUSB0 [--speed 38400]
    follow_frequency.py --sim           the simulated radio, an operator tuning it

Runs until Ctrl-C (or for --seconds N).
"""
import argparse
import sys

import tovrak


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", help="serial device of the radio")
    ap.add_argument("--speed", default="38400")
    ap.add_argument("--sim", action="store_true", help="use the simulated radio")
    ap.add_argument("--seconds", type=float, help="stop after this long")
    args = ap.parse_args()
    if not args.port and not args.sim:
        ap.error("give --port DEVICE or --sim")

    radio = tovrak.SimulatedRadio(operator=True) if args.sim else None
    rig = tovrak.Connector().Protocol  # this thread's shared control object
    rig.PortDevice = radio.path if radio else args.port
    rig.Port = 1
    rig.PortSpeed = args.speed
    ok, _, _, _, msg = rig.SetPort(True, "", "", "")  # by-reference arguments come back
    if not ok:
        sys.exit(f"cannot open {rig.PortDevice}: {msg}")
    rig.SetCAT(1)

    last = None

    @rig.on_change
    def changed(state):
        # The state is read from memory: asking it here costs nothing.
        nonlocal last
        if rig.Freq and rig.Freq != last:
            last = rig.Freq
            print(f"{last:.6f} MHz  mode {rig.Mode}", flush=True)

    try:
        if args.seconds is None:
            tovrak.run()
        else:
            tovrak.run_for(args.seconds)
    except KeyboardInterrupt:
        pass
    finally:
        rig.SetCAT(0)
        rig.SetPort(False, "", "", "")


if __name__ == "__main__":
    main()
