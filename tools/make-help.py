#!/usr/bin/python3
"""Builds the player's help file, Vizor_Movie.chm, from the user guide in the
README: each of the guide's sections becomes one HTML page, its subsections the
entries of the table of contents, and chmcmd compiles the pages.

    make-help.py README.md OUTPUT.chm WORK_FOLDER
"""
import html
import os
import re
import subprocess
import sys

import markdown

# The README's sections that make up the user guide, in this order.
GUIDE_SECTIONS = ["Using the player", "Settings and movie configuration files", "The log"]

PAGE = """<!DOCTYPE html>
<html><head><meta charset="windows-1252"><title>{title}</title>
<style>
body {{ font-family: Segoe UI, Tahoma, sans-serif; font-size: 10pt; margin: 1em 2em; }}
table {{ border-collapse: collapse; margin: 0.5em 0; }}
th, td {{ border: 1px solid #bbb; padding: 2px 6px; text-align: left; vertical-align: top; }}
code {{ font-family: Consolas, monospace; }}
</style></head>
<body>
{body}
</body></html>
"""


def sections(text):
    """The README's level-2 sections: {title: markdown text below the heading}."""
    found = {}
    parts = re.split(r"^## (.+)$", text, flags=re.M)
    for i in range(1, len(parts) - 1, 2):
        found[parts[i].strip()] = parts[i + 1]
    return found


def anchor(title):
    return re.sub(r"[^a-z0-9]+", "-", title.lower()).strip("-")


def topic(name, local):
    return ('<LI> <OBJECT type="text/sitemap">\n<param name="Name" value="%s">\n<param name="Local" value="%s">\n'
            "</OBJECT>\n" % (html.escape(name), local))


def main(readme, output, work):
    os.makedirs(work, exist_ok=True)
    with open(readme, encoding="utf-8") as f:
        found = sections(f.read())
    missing = [s for s in GUIDE_SECTIONS if s not in found]
    if missing:
        sys.exit("make-help: the README has no section %s" % ", ".join(repr(s) for s in missing))

    pages, contents = [], []
    for number, title in enumerate(GUIDE_SECTIONS):
        page = "index.html" if number == 0 else "page%d.html" % number
        body = found[title]
        subtitles = re.findall(r"^### (.+)$", body, flags=re.M)
        # Subsections get anchors so that the table of contents can point at them.
        body = re.sub(r"^### (.+)$", lambda m: '<h3 id="%s">%s</h3>' % (anchor(m.group(1)), html.escape(m.group(1))),
                      body, flags=re.M)
        rendered = markdown.markdown(body, extensions=["tables", "fenced_code"])
        with open(os.path.join(work, page), "w", encoding="cp1252", errors="replace") as f:
            f.write(PAGE.format(title=html.escape(title), body="<h2>%s</h2>\n%s" % (html.escape(title), rendered)))
        pages.append(page)
        contents.append(topic(title, page))
        if subtitles:
            contents.append("<UL>\n" + "".join(topic(s, "%s#%s" % (page, anchor(s))) for s in subtitles) + "</UL>\n")

    with open(os.path.join(work, "toc.hhc"), "w", encoding="cp1252") as f:
        f.write("<HTML><BODY>\n<UL>\n%s</UL>\n</BODY></HTML>\n" % "".join(contents))
    name = os.path.basename(output)
    with open(os.path.join(work, "help.hhp"), "w", encoding="cp1252") as f:
        f.write("[OPTIONS]\nCompatibility=1.1 or later\nCompiled file=%s\nContents file=toc.hhc\n"
                "Default topic=index.html\nDisplay compile progress=No\nLanguage=0x409 English (United States)\n"
                "Title=Parallaxia Help\n\n[FILES]\n%s\n" % (name, "\n".join(pages)))
    built = os.path.join(work, name)
    if os.path.exists(built):
        os.remove(built)
    result = subprocess.run(["chmcmd", "help.hhp"], cwd=work, capture_output=True, text=True)
    if result.returncode != 0 or not os.path.exists(built):
        sys.exit("make-help: chmcmd failed:\n" + result.stdout + result.stderr)
    os.replace(built, output)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
