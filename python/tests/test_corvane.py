# The module against the command line: the same knots, options and seed give the same objects;
# the constructors give the knots of the corresponding list lines; errors and Ctrl-C.
import _thread
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import threading
import time

import pytest

import corvane

ROOT = pathlib.Path(__file__).resolve().parents[2]
DATA = ROOT / "tests" / "data"
BUILD = pathlib.Path(os.environ.get("CORVANE_BUILD", ROOT / "build"))
CLI = BUILD / "bin" / "corvane-cli"


def list_lines(path):
    lines = pathlib.Path(path).read_text().splitlines()
    return [l for l in lines if l.strip() and not l.startswith("%")]


def cli_objects(tmp_path, source, *options):
    """The JSON Lines objects corvane-cli --json writes for a copy of the list at `source`."""
    knots = tmp_path / source.name
    shutil.copy(source, knots)
    subprocess.run([str(CLI), "--quiet", "--json", "--jobs=2", *options, str(knots)],
                   check=True, stdout=subprocess.DEVNULL)
    jsonl = tmp_path / (knots.stem + "_output.jsonl")
    return [json.loads(l) for l in jsonl.read_text().splitlines()]


# Options as the command line takes them, and as the module takes them.
OPTION_SETS = [
    ([], {}),
    (["--unknotting-effort=medium", "--nakanishi-effort=large", "--lt-values=128",
      "--mahler-values=128", "--compute-all", "--mu", "--seed=7"],
     dict(unknotting_effort="medium", nakanishi_effort="large", lt_values=128,
          mahler_values="128", compute_all=True, mu=True, seed=7)),
]


@pytest.mark.parametrize("cli_options,options", OPTION_SETS)
def test_rolfsen_table_as_on_the_command_line(tmp_path, capsys, cli_options, options):
    source = DATA / "rolfsen-10-braids.txt"
    expected = cli_objects(tmp_path, source, *cli_options)
    assert len(expected) == 249
    assert corvane.compute(source, jobs=2, progress=True, **options) == expected
    progress = capsys.readouterr().err
    assert "/249 done" in progress and progress.endswith("\r\033[K")
    lines = list_lines(source)
    assert corvane.compute(lines, jobs=2, **options) == expected
    # Every tenth knot alone: a knot's results do not depend on the list around it.
    for line, row in zip(lines[::10], expected[::10]):
        assert corvane.Knot(line).invariants(**options) == row


def pd_code(line):
    return json.loads(line[line.index("PD[") + 2:])


def dt_code(line):
    return [int(n) for n in re.findall(r"-?\d+", line[line.index("DT["):])]


def test_constructors_give_the_knots_of_their_lines():
    # PD codes as the tables print them (1-based) and as SnapPy gives them (0-based tuples).
    for line in list_lines(DATA / "rolfsen-8-pd.txt"):
        knot = corvane.Knot(line)
        code = pd_code(line)
        zero_based = [tuple(e - 1 for e in crossing) for crossing in code]
        for other in (corvane.Knot.from_pd(code, knot.name),
                      corvane.Knot.from_pd(zero_based, knot.name),
                      corvane.Knot.from_pd(str(code), knot.name)):
            assert other.name == knot.name
            assert other.seifert_matrix == knot.seifert_matrix, line
    for line in list_lines(DATA / "rolfsen-8-dt.txt")[:12]:
        knot = corvane.Knot(line)
        code = dt_code(line)
        for other in (corvane.Knot.from_dt(code), corvane.Knot.from_dt(" ".join(map(str, code)))):
            assert other.seifert_matrix == knot.seifert_matrix
    for line in list_lines(DATA / "rolfsen-8-braids.txt")[:12]:
        word = json.loads("[" + line[line.index("{") + 1:line.index("}")] + "]")
        assert corvane.Knot.from_braid(word).seifert_matrix == corvane.Knot(line).seifert_matrix
    matrix = [[-1, 0], [-1, -1]]
    by_line = corvane.Knot("t [[-1,0],[-1,-1]]").invariants()
    assert corvane.Knot.from_seifert_matrix(matrix, "t").invariants() == by_line
    np = pytest.importorskip("numpy")
    assert corvane.Knot.from_seifert_matrix(np.array(matrix), "t").invariants() == by_line


def test_values_are_python_values_of_any_size():
    trefoil = corvane.Knot.from_braid([1, 1, 1], name="3_1")
    assert (trefoil.alexander_polynomial, trefoil.determinant, trefoil.h1_double_cover,
            trefoil.signature, trefoil.mu) == ([1, -1, 1], 3, [3], -2, 2)
    assert trefoil.levine_tristram(values=1024) == {"values": 1024, "min": -2, "max": None}
    assert isinstance(trefoil.mahler_measure, float) and trefoil.mahler_measure == 0.0
    # V = [[a, 1], [0, b]] has Alexander polynomial ab(t - 1)^2 + t; the sum of two has the
    # product, whose coefficients pass 2^120.
    a = -2**31

    matrix = [[a, 1, 0, 0], [0, a, 0, 0], [0, 0, a, 1], [0, 0, 0, a]]
    factor = [a * a, 1 - 2 * a * a, a * a]
    product = [sum(factor[i] * factor[k - i] for i in range(3) if 0 <= k - i < 3)
               for k in range(5)]
    delta = corvane.Knot.from_seifert_matrix(matrix).alexander_polynomial
    assert delta in (product, [-c for c in product]) and max(map(abs, delta)) > 2**120


def test_errors_carry_the_command_lines_texts():
    trefoil = corvane.Knot("3_1 {1,1,1}")
    cases = [
        (lambda: corvane.Knot("L {1,1}"), ValueError,
         "not a knot: the braid closes to 2 components"),
        (lambda: corvane.Knot("x [[1,2],[3]]"), ValueError, "skipped: rows of unequal length"),
        (lambda: corvane.Knot("x [[1,y],[0,1]]"), ValueError, 'Line 1: entry "y" is not an integer.'),
        (lambda: corvane.Knot.from_braid([1.5]), TypeError, "a braid word must hold ints, not float"),
        (lambda: trefoil.invariants(unknotting_effort="huge"), ValueError,
         'unknotting_effort: takes low, medium, large or very-large, not "huge"'),
        (lambda: trefoil.levine_tristram(values=100), ValueError,
         'lt_values: takes 16, 128, 1024 or 8192, not "100"'),
        (lambda: trefoil.invariants(seed=-1), ValueError,
         'seed: takes a whole number from 0 to 2^64 - 1, not "-1"'),
        (lambda: trefoil.invariants(compute_all="yes"), TypeError, "compute_all must be a bool, not str"),
        (lambda: trefoil.invariants(jobs=2), TypeError,
         "invariants() got an unexpected keyword argument 'jobs'"),
        (lambda: corvane.compute(["3_1 {1,1,1}"], jobs=0), ValueError,
         "jobs: Value 0 not in range 1 to 65536"),
        (lambda: corvane.compute(["3_1 {1,1,1}", "x [[1,y],[0,1]]"]), ValueError,
         'reading stopped at line 2: Line 2: entry "y" is not an integer.'),
        (lambda: corvane.compute([3]), TypeError, "a knot list holds str lines or Knot objects, not int"),
    ]
    for call, error, text in cases:
        with pytest.raises(error) as raised:
            call()
        assert str(raised.value) == text
    with pytest.warns(UserWarning, match="line 2: skipped: rows of unequal length"):
        rows = corvane.compute(["3_1 {1,1,1}", "x [[1,2],[3]]", "L {1,1}"])
    assert [r["status"] for r in rows] == ["done", "error"]


def thread_count():
    return len(os.listdir("/proc/self/task"))


def test_ctrl_c_stops_a_long_computation():
    lines = list_lines(ROOT / "bench" / "data" / "knots-11-12-braids.txt")
    threads = thread_count()
    timer = threading.Timer(1.0, _thread.interrupt_main)
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        corvane.compute(lines, jobs=2, unknotting_effort="very-large", nakanishi_effort="very-large")
    timer.join()
    assert time.monotonic() - start < 30  # the whole list would take many minutes
    assert thread_count() == threads


def test_help_and_example():
    for name in ["Knot", "compute"] + [n for n in dir(corvane.Knot) if not n.startswith("_")]:
        assert (getattr(corvane, name, None) or getattr(corvane.Knot, name)).__doc__, name
    pytest.importorskip("pandas")
    example = subprocess.run([sys.executable, str(ROOT / "examples" / "corvane_from_python.py")],
                             check=True, capture_output=True, text=True).stdout
    assert "8_19" in example and "alexander" in example


def test_installs_into_a_virtual_environment(tmp_path):
    venv = tmp_path / "venv"
    subprocess.run([sys.executable, "-m", "venv", "--without-pip", str(venv)], check=True)
    subprocess.run(["cmake", "--install", str(BUILD), "--component", "python", "--prefix",
                    str(venv)], check=True, stdout=subprocess.DEVNULL)
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    out = subprocess.run([str(venv / "bin" / "python"), "-c",
                          "import corvane; print(corvane.__file__, corvane.Knot('{1,1,1}').determinant)"],
                         check=True, capture_output=True, text=True, env=env, cwd=tmp_path).stdout
    assert out.startswith(str(venv)) and out.split()[-1] == "3"
