"""A host written in Python evaluates a small product through the engine
level: modules from its adapter, a tree of its nodes, values and how-sets."""

import gc

import pytest

import zamcore
from host import DictAdapter, TreeNode, cart_tree, choose

HowSet = zamcore.HowSet


@pytest.fixture
def host():
    adapter = DictAdapter()
    zamcore.initialize(adapter)
    window = zamcore.create_window()
    root = cart_tree(window)
    window.set_root(root)
    return adapter, window, root


def values_of(window, node):
    module = window.get_module(node.module_id())
    own = node.get_sos()
    return {o.name: (own.get(o).value, own.get(o).how_set) for o in module.options()}


def test_defaults_rules_and_messages(host):
    adapter, window, root = host
    choose(window, root, {"usage": "farm", "covered": True})
    window.evaluate()
    front, rear, roof = root.kids
    assert root.is_node_configured() == zamcore.ConfigState.Undetermined
    assert roof.is_node_configured() == zamcore.ConfigState.Configured
    assert roof.states == [zamcore.ConfigState.Configured]
    assert values_of(window, root)["load"] == (400, HowSet.RuleSet)
    assert values_of(window, root)["usage"] == ("farm", HowSet.UserSet)
    assert values_of(window, root)["ratio"] == (1.5, HowSet.Default)
    assert values_of(window, root)["covered"] == (True, HowSet.UserSet)
    # The presented option reaches the front wheel only; the used load both.
    assert values_of(window, front)["size"] == (16, HowSet.RuleSet)
    assert values_of(window, rear)["size"] == (8, HowSet.Default)
    assert values_of(window, rear)["load"] == (400, HowSet.Inherited)
    assert adapter.messages == [
        (zamcore.MsgSeverity.Inform, "farm carts carry 400 kg", "cart"),
        (zamcore.MsgSeverity.Warn, "small wheels under a heavy load", "rear"),
    ]


def test_condition_leaves_node_out_and_user_fixed_beats_rule(host):
    adapter, window, root = host
    choose(window, root, {"usage": "farm", "load": 120}, HowSet.UserFixed)
    window.evaluate()
    assert root.kids[2].is_node_configured() == zamcore.ConfigState.NotConfigured
    assert values_of(window, root)["load"] == (120, HowSet.UserFixed)
    assert all(m[0] != zamcore.MsgSeverity.Warn for m in adapter.messages)


def test_selected_option_set_values_round_trip(host):
    _, window, _ = host
    cart = window.get_module("cart")
    sos = zamcore.SelectedOptionSet(window)
    for name, value in [("usage", "farm"), ("load", 77), ("ratio", 2.25), ("covered", True)]:
        sos.set(cart.get_option(name), value, HowSet.UserSet)
        entry = sos.get(cart.get_option(name))
        assert (entry.values, entry.how_sets) == ([value], [HowSet.UserSet])
        assert type(entry.value) is type(value)
    inherited = sos.get(window.get_module("wheel").get_option("load"))
    assert (inherited.values, inherited.how_sets) == ([50], [HowSet.Default])
    unset = sos.get(window.get_module("roof").get_option("note"))
    assert (unset.values, unset.how_sets) == ([None], [HowSet.Default])
    with pytest.raises(zamcore.EngineError) as error:
        sos.set(cart.get_option("load"), 5000, HowSet.UserSet)
    assert error.value.code == 204
    with pytest.raises(OverflowError):
        sos.set(cart.get_option("load"), 2**40)
    with pytest.raises(TypeError):
        sos.set(cart.get_option("load"), object())


def test_module_text_and_options(host):
    adapter, window, _ = host
    roof = window.get_module("roof")
    assert "roof" in window.modules and adapter.loaded.count("roof") == 1
    option = roof.get_option("colour")
    assert (option.name, option.module_id, option.default_value) == ("colour", "roof", "grey")
    assert option.value_type == zamcore.ValueType.String
    assert option.validate_value("red") and not option.validate_value("blue")
    added = roof.add_option_string('public height real default 2.5')
    assert roof.get_option("height") == added and added.default_value == 2.5
    assert "public height real default 2.5" in roof.get_rkl_data()
    wheel_size = window.get_module("cart").get_option("wheel_size")
    assert wheel_size.based_on == window.get_module("wheel").get_option("size")
    assert wheel_size.path == ["front"]


def test_refresh_reloads_a_changed_module(host):
    adapter, window, _ = host
    window.get_module("roof")
    adapter.modules["roof"] = adapter.modules["roof"].replace('"grey"', '"green"').replace(
        '"red",', '"red", "green",')
    window.module_needs_refresh("roof")
    assert window.get_module("roof").get_option("colour").default_value == "green"


def test_validator_and_translator(host):
    adapter, window, root = host
    adapter.modules["roof"] += "set roof:colour to cart:nowhere\n"
    validator = zamcore.Validator()
    validator.validate_node(root, True)
    assert [(e.code, e.node.name, e.option.name) for e in validator.errors] == [
        (zamcore.ValidationCode.RuleOptionNotVisible, "roof", "nowhere")]
    translator = zamcore.Translator()
    translator.add_module_mapping("cart", "trolley")
    translator.add_option_mapping("cart", "load", "payload")
    assert translator.translate_rkl("set cart:load to 3") == "set trolley:payload to 3"
    assert translator.lookup_mapping("cart", "usage") == ("trolley", "usage")
    with pytest.raises(zamcore.RklSyntaxError):
        translator.translate_condition("cart:load = = 3")


def test_legacy_values_go_through_the_adapter():
    stored = {}

    class LegacyAdapter(DictAdapter):
        def get_legacy_option_value(self, window, option):
            return stored.get(option.name)

        def set_legacy_option_value(self, window, option, value):
            stored[option.name] = value

    zamcore.initialize(LegacyAdapter())
    window = zamcore.create_window()
    shade = window.create_module("old").declare_legacy_option("shade")
    sos = zamcore.SelectedOptionSet(window)
    sos.set(shade, "dark")
    assert stored == {"shade": "dark"}
    stored["shade"] = 7
    assert sos.get(shade).values == [7]


def test_objects_outlive_what_held_them():
    zamcore.initialize(DictAdapter())
    window = zamcore.create_window()
    module = window.get_module("cart")
    option = module.get_option("load")
    node = TreeNode(window, "cart", "cart")
    window.set_root(node)
    del window
    gc.collect()
    # The node holds its window; the module and option are alive on their own.
    assert node.window.root is node and option.module_id == "cart"
    window = node.window
    del node
    gc.collect()
    assert window.root is None
    del window
    gc.collect()
    assert module.id == "cart" and module.window is None
    assert option.name == "load" and option.default_value == 50
