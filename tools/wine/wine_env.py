"""The Wine environment of tools/wine/env for the Python harnesses: the same
file the shell scripts source, read as NAME=value lines."""
import os
import re

ENV_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "env")


def read_wine_env(environ=None):
    """The file's variables as a dict; ${NAME:-default} takes NAME from
    environ (the process's environment unless given) when it is set and
    not empty."""
    environ = os.environ if environ is None else environ
    values = {}
    with open(ENV_FILE) as source:
        for number, line in enumerate(source, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            match = re.fullmatch(r'([A-Za-z_][A-Za-z0-9_]*)=("?)(.*)\2', line)
            if not match:
                raise ValueError("%s:%d: not a NAME=value line: %s" % (ENV_FILE, number, line))
            name, value = match.group(1), match.group(3)
            values[name] = re.sub(r"\$\{(\w+):-([^}]*)\}",
                                  lambda m: environ.get(m.group(1)) or m.group(2), value)
    return values


def wine_environment(prefix, environ=None):
    """The environment for a Wine process in prefix: environ (the process's
    environment unless given) with the file's variables and WINEPREFIX."""
    environ = dict(os.environ if environ is None else environ)
    environ.update(read_wine_env(environ), WINEPREFIX=prefix)
    return environ
