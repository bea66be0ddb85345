#!/usr/bin/env python3
"""Builds the Windows Installer package of Parallaxia with wixl and msibuild.

    make-package.py --player Vizor_Movie.exe [--movie FILE]... [--file FILE]... OUTPUT.msi

The product (Parallaxia.wxs beside this script) installs the player into a folder
under Program Files with a Start menu shortcut. Each --movie (or other --file,
such as the help file) that exists is installed beside the player under its own
file name; one that is missing is left out with a note. The names of the files the package installs are written,
one a line, to OUTPUT.files for the tests.

wixl cannot write the installation wizard, so its tables are kept as text in
ui/*.idt (one table each, in the installer's text-archive format) and imported
into the wixl-built package with msibuild. A table wixl has made already
(Property, CustomAction, the sequences) gets the rows of the text file added to
its own; a row with the key of one of wixl's replaces it. Every table is read back with msiinfo afterwards; a table that did not
import, or not completely, stops the build. In Control.idt the text
@LICENCE_RTF@ stands for Licence.txt, written as rich text.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
PRODUCT = os.path.join(HERE, "Parallaxia.wxs")
UI_TABLES = os.path.join(HERE, "ui")
LICENCE = os.path.join(HERE, "Licence.txt")
LICENCE_MARK = "@LICENCE_RTF@"


def licence_rtf(text):
    """The licence as one line of rich text for a ScrollableText control: a
    paragraph per block of lines, the first one bold."""
    paragraphs = [" ".join(block.split()) for block in re.split(r"\n\s*\n", text.strip())]

    def escaped(part):
        out = []
        for ch in part:
            if ch in "\\{}":
                out.append("\\" + ch)
            elif ord(ch) > 127:
                out.append("\\u%d?" % ord(ch))
            else:
                out.append(ch)
        return "".join(out)

    body = []
    for i, paragraph in enumerate(paragraphs):
        body.append(("\\b %s\\b0" if i == 0 else "%s") % escaped(paragraph))
    return ("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Tahoma;}}\\fs16 "
            + "\\par\\par ".join(body) + "\\par}")


class Table:
    """One table in the text-archive format: three header lines (column names,
    column types, table name with its key columns) and rows of tab-separated
    fields."""

    def __init__(self, text, origin):
        lines = [line.rstrip("\r") for line in text.split("\n")]
        while lines and lines[-1] == "":
            lines.pop()
        if len(lines) < 3:
            raise ValueError("%s: not a table (fewer than three header lines)" % origin)
        self.origin = origin
        self.columns = lines[0].split("\t")
        self.types = lines[1].split("\t")
        self.keys = lines[2].split("\t")
        self.name = self.keys[0]
        if len(self.types) != len(self.columns) or not set(self.keys[1:]) <= set(self.columns):
            raise ValueError("%s: the header lines do not agree" % origin)
        self.rows = []
        for number, line in enumerate(lines[3:], 4):
            fields = line.split("\t")
            if len(fields) != len(self.columns):
                raise ValueError("%s:%d: %d fields, the table has %d columns"
                                 % (origin, number, len(fields), len(self.columns)))
            self.rows.append(tuple(fields))

    def key(self, row):
        return tuple(row[self.columns.index(k)] for k in self.keys[1:])

    def text(self):
        lines = ["\t".join(self.columns), "\t".join(self.types), "\t".join(self.keys)]
        lines += ["\t".join(row) for row in self.rows]
        return "\r\n".join(lines) + "\r\n"


def export_table(msiinfo, package, name):
    """The table as msiinfo reads it back from the package, or None when the
    package has no such table."""
    package = os.path.abspath(package)
    listed = subprocess.run([msiinfo, "tables", package], check=True, capture_output=True, text=True).stdout
    if name not in listed.split():
        return None
    # msiinfo writes the streams of a table with binary columns (Icon, Binary)
    # into the folder it runs in.
    with tempfile.TemporaryDirectory() as scratch:
        text = subprocess.run([msiinfo, "export", package, name], check=True, capture_output=True,
                              text=True, cwd=scratch).stdout
    return Table(text, "%s in %s" % (name, package))


def add_ui_tables(package, source, folder, replacements, msibuild, msiinfo):
    """Imports every *.idt of the folder source into package and checks each
    against what msiinfo reads back."""
    names = sorted(n for n in os.listdir(source) if n.endswith(".idt"))
    if not names:
        raise ValueError("no tables in %s" % source)
    for name in names:
        with open(os.path.join(source, name), encoding="utf-8") as f:
            text = f.read()
        for mark, value in replacements.items():
            text = text.replace(mark, value)
        wanted = Table(text, name)
        keys = [wanted.key(row) for row in wanted.rows]
        if len(set(keys)) != len(keys):
            raise ValueError("%s: two rows with the same key" % name)
        if os.path.splitext(name)[0] != wanted.name:
            raise ValueError("%s holds the table %s" % (name, wanted.name))
        merged = Table(wanted.text(), name)
        present = export_table(msiinfo, package, wanted.name)
        if present is not None:
            if present.columns != wanted.columns or present.types != wanted.types:
                raise ValueError("%s: columns differ from the table %s in the package" % (name, wanted.name))
            # A row of the text file replaces wixl's row with the same key.
            replaced = {wanted.key(row) for row in wanted.rows}
            merged.rows = [row for row in present.rows if present.key(row) not in replaced] + wanted.rows
        staged = os.path.join(folder, name)
        with open(staged, "w", encoding="utf-8", newline="") as f:
            f.write(merged.text())
        # msibuild replaces a table it imports; its file name must be the table's.
        result = subprocess.run([msibuild, package, "-i", name], cwd=folder, capture_output=True, text=True)
        if result.returncode != 0:
            raise ValueError("msibuild did not import %s: %s" % (name, (result.stderr or result.stdout).strip()))
        back = export_table(msiinfo, package, wanted.name)
        if back is None or back.columns != merged.columns or back.types != merged.types or \
                sorted(back.rows) != sorted(merged.rows):
            raise ValueError("the table %s in the package is not what %s holds" % (wanted.name, name))


def movies_fragment(movies):
    """A wxs fragment with one component per movie in INSTALLDIR and the
    ComponentGroup "Movies" that the product's feature refers to."""
    components, refs = [], []
    for i, path in enumerate(movies):
        name = os.path.basename(path)
        ident = "Movie%d_%s" % (i, re.sub(r"[^A-Za-z0-9_.]", "_", name))
        components.append(
            '      <Component Id="%s" Guid="*" Win64="yes">\n'
            '        <File Id="%s" Name=%s Source=%s KeyPath="yes"/>\n'
            "      </Component>\n" % (ident, ident, quoteattr(name), quoteattr(path)))
        refs.append('      <ComponentRef Id="%s"/>\n' % ident)
    directory = ""
    if components:
        directory = '    <DirectoryRef Id="INSTALLDIR">\n%s    </DirectoryRef>\n' % "".join(components)
    return ('<?xml version="1.0" encoding="utf-8"?>\n'
            '<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">\n'
            "  <Fragment>\n%s"
            '    <ComponentGroup Id="Movies">\n%s    </ComponentGroup>\n'
            "  </Fragment>\n"
            "</Wix>\n" % (directory, "".join(refs)))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--player", required=True, help="Vizor_Movie.exe to install")
    parser.add_argument("--movie", "--file", dest="movie", action="append", default=[],
                        help="a movie or another file (the help file) to install beside the player")
    parser.add_argument("--wixl", default="wixl")
    parser.add_argument("--msibuild", default="msibuild")
    parser.add_argument("--msiinfo", default="msiinfo")
    parser.add_argument("--ui", default=UI_TABLES, help="folder of the wizard's tables (*.idt)")
    parser.add_argument("output")
    args = parser.parse_args(argv)

    movies = []
    for movie in args.movie:
        if os.path.isfile(movie):
            movies.append(os.path.abspath(movie))
        else:
            sys.stderr.write("make-package: %s not built, left out\n" % movie)
    names = [os.path.basename(m).lower() for m in movies]
    if len(set(names)) != len(names) or "vizor_movie.exe" in names:
        raise ValueError("two files of the package would have the same name")

    # wixl takes sources by plain names only: the files meet in a stage folder.
    output = os.path.abspath(args.output)
    stage = os.path.splitext(output)[0] + ".stage"
    os.makedirs(stage, exist_ok=True)
    for name in os.listdir(stage):
        path = os.path.join(stage, name)
        if os.path.isdir(path) and not os.path.islink(path):
            shutil.rmtree(path)
        else:
            os.remove(path)
    sources = [("Vizor_Movie.exe", args.player)] + [(os.path.basename(m), m) for m in movies]
    for name, path in sources:
        os.symlink(os.path.abspath(path), os.path.join(stage, name))
    with open(os.path.join(stage, "movies.wxs"), "w", encoding="utf-8") as f:
        f.write(movies_fragment([os.path.basename(m) for m in movies]))
    with open(PRODUCT, encoding="utf-8") as f, open(os.path.join(stage, "Parallaxia.wxs"), "w", encoding="utf-8") as g:
        g.write(f.read())
    part = output + ".part"
    if os.path.exists(part):
        os.remove(part)
    size_kb = (sum(os.path.getsize(path) for _, path in sources) + 1023) // 1024
    subprocess.run([args.wixl, "-a", "x64", "-D", "EstimatedSizeKB=%d" % size_kb, "-o", part,
                    "Parallaxia.wxs", "movies.wxs"], check=True, cwd=stage)
    with open(LICENCE, encoding="utf-8") as f:
        licence = licence_rtf(f.read())
    tables = os.path.join(stage, "tables")
    os.makedirs(tables, exist_ok=True)
    add_ui_tables(part, args.ui, tables, {LICENCE_MARK: licence}, args.msibuild, args.msiinfo)
    os.replace(part, output)
    with open(os.path.splitext(output)[0] + ".files", "w", encoding="utf-8") as f:
        f.write("".join(name + "\n" for name, _ in sources))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1:]))
    except (OSError, ValueError, subprocess.CalledProcessError) as e:
        sys.stderr.write("make-package: %s\n" % e)
        sys.exit(1)
