#!/usr/bin/env python3
"""Builds the Windows Installer package of Parallaxia with wixl.

    make-package.py --player Vizor_Movie.exe [--movie FILE]... OUTPUT.msi

The product (Parallaxia.wxs beside this script) installs the player into a folder
under Program Files with a Start menu shortcut. Each --movie that exists is
installed beside the player under its own file name; a movie that is missing is
left out with a note. The names of the files the package installs are written,
one a line, to OUTPUT.files for the tests.
"""
import argparse
import os
import re
import subprocess
import sys
from xml.sax.saxutils import quoteattr

HERE = os.path.dirname(os.path.abspath(__file__))
PRODUCT = os.path.join(HERE, "Parallaxia.wxs")


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
    parser.add_argument("--movie", action="append", default=[], help="a movie to install beside the player")
    parser.add_argument("--wixl", default="wixl")
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
        os.remove(os.path.join(stage, name))
    sources = [("Vizor_Movie.exe", args.player)] + [(os.path.basename(m), m) for m in movies]
    for name, path in sources:
        os.symlink(os.path.abspath(path), os.path.join(stage, name))
    with open(os.path.join(stage, "movies.wxs"), "w", encoding="utf-8") as f:
        f.write(movies_fragment([os.path.basename(m) for m in movies]))
    with open(PRODUCT, encoding="utf-8") as f, open(os.path.join(stage, "Parallaxia.wxs"), "w", encoding="utf-8") as g:
        g.write(f.read())
    part = output + ".part"
    subprocess.run([args.wixl, "-a", "x64", "-o", part,
                    "Parallaxia.wxs", "movies.wxs"], check=True, cwd=stage)
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
