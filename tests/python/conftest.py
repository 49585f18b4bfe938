"""Shared fixtures: the tool the module is compared with, and running it."""

import os
import pathlib
import subprocess

import imgforge
import pytest


def tool_path():
    given = os.environ.get("IMGFORGE_BINARY")
    if given:
        return given
    # In a build tree the tool lies in bin/ beside python/.
    return str(pathlib.Path(imgforge.__file__).parent.parent / "bin" / "imgforge")


@pytest.fixture(scope="session")
def tool():
    """Runs the tool: tool(*args) gives (status, stdout bytes, stderr text)."""
    path = tool_path()
    if not os.access(path, os.X_OK):
        pytest.skip(f"no imgforge tool at {path} (set IMGFORGE_BINARY)")

    def run(*args, cwd=None):
        done = subprocess.run([path, *map(str, args)], capture_output=True, cwd=cwd)
        return done.returncode, done.stdout, done.stderr.decode(errors="replace")

    return run
