"""Errors, threads, lifetimes, message boxes, and what help() and dir() show."""

import gc
import pydoc
import threading
import time

import pytest

import velmora
from conftest import rss_kib

RPC_E_WRONG_THREAD = 0x8001010E


class TestErrors:
    def test_a_members_error_carries_number_description_source_and_status(self, cf):
        with pytest.raises(velmora.Error) as raised:
            cf.MidEx("abc", 0, 1)
        e = raised.value
        assert (e.number, e.hresult, e.source) == (5, 0x800A0005, "Velmora.CCommonFunction")
        assert e.description == "Invalid procedure call or argument"
        assert e.argument is None
        assert "error 5" in str(e)

    def test_an_unknown_member_is_error_438_and_an_attribute_error(self, cf):
        with pytest.raises(AttributeError) as raised:
            cf.strValue
        assert isinstance(raised.value, velmora.Error) and raised.value.number == 438
        assert not hasattr(cf, "strValue")
        with pytest.raises(velmora.MemberError):
            cf.strValue = 1
        assert not hasattr(velmora, "NoSuchGlobalMember")

    def test_an_unknown_keyword_is_error_448(self, cf):
        with pytest.raises(velmora.Error) as raised:
            cf.strTrim("a", bUpperCase=True)
        assert raised.value.number == 448 and raised.value.argument == "bUpperCase"

    def test_argument_count_and_missing_required_arguments(self, cf):
        with pytest.raises(velmora.Error) as raised:
            cf.MidEx("abc")
        assert raised.value.number == 449
        with pytest.raises(velmora.Error) as raised:
            cf.MidEx("abc", 1, 1, 1)
        assert raised.value.number == 450

    def test_a_class_nobody_knows(self):
        with pytest.raises(velmora.Error) as raised:
            velmora.Dispatch("No.Such.Class")
        assert raised.value.number == 429

    def test_a_data_access_error_keeps_its_source(self, vouchers):
        db = velmora.Dispatch("ADODB.Connection")
        db.Open(vouchers)
        with pytest.raises(velmora.Error) as raised:
            db.Execute("select * from no_such_table")
        assert raised.value.description and raised.value.source
        assert db.Execute("select count(*) from vouchers")(0).Value == 2  # the connection goes on


class TestThreads:
    def run_in_thread(self, fn):
        outcome = {}

        def body():
            try:
                outcome["value"] = fn()
            except BaseException as e:  # handed back to the test's thread
                outcome["error"] = e

        t = threading.Thread(target=body)
        t.start()
        t.join()
        return outcome

    def test_a_proxy_is_refused_on_another_thread(self, cf):
        outcome = self.run_in_thread(lambda: cf.strTrim(" a "))
        assert isinstance(outcome["error"], velmora.Error)
        assert outcome["error"].hresult == RPC_E_WRONG_THREAD
        outcome = self.run_in_thread(lambda: cf.LittleToBig)
        assert outcome["error"].hresult == RPC_E_WRONG_THREAD
        assert cf.strTrim(" a ") == "a"  # still fine on its own thread

    def test_each_thread_has_its_own_objects_and_pool(self):
        mine = velmora.GetPoolInstance()
        outcome = self.run_in_thread(
            lambda: (velmora.GetPoolInstance() == velmora.GetPoolInstance(),
                     velmora.Dispatch("Velmora.CCommonFunction").strTrim(" B ")))
        assert outcome["value"] == (True, "b")
        assert mine == velmora.GetPoolInstance()

    def test_other_threads_run_while_a_call_works(self):
        db = velmora.Dispatch("ADODB.Connection")
        db.Open("Provider=SQLite;Data Source=:memory:")
        slow = ("with recursive n(i) as (select 1 union all select i + 1 from n where i < 3000000) "
                "select count(*) from n")
        ticks = 0
        stop = threading.Event()

        def count():
            nonlocal ticks
            while not stop.is_set():
                ticks += 1

        counter = threading.Thread(target=count)
        counter.start()
        try:
            time.sleep(0.05)
            before = ticks
            started = time.monotonic()
            assert db.Execute(slow)(0).Value == 3000000
            elapsed = time.monotonic() - started
            during = ticks - before
        finally:
            stop.set()
            counter.join()
        # The counter ran all through the query: far more than the handful of switches a
        # held interpreter lock would allow.
        assert elapsed > 0.05
        assert during > 10000


class TestLifetime:
    def test_objects_die_with_their_last_python_reference(self):
        doc = velmora.Dispatch("MSXML2.DOMDocument")
        doc.loadXML("<a><b/></a>")
        child = doc.documentElement.firstChild
        del doc
        gc.collect()
        assert child.nodeName == "b"  # the node keeps its document alive
        assert child.ownerDocument.documentElement.nodeName == "a"

    def test_100000_documents_made_and_dropped_leave_memory_flat(self, cf):
        def make(count):
            for i in range(count):
                doc = cf.objGenerateKaDom(["roottag", "voucher", "no", i])
                assert doc.documentElement is not None

        make(10000)  # allocators and caches reach their working size
        gc.collect()
        before = rss_kib()
        make(100000)
        gc.collect()
        grown = rss_kib() - before
        assert grown < 8 * 1024, f"resident memory grew by {grown} KiB over 100,000 documents"


class TestMessageBoxes:
    """The library's boxes go through the message text service's box object."""

    @pytest.fixture
    def box(self):
        return velmora.Dispatch("Ostrel.MsgBox")

    def test_a_python_callable_answers_the_box(self, box, cf):
        shown = []

        def presenter(prompt, style, title):
            shown.append((prompt, style, title))
            return 7

        velmora.set_message_box_presenter(presenter)
        try:
            assert box.ShowMsgBox("Post voucher 17?", 36, "Vouchers") == 7
        finally:
            velmora.set_message_box_presenter(None)
        assert shown[0] == ("Post voucher 17?", 36, "Vouchers")

    def test_the_librarys_own_boxes_reach_the_presenter(self, cf):
        shown = []
        velmora.set_message_box_presenter(lambda *box: shown.append(box) or 6)
        try:
            assert cf.iShowMsg("Post voucher 17?", 36, "Vouchers") == 6
        finally:
            velmora.set_message_box_presenter(None)
        assert shown == [("Post voucher 17?", 36, "Vouchers")]

    def test_none_takes_the_default_button(self, box, cf):
        velmora.set_message_box_presenter(lambda prompt, style, title: None)
        try:
            assert box.ShowMsgBox("Post?", 36 + 256, "Vouchers") == 7  # second button (No) is the default
        finally:
            velmora.set_message_box_presenter(None)

    def test_an_exception_of_the_presenter_reaches_the_caller(self, box, cf):
        class Refused(Exception):
            pass

        def presenter(prompt, style, title):
            raise Refused(prompt)

        velmora.set_message_box_presenter(presenter)
        try:
            with pytest.raises(Refused, match="Post voucher 17"):
                box.ShowMsgBox("Post voucher 17?", 36, "Vouchers")
            assert cf.strTrim(" a ") == "a"
        finally:
            velmora.set_message_box_presenter(None)

    def test_presenters_are_per_thread(self, box, cf):
        velmora.set_message_box_presenter(lambda *box: 6)
        try:
            other = TestThreads().run_in_thread(lambda: (
                velmora.set_message_box_presenter(lambda *box: 2),
                velmora.Dispatch("Ostrel.MsgBox").ShowMsgBox("Other?", 33, "T"))[1])
            assert other["value"] == 2
            assert box.ShowMsgBox("Mine?", 36, "T") == 6
        finally:
            velmora.set_message_box_presenter(None)

    def test_a_presenter_must_be_callable(self):
        with pytest.raises(TypeError):
            velmora.set_message_box_presenter(42)


class TestHelpAndDir:
    def test_dir_lists_the_members(self, cf):
        names = dir(cf)
        assert {"strTrim", "LittleToBig", "bGetNextPart"} <= set(names)
        assert "MaxCon" in dir(velmora.GetPoolInstance())

    def test_help_shows_the_tables_text_and_signature(self, cf):
        text = pydoc.render_doc(cf.strTrim, renderer=pydoc.plaintext)
        assert "strTrim(vData: 'Variant', bLowerCase: 'Boolean' = True, lTrimMode: 'Long' = 2" in text
        assert "-> 'String'" in text
        assert "trimmed" in text  # the member's help line
        assert "ByRef vData As Variant" in text

    def test_optional_parameters_without_a_default_show_missing(self, cf):
        text = pydoc.render_doc(cf.GetAttr, renderer=pydoc.plaintext)
        assert "objDom: 'IXMLDOMElement' = velmora.Missing" in text

    def test_the_module_and_proxies_have_their_own_help(self):
        assert "GetPoolInstance" in velmora.__doc__
        assert "late-bound" in velmora.Object.__doc__
