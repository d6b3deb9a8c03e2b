"""Many configurations of one product: in local worker processes, or spread
over the workers of a Dask cluster."""

from __future__ import annotations

import os
import threading
from typing import Any, Dict, List, Optional, Sequence, Tuple, Union

from ._zamcore import _LoadedProduct, _batch_evaluate
from .product import Choices, Result, result_of

__all__ = ["evaluate_many"]

# Each Dask worker process keeps the product it evaluated last, loaded once
# and reused by every chunk; the lock keeps the worker's threads to one
# engine (the engine holds one product per process).
_worker_products: Dict[str, _LoadedProduct] = {}
_worker_loads = 0  # how often this process loaded a product for a chunk
_worker_lock = threading.Lock()


def _evaluate_chunk(path: str, chunk: Sequence[Choices]) -> List[Tuple[int, str, str]]:
    """Runs on a Dask worker: the raw results of one chunk of configurations."""
    global _worker_loads
    with _worker_lock:
        product = _worker_products.get(path)
        if product is None:
            _worker_loads += 1
            _worker_products.clear()
            product = _worker_products[path] = _LoadedProduct(path)
        return [product.evaluate(choices) for choices in chunk]


def evaluate_many(path: Union[str, "os.PathLike[str]"], list_of_choices: Sequence[Choices],
                  client: Optional[Any] = None, jobs: Optional[int] = None,
                  chunk_size: Optional[int] = None) -> List[Result]:
    """Evaluates the product at `path` for each set of choices; the results in the
    given order.

    Without `client` the work is shared among `jobs` local worker processes
    (default: one per processor), each loading the product once. With a
    ``dask.distributed.Client`` it is sent in chunks (of `chunk_size`, by
    default about four per worker) to the cluster's workers, each of which
    loads the product once; `path` and any choices files must then be
    readable on the workers. A configuration that cannot be evaluated gives a
    Result with its ``error`` set instead of raising.
    """
    directory = os.fspath(path)
    configurations = list(list_of_choices)
    if client is None:
        workers = jobs if jobs is not None else (os.cpu_count() or 1)
        return [result_of(raw) for raw in _batch_evaluate(directory, configurations, workers)]
    if not configurations:
        return []
    if chunk_size is None:
        workers = max(1, len(client.scheduler_info().get("workers", {})))
        chunk_size = max(1, -(-len(configurations) // (4 * workers)))
    chunks = [configurations[i:i + chunk_size]
              for i in range(0, len(configurations), chunk_size)]
    futures = client.map(_evaluate_chunk, [directory] * len(chunks), chunks, pure=False)
    results: List[Result] = []
    for raws in client.gather(futures):
        results.extend(result_of(raw) for raw in raws)
    return results
