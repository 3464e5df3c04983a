#!/usr/bin/env python3
"""Corvane from Python: planar diagram codes as SnapPy gives them in, a pandas table out.

Run it from the build tree with

    PYTHONPATH=build/python python3 examples/corvane_from_python.py

With SnapPy installed the PD codes come from snappy.Link(name).PD_code(); without it, from the
copies below (the same 0-based tuples).
"""
import pandas

import corvane

# PD codes of five knots as 0-based tuples, counterclockwise from the incoming under-strand.
PD_CODES = {
    "3_1": [(0, 3, 1, 4), (2, 5, 3, 0), (4, 1, 5, 2)],
    "4_1": [(0, 3, 1, 4), (2, 6, 3, 5), (4, 7, 5, 0), (6, 2, 7, 1)],
    "5_2": [(0, 5, 1, 6), (2, 7, 3, 8), (3, 10, 4, 11), (6, 1, 7, 2), (9, 4, 10, 5), (11, 9, 0, 8)],
    "8_19": [(1, 7, 2, 6), (4, 12, 5, 11), (5, 1, 6, 0), (7, 3, 8, 2), (9, 15, 10, 14), (12, 4, 13, 3), (13, 9, 14, 8), (15, 11, 0, 10)],
    "8_20": [(1, 7, 2, 6), (3, 12, 4, 13), (5, 1, 6, 0), (7, 3, 8, 2), (8, 13, 9, 14), (10, 15, 11, 0), (11, 4, 12, 5), (14, 9, 15, 10)],
}


def pd_code(name):
    try:
        import snappy
    except ImportError:
        return PD_CODES[name]
    return snappy.Link(name).PD_code()


knots = [corvane.Knot.from_pd(pd_code(name), name) for name in PD_CODES]
rows = corvane.compute(knots, jobs=2, unknotting_effort="large")
table = pandas.DataFrame(rows).set_index("name")
table["u_a"] = [f"{u['lower']}..{u['upper']}" for u in table["unknotting"]]
columns = ["alexander", "determinant", "h1_double_cover", "signature", "mahler", "u_a"]
with pandas.option_context("display.width", 120, "display.max_columns", None):
    print(table[columns])
