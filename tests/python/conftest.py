"""Shared fixtures of the Python module's tests.

ctest runs these with PYTHONPATH naming the build's module folder and VELMORA_LANGUAGE=zh-CN.
"""

import os
import sqlite3

import pytest

import velmora


@pytest.fixture
def cf():
    return velmora.Dispatch("Velmora.CCommonFunction")


@pytest.fixture
def vouchers(tmp_path):
    """A SQLite file with a vouchers table of two rows; its connection string."""
    path = tmp_path / "books.db"
    with sqlite3.connect(path) as db:
        db.execute("create table vouchers (no integer primary key, memo nvarchar(40), amount money, posted datetime)")
        db.executemany("insert into vouchers values (?, ?, ?, ?)",
                       [(17, "Office rent", "1234.56", "2007-03-05 10:30:00"), (18, "Paper", "99.50", "2007-03-06")])
    return f"Provider=SQLite;Data Source={path}"


def rss_kib():
    """The process's resident set size in KiB."""
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS in /proc/self/status")


def pytest_report_header(config):
    return f"velmora module: {velmora.__file__}; language {os.environ.get('VELMORA_LANGUAGE', '(unset)')}"
