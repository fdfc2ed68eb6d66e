#!/usr/bin/env python3
"""The radio inside an asyncio program: the loop drives the component through
its descriptor, one task prints the frequency as it moves, another the
S-meter every few seconds.

    follow_asyncio.py --port /dev/ttyUSB0 [--speed 38400]
    follow_asyncio.py --sim
"""
import argparse
import asyncio
import sys

import tovrak


async def follow(rig, changes):
    last = None
    while True:
        await changes.get()
        if rig.Freq and rig.Freq != last:
            last = rig.Freq
            print(f"{last:.6f} MHz", flush=True)


async def meter(rig):
    while True:
        await asyncio.sleep(3)
        print(f"S-meter {rig.SMeter}", flush=True)


async def main(args):
    radio = tovrak.SimulatedRadio(operator=True) if args.sim else None
    rig = tovrak.Connector().Protocol
    rig.PortDevice = radio.path if radio else args.port
    rig.Port = 1
    rig.PortSpeed = args.speed
    ok, _, _, _, msg = rig.SetPort(True, "", "", "")
    if not ok:
        sys.exit(f"cannot open {rig.PortDevice}: {msg}")

    detach = tovrak.attach()  # the loop now processes the component's messages
    changes = asyncio.Queue()
    rig.on_change(changes.put_nowait)
    rig.SetCAT(1)
    tasks = asyncio.gather(follow(rig, changes), meter(rig))
    try:
        await asyncio.wait_for(tasks, args.seconds)
    except asyncio.TimeoutError:
        pass
    finally:
        rig.SetCAT(0)
        rig.SetPort(False, "", "", "")
        detach()


if __name__ == "__main__":
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--port", help="serial device of the radio")
    ap.add_argument("--speed", default="38400")
    ap.add_argument("--sim", action="store_true", help="use the simulated radio")
    ap.add_argument("--seconds", type=float, help="stop after this long")
    args = ap.parse_args()
    if not args.port and not args.sim:
        ap.error("give --port DEVICE or --sim")
    try:
        asyncio.run(main(args))
    except KeyboardInterrupt:
        pass
