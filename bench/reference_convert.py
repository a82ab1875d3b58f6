#!/usr/bin/env python3
"""Reference converter for bench/pairs.sh: CSV bookings to CSV with the standard library only.

Reads ";"-separated text in Windows-1252 with German decimals ("1.234,56"), takes every amount as a
number and writes the records back the way Pelko writes them (every field in quotes, CR LF).
Usage: reference_convert.py IN OUT
"""
import csv
import sys


def german(text):
    return float(text.replace(".", "").replace(",", ".")) if text else 0.0


def main(source, target):
    with open(source, newline="", encoding="cp1252") as inp, \
            open(target, "w", newline="", encoding="cp1252") as out:
        reader = csv.reader(inp, delimiter=";")
        writer = csv.writer(out, delimiter=";", quoting=csv.QUOTE_ALL, lineterminator="\r\n")
        heading = next(reader)
        writer.writerow(heading)
        amount = heading.index("Betrag") if "Betrag" in heading else len(heading)
        for row in reader:
            if len(row) > amount and row[amount]:
                row[amount] = f"{german(row[amount]):.2f}".replace(".", ",")
            writer.writerow(row)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
