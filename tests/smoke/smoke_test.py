#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The installed program as a user meets it, driven through the accessibility bus.

Started by tools/smoke-test.sh on a virtual screen with a session bus of its own. Tevra starts
from the install prefix with a fresh home folder and the simulated camera; this script opens each
window from its menu, generates and saves an exposure table, opens the user guide from the about
panel and with F1 in the exposure and camera windows, connects the camera, runs a three-row table in
the test run and leaves through File > Exit, checking the labels it reads on the way and the files
the program leaves behind. (The main window is never the active one on a screen without a window
manager; F1 there is left to the window tests.)

Usage: smoke_test.py PREFIX SCRATCH   (PREFIX holds bin/tevra; SCRATCH is an empty folder)
"""

import csv
import os
import subprocess
import sys
import time
from pathlib import Path

import pyatspi
from gi.repository import GLib

TIMEOUT = 30.0  # seconds for anything the program is asked to do
ZONE = "UTC+1"  # the program's clock in UTC-01 (a POSIX TZ counts west): the first start takes row 14
DEFAULT_BUS_TIMEOUT_MS = 25000  # the accessibility library's own default for an answer


class SmokeFailure(Exception):
    pass


def log(text):
    print(f"smoke: {text}", flush=True)


def wait_for(what, probe, timeout=TIMEOUT):
    """Calls probe until it answers something true; returns that answer."""
    end = time.monotonic() + timeout
    while True:
        try:
            answer = probe()
        except Exception:  # an object gone while the program rebuilds its windows
            answer = None
        if answer:
            return answer
        if time.monotonic() > end:
            raise SmokeFailure(f"timed out waiting for {what}")
        time.sleep(0.1)


def expect(condition, text):
    if not condition:
        raise SmokeFailure(text)
    log(f"ok: {text}")


def descendants(node, depth=0):
    """Every accessible below node, depth first; the big tables are not entered."""
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is None:
            continue
        yield child
        if child.getRole() not in (pyatspi.ROLE_TABLE, pyatspi.ROLE_LIST) and depth < 20:
            yield from descendants(child, depth + 1)


def find(node, role, name=None, test=None):
    for child in descendants(node):
        if child.getRole() == role and (name is None or child.name == name) and (test is None or test(child)):
            return child
    return None


def labels(node):
    return [child.name for child in descendants(node) if child.getRole() == pyatspi.ROLE_LABEL]


def press(node, action="Press", modal=False):
    """Carries out an action. The program answers an action when its handler returns, so an action
    that opens a modal dialog or runs a long loop (modal=True) is only sent: its late answer is not
    waited for."""
    actions = node.queryAction()
    for index in range(actions.nActions):
        if actions.getName(index) == action:
            if not modal:
                actions.doAction(index)
                return
            pyatspi.setTimeout(300, -1)
            try:
                actions.doAction(index)
            except GLib.GError:
                pass  # no answer within the short time: the handler is still running
            finally:
                pyatspi.setTimeout(DEFAULT_BUS_TIMEOUT_MS, -1)
            return
    raise SmokeFailure(f"{node.getRoleName()} '{node.name}' has no action {action}")


def menu_item(window, path, modal=False):
    """Presses a menu item of the window's menu bar: path such as ["File", "Exit"]."""
    bar = wait_for(f"the menu bar of '{window.name}'", lambda: find(window, pyatspi.ROLE_MENU_BAR))
    node = bar
    for depth, name in enumerate(path):
        item = wait_for(f"the menu item {' > '.join(path[: depth + 1])}",
                        lambda n=node, m=name: find(n, pyatspi.ROLE_MENU_ITEM, m))
        node = item
    press(node, modal=modal)


def command_button(window, caption):
    """A push button, by its own name or by the caption label laid over it."""
    def captioned(button):
        return button.name == caption or any(child.name == caption for child in descendants(button))
    return wait_for(f"the button '{caption}'", lambda: find(window, pyatspi.ROLE_PUSH_BUTTON, test=captioned))


def application():
    def probe():
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == "Tevra":
                return app
        return None
    return wait_for("Tevra on the accessibility bus", probe)


def window(app, title):
    return wait_for(f"the window '{title}'", lambda: find_window(app, title))


def find_window(app, title):
    for index in range(app.childCount):
        child = app.getChildAtIndex(index)
        if child is not None and child.name == title and child.getState().contains(pyatspi.STATE_SHOWING):
            return child
    return None


def label_with(node, prefix):
    return next((text for text in labels(node) if text.startswith(prefix)), None)


def cli(prefix, *args):
    return subprocess.run([str(prefix / "bin" / "tevra-cli"), *args], check=True, capture_output=True,
                          text=True).stdout


def fake_launcher(scratch):
    """An xdg-open that notes what the program asked it to open."""
    folder = scratch / "bin"
    folder.mkdir()
    opened = scratch / "opened.txt"
    launcher = folder / "xdg-open"
    launcher.write_text(f'#!/bin/sh\nprintf "%s\\n" "$1" >> "{opened}"\n')
    launcher.chmod(0o755)
    return folder, opened


def opened_pages(opened):
    return opened.read_text().split() if opened.exists() else []


def f1_opens_guide(window_node, opened, guide):
    """Presses F1 on the keyboard while the window is the active one."""
    wait_for(f"'{window_node.name}' to be active", lambda: window_node.getState().contains(pyatspi.STATE_ACTIVE))
    before = len(opened_pages(opened))
    pyatspi.Registry.generateKeyboardEvent(0xFFBE, None, pyatspi.KEY_SYM)  # the key F1
    pages = wait_for("the guide to be opened", lambda: opened_pages(opened)[before:])
    expect(pages == [guide.resolve().as_uri()], f"F1 in '{window_node.name}' opens the guide")


def coming_eclipse(prefix):
    """The entry a first start selects now: the first whose P4 is still to come."""
    now = time.time() / 86400 + 2440587.5
    lines = cli(prefix, "eclipses").splitlines()
    names = lines[0].split("\t")  # the header line names the fields
    columns = [names.index(name) for name in ("JDGreatest", "DeltaTSec", "GreatestOffset", "P4Offset")]
    for line in lines[1:]:
        fields = line.split("\t")
        jd_greatest, delta_t, greatest_offset, p4_offset = (float(fields[i]) for i in columns)
        if jd_greatest + (p4_offset - greatest_offset) / 24 - delta_t / 86400 > now:
            return int(fields[0])
    return int(fields[0])


def main(prefix, scratch):
    version = cli(prefix, "--version").splitlines()[0].split()[-1]
    eclipse = coming_eclipse(prefix)
    log(f"the first start selects eclipse {eclipse}")
    # What the main window must show, as tevra-cli computes it.
    labelled = ("Label_Datum", "MoFiTyp_Label", "Label_Zeit", "Label_Deltat")
    shown = dict(line.split("\t", 1) for line in cli(prefix, "contacts", str(eclipse), "--zone", "14").splitlines()
                 if line.startswith(labelled))

    home = scratch / "home"
    home.mkdir()
    runtime = scratch / "runtime"
    runtime.mkdir(mode=0o700)
    launcher_folder, opened = fake_launcher(scratch)
    environment = dict(os.environ, HOME=str(home), XDG_RUNTIME_DIR=str(runtime),
                       PATH=f"{launcher_folder}:{os.environ['PATH']}", QT_QPA_PLATFORM="xcb",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LC_ALL="C.UTF-8", TZ=ZONE)
    # Nothing of the desktop this runs on: Qt's own file dialog, the program's first start.
    for name in ("XDG_CONFIG_HOME", "XDG_DOCUMENTS_DIR", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION",
                 "QT_QPA_PLATFORMTHEME", "TEVRA_CAMERA", "TEVRA_SIMULATOR", "TEVRA_CAMERA_PORT",
                 "TEVRA_CAMERA_MODEL"):
        environment.pop(name, None)
    documents = home / "Documents" / "Tevra"
    settings = home / ".config" / "Tevra"

    program = subprocess.Popen([str(prefix / "bin" / "tevra"), "--camera", "simulator"], env=environment)
    try:
        app = application()
        main_window = window(app, f"Tevra  Vers.{version}")
        log(f"the main window is up: '{main_window.name}'")
        texts = labels(main_window)
        for name in labelled:
            expect(shown[name] in texts, f"the main window shows {name} '{shown[name]}'")
        expect("Lunar Eclipse Selection" in texts and "Contact times" in texts, "the main window's headings")
        expect(wait_for("the zone", lambda: find(main_window, pyatspi.ROLE_COMBO_BOX, "UTC-01")) is not None,
               "the zone selector shows UTC-01")

        guide = prefix / "share" / "tevra" / "guide" / "index.html"
        expect(guide.is_file(), f"the guide is installed: {guide}")

        menu_item(main_window, ["About", "Tevra Version"])
        expect(wait_for("the about panel", lambda: f"Tevra      {version}" in labels(main_window)),
               "About > Tevra Version shows the version")
        before = len(opened_pages(opened))
        press(command_button(main_window, "User Guide"))
        pages = wait_for("the guide to be opened", lambda: opened_pages(opened)[before:])
        expect(pages == [guide.resolve().as_uri()], "the about panel's User Guide opens the guide")
        press(command_button(main_window, "OK"))

        menu_item(main_window, ["Exposure Tables"])
        exposure = window(app, "Tevra - Exposure table")
        log("Exposure Tables opens the exposure window")
        f1_opens_guide(exposure, opened, guide)
        press(command_button(exposure, "Create Exposure Table"))
        table = documents / "Tevra_Exposure_Table.txt"

        def saved_rows():
            # The press is carried out when the program gets to it: save until the table is there.
            menu_item(exposure, ["File", "Save Exposure Table"])
            if not table.is_file():
                return None
            check = cli(prefix, "check", str(table)).split()
            return check if check[:2] == ["eclipse", str(eclipse)] and int(check[3]) > 3 else None
        check = wait_for("the generated table to be saved", saved_rows)
        expect(True, f"Create Exposure Table, then File > Save Exposure Table saves it: {' '.join(check)}")

        # A table of its first three rows, opened through the window's file dialog.
        three = documents / "three-rows.txt"
        three.write_text("".join(table.read_text().splitlines(keepends=True)[:4]))
        menu_item(exposure, ["File", "Open Exposure Table"], modal=True)
        dialog = window(app, "Open Exposure Table")
        name_field = wait_for("the file name field",
                              lambda: find(dialog, pyatspi.ROLE_TEXT,
                                           test=lambda n: n.getState().contains(pyatspi.STATE_EDITABLE)))
        name_field.queryEditableText().setTextContents(str(three))
        press(command_button(dialog, "Open"), modal=True)
        wait_for("the file dialog to close", lambda: find_window(app, "Open Exposure Table") is None)
        log("File > Open Exposure Table loads the three-row table")

        menu_item(main_window, ["Camera"])
        camera = window(app, "Tevra - Camera Form")
        log("Camera opens the camera window")
        f1_opens_guide(camera, opened, guide)
        press(command_button(camera, "Connect Camera"), modal=True)
        expect(wait_for("the camera's name", lambda: label_with(camera, "Camera : Canon EOS"))
               == "Camera : Canon EOS Simulated", "Connect Camera connects the simulated body")

        press(wait_for("the page Eclipse Photography",
                       lambda: find(camera, pyatspi.ROLE_PAGE_TAB, "Eclipse Photography")))
        press(command_button(camera, "Test Eclipse Photography"), modal=True)
        run_log = wait_for("the end of the test run", lambda: label_with(camera, "Run log: "), timeout=120)
        path = Path(run_log[len("Run log: "):])
        # Read by the header's names: the text column is quoted and may hold commas.
        with path.open(newline="") as stream:
            pictures = [line for line in csv.DictReader(stream) if line["step"] == "Picture"]
        rows = {line["row"] for line in pictures}
        expect(rows == {"1", "2", "3"} and all(line["status"] == "0" for line in pictures),
               f"Test Eclipse Photography takes the pictures of the three rows ({len(pictures)}), see {path}")

        menu_item(main_window, ["File", "Exit"], modal=True)
        status = program.wait(timeout=TIMEOUT)
        expect(status == 0, "File > Exit ends the program")
        expect((settings / "Tevra.prm").stat().st_size == 48, "the choices are saved in Tevra.prm")
        expect((documents / "Camera.txt").is_file() and not (documents / "Camera.ini").exists(),
               "the camera log is kept as Camera.txt")
    finally:
        if program.poll() is None:
            program.kill()
            program.wait()


if __name__ == "__main__":
    try:
        main(Path(sys.argv[1]).resolve(), Path(sys.argv[2]).resolve())
    except (SmokeFailure, subprocess.CalledProcessError, subprocess.TimeoutExpired) as failure:
        print(f"smoke: FAILED: {failure}", file=sys.stderr)
        sys.exit(1)
    log("passed")
