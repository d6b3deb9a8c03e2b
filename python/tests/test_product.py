"""The product level against the rkl program on examples/bike: the same JSON,
the same findings, and the walkable result holding the same data."""

import json
import shutil
import subprocess

import pytest

import zamcore

CHOICE_FILES = ["road.txt", "mountain.txt", "ebike_cargo.txt"]


def rkl_json(rkl_program, *arguments):
    run = subprocess.run([rkl_program, *map(str, arguments)], capture_output=True, text=True)
    return run.returncode, json.loads(run.stdout)


@pytest.mark.parametrize("choices", [None, *CHOICE_FILES])
def test_evaluate_gives_what_rkl_eval_json_prints(bike, rkl_program, choices):
    arguments = ["eval", bike, "--json"]
    if choices:
        arguments += ["--choices", bike / "choices" / choices]
    status, expected = rkl_json(rkl_program, *arguments)
    result = zamcore.Product.load(bike).evaluate(bike / "choices" / choices if choices else None)
    assert result.status == status
    assert result.to_json() == expected


def test_choice_strings_match_set_and_fix(bike, rkl_program):
    status, expected = rkl_json(rkl_program, "eval", bike, "--json", "--set",
                                "bike:usage=gravel", "--fix", "frame:material=titanium")
    result = zamcore.Product.load(bike).evaluate(
        ["bike:usage=gravel", "fix frame:material=titanium"])
    assert (result.status, result.to_json()) == (status, expected)


def test_result_walks_the_json(bike):
    result = zamcore.Product.load(bike).evaluate(bike / "choices" / "road.txt")
    data = result.to_json()
    nodes = result.nodes
    assert [n.path for n in nodes][:3] == ["bike", "bike.frame", "bike.frame.fork"]

    def walk(node):
        yield node
        for child in node.get("children", []):
            yield from walk(child)

    for node, expected in zip(nodes, walk(data["root"])):
        assert (node.path, node.module, node.state) == (
            expected["path"], expected.get("module"), expected["state"])
        assert [(v.option, v.values, [h.name for h in v.how_sets]) for v in node.values] == [
            (v["option"], v["values"], v["howSet"]) for v in expected.get("values", [])]
    assert len(nodes) == len(list(walk(data["root"])))
    frame = result.node("bike.frame")
    assert frame.value("material").value == "carbon"
    assert frame.value("colour").how_set == zamcore.HowSet.UserFixed
    assert result.node("bike.frame.fork").state == "not configured"
    assert [(m.severity, m.node, m.text) for m in result.messages] == [
        (m["severity"], m["node"], m["text"]) for m in data["messages"]]
    with pytest.raises(KeyError):
        result.node("bike.nowhere")


def test_evaluations_start_from_the_product_each_time(bike):
    product = zamcore.Product.load(bike)
    plain = product.evaluate().to_json()
    product.evaluate(["bike:usage=mountain", "bike:rider_height=200"])
    assert product.evaluate().to_json() == plain


def test_unusable_choices_raise_product_error(bike):
    product = zamcore.Product.load(bike)
    for choices in (["bike:nowhere=1"], ["bike:usage=boat"], ["not a choice"]):
        with pytest.raises(zamcore.ProductError) as error:
            product.evaluate(choices)
        assert error.value.status == 2
    with pytest.raises(zamcore.ProductError):
        zamcore.Product.load(bike / "missing")


def test_two_products_take_turns(bike, tmp_path):
    copy = shutil.copytree(bike, tmp_path / "bike")
    (copy / "frame.rkl").write_text(
        (copy / "frame.rkl").read_text().replace('default "black"', 'default "blue"'))
    first, second = zamcore.Product.load(bike), zamcore.Product.load(copy)
    for _ in range(2):
        assert first.evaluate().node("bike.frame").value("colour").value == "green"
        second.evaluate(["fix frame:colour=blue"])
        assert second.evaluate().node("bike.frame").value("colour").value == "green"


def test_check_matches_rkl_check(bike, tmp_path, rkl_program):
    assert zamcore.Product.load(bike).check() == []
    broken = shutil.copytree(bike, tmp_path / "bike")
    (broken / "frame.rkl").write_text(
        (broken / "frame.rkl").read_text().replace("public size integer", "public size intger"))
    diagnostics = zamcore.Product.load(broken).check()
    printed = subprocess.run([rkl_program, "check", str(broken)], capture_output=True,
                             text=True).stdout
    assert diagnostics and all(str(d) in printed for d in diagnostics)
    in_frame = [d for d in diagnostics if d.file.endswith("frame.rkl")]
    assert [(d.line, d.severity) for d in in_frame] == [(3, "error")]
    assert in_frame[0].source_line.startswith("public size intger")
    assert in_frame[0].text in printed


def test_explain_and_rename_print_what_rkl_prints(bike, tmp_path, rkl_program):
    target = "wheel:tyre_width[bike.front_wheel]"
    choices = bike / "choices" / "road.txt"
    printed = subprocess.run([rkl_program, "explain", str(bike), target, "--choices",
                              str(choices)], capture_output=True, text=True).stdout
    assert zamcore.Product.load(bike).explain(target, choices) == printed

    copy = shutil.copytree(bike, tmp_path / "bike")
    product = zamcore.Product.load(copy)
    report = product.rename(options={"frame:colour": "paint"}, dry_run=True)
    assert "frame.rkl" in report and "colour" in (copy / "frame.rkl").read_text()
    product.rename(options={"frame:colour": "paint"})
    assert "paint" in (copy / "frame.rkl").read_text()
    assert product.evaluate().node("bike.frame").value("paint").value == "green"
    with pytest.raises(zamcore.ProductError):
        product.rename(modules={"frame": "../x"})
