"""evaluate_many agrees with evaluating one configuration at a time, in local
worker processes and on a Dask cluster of two worker processes."""

import pytest

import zamcore

USAGES = ["city", "road", "gravel", "mountain", "cargo"]


def configurations(bike):
    files = [bike / "choices" / name for name in ("road.txt", "mountain.txt", "ebike_cargo.txt")]
    made = [[f"bike:usage={usage}", f"bike:rider_height={150 + 7 * i}"]
            for i, usage in enumerate(USAGES)]
    # An electric bike under budget raises a rule's error; a bad choice
    # cannot be used at all.
    made += [["bike:electric=true", "bike:budget=900"], ["bike:usage=boat"], None]
    return [*files, *made]


def serial(bike, configs):
    product = zamcore.Product.load(bike)
    answers = []
    for choices in configs:
        try:
            result = product.evaluate(choices)
            answers.append((result.status, result.to_json()))
        except zamcore.ProductError as error:
            answers.append((error.status, None))
    return answers


def answers_of(results):
    return [(r.status, r.to_json()) for r in results]


def test_local_workers_agree_with_serial(bike):
    configs = configurations(bike)
    expected = serial(bike, configs)
    assert {status for status, _ in expected} == {0, 1, 2}
    for jobs in (1, 2):
        results = zamcore.evaluate_many(bike, configs, jobs=jobs)
        assert answers_of(results) == expected
        assert results[-2].error and results[-2].to_json() is None
    assert zamcore.evaluate_many(bike, []) == []


def test_dask_cluster_agrees_with_serial(bike):
    distributed = pytest.importorskip("distributed")
    configs = configurations(bike) * 3
    expected = serial(bike, configs)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=2, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        results = zamcore.evaluate_many(str(bike), configs, client=client, chunk_size=4)
        assert answers_of(results) == expected
        # Each worker process loaded the product once and kept it.
        loads = client.run(lambda: zamcore.many._worker_loads)
        assert sorted(loads.values()) == [1, 1]
