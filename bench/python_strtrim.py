"""strTrim from Python: in-process through the velmora module, against the same call through
`velmora run` (a JSON-lines host process driven from Python), measured in the same run.

    PYTHONPATH=build/release/out/python PATH=build/release/out:$PATH python3 bench/python_strtrim.py

Prints each way's time per call (the best of several rounds) and the ratio.
"""

import os
import sys
import timeit

import velmora

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples", "python"))
from velmora_host import Host  # noqa: E402

TEXT = "  Voucher No. 17  "
ROUNDS = 5


def best_per_call(fn, calls):
    """Seconds per call: the best of ROUNDS rounds of `calls` calls."""
    return min(timeit.repeat(fn, number=calls, repeat=ROUNDS)) / calls


def main():
    cf = velmora.Dispatch("Velmora.CCommonFunction")
    assert cf.strTrim(TEXT, bLowerCase=False) == "VOUCHER NO. 17"
    in_process = best_per_call(lambda: cf.strTrim(TEXT, bLowerCase=False), 50000)
    in_process_positional = best_per_call(lambda: cf.strTrim(TEXT), 50000)

    with Host() as host:
        handle = host.create("Velmora.CCommonFunction")
        assert host.call(handle, "strTrim", TEXT, bLowerCase=False) == "VOUCHER NO. 17"
        through_host = best_per_call(lambda: host.call(handle, "strTrim", TEXT, bLowerCase=False), 2000)

    print(f"velmora module (in-process), named argument : {in_process * 1e6:8.2f} us per call")
    print(f"velmora module (in-process), positional     : {in_process_positional * 1e6:8.2f} us per call")
    print(f"velmora run (JSON lines host), named arg.   : {through_host * 1e6:8.2f} us per call")
    print(f"ratio host / module                         : {through_host / in_process:8.1f}x")


if __name__ == "__main__":
    main()
