"""Velmora from Python through the scripting host, as a subprocess.

`velmora run` answers one JSON request per line with one JSON line (docs/protocol.md);
`Host` keeps one such process and turns its answers into Python values and exceptions:

    with Host() as host:
        cf = host.create("Velmora.CCommonFunction")
        print(host.call(cf, "strTrim", "  Voucher No. 17  "))

`call_once` runs `velmora call` for a single call. The host program is "velmora" on the
PATH, or the one named by $VELMORA.
"""

import decimal
import json
import os
import subprocess

VELMORA = os.environ.get("VELMORA", "velmora")


class VelmoraError(Exception):
    """A failed request: the error's number, description, source and status."""

    def __init__(self, error):
        super().__init__(f"error {error['number']}: {error['description']}")
        self.number = error["number"]
        self.description = error["description"]
        self.source = error["source"]
        self.hresult = error["hresult"]


class Object:
    """An object the host holds, by its handle ("$1", ...)."""

    def __init__(self, value):
        self.handle = value["ref"]
        self.class_name = value["class"]

    def __repr__(self):
        return f"<{self.class_name} {self.handle}>"


class Ref:
    """A by-reference argument: a host variable whose value the call may rewrite."""

    _count = 0

    def __init__(self, value=None):
        Ref._count += 1
        self.name = f"py{Ref._count}"
        self.value = value


def to_python(value):
    """A typed JSON value of the host as a Python value."""
    kind = value["type"]
    if kind in ("empty", "null", "nothing", "missing"):
        return None
    if kind in ("decimal", "currency"):
        return decimal.Decimal(value["value"])
    if kind == "array":
        return [to_python(v) for v in value.get("value", [])]
    if kind == "object":
        return Object(value)
    return value["value"]


def to_json(value):
    """A Python value as a host value (decimal.Decimal keeps its exact digits)."""
    if isinstance(value, decimal.Decimal):
        return {"type": "decimal", "value": str(value)}
    if isinstance(value, Object):
        return {"type": "object", "ref": value.handle}
    if isinstance(value, list):
        return [to_json(v) for v in value]
    return value


class Host:
    """One `velmora run` process; requests go one at a time, answers come in order."""

    def __init__(self):
        self._process = subprocess.Popen([VELMORA, "run"], stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, text=True, encoding="utf-8")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def close(self):
        self._process.stdin.close()
        self._process.wait()

    def request(self, request):
        self._process.stdin.write(json.dumps(request, ensure_ascii=False) + "\n")
        self._process.stdin.flush()
        answer = json.loads(self._process.stdout.readline())
        if not answer["ok"]:
            raise VelmoraError(answer["error"])
        return answer

    def create(self, progid):
        return to_python(self.request({"create": progid})["value"])

    def call(self, obj, member, *args, **named):
        """obj.member(*args, **named); Ref arguments receive what the call leaves in them."""
        refs = [a for a in list(args) + list(named.values()) if isinstance(a, Ref)]
        for ref in refs:
            self.request({"let": ref.name, "value": to_json(ref.value)})

        def argument(a):
            return {"var": a.name} if isinstance(a, Ref) else to_json(a)

        request = {"call": member, "args": [argument(a) for a in args]}
        if obj is not None:
            request["on"] = obj.handle
        if named:
            request["named"] = {k: argument(v) for k, v in named.items()}
        answer = self.request(request)
        for ref in refs:
            ref.value = to_python(answer["byref"][ref.name])
        return to_python(answer["value"])


def call_once(member, *args):
    """`velmora call MEMBER ARG...` on a new CCommonFunction: the result's value."""
    done = subprocess.run([VELMORA, "call", member] + [json.dumps(to_json(a), ensure_ascii=False) for a in args],
                          capture_output=True, text=True, encoding="utf-8", check=False)
    if done.returncode != 0:
        raise RuntimeError(done.stderr.strip())
    return to_python(json.loads(done.stdout.splitlines()[0]))
