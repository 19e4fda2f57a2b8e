"""A query through the connection pool turned into an XML row document and back, with the
velmora module (in-process; no host between Python and the library).

Run it after building, with the suite's language set for amounts in words:
    PYTHONPATH=build/release/out/python VELMORA_LANGUAGE=zh-CN python3 examples/python/query_to_document.py
(with the python3-velmora package installed, PYTHONPATH is not needed).
"""

import decimal
import os
import sqlite3
import tempfile

import velmora


def make_books(folder):
    """A small ledger in a SQLite file; its connection string."""
    path = os.path.join(folder, "books.db")
    with sqlite3.connect(path) as db:
        db.execute("create table vouchers (no integer primary key, memo nvarchar(40), amount money)")
        db.executemany("insert into vouchers values (?, ?, ?)",
                       [(17, "Office rent", "1234.56"), (18, "Paper", "99.50"), (19, "Courier", "12.00")])
    return f"Provider=SQLite;Data Source={path}"


def main():
    cf = velmora.Dispatch("Velmora.CCommonFunction")
    with tempfile.TemporaryDirectory() as folder:
        dsn = make_books(folder)

        # The query through this thread's connection pool, answered as the row document
        # the suite's modules exchange.
        doc = cf.Sql2Doc(dsn, "select no, memo, amount from vouchers order by no")
        rows = doc.selectNodes("//z:row")
        print("rows in the document:", rows.length)
        for row in rows:
            amount = decimal.Decimal(row.getAttribute("amount"))
            print(f"  {row.getAttribute('no')} {row.getAttribute('memo'):<12} "
                  f"{cf.sMoneyFormat(amount):>10}  {cf.LittleToBig(amount)}")

        # The document edited as XML, then turned back into a record set.
        rows.item(1).setAttribute("memo", "Printer paper")
        rs = cf.Doc2Rs(doc.documentElement)
        rs.MoveFirst()  # Doc2Rs leaves the record set on the last row it added
        print("fields:", [f.Name for f in rs.Fields])
        total = decimal.Decimal(0)
        while not rs.EOF:
            print(f"  back: {rs('no').Value} {rs('memo').Value} {rs('amount').Value}")
            total += rs("amount").Value
            rs.MoveNext()
        print("total:", cf.sMoneyFormat(total), cf.LittleToBig(total))

        # The pool itself, a member of the global object reached as the module's own: it
        # lends a connection for the same data source and takes it back.
        pool = velmora.GetPoolInstance()
        con = velmora.Ref(None)
        pool.GetConn(dsn, con)
        print("vouchers counted on a lent connection:", con.value.Execute("select count(*) from vouchers")(0).Value)
        pool.ReleaseConn(con)
        print("returned to the pool:", con.value is None)


if __name__ == "__main__":
    main()
