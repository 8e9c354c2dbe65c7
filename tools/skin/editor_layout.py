"""The editor's layout as editor/EditorLayout.toml gives it: the positions and
sizes that the editor's code and its artwork share.  Read by the artwork
generator and by the writer of the C++ form of the layout."""

import os
import re
import tomllib
from dataclasses import dataclass

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
LAYOUT_FILE = os.path.join(ROOT, "editor", "EditorLayout.toml")

# The names the C++ code gives the areas, and the order it declares them in.
AREA_NAMES = ("highPassButton", "lowPassButton", "phasePlusButton", "phaseMinusButton", "clipIndicator", "dataBox")


class LayoutError(ValueError):
    """The layout file says something the editor cannot be built from."""


@dataclass(frozen=True)
class Knob:
    parameter: str  # the parameter's name in chorus/ParameterIndex.h
    label: str
    centre_x: int
    centre_y: int
    radius: int


@dataclass(frozen=True)
class Layout:
    width: int
    height: int
    knobs: tuple
    areas: dict  # name -> (left, top, right, bottom)
    data_text_x: int
    data_text_y: int
    marker_inset: int
    marker_mask: tuple  # rows of 'W' and 'B', top row first

    @property
    def marker_size(self):
        return len(self.marker_mask)


def _integer(value, what):
    if type(value) is not int:
        raise LayoutError(f"{what} must be a whole number, not {value!r}")
    return value


def _integers(values, count, what):
    if not isinstance(values, list) or len(values) != count:
        raise LayoutError(f"{what} must be a list of {count} whole numbers, not {values!r}")
    return tuple(_integer(v, what) for v in values)


def _knob(entry, number):
    what = f"knob {number}"
    parameter = entry.get("parameter")
    if not isinstance(parameter, str) or not re.fullmatch(r"k[A-Z][A-Za-z0-9]*", parameter):
        raise LayoutError(f"{what}: the parameter must be a name such as kRate, not {parameter!r}")
    label = entry.get("label")
    if not isinstance(label, str) or not label:
        raise LayoutError(f"{what}: needs a label")
    centre_x, centre_y = _integers(entry.get("centre"), 2, f"{what}: centre")
    return Knob(parameter, label, centre_x, centre_y, _integer(entry.get("radius"), f"{what}: radius"))


def _area(areas, name):
    left, top, right, bottom = _integers(areas.get(name), 4, f"area {name}")
    if right <= left or bottom <= top:
        raise LayoutError(f"area {name} is empty: {[left, top, right, bottom]}")
    return left, top, right, bottom


def _mask(rows):
    if not isinstance(rows, list) or not rows:
        raise LayoutError("the marker's mask must be a list of rows")
    for row in rows:
        if not isinstance(row, str) or len(row) != len(rows) or set(row) - {"W", "B"}:
            raise LayoutError(f"every row of the marker's mask must be {len(rows)} of 'W' and 'B', not {row!r}")
    return tuple(rows)


def read_layout(path=LAYOUT_FILE):
    """The layout of the file; LayoutError for anything missing or malformed."""
    with open(path, "rb") as f:
        data = tomllib.load(f)
    try:
        areas = data["areas"]
        unknown = set(areas) - set(AREA_NAMES)
        if unknown:
            raise LayoutError(f"unknown areas: {sorted(unknown)}")
        return Layout(
            width=_integer(data["width"], "width"),
            height=_integer(data["height"], "height"),
            knobs=tuple(_knob(entry, i) for i, entry in enumerate(data["knobs"])),
            areas={name: _area(areas, name) for name in AREA_NAMES},
            data_text_x=_integer(data["dataText"]["x"], "dataText.x"),
            data_text_y=_integer(data["dataText"]["y"], "dataText.y"),
            marker_inset=_integer(data["marker"]["inset"], "marker.inset"),
            marker_mask=_mask(data["marker"]["mask"]),
        )
    except KeyError as missing:
        raise LayoutError(f"{path} lacks {missing}") from None
