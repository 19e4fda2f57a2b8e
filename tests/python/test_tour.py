"""The tour's families from Python: strings, money, SQL literals, XML, data access, the pool."""

import decimal

import pytest

import velmora


class TestStrings:
    def test_strval_trims_and_rewrites_its_argument(self, cf):
        customer = velmora.Ref("   Acme Trading Co.   ")
        assert cf.strVal(customer) == "Acme Trading Co."
        assert customer.value == "Acme Trading Co."

    def test_null_and_empty_give_text_or_zero(self, cf):
        assert cf.strVal(None) == ""
        assert cf.strVal(None, True) == 0
        assert cf.strVal(velmora.Empty) == ""

    def test_keyword_arguments_are_named_arguments(self, cf):
        assert cf.strTrim("  Voucher No. 17  ", bLowerCase=False, lTrimMode=0) == "VOUCHER NO. 17  "
        assert cf.strTrim("  Voucher No. 17  ", lTrimMode=1) == "  voucher no. 17"

    def test_get_next_part_walks_a_list_through_refs(self, cf):
        accounts, part, position = velmora.Ref("1001, 1002 ,2201"), velmora.Ref(), velmora.Ref(1)
        parts = []
        while cf.bGetNextPart(accounts, part, position):
            parts.append(part.value)
        assert parts == ["1001", "1002", "2201"]
        assert isinstance(position.value, int)

    def test_byref_true_returns_rewritten_arguments_in_parameter_order(self, cf):
        result, accounts, part, position = cf.bGetNextPart("a,b", "", iPos=3, byref=True)
        assert (result, accounts, part, position) == (True, "a,b", "b", 4)
        # Only the arguments given come back: a missing one is no variable to rewrite.
        assert cf.bGetNextPart("a,b", velmora.Missing, byref=True) == (True, "a,b")

    def test_missing_takes_the_default(self, cf):
        assert cf.sMoneyFormat(1234.5, velmora.Missing, 3) == cf.sMoneyFormat(1234.5, count=3) == "1,234.500"


class TestMoney:
    def test_decimal_arithmetic_is_exact(self, cf):
        assert cf.strAdd("0.1", "0.2") == "0.3"
        assert cf.strAdd(decimal.Decimal("0.1"), decimal.Decimal("0.2")) == "0.3"

    def test_money_format_and_rounding(self, cf):
        assert cf.sMoneyFormat(decimal.Decimal("1234567.891")) == "1,234,567.89"
        assert cf.Vround(2.675, 2) == "2.68"

    def test_amount_in_words_and_cents_left_in_the_variable(self, cf):
        amount = velmora.Ref(1234.56)
        assert cf.LittleToBig(amount) == "壹仟贰佰叁拾肆元伍角陆分"
        assert amount.value == 123456


class TestSqlLiterals:
    def test_literals(self, cf):
        assert cf.sCheckDate("2007.3.5") == "2007-03-05"
        assert cf.sCheckDateNull("not a date") == "null"
        assert cf.sCheckNull("O'Brien") == "'O''Brien'"
        assert cf.sCheckMoney("1,234,567.50") == "1234567.50"


class TestXml:
    def test_document_built_read_and_written_by_path(self, cf):
        ka = cf.objGenerateKaDom(["roottag", "voucher", "ver", "1"])
        assert "<kainterface" in ka.xml
        payload = cf.objSelectRootTag(ka)
        assert payload.nodeName == "voucher"
        cf.SetAttr(".", "Code", "V-017", payload)
        assert cf.GetAttr(".", "code", payload) == "v-017"
        assert cf.GetAttr("nowhere/at/all", "code", payload) == ""

    def test_collections_iterate(self):
        doc = velmora.Dispatch("MSXML2.DOMDocument")
        assert doc.loadXML("<a><b n='1'/><b n='2'/><c/></a>")
        names = [node.nodeName for node in doc.documentElement.childNodes]
        assert names == ["b", "b", "c"]
        attributes = [(a.name, a.value) for a in doc.documentElement.firstChild.attributes]
        assert attributes == [("n", "1")]
        assert [n.getAttribute("n") for n in doc.selectNodes("//b")] == ["1", "2"]

    def test_an_object_that_is_no_collection_does_not_iterate(self, cf):
        with pytest.raises(velmora.Error):
            iter(cf)


class TestDataAccess:
    def test_query_fields_and_default_members(self, vouchers):
        db = velmora.Dispatch("ADODB.Connection")
        db.Open(vouchers)
        rs = velmora.Dispatch("ADODB.Recordset")
        rs.Open("select no, memo, amount from vouchers order by no", db, 3, 3)
        assert [f.Name for f in rs.Fields] == ["no", "memo", "amount"]
        assert rs.Fields("memo").Value == "Office rent"
        assert rs("memo").Value == rs.Fields["memo"].Value == rs.Fields.Item("memo").Value
        assert rs.Fields(0).Value == 17
        rows = []
        while not rs.EOF:
            rows.append((rs("no").Value, rs("amount").Value))
            rs.MoveNext()
        assert rows == [(17, decimal.Decimal("1234.56")), (18, decimal.Decimal("99.5"))]

    def test_record_set_to_document_and_back(self, vouchers):
        db = velmora.Dispatch("ADODB.Connection")
        db.Open(vouchers)
        rs = velmora.Dispatch("ADODB.Recordset")
        rs.Open("select no, memo from vouchers order by no", db, 3, 3)
        doc = velmora.Dispatch("MSXML2.DOMDocument")
        rs.Save(doc, 1)
        assert doc.selectSingleNode("//z:row").getAttribute("memo") == "Office rent"
        back = velmora.Dispatch("ADODB.Recordset")
        back.Open(doc)
        assert back.RecordCount == 2
        assert back("memo").Value == "Office rent"


    def test_query_through_the_pool_to_a_document_and_back(self, cf, vouchers):
        doc = cf.Sql2Doc(vouchers, "select no, memo from vouchers order by no")
        assert doc.selectNodes("//z:row").length == 2
        rs = cf.Doc2Rs(doc.documentElement)
        assert rs.RecordCount == 2
        rs.MoveFirst()
        assert (rs("no").Value, rs("memo").Value) == (17, "Office rent")


class TestPool:
    def test_global_members_without_creating_the_global_object(self):
        pool = velmora.GetPoolInstance()
        assert pool == velmora.GetPoolInstance()
        assert isinstance(pool.MaxCon, int)

    def test_property_put(self):
        pool = velmora.GetPoolInstance()
        before = pool.MaxCon
        try:
            pool.MaxCon = 8
            assert pool.MaxCon == 8
        finally:
            pool.MaxCon = before

    def test_lend_return_and_lend_again(self, vouchers):
        pool = velmora.GetPoolInstance()
        con = velmora.Ref(None)
        assert pool.GetConn(vouchers, con) == 1
        first = con.value
        assert first.Execute("select count(*) from vouchers")(0).Value == 2
        pool.ReleaseConn(con)
        assert con.value is None
        assert pool.GetConn(vouchers, con) == 1
        assert con.value == first
        pool.ReleaseConn(con)
