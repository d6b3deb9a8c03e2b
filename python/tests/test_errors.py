"""Engine errors reach Python as EngineError with their codes, and Python
exceptions raised in a host's overrides reach the caller of the engine call."""

import pytest

import zamcore
from host import MODULES, DictAdapter, TreeNode, cart_tree


@pytest.fixture
def window():
    zamcore.initialize(DictAdapter())
    return zamcore.create_window()


def test_create_window_without_adapter_is_code_3():
    zamcore.initialize(None)
    with pytest.raises(zamcore.EngineError) as error:
        zamcore.create_window()
    assert error.value.code == 3 and not isinstance(error.value, zamcore.RklSyntaxError)


@pytest.mark.parametrize("call, code", [
    (lambda w: w.create_module("cart") and w.create_module("cart"), 301),
    (lambda w: w.get_module("boat"), 302),
    (lambda w: w.get_module("cart").get_option("nothing"), 102),
    (lambda w: w.get_module("cart").add_option_string('private usage string default "shop"'), 101),
    (lambda w: w.get_module("roof").add_option_string("public y uses cart:nothing"), 305),
    (lambda w: zamcore.SelectedOptionSet(w).set(w.get_module("roof").get_option("colour"), 3),
     204),
    (lambda w: TreeNode(w, "x").module(), 309),
])
def test_engine_codes(window, call, code):
    with pytest.raises(zamcore.EngineError) as error:
        call(window)
    assert error.value.code == code


def test_syntax_error_has_excerpt_caret_and_line(window):
    module = window.get_module("roof")
    with pytest.raises(zamcore.RklSyntaxError) as error:
        module.set_rkl('set roof:colour to "red"\nset roof:colour = "grey"\n')
    syntax = error.value
    assert (syntax.code, syntax.line) == (10, 2)
    assert 'set roof:colour = "grey"' in syntax.excerpt
    assert syntax.caret.strip() == "^"
    # The caret stands under the offending token.
    assert syntax.excerpt[syntax.caret.index("^")] == "="
    # The failed text left the module's rules as they were.
    assert "set roof:colour" not in module.get_rkl_data()


def test_python_exception_in_load_module_reaches_the_caller():
    class Failing(DictAdapter):
        def load_module(self, window, id):
            raise KeyError(f"no text for {id}")

    zamcore.initialize(Failing())
    window = zamcore.create_window()
    with pytest.raises(KeyError, match="no text for cart"):
        window.get_module("cart")
    # The engine handled nothing and is usable afterwards.
    assert window.create_module("cart").id == "cart"


def test_python_exception_swallowed_by_the_engine_still_reaches_the_caller():
    # Looking an option up turns a failed module load into a placeholder;
    # the Python exception behind it is not lost.
    class Failing(DictAdapter):
        def load_module(self, window, id):
            raise RuntimeError("storage offline")

    zamcore.initialize(Failing())
    with pytest.raises(RuntimeError, match="storage offline"):
        zamcore.Option.find(zamcore.create_window(), "cart", "load")


def test_engine_error_raised_by_the_host_keeps_its_code():
    class Refusing(DictAdapter):
        def load_module(self, window, id):
            raise zamcore.EngineError(302, id)

    zamcore.initialize(Refusing())
    window = zamcore.create_window()
    # findOption handles a 302 as "not found": a placeholder without a module.
    placeholder = zamcore.Option.find(window, "cart", "load")
    assert placeholder.name == "load" and placeholder.default_value is None


@pytest.mark.parametrize("hook", ["children", "has_module", "module_id", "state_changed"])
def test_python_exception_in_a_node_hook_reaches_evaluate(hook):
    zamcore.initialize(DictAdapter())
    window = zamcore.create_window()
    root = cart_tree(window)
    window.set_root(root)

    class Broken(Exception):
        pass

    def fail(self, *_):
        raise Broken(hook)

    # The roof is the one node whose state changes.
    target = root.kids[2] if hook == "state_changed" else root
    own = zamcore.SelectedOptionSet(window)
    own.set(window.get_module("cart").get_option("covered"), True)
    root.set_sos(own)
    target.__class__ = type("Broken" + hook, (TreeNode,), {hook: fail})
    with pytest.raises(Broken, match=hook):
        window.evaluate()


def test_user_msg_false_stops_with_code_500():
    class Stopping(DictAdapter):
        def user_msg(self, window, severity, message, node):
            return False

    zamcore.initialize(Stopping())
    window = zamcore.create_window()
    root = cart_tree(window)
    window.set_root(root)
    own = zamcore.SelectedOptionSet(window)
    own.set(window.get_module("cart").get_option("usage"), "farm")
    root.set_sos(own)
    with pytest.raises(zamcore.EngineError) as error:
        window.evaluate()
    assert error.value.code == 500 and error.value.node is root


def test_wrong_results_from_overrides_are_type_errors():
    class Wrong(DictAdapter):
        def load_module(self, window, id):
            return "yes"

    zamcore.initialize(Wrong())
    with pytest.raises(TypeError):
        zamcore.create_window().get_module("cart")


def test_missing_override_and_temporary_nodes_are_refused():
    class Lazy(zamcore.Adapter):
        def refresh_module(self, window, module):
            return True

    zamcore.initialize(Lazy())
    with pytest.raises(TypeError, match="load_module"):
        zamcore.create_window().get_module("cart")

    zamcore.initialize(DictAdapter())
    window = zamcore.create_window()

    class Forgetful(TreeNode):
        def children(self):
            return [TreeNode(window, "wheel", "wheel")]

    root = Forgetful(window, "cart", "cart")
    window.set_root(root)
    with pytest.raises(TypeError, match="nothing else holds"):
        window.evaluate()


def test_node_of_another_window_cannot_be_root(window):
    other = zamcore.create_window()
    with pytest.raises(ValueError):
        window.set_root(TreeNode(other, "x"))


def test_module_texts_survive_non_utf8_bytes(window):
    module = window.create_module("odd")
    module.set_rkl_data('module odd\ninterface start\npublic name string default "caf\udce9"\n'
                        'interface end\n')
    assert module.get_option("name").default_value == "caf\udce9"
    assert MODULES  # the shared texts stay untouched
