"""The game's resource, control and menu identifiers, read from the header
the program is built with (resources/resource_ids.h): every #define of a
number there is a name of this module, so the tests import them by name."""
import os
import re

from e2e_wine import SOURCE_DIR

HEADER = os.path.join(SOURCE_DIR, "resources", "resource_ids.h")


def read_resource_ids(path=HEADER):
    with open(path) as source:
        return {name: int(value, 0)
                for name, value in re.findall(r"^#define\s+(ID\w+)\s+(\d+|0x[0-9A-Fa-f]+)\b", source.read(), re.M)}


globals().update(read_resource_ids())
