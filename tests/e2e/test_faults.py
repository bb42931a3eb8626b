#!/usr/bin/env python3
"""End-to-end checks of the plugin guard: a plugin that faults in any of its functions, in any way (a null
write, a division by zero, a stack overflow, a C++ exception, an illegal instruction, a fault inside the C
runtime), or returns a pointer that leads nowhere, is reported and dropped, and the program carries on with its
texture as it was.

faulty.dll is copied under names that say where and how it faults ("fault-sk_draw-null-100.dll": a null write
on the 100th sk_draw); one program start meets the whole table in turn, switching to each copy through the
Plugins dialog."""

import sys
from pathlib import Path

import harness  # noqa: E402
from controls import ids  # noqa: E402
from harness import wait_until  # noqa: E402

# main window
# Plugins dialog
OK = 1
CANCEL = 2
CRASHED_DESCRIBING = "this plugin crashed while describing itself"
# Wine's loader catches a fault in DllMain itself and fails the load: the dialog then says what it says of any
# library it cannot load, and the guard never sees the fault. A system that lets it through reaches the guard.
DLLMAIN_FAULT = (CRASHED_DESCRIBING, "unable to load this plugin, it may be cancerous")
FRAME_TIMEOUT = 20.0

# (function that faults, how, the call that faults or None for the first). Every kind once in sk_load, every
# function at least once, the grid's calls of sk_getinfo (its second call in a load) included.
FAULTS = [
    ("sk_load", "null", None),
    ("sk_load", "divzero", None),
    ("sk_load", "recursion", None),
    ("sk_load", "throw", None),
    ("sk_load", "illegal", None),
    ("sk_load", "crt", None),
    ("sk_getinfo", "divzero", None),
    ("sk_getinfo", "recursion", 2),
    ("sk_gettexcoord", "throw", None),
    ("sk_freetexcoordtab", "illegal", None),
    ("sk_draw", "recursion", None),
    ("sk_draw", "throw", None),
    ("sk_draw", "null", 100),
    ("sk_filefilter", "crt", None),
    ("sk_info", "null", None),
    ("sk_info", "recursion", None),
    ("DllMain", "null", None),
    # A pointer the plugin returns that leads nowhere is its fault as well, found when the program reads it.
    ("sk_info", "badpointer", None),
    ("sk_filefilter", "badpointer", None),
    ("sk_gettexcoord", "badpointer", None),
]


def plugin_name(function, kind, call=None):
    return "fault-%s-%s%s.dll" % (function, kind, "" if call is None else "-%d" % call)


def model_drawn(frame):
    return set(frame.colours()) != {(0, 0, 0)}


class PluginFaults(harness.SessionTestCase):

    def switch_plugin(self, name):
        """Chooses a plugin in the Plugins dialog (which asks it for its description) and presses OK."""
        s = self.session
        s.click(ids.IDC_PLUGINS)
        s.plugins_wait()
        items, _ = s.plugins_list()
        s.plugins_select(items.index(name))
        return s.plugins_text(ids.IDC_PLUGIN_INFO)

    def expect_fault(self, name, function):
        s = self.session
        s.expect_box("Plugin Error", "The plugin '%s' stopped working in %s and was unloaded." % (name, function),
                     icon="error", timeout=FRAME_TIMEOUT)
        self.assertTrue(s.running())
        self.assertEqual("(no plugin)", s.text(ids.IDC_PLUGIN_NAME))
        self.assertEqual(0, s.checked(ids.IDC_GRID))

    def trigger(self, function, kind, call):
        """Brings the plugin named for this row into the slot and makes the program call the function."""
        s = self.session
        name = plugin_name(function, kind, call)
        info = self.switch_plugin(name)
        if function in ("sk_info", "DllMain"):
            self.assertIn(info, DLLMAIN_FAULT if function == "DllMain" else (CRASHED_DESCRIBING,))
            s.plugins_press(CANCEL)
            self.assertEqual([], s.boxes())
            return
        self.assertEqual("Faulty test plugin\nFaults where its file name says.", info)
        s.plugins_press(OK)
        self.assertEqual(name, s.text(ids.IDC_PLUGIN_NAME))
        if function == "sk_filefilter":
            s.click(ids.IDC_CHOOSE_MODEL)
        else:
            self.load_model()
        self.expect_fault(name, function)

    def load_model(self):
        """Loads the default box through the current plugin (a switch leaves the model box empty)."""
        s = self.session
        s.set_text(ids.IDC_MODEL_PATH, "_test_boite_tex.vmr")
        s.click(ids.IDC_LOAD_MODEL)

    def save(self, path):
        s = self.session
        s.click(ids.IDC_SAVE_TEXTURE)
        s.save_choose(path)
        return path.read_bytes()

    def draw_state(self, work, seen):
        """Loads a model through recorder.dll and returns the GL state its first sk_draw found (its log line)."""
        s = self.session
        self.switch_plugin("recorder.dll")
        s.plugins_press(OK)
        self.load_model()
        log = work / "plugin_calls.log"

        def drawn():
            lines = [l for l in log.read_text().splitlines() if l.startswith("sk_draw matrix=")] if log.exists() else []
            return lines[seen] if len(lines) > seen else None
        line = wait_until(drawn, FRAME_TIMEOUT, 0.2)
        self.assertTrue(line, "recorder.dll never drew")
        return line

    def test_every_fault_is_reported_and_the_program_carries_on(self):
        s = self.session
        faulty = s.win_build / "test-plugins" / "faulty.dll"
        copies = {"plugins/" + plugin_name(*row): faulty for row in FAULTS}
        copies["plugins/" + plugin_name("sk_load", "caught")] = faulty
        work = s.start(self.work_name(), plugins=["vmr.dll", "recorder.dll"], extra=copies)
        s.wait_main()
        self.assertEqual([], s.boxes())
        s.mouse("ldown", 100, 100)
        before = self.save(work / "before.bmp")
        state = self.draw_state(work, 0)

        for function, kind, call in FAULTS:
            with self.subTest(function=function, kind=kind, call=call):
                self.trigger(function, kind, call)

        # A plugin that catches its own exception is left alone.
        name = plugin_name("sk_load", "caught")
        self.switch_plugin(name)
        s.plugins_press(OK)
        self.load_model()
        self.assertTrue(s.no_box_within(1.0))
        self.assertEqual(name, s.text(ids.IDC_PLUGIN_NAME))

        # The plugins that faulted while drawing left matrices pushed, texturing off, culling on, no texture bound
        # and a primitive open: the next plugin finds the GL state as the first found it.
        self.assertEqual(state, self.draw_state(work, 1))

        # The shipped plugin still loads and draws; the texture painted before all this saves unchanged.
        self.switch_plugin("vmr.dll")
        s.plugins_press(OK)
        self.load_model()
        self.assertTrue(wait_until(lambda: model_drawn(s.read_viewport()), FRAME_TIMEOUT, 0.2),
                        "the model is not drawn after the faults")
        self.assertEqual([], s.boxes())
        self.assertEqual(before, self.save(work / "after.bmp"))


if __name__ == "__main__":
    harness.main()
