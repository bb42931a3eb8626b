"""The program's control and resource IDs, read from resources/resource.h by their names there
(ids.IDC_MODEL_PATH), so the tests, the soak and the benchmarks never copy a number."""

import re
from collections import namedtuple
from pathlib import Path


def _read_resource_ids():
    header = Path(__file__).resolve().parents[2] / "resources" / "resource.h"
    found = re.findall(r"^#define\s+(ID\w+)\s+(-?\d+)\s*$", header.read_text(), re.M)
    return namedtuple("ResourceIds", [name for name, _ in found])(*[int(value) for _, value in found])


ids = _read_resource_ids()
