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

        # A connection lent by this thread's pool (a member of the global object, reached
        # as the module's own), returned when the work is done.
        pool = velmora.GetPoolInstance()
        con = velmora.Ref(None)
        pool.GetConn(dsn, con)
        try:
            rs = velmora.Dispatch("ADODB.Recordset")
            rs.Open("select no, memo, amount from vouchers order by no", con.value, 3, 3)
            print("fields:", [f.Name for f in rs.Fields])

            # The record set as the row document the suite's modules exchange.
            doc = velmora.Dispatch("MSXML2.DOMDocument")
            rs.Save(doc, 1)
            rows = doc.selectNodes("//z:row")
            print("rows in the document:", rows.length)
            for row in rows:
                amount = decimal.Decimal(row.getAttribute("amount"))
                print(f"  {row.getAttribute('no')} {row.getAttribute('memo'):<12} "
                      f"{cf.sMoneyFormat(amount):>10}  {cf.LittleToBig(amount)}")

            # The document edited as XML, then read back as a record set.
            rows.item(1).setAttribute("memo", "Printer paper")
            back = velmora.Dispatch("ADODB.Recordset")
            back.Open(doc)
            total = decimal.Decimal(0)
            while not back.EOF:
                print(f"  back: {back('no').Value} {back('memo').Value} {back('amount').Value}")
                total += back("amount").Value
                back.MoveNext()
            print("total:", cf.sMoneyFormat(total), cf.LittleToBig(total))
        finally:
            pool.ReleaseConn(con)
        print("returned to the pool:", con.value is None)


if __name__ == "__main__":
    main()
