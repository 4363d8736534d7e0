# Finds the package and the command of a development build when the environment does not name them
# (CTest sets PYTHONPATH and KAV_TOOL).
import os
import sys

_build = os.path.join(os.path.dirname(__file__), "..", "..", "build", "dev")
try:
    import kav  # noqa: F401
except ImportError:
    sys.path.insert(0, os.path.join(_build, "python"))
os.environ.setdefault("KAV_TOOL", os.path.join(_build, "cli", "kav"))
