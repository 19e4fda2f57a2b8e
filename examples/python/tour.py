"""A short tour of Velmora from Python, through the scripting host (velmora_host.py).

Run it with the suite's language set for amounts in words:
    VELMORA_LANGUAGE=zh-CN python3 examples/python/tour.py
"""

import decimal
import os
import sqlite3
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from velmora_host import Host, Ref, VelmoraError, call_once  # noqa: E402


def main():
    print("LittleToBig(1234.56) =", call_once("LittleToBig", decimal.Decimal("1234.56")))

    with Host() as host:
        cf = host.create("Velmora.CCommonFunction")

        # Tolerant strings; named arguments; a by-reference argument rewritten by the call.
        print("strTrim =", repr(host.call(cf, "strTrim", "  Voucher No. 17  ", bLowerCase=False)))
        customer = Ref("   Acme Trading Co.   ")
        host.call(cf, "strVal", customer)
        print("strVal left the variable as", repr(customer.value))

        # Walking a comma list: each call hands back the next part and moves the position.
        accounts, part, position = Ref("1001, 1002 ,2201"), Ref(), Ref(1)
        parts = []
        while host.call(cf, "bGetNextPart", accounts, part, position):
            parts.append(part.value)
        print("accounts:", parts)

        # Exact decimals both ways.
        print("strAdd =", host.call(cf, "strAdd", "0.1", "0.2"))
        print("sMoneyFormat =", host.call(cf, "sMoneyFormat", decimal.Decimal("1234567.891")))

        # Errors come back with their number and source.
        try:
            host.call(cf, "MidEx", "abc", 0, 1)
        except VelmoraError as e:
            print(f"MidEx failed: error {e.number}: {e.description} ({e.source})")

        # A query through the data-access objects, on a SQLite file made here.
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "books.db")
            with sqlite3.connect(path) as db:
                db.execute("create table vouchers (no integer primary key, amount numeric(12,2))")
                db.executemany("insert into vouchers values (?, ?)", [(17, "1234.56"), (18, "99.5")])
            connection = host.create("ADODB.Connection")
            host.call(connection, "Open", f"Data Source={path}")
            records = host.call(connection, "Execute", "select no, amount from vouchers order by no")
            print("vouchers:", host.call(records, "RecordCount"))
            while not host.call(records, "EOF"):
                fields = host.call(records, "Fields")
                number = host.call(host.call(fields, "Item", "no"), "Value")
                amount = host.call(host.call(fields, "Item", "amount"), "Value")
                print(f"  voucher {number}: {amount}")
                host.call(records, "MoveNext")
            host.call(connection, "Close")

        # The pool of this thread, through the global object (no "on").
        pool = host.call(None, "GetPoolInstance")
        print("pool limit:", host.call(pool, "MaxCon"))


if __name__ == "__main__":
    main()
