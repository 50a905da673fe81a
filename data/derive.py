#!/usr/bin/env python3
"""Computes data/ei-standard.csv, the bundled catalogue of standard scrapless EI laminations.

Run from anywhere: python3 data/derive.py > data/ei-standard.csv
The build reads the CSV only; this script records how its numbers were obtained.
See data/README.md for the geometry behind the formulas.
"""

import csv
import math
import sys
from decimal import ROUND_HALF_UP, Decimal
from fractions import Fraction

# Lamination width in mm; the centre tongue is a third of it.
WIDTHS_MM = [30, 35, 38, 41, 42, 48, 54, 60, 66, 75, 84, 96, 105, 120, 135, 150]
# Stack height as a multiple of the tongue width.
STACK_RATIOS = [Fraction(1), Fraction(5, 4), Fraction(3, 2), Fraction(2)]

IRON_DENSITY_G_CM3 = Fraction("7.65")
STACKING_FACTOR = Fraction("0.96")
WINDING_CLEARANCE_MM = Fraction("0.5")


def bobbin_wall_mm(width_mm):
    """Wall of the bobbin tube, also the thickness of each flange."""
    if width_mm <= 48:
        return Fraction(1)
    if width_mm <= 96:
        return Fraction(3, 2)
    return Fraction(2)


def round_half_up(value, places):
    quantum = Decimal(1).scaleb(-places)
    if isinstance(value, Fraction):
        exact = Decimal(value.numerator) / Decimal(value.denominator)
    else:
        exact = Decimal(repr(value))
    return exact.quantize(quantum, rounding=ROUND_HALF_UP)


def plain(value):
    """Decimal text without trailing zeros, as the catalogue tool's export writes it."""
    text = format(value.normalize(), "f")
    return text


def cores():
    rows = []
    for width in WIDTHS_MM:
        a = Fraction(width, 3)  # mm
        wall = bobbin_wall_mm(width)
        window_width = a / 2
        window_height = a * 3 / 2
        usable_height = window_width - wall - WINDING_CLEARANCE_MM
        winding_width = window_height - 2 * wall
        for ratio in STACK_RATIOS:
            b = Fraction(int(round_half_up(a * ratio, 0)))  # whole mm, halves up
            section_cm2 = a * b / 100
            a_cm, b_cm = a / 10, b / 10
            mass_kg = 6 * a_cm * a_cm * b_cm * IRON_DENSITY_G_CM3 * STACKING_FACTOR / 1000
            tube_perimeter = 2 * (a + 2 * wall) + 2 * (b + 2 * wall)
            mean_turn_cm = (float(tube_perimeter) + math.pi * float(usable_height)) / 10
            rows.append({
                "Ref": f"EI{width}/{b}",
                "SectionFer": round_half_up(section_cm2, 2),
                "MasseFer": round_half_up(mass_kg, 3),
                "hautcu": round_half_up(usable_height, 1),
                "LargCu": round_half_up(winding_width, 1),
                "longspire": round_half_up(mean_turn_cm, 1),
            })
    # Lightest first, as the program lists them; equal masses by section, then by name.
    rows.sort(key=lambda r: (r["MasseFer"], r["SectionFer"], r["Ref"]))
    return rows


def main():
    columns = ["Ref", "SectionFer", "MasseFer", "hautcu", "LargCu", "longspire"]
    writer = csv.writer(sys.stdout, lineterminator="\n")
    writer.writerow(columns)
    for row in cores():
        writer.writerow([row["Ref"]] + [plain(row[c]) for c in columns[1:]])


if __name__ == "__main__":
    main()
