"""render(), sheet() and system_palette() against the dibdraw tool, which
is the reference: for the same input and options both must show the same
screen, byte for byte."""
import subprocess

import numpy as np
import pytest
from PIL import Image

import dibdraw
from conftest import assert_same_screen, sample_image, tool_path, tool_render

# The engine draws on every display but the one of four greys, whose 2 bits
# no converter serves.
DRAWN = [d for d in dibdraw.DISPLAYS if d != "2"]

# Each case: an input kind and the options, given to render() and, by the
# same names, to the tool.
CASES = [
    *[(f"display {d} dither {m}", "RGB", dict(display=d, dither=m)) for d in DRAWN for m in range(4)],
    *[(f"palette {p} realize {r}", kind, dict(display="8", dither=2, palette=p, realize=r))
      for kind in ("RGB", "P256") for p in range(3) for r in (None, "none", "fixed", "image")],
    ("enlarged", "RGB", dict(display="4", dither=0, size=(90, 50))),
    ("reduced", "RGB", dict(display="8", dither=2, size=(20, 11))),
    ("width kept in proportion", "RGB", dict(display="16", size=(0, 40))),
    ("height kept in proportion", "RGB", dict(display="1", dither=2, size=(55, None))),
    ("source inside", "RGB", dict(display="8", dither=3, src=(5, 3, 30, 20))),
    ("source reaching outside", "RGB", dict(display="4p", dither=2, src=(-4, 10, 60, 40), size=(33, 21))),
    ("background", "RGBA", dict(display="32", background=(10, 200, 30))),
    ("RGBA on 256 colours", "RGBA", dict(display="8", dither=2, background=(255, 0, 128))),
    ("grey with alpha", "LA", dict(display="4", dither=2, background=(0, 0, 255))),
    ("grey", "L", dict(display="4p", dither=2)),
    ("two colours", "P2", dict(display="8", palette=1)),
    ("sixteen colours", "P16", dict(display="4", dither=1, palette=2)),
    ("a 1-bit image", "1", dict(display="24")),
    ("a 1-bit image reduced", "1", dict(display="8", size=(20, 12))),
    ("colour 0 transparent", "1", dict(display="32", transparent=0, background=(0, 90, 0))),
    ("colour 1 transparent", "P2", dict(display="4", transparent=1, background=(200, 10, 10))),
    ("a system palette", "RGB", dict(display="8", dither=1, palette=2,
                                    system_palette=[(i, 255 - i, (7 * i) % 256) for i in range(256)])),
]


@pytest.mark.parametrize("name, kind, options", CASES, ids=[case[0] for case in CASES])
def test_render_shows_what_the_tool_shows(name, kind, options, tmp_path):
    image = sample_image(kind)
    assert_same_screen(dibdraw.render(image, **options), tool_render(image, tmp_path, **options), name)


@pytest.mark.parametrize("kind", ["RGB", "RGBA", "L"])
def test_arrays_draw_as_their_images(kind, tmp_path):
    array = np.asarray(sample_image(kind))
    options = dict(display="4", dither=2, background=(40, 50, 60))
    assert_same_screen(dibdraw.render(array, **options), tool_render(array, tmp_path, **options), kind)


def test_palette_image_with_a_transparent_index(tmp_path):
    image = sample_image("P16")
    image.info["transparency"] = 3
    options = dict(display="8", dither=0, background=(255, 255, 0))
    assert_same_screen(dibdraw.render(image, **options), tool_render(image, tmp_path, **options))


def test_screens_of_palette_displays_are_indexed_with_the_display_palette():
    for display in ("1", "4", "4p"):
        shown = dibdraw.render(sample_image("RGB"), display=display)
        assert shown.mode == "P"
        assert shown.getpalette() == [c for entry in dibdraw.system_palette(display) for c in entry]
    # Realizing the fixed palette changes the 256-colour display's palette.
    shown = dibdraw.render(sample_image("RGB"), display="8", realize="none")
    assert shown.getpalette() == [c for entry in dibdraw.system_palette("8") for c in entry]
    assert dibdraw.render(sample_image("RGB"), display="16").mode == "RGB"


def test_four_greys_fail_as_the_tool_fails(tmp_path):
    with pytest.raises(dibdraw.DibdrawError) as raised:
        dibdraw.render(sample_image("RGB"), display="2")
    assert raised.value.code == -1032
    with pytest.raises(subprocess.CalledProcessError) as failed:
        tool_render(sample_image("RGB"), tmp_path, display="2")
    assert b"-1032" in failed.value.stderr


def test_sheet_is_the_tools_sheet(tmp_path):
    image = sample_image("RGB", 30, 20)
    # Wide enough for whole labels: "DISPLAY 16 DITHER 3" is 19 glyphs of 6 pixels.
    theirs = tool_render(image, tmp_path, command="sheet", size=(115, 20), display=None, dither=None)
    assert_same_screen(dibdraw.sheet(image, size=(115, 20)), theirs, "sheet")


@pytest.mark.parametrize("display", dibdraw.DISPLAYS)
def test_system_palette_is_the_tools(display):
    listed = subprocess.run([tool_path(), "palette", "--display", display], capture_output=True, text=True)
    entries = [tuple(map(int, line.split(","))) for line in listed.stdout.splitlines() if not line.startswith("#")]
    assert dibdraw.system_palette(display) == entries


def test_version_is_the_engines():
    listed = subprocess.run([tool_path(), "--version"], capture_output=True, text=True, check=True)
    assert listed.stdout.split() == ["dibdraw", dibdraw.__version__]
