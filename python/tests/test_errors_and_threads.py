"""Bad arguments, engine failures, threads and leaks. The autouse fixture of
conftest.py checks after every test, failed calls included, that the
engine's heap and the display's objects are as they were."""
import threading

import numpy as np
import pytest
from PIL import Image

import dibdraw
from conftest import sample_image

BAD_ARGUMENTS = [
    ("an image of an unknown mode", dict(image=Image.new("CMYK", (4, 4))), TypeError, "unsupported image mode 'CMYK'"),
    ("something else than an image", dict(image=b"not an image"), TypeError, "PIL.Image.Image or a numpy array"),
    ("an array of floats", dict(image=np.zeros((4, 4))), TypeError, "dtype uint8, not float64"),
    ("an array of two channels", dict(image=np.zeros((4, 4, 2), np.uint8)), ValueError, "not 4 x 4 x 2"),
    ("an empty array", dict(image=np.zeros((0, 4), np.uint8)), ValueError, "at least one pixel"),
    ("an unknown display", dict(display="256"), ValueError,
     "invalid value '256' for display (1, 4, 4p, 8, 8rgb, 16, 24, 32 or 2)"),
    ("a dither mode that is not a number", dict(dither="2"), TypeError, "invalid value '2' for dither (an integer)"),
    ("an unknown realization", dict(realize="always"), ValueError, "for realize (none, fixed or image)"),
    ("a background out of range", dict(background=(0, 256, 0)), ValueError, "(R,G,B, each 0 to 255)"),
    ("a background of two values", dict(background=(0, 0)), TypeError, "(R,G,B, each 0 to 255)"),
    ("transparent colour 2", dict(transparent=2), ValueError, "0, 1 or 0,1: the colours of a 1-bit image"),
    ("transparent on a colour image", dict(transparent=0), ValueError,
     "transparent needs a 1-bit image (this one has 24 bits per pixel)"),
    ("an empty source", dict(src=(5, 5, 5, 9)), ValueError, "src 5,5,5,9 is empty (it needs L < R and T < B)"),
    ("a size of nothing", dict(size=(0, 0)), ValueError, "for size (WxH, Wx or xH, each at least 1)"),
    ("a proportion of an empty source", dict(src=(50, 50, 60, 60), size=(10, 0)), ValueError,
     "keeps the source's aspect ratio, but the clipped source is empty"),
    ("a screen too large", dict(size=(40000, 10)), ValueError, "a screen of 40000x10 is too large"),
    ("a system palette on 16 colours", dict(display="4", system_palette=[(0, 0, 0)] * 256), ValueError,
     "system_palette needs display 8 (256 colours with a palette)"),
    ("a system palette of 255 entries", dict(display="8", system_palette=[(0, 0, 0)] * 255), ValueError,
     "255 entries instead of 256"),
]


@pytest.mark.parametrize("name, arguments, error, words", BAD_ARGUMENTS, ids=[c[0] for c in BAD_ARGUMENTS])
def test_bad_arguments_are_refused_in_the_tools_words(name, arguments, error, words):
    arguments = dict(arguments)
    image = arguments.pop("image", sample_image("RGB", 8, 6))
    with pytest.raises(error) as raised:
        dibdraw.render(image, **arguments)
    assert words in str(raised.value), name


def test_an_unknown_display_is_refused_by_system_palette():
    with pytest.raises(ValueError, match="invalid value 'x' for display"):
        dibdraw.system_palette("x")


def test_engine_failures_carry_the_engines_code_and_text():
    with pytest.raises(dibdraw.DibdrawError) as raised:
        dibdraw.render(sample_image("RGB", 8, 6), display="8", dither=7)
    assert raised.value.code == -1032
    assert raised.value.text == "unsupported bitmap, display or dither mode"
    assert str(raised.value) == "the blit failed with -1032 (unsupported bitmap, display or dither mode)"


def test_threads_see_what_calls_one_after_another_see():
    cases = [(display, dither) for display in ("1", "4", "8", "16", "4p") for dither in range(4)]
    image = sample_image("RGB", 61, 47)
    expected = {case: np.asarray(dibdraw.render(image, display=case[0], dither=case[1])) for case in cases}
    results = {}

    def work(offset):
        for case in cases[offset:] + cases[:offset]:
            results[(offset, case)] = np.asarray(dibdraw.render(image, display=case[0], dither=case[1]))

    threads = [threading.Thread(target=work, args=(offset,)) for offset in range(0, len(cases), 5)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert len(results) == len(threads) * len(cases)
    for (offset, case), shown in results.items():
        assert np.array_equal(shown, expected[case]), f"thread {offset}: display {case[0]} dither {case[1]}"
