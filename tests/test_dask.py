"""A Masker shared by Dask worker processes masks each file as kesmal-cli mask does."""
import random

import dask
import dask.bag
import pytest
from distributed import Client, LocalCluster

import kesmal
from test_python import cli, cli_bytes, fixture_key_file, planted_text, written_numbers  # noqa: F401

# Debian 12's distributed on its tornado: not ours to fix.
pytestmark = pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")


def mask_file(path, masker):
    with open(path, encoding="utf-8", errors="surrogateescape", newline="") as file:
        return masker.text(file.read()).encode("utf-8", "surrogateescape")


def test_workers_mask_files_as_the_command_line(tmp_path, key_file):
    rng, numbers = random.Random(41), written_numbers(41)
    contents = [cli_bytes(planted_text(rng, numbers)) for _ in range(3)]
    contents += [planted_text(rng, numbers).encode("utf-8", "replace"), b"", numbers[0].encode()]
    paths = []
    for i, content in enumerate(contents):
        paths.append(str(tmp_path / f"{i}.txt"))
        with open(paths[-1], "wb") as file:
            file.write(content)
    masker = dask.delayed(kesmal.Masker(kesmal.read_key_file(key_file), keep="region"))
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None,
                      local_directory=str(tmp_path / "dask")) as cluster, Client(cluster):
        masked = dask.bag.from_sequence(paths, npartitions=len(paths)).map(mask_file, masker).compute()
    for path, out in zip(paths, masked):
        assert out == cli("mask", "--key-file", key_file, "--keep", "region", path).stdout, path
