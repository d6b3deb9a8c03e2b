"""zamcore: the RKL engine for Python.

Two levels:

* the product level: ``Product.load(directory)``, ``Product.evaluate``,
  ``check``, ``explain``, ``rename`` and ``evaluate_many`` work on product
  directories the way the ``rkl`` command line does, with the same results;
* the engine level, for hosts written in Python: subclass ``Adapter`` and
  ``Node``, ``initialize(adapter)``, ``create_window()`` and build a tree.

Engine errors raise ``EngineError`` (``RklSyntaxError`` for code 10).
"""

from ._errors import EngineError, ProductError, RklSyntaxError
from .many import evaluate_many
from .product import Diagnostic, Message, Product, Result, ResultNode, Value
from ._zamcore import (
    Adapter,
    ConfigState,
    HowSet,
    Module,
    MsgSeverity,
    Node,
    Option,
    SelectedOptionSet,
    SosEntry,
    Translator,
    ValidationCode,
    ValidationError,
    Validator,
    ValueType,
    Window,
    _global_count,
    create_window,
    initialize,
    rkl_quote_id,
    rkl_quote_module_id,
)

__all__ = [
    "Product", "Result", "ResultNode", "Value", "Message", "Diagnostic", "evaluate_many",
    "Adapter", "ConfigState", "EngineError", "HowSet", "Module", "MsgSeverity", "Node",
    "Option", "ProductError", "RklSyntaxError", "SelectedOptionSet", "SosEntry",
    "Translator", "ValidationCode", "ValidationError", "Validator", "ValueType", "Window",
    "create_window", "initialize", "rkl_quote_id", "rkl_quote_module_id",
]
