"""Values both ways: each Python type into a variant and back, and as the library reads it.

A velmora.Ref passed for strTrim's by-reference Variant parameter (which strTrim reads and
leaves alone) goes into the dispatch engine as a variant and comes back out of it.
"""

import datetime
import decimal

import pytest

import velmora


def round_trip(cf, value):
    cell = velmora.Ref(value)
    cf.strTrim(cell)
    return cell.value


@pytest.mark.parametrize("value", [
    "text", "", "汉字 and ünïcode", 0, -7, 2**31 - 1, -2**31, 2**31, 2**40, -2**63, 2**63 - 1, 0.1, -1e300,
    True, False, decimal.Decimal("1234.56"), decimal.Decimal("-0.0001"),
    decimal.Decimal("79228162514264337593543950335"),
    datetime.datetime(2007, 3, 5, 10, 30, 15), datetime.datetime(1850, 1, 2, 23, 59, 59),
    datetime.datetime(9999, 12, 31),
    [1, "a", [2.5, None]], [], (1, 2),
])
def test_values_come_back_as_they_went(cf, value):
    back = round_trip(cf, value)
    expected = list(value) if isinstance(value, tuple) else value
    assert back == expected
    assert type(back) is type(expected)


def test_markers_and_none(cf):
    assert round_trip(cf, None) is None
    assert round_trip(cf, velmora.Empty) is velmora.Empty
    assert repr(velmora.Empty) == "velmora.Empty" and repr(velmora.Missing) == "velmora.Missing"


def test_a_date_goes_in_as_midnight_and_comes_back_as_a_datetime(cf):
    assert round_trip(cf, datetime.date(2007, 3, 5)) == datetime.datetime(2007, 3, 5)
    assert cf.sCheckDate(datetime.date(2007, 3, 5)) == "2007-03-05"
    assert cf.iDateDiff(datetime.date(2007, 3, 5), datetime.datetime(2007, 3, 15, 12, 0)) == 10


def test_objects_come_back_as_the_same_object(cf):
    doc = velmora.Dispatch("MSXML2.DOMDocument")
    back = round_trip(cf, doc)
    assert back == doc and hash(back) == hash(doc)
    assert back != velmora.Dispatch("MSXML2.DOMDocument")


def test_integers_are_sized_as_the_parameter_asks(cf):
    assert cf.MidEx("abcdef", 2, 3) == "bcd"  # Long parameters from Python ints
    assert cf.LenEx(2**40) == 13              # an i8 read as text
    with pytest.raises(velmora.Error) as raised:
        cf.MidEx("abc", 2**40, 1)             # an i8 that no Long holds
    assert raised.value.number == 6 and raised.value.argument == "lstart"
    position = velmora.Ref(1)
    cf.bGetNextPart("a,b", "", position)      # iPos is an Integer (i2)
    assert position.value == 3 and type(position.value) is int


def test_decimal_and_currency_come_back_as_decimal(cf, vouchers):
    assert cf.strAdd(decimal.Decimal("12345678901234567890.12"), decimal.Decimal("0.01")) == "12345678901234567890.13"
    db = velmora.Dispatch("ADODB.Connection")
    db.Open(vouchers)
    amount = db.Execute("select amount from vouchers where no = 17")(0).Value
    assert amount == decimal.Decimal("1234.56") and isinstance(amount, decimal.Decimal)


def test_dates_from_a_query_are_datetimes(vouchers):
    db = velmora.Dispatch("ADODB.Connection")
    db.Open(vouchers)
    rs = db.Execute("select posted from vouchers order by no")
    assert rs(0).Value == datetime.datetime(2007, 3, 5, 10, 30)


def test_arrays_pass_as_lists(cf):
    node = cf.objMakeNode("voucher", ["code", "V-17", "year", 2007])
    assert node.getAttribute("code") == "V-17" and node.getAttribute("year") == "2007"


def test_none_is_nothing_where_the_parameter_is_an_object_and_null_elsewhere(cf):
    assert cf.objSelectRootTag(None) is None
    assert cf.sCheckNull(None) == "null"
    assert velmora.Dispatch("MSXML2.DOMDocument").documentElement is None


@pytest.mark.parametrize("value, number", [
    (object(), 13), (2**64, 6), (decimal.Decimal("NaN"), 13), (datetime.date(1, 1, 1), 6), ({"a": 1}, 13),
])
def test_values_without_a_variant_fail_with_the_argument_named(cf, value, number):
    with pytest.raises(velmora.Error) as raised:
        cf.strTrim(value)
    assert raised.value.number == number
    assert raised.value.argument == "vData"
