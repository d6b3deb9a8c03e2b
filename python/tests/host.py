"""A small host written in Python: an adapter that loads module texts from a
dict and nodes that hold their children, as a product structure would."""

import zamcore

MODULES = {
    "cart": """module cart
interface start
public usage string = "shop", "farm" default "shop"
public load integer = 10 to 500 default 50
public ratio real default 1.5
public covered logical default false
public wheel_size presents wheel:size[front]
interface end
if cart:usage = "farm" then
    set cart:load to 400
    set cart:wheel_size to 16
    inform "farm carts carry 400 kg"
endif
""",
    "wheel": """module wheel
interface start
public size integer = 8, 12, 16 default 8
public load uses cart:load
interface end
if wheel:load > 300 and wheel:size < 12 then
    warn "small wheels under a heavy load"
endif
""",
    "roof": """module roof
interface start
public colour string = "red", "grey" default "grey"
public note string
interface end
""",
}


class DictAdapter(zamcore.Adapter):
    """Loads module "<id>" from MODULES and records the rules' messages."""

    def __init__(self, modules=None):
        super().__init__()
        self.modules = dict(MODULES if modules is None else modules)
        self.messages = []
        self.loaded = []

    def load_module(self, window, id):
        if id not in self.modules:
            return False
        self.loaded.append(id)
        window.create_module(id).set_rkl_data(self.modules[id])
        return True

    def refresh_module(self, window, module):
        module.set_rkl_data(self.modules[module.id])
        return True

    def user_msg(self, window, severity, message, node):
        self.messages.append((severity, message, node.path_name() if node else None))
        return True


class TreeNode(zamcore.Node):
    """A node that holds its children; the parent is held by whoever holds
    the tree (its own parent, or the host for the root)."""

    def __init__(self, window, name, module="", load_if="", parent=None):
        super().__init__(window)
        self.name = name
        self.module_name = module
        self.up = parent
        self.kids = []
        self.states = []
        if load_if:
            self.set_load_if(load_if)
        if parent is not None:
            parent.kids.append(self)

    def parent(self):
        return self.up

    def children(self):
        return self.kids

    def has_module(self):
        return bool(self.module_name)

    def module_id(self):
        return self.module_name

    def path_name(self):
        return self.name

    def state_changed(self, state):
        self.states.append(state)


def cart_tree(window):
    """cart with a front wheel, a rear wheel and a roof loaded if covered."""
    root = TreeNode(window, "cart", "cart")
    TreeNode(window, "front", "wheel", parent=root)
    TreeNode(window, "rear", "wheel", parent=root)
    TreeNode(window, "roof", "roof", load_if="cart:covered = true", parent=root)
    return root


def choose(window, node, values, how=zamcore.HowSet.UserSet):
    """Gives `node` its own values: {option name: value}."""
    module = window.get_module(node.module_id())
    own = zamcore.SelectedOptionSet(window)
    for name, value in values.items():
        own.set(module.get_option(name), value, how)
    node.set_sos(own)
