"""The package's own build backend (PEP 517 and PEP 660), so that `pip install ./python` needs
nothing from outside: the package is pure Python, so a wheel is the package folder and its
metadata in a zip file, written straight into the folder pip names. Nothing is written into the
source tree (not even this module's bytecode, which the import below removes again).

Also a command for the Debian package: `python3 -B norvane_build.py tree DIR` lays out the
package and its metadata in DIR as they go into dist-packages.
"""
from __future__ import annotations

import base64
import hashlib
import io
import os
import re
import sys
import tarfile
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
PACKAGE = "norvane"
WHEEL_TAG = "py3-none-any"


def _forget_own_bytecode() -> None:
    # Importing this module (pip does, from the source tree) wrote its bytecode beside it.
    cached = globals().get("__cached__")
    if not cached:
        return
    try:
        os.remove(cached)
        os.rmdir(os.path.dirname(cached))
    except OSError:
        pass


_forget_own_bytecode()
sys.dont_write_bytecode = True


def _project() -> dict[str, str]:
    """The string fields of [project] in pyproject.toml (all this package uses)."""
    fields: dict[str, str] = {}
    table = None
    for line in (HERE / "pyproject.toml").read_text(encoding="utf-8").splitlines():
        line = line.strip()
        if line.startswith("["):
            table = line.strip("[] ")
        elif table == "project":
            match = re.fullmatch(r'([A-Za-z0-9_-]+)\s*=\s*"([^"]*)"', line)
            if match:
                fields[match.group(1)] = match.group(2)
    for key in ("name", "version"):
        if key not in fields:
            raise RuntimeError(f"pyproject.toml: [project] has no {key}")
    return fields


def _dist_info() -> str:
    project = _project()
    return f"{project['name']}-{project['version']}.dist-info"


def _metadata() -> str:
    project = _project()
    lines = ["Metadata-Version: 2.1", f"Name: {project['name']}", f"Version: {project['version']}"]
    if "description" in project:
        lines.append(f"Summary: {project['description']}")
    if "requires-python" in project:
        lines.append(f"Requires-Python: {project['requires-python']}")
    return "\n".join(lines) + "\n"


def _wheel_file() -> str:
    return f"Wheel-Version: 1.0\nGenerator: norvane_build\nRoot-Is-Purelib: true\nTag: {WHEEL_TAG}\n"


def _package_files() -> list[tuple[str, bytes]]:
    """(path in the wheel, content) of every source file of the package, in a stable order."""
    files = []
    for path in sorted((HERE / PACKAGE).rglob("*.py")):
        if "__pycache__" not in path.parts:
            files.append((path.relative_to(HERE).as_posix(), path.read_bytes()))
    return files


def _record_line(name: str, data: bytes) -> str:
    digest = base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()
    return f"{name},sha256={digest},{len(data)}"


def _write_wheel(directory: str, extra: list[tuple[str, bytes]]) -> str:
    project = _project()
    name = f"{project['name']}-{project['version']}-{WHEEL_TAG}.whl"
    info = _dist_info()
    entries = extra + [(f"{info}/METADATA", _metadata().encode()), (f"{info}/WHEEL", _wheel_file().encode()),
                       (f"{info}/top_level.txt", f"{PACKAGE}\n".encode())]
    record = "".join(_record_line(n, d) + "\n" for n, d in entries) + f"{info}/RECORD,,\n"
    entries.append((f"{info}/RECORD", record.encode()))
    # Fixed dates: the same sources give the same wheel.
    with zipfile.ZipFile(os.path.join(directory, name), "w", zipfile.ZIP_DEFLATED) as wheel:
        for entry, data in entries:
            item = zipfile.ZipInfo(entry, date_time=(1980, 1, 1, 0, 0, 0))
            item.external_attr = 0o644 << 16
            wheel.writestr(item, data, zipfile.ZIP_DEFLATED)
    return name


# ---- PEP 517 ----

def get_requires_for_build_wheel(config_settings=None):
    return []


def get_requires_for_build_sdist(config_settings=None):
    return []


def prepare_metadata_for_build_wheel(metadata_directory, config_settings=None):
    info = Path(metadata_directory) / _dist_info()
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(), encoding="utf-8")
    (info / "WHEEL").write_text(_wheel_file(), encoding="utf-8")
    return info.name


def build_wheel(wheel_directory, config_settings=None, metadata_directory=None):
    return _write_wheel(wheel_directory, _package_files())


def build_sdist(sdist_directory, config_settings=None):
    project = _project()
    base = f"{project['name']}-{project['version']}"
    name = f"{base}.tar.gz"
    sources = ["pyproject.toml", "norvane_build.py"] + [n for n, _ in _package_files()]
    with tarfile.open(os.path.join(sdist_directory, name), "w:gz", format=tarfile.PAX_FORMAT) as archive:
        for source in sources:
            item = archive.gettarinfo(str(HERE / source), f"{base}/{source}")
            item.mtime, item.uid, item.gid, item.uname, item.gname = 0, 0, 0, "", ""
            with open(HERE / source, "rb") as data:
                archive.addfile(item, data)
        metadata = _metadata().encode()
        item = tarfile.TarInfo(f"{base}/PKG-INFO")
        item.size = len(metadata)
        archive.addfile(item, io.BytesIO(metadata))
    return name


# ---- PEP 660: pip install -e ./python ----

def get_requires_for_build_editable(config_settings=None):
    return []


def prepare_metadata_for_build_editable(metadata_directory, config_settings=None):
    return prepare_metadata_for_build_wheel(metadata_directory, config_settings)


def build_editable(wheel_directory, config_settings=None, metadata_directory=None):
    # A path file that puts this folder on sys.path: the sources are used where they are.
    return _write_wheel(wheel_directory, [(f"__editable__.{PACKAGE}.pth", f"{HERE}\n".encode())])


# ---- the Debian package ----

def write_tree(directory: str) -> None:
    """Writes the package and its metadata as they lie in dist-packages."""
    root = Path(directory)
    for name, data in _package_files():
        (root / name).parent.mkdir(parents=True, exist_ok=True)
        (root / name).write_bytes(data)
    info = root / _dist_info()
    info.mkdir(parents=True, exist_ok=True)
    (info / "METADATA").write_text(_metadata(), encoding="utf-8")
    (info / "top_level.txt").write_text(f"{PACKAGE}\n", encoding="utf-8")
    (info / "INSTALLER").write_text("dpkg\n", encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] != "tree":
        sys.exit("usage: python3 -B norvane_build.py tree DIR")
    write_tree(sys.argv[2])
