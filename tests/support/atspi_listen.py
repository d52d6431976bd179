#!/usr/bin/python3
# What a screen reader hears of one program's text areas, as a test reads it:
# one line of JSON for each text-changed, text-caret-moved and
# text-selection-changed event whose source is an editable text of the
# program named on the command line, and "ready" once the listener is
# registered with the accessibility registry.
#
# A line "state" on standard input is answered with what a screen reader asks
# of the focused text area: its character count, caret, selections, the whole
# text and the line at the caret.
#
# Usage: atspi_listen.py PROGRAM-NAME

import json
import sys

import pyatspi
from gi.repository import GLib

program = sys.argv[1].lower() if len(sys.argv) > 1 else ""
last = None  # the text area that sent the latest event


def say(**fields):
    print(json.dumps(fields), flush=True)


def ours(source):
    try:
        app = source.getApplication()
        return (app is not None and app.name.lower() == program
                and source.getRole() == pyatspi.ROLE_TEXT)
    except Exception:  # the object went away meanwhile
        return False


def selections(text):
    return [list(text.getSelection(i)) for i in range(text.getNSelections())]


def on_event(event):
    source = event.source
    if not ours(source):
        return
    global last
    last = source
    fields = {"type": str(event.type), "d1": event.detail1, "d2": event.detail2}
    if isinstance(event.any_data, str):
        fields["text"] = event.any_data
    if event.type.startswith("object:text-selection-changed"):
        try:
            fields["selections"] = selections(source.queryText())
        except Exception:
            fields["selections"] = None
    say(**fields)


def state():
    # Of the text area that sent the latest event; the caret line the way
    # screen readers read it for a braille display.
    if last is None:
        return say(type="state", error="no text area has sent an event")
    try:
        text = last.queryText()
        count = text.characterCount
        caret = text.caretOffset
        line = text.getTextAtOffset(caret, pyatspi.TEXT_BOUNDARY_LINE_START)
        say(type="state", count=count, caret=caret, selections=selections(text),
            text=text.getText(0, -1), line=[line[0], line[1], line[2]],
            states=[str(s) for s in last.getState().getStates()])
    except Exception as e:
        say(type="state", error=str(e))


def on_input(channel, condition):
    line = sys.stdin.readline()
    if not line:
        pyatspi.Registry.stop()
        return False
    if line.strip() == "state":
        state()
    return True


pyatspi.Registry.registerEventListener(
    on_event, "object:text-changed", "object:text-caret-moved",
    "object:text-selection-changed")
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()),
                  GLib.IO_IN | GLib.IO_HUP, on_input)
GLib.idle_add(lambda: say(type="ready") and False)
pyatspi.Registry.start()
