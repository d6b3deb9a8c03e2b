"""Fixtures shared by the suite: every test leaves the engine's count of live
objects where it found it, and no adapter installed."""

import gc
import os
from pathlib import Path

import pytest

import zamcore

ROOT = Path(__file__).resolve().parents[2]
BIKE = ROOT / "examples" / "bike"


@pytest.fixture(autouse=True)
def no_leaks(request):
    gc.collect()
    before = zamcore._global_count()
    yield
    zamcore.initialize(None)
    # The test's other fixtures are torn down by now, but pytest still holds
    # their values for the test until all teardown is done.
    request.node.funcargs.clear()
    gc.collect()
    assert zamcore._global_count() == before, "counted engine objects leaked or over-released"


@pytest.fixture
def bike():
    return BIKE


@pytest.fixture
def rkl_program():
    """The rkl program to compare with: $RKL, or the default build's."""
    program = os.environ.get("RKL", str(ROOT / "build" / "default" / "tools" / "rkl" / "rkl"))
    if not Path(program).is_file():
        pytest.fail(f"rkl not found at {program}; build it or set RKL")
    return program
