"""The exceptions of the package: engine errors with their codes, and product errors."""

from __future__ import annotations

from typing import Any, Optional

__all__ = ["EngineError", "RklSyntaxError", "ProductError"]


class EngineError(Exception):
    """An engine call failed: the engine's error code and its texts.

    ``code`` is the number of the engine's catalogue, ``info`` and ``context``
    its two texts (usually the name or id concerned), ``line`` the line of the
    text concerned (0 when none applies), and ``node`` the zamcore.Node being
    evaluated when the error arose (None when there was none, or it was not
    made in Python). A host override may raise it too; the engine then sees
    its code.
    """

    def __init__(self, code: int, info: str = "", context: str = "", line: int = 0,
                 extrainfo2: str = "", node: Optional[Any] = None) -> None:
        super().__init__(code, info, context, line)
        self.code = code
        self.info = info
        self.context = context
        self.line = line
        self.extrainfo2 = extrainfo2
        self.node = node

    def __str__(self) -> str:
        where = f" (line {self.line})" if self.line else ""
        texts = ", ".join(t for t in (self.info, self.context) if t)
        return f"[code {self.code}]{where} {texts}".rstrip()


class RklSyntaxError(EngineError):
    """A syntax error (code 10) in a parsed text.

    ``info`` holds the message, ``context`` the excerpt of the text followed by
    a line with a caret under the offending token; ``excerpt`` and ``caret``
    give the two apart.
    """

    @property
    def excerpt(self) -> str:
        """The excerpt of the text the error was found in."""
        return self.context.rpartition("\n")[0] if "\n" in self.context else self.context

    @property
    def caret(self) -> str:
        """The line with a caret under the offending token ("" when none)."""
        return self.context.rpartition("\n")[2] if "\n" in self.context else ""

    def __str__(self) -> str:
        return f"line {self.line}: {self.info}\n{self.context}"


class ProductError(Exception):
    """A product or choice could not be used: ``status`` is the exit status
    ``rkl`` would give (2 for a product that cannot be read or a wrong
    choice), ``message`` what is wrong."""

    def __init__(self, status: int, message: str) -> None:
        super().__init__(message)
        self.status = status
        self.message = message
