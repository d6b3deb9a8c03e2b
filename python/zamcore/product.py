"""The product level: product directories evaluated the way ``rkl`` does.

A product is a directory of module texts (``<module id>.rkl``) and a
``product.json`` describing its structure. Evaluating it for a set of choices
gives exactly what ``rkl eval --json`` prints, as ``Result.to_json()``, and
the same data as objects to walk. The work is done by the library ``rkl``
itself uses; nothing is evaluated or rendered a second time here.
"""

from __future__ import annotations

import json
import os
from typing import Any, Dict, Iterator, List, Mapping, Optional, Sequence, Union

from ._errors import ProductError
from ._zamcore import HowSet, _LoadedProduct, _check, _explain, _rename

__all__ = ["Product", "Result", "ResultNode", "Value", "Message", "Diagnostic", "Choices"]

#: A choices file's path, or choice strings ``"module:option[node]=value"``,
#: each optionally preceded by ``"fix "`` (a value rules may not change) or
#: ``"set "``; None for the product's own values only.
Choices = Union[None, str, "os.PathLike[str]", Sequence[str]]

USAGE = 2  # the exit status of rkl for a product or choice it cannot use


class Value:
    """The values of one option of a node's module instance, and how each was set."""

    __slots__ = ("option", "values", "how_sets")

    def __init__(self, option: str, values: List[Any], how_sets: List[HowSet]) -> None:
        self.option = option
        self.values = values
        self.how_sets = how_sets

    @property
    def value(self) -> Any:
        """The first value (the only one of a single-valued option); None for unset."""
        return self.values[0] if self.values else None

    @property
    def how_set(self) -> Optional[HowSet]:
        """How the first value was set."""
        return self.how_sets[0] if self.how_sets else None

    def __repr__(self) -> str:
        shown = ", ".join(f"{v!r} ({h.name})" for v, h in zip(self.values, self.how_sets))
        return f"<Value {self.option} = {shown}>"


class ResultNode:
    """A node of the evaluated structure: its path, module, state, values and children.

    ``state`` is "configured", "not configured" or "undetermined"; ``values``
    and ``children`` are empty for a node that is not configured (and
    ``values`` for a node without a module).
    """

    __slots__ = ("name", "path", "module", "state", "values", "children")

    def __init__(self, data: Mapping[str, Any]) -> None:
        self.name: str = data["name"]
        self.path: str = data["path"]
        self.module: Optional[str] = data.get("module")
        self.state: str = data["state"]
        self.values: List[Value] = [
            Value(v["option"], list(v["values"]), [HowSet.__members__[h] for h in v["howSet"]])
            for v in data.get("values", [])]
        self.children: List[ResultNode] = [ResultNode(c) for c in data.get("children", [])]

    def value(self, option: str) -> Value:
        """The Value of `option`; KeyError when the node has none of that name."""
        for value in self.values:
            if value.option == option:
                return value
        raise KeyError(f"{self.path} has no value for {option}")

    def walk(self) -> Iterator["ResultNode"]:
        """This node and every node below it, in tree order."""
        stack = [self]
        while stack:
            node = stack.pop()
            yield node
            stack.extend(reversed(node.children))

    def __repr__(self) -> str:
        return f"<ResultNode {self.path} module={self.module} {self.state}>"


class Message:
    """A rule's message: severity ("note", "warning" or "error"), the node's path, the text."""

    __slots__ = ("severity", "node", "text")

    def __init__(self, severity: str, node: str, text: str) -> None:
        self.severity = severity
        self.node = node
        self.text = text

    def __repr__(self) -> str:
        return f"<Message {self.node}: {self.severity}: {self.text}>"


class Diagnostic:
    """A finding about a place in a file, as ``rkl check`` prints it.

    ``line`` is 0 for a finding about the whole file; ``source_line`` and
    ``column`` give the excerpt and the caret's place when known.
    """

    __slots__ = ("file", "line", "severity", "text", "source_line", "column", "_formatted")

    def __init__(self, file: str, line: int, severity: str, text: str,
                 source_line: str = "", column: Optional[int] = None,
                 formatted: Optional[str] = None) -> None:
        self.file = file
        self.line = line
        self.severity = severity
        self.text = text
        self.source_line = source_line
        self.column = column
        self._formatted = formatted

    def __str__(self) -> str:
        if self._formatted is not None:
            return self._formatted.rstrip("\n")
        return f"{self.file}:{self.line}: {self.severity}: {self.text}"

    def __repr__(self) -> str:
        return f"<Diagnostic {self.file}:{self.line}: {self.severity}: {self.text}>"


class Result:
    """The evaluation of a product for one set of choices.

    ``status`` is the exit status ``rkl eval`` gives (0 clean, 1 findings:
    errors in the texts or a rule's error message, 2 choices it cannot use).
    ``to_json()`` is the object ``rkl eval --json`` prints; ``root``,
    ``nodes``, ``messages`` and ``errors`` are the same data as objects.
    ``error`` explains a result without JSON (a choice that cannot be used,
    an engine failure, a worker that stopped).
    """

    def __init__(self, status: int, json_text: str, error: str = "") -> None:
        self.status = status
        self.json_text = json_text
        self.error = error
        data = json.loads(json_text) if json_text else {}
        self.root: Optional[ResultNode] = ResultNode(data["root"]) if "root" in data else None
        self.messages: List[Message] = [
            Message(m["severity"], m["node"], m["text"]) for m in data.get("messages", [])]
        self.errors: List[Diagnostic] = [
            Diagnostic(e["file"], e["line"], e["severity"], e["message"])
            for e in data.get("errors", [])]

    @property
    def ok(self) -> bool:
        """True when rkl eval would exit 0."""
        return self.status == 0

    @property
    def nodes(self) -> List[ResultNode]:
        """Every node in tree order (empty without a tree)."""
        return list(self.root.walk()) if self.root else []

    def node(self, path: str) -> ResultNode:
        """The node at a dotted path ("bike.frame"); KeyError when there is none."""
        for node in self.nodes:
            if node.path == path:
                return node
        raise KeyError(path)

    def to_json(self) -> Optional[Dict[str, Any]]:
        """A new copy of the object rkl eval --json prints; None when there is none."""
        return json.loads(self.json_text) if self.json_text else None

    def __repr__(self) -> str:
        return (f"<Result status={self.status} nodes={len(self.nodes)} "
                f"messages={len(self.messages)}{' error' if self.error else ''}>")


def result_of(raw: Sequence[Any]) -> Result:
    """A Result from the (status, JSON text, error) of the product library."""
    status, json_text, error = raw
    return Result(status, json_text, error)


class Product:
    """A product directory, loaded once and evaluated for any number of choices.

    The engine holds one product at a time: evaluating another product (or
    using the engine level) unloads this one, and it loads again when it next
    evaluates.
    """

    def __init__(self, path: Union[str, "os.PathLike[str]"]) -> None:
        self._path = os.fspath(path)
        self._loaded = _LoadedProduct(self._path)

    @classmethod
    def load(cls, path: Union[str, "os.PathLike[str]"]) -> "Product":
        """Loads the product in directory `path`; ProductError when it cannot be read."""
        return cls(path)

    @property
    def path(self) -> str:
        """The product's directory."""
        return self._path

    def evaluate(self, choices: Choices = None) -> Result:
        """Evaluates the product for `choices` (see Choices); ProductError for a choice
        that names no option or holds a value the option does not allow."""
        result = result_of(self._loaded.evaluate(choices))
        if result.error and result.status == USAGE:
            raise ProductError(result.status, result.error)
        return result

    def check(self) -> List[Diagnostic]:
        """The diagnostics ``rkl check`` prints for the product's directory, in file and
        line order (empty when it finds nothing)."""
        return [Diagnostic(*d) for d in _check([self._path])]

    def explain(self, option_ref: str, choices: Choices = None) -> str:
        """What ``rkl explain`` prints for "module:option" or "module:option[node path]":
        every write to the option during the evaluation and where it came from."""
        return _explain(self._path, option_ref, choices)[1]

    def rename(self, modules: Optional[Mapping[str, str]] = None,
               options: Optional[Mapping[str, str]] = None, dry_run: bool = False) -> str:
        """Renames modules ({old id: new id}) and options ({"module:old": "new"}) across the
        product's texts, as ``rkl rename`` does, and returns its report of what changed;
        with `dry_run` nothing is written. ProductError when a rename cannot be made."""
        module_renames = [f"{old}={new}" for old, new in (modules or {}).items()]
        option_renames = [f"{old}={new}" for old, new in (options or {}).items()]
        if not module_renames and not option_renames:
            raise ValueError("rename needs at least one module or option to rename")
        status, report = _rename(self._path, module_renames, option_renames, dry_run)
        if status != 0:
            raise ProductError(status, report)
        if not dry_run:
            self._loaded = _LoadedProduct(self._path)
        return report

    def __repr__(self) -> str:
        return f"<Product {self._path}>"
