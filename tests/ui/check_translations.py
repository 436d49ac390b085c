#!/usr/bin/env python3
"""Checks the dialogs' translations (ui/translations/*.ts) against the code.

Every text the code marks for translation is in each language's file and
translated, and the desktop entry and the metainfo carry each language's
name and summary; no file keeps a text the code no longer has; each translation
keeps what the program fills in or reads from it: the "%1" markers, line
breaks and tabs, an access key ("&") where the text has one, and a file
filter's patterns.

Usage: check_translations.py LUPDATE SOURCE_DIR TS_FILE...
(the desktop entry and the metainfo are read from SOURCE_DIR/ui)
"""
import glob
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET


def messages(path):
    """(context, source) -> (translation, type) of every message in a .ts file."""
    found = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            found[(name, message.findtext("source"))] = (translation.text or "", translation.get("type", ""))
    return found


def markers(text):
    """What a translation must keep of its source."""
    kept = sorted(re.findall(r"%\d", text)) + [text.count("\n"), text.count("\t")]
    kept.append(bool(re.search(r"&(?!&)", text)))
    if "|" in text:
        kept.append(text[text.index("|"):])  # a file filter: the patterns after its name
    return kept


def main():
    lupdate, source_dir, ts_files = sys.argv[1], sys.argv[2], sys.argv[3:]
    sources = []
    for folder in ("framework", "ui"):
        for pattern in ("*.cpp", "*.h"):
            sources += sorted(glob.glob(os.path.join(source_dir, folder, pattern)))
    with tempfile.TemporaryDirectory() as scratch:
        fresh = os.path.join(scratch, "fresh.ts")
        subprocess.run([lupdate, "-silent", "-locations", "none", "-I", source_dir, *sources, "-ts", fresh], check=True)
        in_code = set(messages(fresh))

    problems = []
    if not in_code:
        problems.append("lupdate found no text marked for translation")
    for path in ts_files:
        name = os.path.basename(path)
        language = re.fullmatch(r"kestrova_(\w+)\.ts", name).group(1)
        if not ET.parse(path).getroot().get("language", "").startswith(language):
            problems.append(f"{name}: its language attribute does not name {language}")
        found = messages(path)
        for key in sorted(in_code - set(found)):
            problems.append(f"{name}: missing {key[0]}: {key[1]!r} (run the target update_translations)")
        for key in sorted(set(found) - in_code):
            problems.append(f"{name}: the code no longer has {key[0]}: {key[1]!r}")
        for (context, source), (translation, kind) in sorted(found.items()):
            where = f"{name}: {context}: {source!r}"
            if kind:
                problems.append(f"{where} is {kind}")
            elif not translation:
                problems.append(f"{where} has no translation")
            elif markers(translation) != markers(source):
                problems.append(f"{where}: {translation!r} does not keep its markers {markers(source)}")
    desktop = glob.glob(os.path.join(source_dir, "ui", "*.desktop"))[0]
    metainfo = ET.parse(glob.glob(os.path.join(source_dir, "ui", "*.metainfo.xml.in"))[0]).getroot()
    entry = open(desktop, encoding="utf-8").read()
    lang = "{http://www.w3.org/XML/1998/namespace}lang"
    for path in ts_files:
        language = re.fullmatch(r"kestrova_(\w+)\.ts", os.path.basename(path)).group(1)
        for key in ("GenericName", "Comment", "Keywords"):
            if not re.search(rf"^{key}\[{language}\]=.+$", entry, re.M):
                problems.append(f"{os.path.basename(desktop)}: no {key}[{language}]")
        if not [s for s in metainfo.iter("summary") if s.get(lang) == language and s.text]:
            problems.append(f"metainfo: no summary in {language}")
    for problem in problems:
        print(problem)
    print(f"{len(ts_files)} languages, {len(in_code)} texts, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
