"""The contact sheet's layout and labels, as the dibdraw tool draws them."""
import numpy as np
from PIL import Image

MARGIN = 8  # around the sheet
GAP = 8  # between panels
GLYPH_WIDTH, GLYPH_HEIGHT = 5, 7
GLYPH_ADVANCE = GLYPH_WIDTH + 1
LABEL_HEIGHT = GLYPH_HEIGHT + 3  # above each panel
PAPER, INK = 255, 0

# The tool's 5x7 font: rows top first, the leftmost pixel in bit 4.
GLYPHS = {
    "A": (0b01110, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001),
    "B": (0b11110, 0b10001, 0b10001, 0b11110, 0b10001, 0b10001, 0b11110),
    "C": (0b01110, 0b10001, 0b10000, 0b10000, 0b10000, 0b10001, 0b01110),
    "D": (0b11100, 0b10010, 0b10001, 0b10001, 0b10001, 0b10010, 0b11100),
    "E": (0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b11111),
    "F": (0b11111, 0b10000, 0b10000, 0b11110, 0b10000, 0b10000, 0b10000),
    "G": (0b01110, 0b10001, 0b10000, 0b10111, 0b10001, 0b10001, 0b01111),
    "H": (0b10001, 0b10001, 0b10001, 0b11111, 0b10001, 0b10001, 0b10001),
    "I": (0b01110, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110),
    "J": (0b00111, 0b00010, 0b00010, 0b00010, 0b00010, 0b10010, 0b01100),
    "K": (0b10001, 0b10010, 0b10100, 0b11000, 0b10100, 0b10010, 0b10001),
    "L": (0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b10000, 0b11111),
    "M": (0b10001, 0b11011, 0b10101, 0b10101, 0b10001, 0b10001, 0b10001),
    "N": (0b10001, 0b10001, 0b11001, 0b10101, 0b10011, 0b10001, 0b10001),
    "O": (0b01110, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110),
    "P": (0b11110, 0b10001, 0b10001, 0b11110, 0b10000, 0b10000, 0b10000),
    "Q": (0b01110, 0b10001, 0b10001, 0b10001, 0b10101, 0b10010, 0b01101),
    "R": (0b11110, 0b10001, 0b10001, 0b11110, 0b10100, 0b10010, 0b10001),
    "S": (0b01111, 0b10000, 0b10000, 0b01110, 0b00001, 0b00001, 0b11110),
    "T": (0b11111, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100, 0b00100),
    "U": (0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01110),
    "V": (0b10001, 0b10001, 0b10001, 0b10001, 0b10001, 0b01010, 0b00100),
    "W": (0b10001, 0b10001, 0b10001, 0b10101, 0b10101, 0b10101, 0b01010),
    "X": (0b10001, 0b10001, 0b01010, 0b00100, 0b01010, 0b10001, 0b10001),
    "Y": (0b10001, 0b10001, 0b10001, 0b01010, 0b00100, 0b00100, 0b00100),
    "Z": (0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b10000, 0b11111),
    "0": (0b01110, 0b10001, 0b10011, 0b10101, 0b11001, 0b10001, 0b01110),
    "1": (0b00100, 0b01100, 0b00100, 0b00100, 0b00100, 0b00100, 0b01110),
    "2": (0b01110, 0b10001, 0b00001, 0b00010, 0b00100, 0b01000, 0b11111),
    "3": (0b11111, 0b00010, 0b00100, 0b00010, 0b00001, 0b10001, 0b01110),
    "4": (0b00010, 0b00110, 0b01010, 0b10010, 0b11111, 0b00010, 0b00010),
    "5": (0b11111, 0b10000, 0b11110, 0b00001, 0b00001, 0b10001, 0b01110),
    "6": (0b00110, 0b01000, 0b10000, 0b11110, 0b10001, 0b10001, 0b01110),
    "7": (0b11111, 0b00001, 0b00010, 0b00100, 0b01000, 0b01000, 0b01000),
    "8": (0b01110, 0b10001, 0b10001, 0b01110, 0b10001, 0b10001, 0b01110),
    "9": (0b01110, 0b10001, 0b10001, 0b01111, 0b00001, 0b00010, 0b01100),
}


def _paint_text(sheet, x, y, text):
    """Glyph pixels of `text` set to ink from (x, y), clipped to the sheet."""
    height, width = sheet.shape[:2]
    for i, character in enumerate(text):
        for row, bits in enumerate(GLYPHS.get(character, ())):
            for column in range(GLYPH_WIDTH):
                px, py = x + i * GLYPH_ADVANCE + column, y + row
                if bits >> (GLYPH_WIDTH - 1 - column) & 1 and 0 <= px < width and 0 <= py < height:
                    sheet[py, px] = INK


def compose(panels, displays):
    """Panels[row][dither], RGB images of one size, laid out and labelled."""
    panel_width, panel_height = panels[0][0].size
    rows, columns = len(panels), len(panels[0])
    width = 2 * MARGIN + columns * panel_width + (columns - 1) * GAP
    height = 2 * MARGIN + rows * (LABEL_HEIGHT + panel_height) + (rows - 1) * GAP
    sheet = np.full((height, width, 3), PAPER, np.uint8)
    for row, (display, images) in enumerate(zip(displays, panels)):
        top = MARGIN + LABEL_HEIGHT + row * (LABEL_HEIGHT + panel_height + GAP)
        for dither, image in enumerate(images):
            left = MARGIN + dither * (panel_width + GAP)
            sheet[top:top + panel_height, left:left + panel_width] = np.asarray(image)
            # Cut at the panel's right edge rather than run into the next one.
            label = f"DISPLAY {display} DITHER {dither}"[:panel_width // GLYPH_ADVANCE]
            _paint_text(sheet, left, top - LABEL_HEIGHT, label)
    return Image.fromarray(sheet, "RGB")
