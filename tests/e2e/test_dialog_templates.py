"""The installer's resources, read from the bytes of the built programs.

The dialog templates are what the code and the dialog manager rely on:
the styles (the progress dialog must lack WS_VISIBLE, its OK button too),
the control ids the code addresses, the classes, rectangles, texts and the
font.  The resource compiler adds and drops style bits on its own, so the
templates are checked as compiled, in the product (win32) and in the x86_64
build alike.  No Wine is needed: the resource section is parsed
here.
"""
import os
import struct
import sys
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import harness  # noqa: E402
from pe_resources import read_resources  # noqa: E402

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24
LANG_EN_US = 1033

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_VSCROLL = 0x00200000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
DS_MODALFRAME = 0x80
DS_SETFONT = 0x40
DS_CENTER = 0x800
SS_LEFT, SS_CENTER, SS_NOPREFIX = 0x0, 0x1, 0x80
BS_PUSHBUTTON, BS_DEFPUSHBUTTON = 0x0, 0x1
ES_MULTILINE, ES_NOHIDESEL, ES_READONLY = 0x4, 0x100, 0x800

BUTTON, EDIT, STATIC = 0x80, 0x81, 0x82  # predefined class atoms
IDOK, IDCANCEL, STATIC_ID = 1, 2, 0xFFFF

STATIC_STYLE = WS_CHILD | WS_VISIBLE | WS_GROUP | SS_CENTER
DEFAULT_BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON
PUSH_BUTTON = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON
SHOWN_DIALOG = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT

# (id, class, text or None when the wording is free, style, rectangle)
PROGRESS_CONTROLS = [
    (IDOK, BUTTON, "OK", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, (131, 6, 50, 14)),
    (IDCANCEL, BUTTON, "Cancel", DEFAULT_BUTTON, (68, 78, 50, 14)),
    (STATIC_ID, STATIC, "Installing", STATIC_STYLE, (50, 15, 86, 8)),
    (STATIC_ID, STATIC, "Please Wait...", STATIC_STYLE, (48, 50, 90, 8)),
    (1001, STATIC, "", STATIC_STYLE | SS_NOPREFIX, (4, 31, 178, 8)),
]
ORDER_INFO_CONTROLS = [
    (STATIC_ID, STATIC, "GLIMMERKIT", STATIC_STYLE, (23, 28, 158, 10)),
    (IDOK, BUTTON, "OK", DEFAULT_BUTTON, (78, 134, 50, 14)),
    (STATIC_ID, STATIC, None, STATIC_STYLE, (23, 7, 158, 10)),
    (STATIC_ID, STATIC, None, STATIC_STYLE, (23, 48, 158, 8)),
    (STATIC_ID, STATIC, None, STATIC_STYLE, (23, 69, 158, 21)),
    (STATIC_ID, STATIC, None, STATIC_STYLE, (23, 96, 158, 23)),
]
LICENSE_CONTROLS = [
    (IDOK, BUTTON, "Accept", DEFAULT_BUTTON, (137, 240, 50, 14)),
    (IDCANCEL, BUTTON, "Decline", PUSH_BUTTON, (203, 240, 50, 14)),
    (1009, EDIT, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_NOHIDESEL
     | ES_READONLY, (12, 12, 366, 216)),
]


class Template:
    """A classic dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs)."""

    def __init__(self, data):
        self.data = data
        self.style, self.exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
        self.rect = (x, y, cx, cy)
        at = 18
        self.menu, at = self._name(at)
        self.window_class, at = self._name(at)
        self.caption, at = self._string(at)
        self.font = None
        if self.style & DS_SETFONT:
            points = struct.unpack_from("<H", data, at)[0]
            face, at = self._string(at + 2)
            self.font = (points, face)
        self.controls = []
        for _ in range(count):
            at = (at + 3) & ~3
            style, exstyle, x, y, cx, cy, control_id = struct.unpack_from("<IIhhhhH", data, at)
            window_class, at = self._name(at + 18)
            text, at = self._name(at)
            extra = struct.unpack_from("<H", data, at)[0]
            at += 2 + extra
            self.controls.append((control_id, window_class, text, style, exstyle, (x, y, cx, cy), extra))
        self.end = at

    def _string(self, at):
        end = at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        return self.data[at:end].decode("utf-16-le"), end + 2

    def _name(self, at):
        first = struct.unpack_from("<H", self.data, at)[0]
        if first == 0:
            return "", at + 2
        if first == 0xFFFF:
            return struct.unpack_from("<H", self.data, at + 2)[0], at + 4
        return self._string(at)


class DialogTemplates(unittest.TestCase):
    BUILDS = {
        "win32": harness.INSTALLER,
        "win64": os.path.join(harness.WIN64, "installer.exe"),
    }

    def setUp(self):
        self.resources = {}
        for build, path in self.BUILDS.items():
            self.assertTrue(os.path.exists(path), f"{path}: build it first")
            self.resources[build] = read_resources(path)

    def template(self, build, number):
        data = self.resources[build].get((RT_DIALOG, number, LANG_EN_US))
        self.assertIsNotNone(data, f"{build}: no dialog {number} in English (United States)")
        return Template(data)

    def check_dialog(self, build, number, style, size, caption, controls):
        where = f"{build} dialog {number}"
        template = self.template(build, number)
        self.assertEqual(hex(template.style), hex(style), where)
        self.assertEqual(template.exstyle, 0, where)
        self.assertEqual(template.rect, (0, 0) + size, where)
        self.assertEqual((template.menu, template.window_class), ("", ""), f"{where}: menu or class")
        if caption is not None:
            self.assertEqual(template.caption, caption, where)
        self.assertEqual(template.font, (8, "MS Sans Serif"), where)
        self.assertEqual(len(template.controls), len(controls), where)
        for number_in_order, (actual, expected) in enumerate(zip(template.controls, controls), 1):
            control_id, window_class, text, style_bits, exstyle, rect, extra = actual
            want_id, want_class, want_text, want_style, want_rect = expected
            item = f"{where}, control {number_in_order}"
            self.assertEqual((control_id, window_class), (want_id, want_class), item)
            self.assertEqual(hex(style_bits), hex(want_style), item)
            self.assertEqual((exstyle, extra), (0, 0), item)
            self.assertEqual(rect, want_rect, item)
            if want_text is None:
                self.assertTrue(text, f"{item}: empty text")
            else:
                self.assertEqual(text, want_text, item)
        # Nothing but the controls: no trailing bytes beyond alignment.
        self.assertLessEqual(len(template.data) - template.end, 3, where)
        return template

    def test_progress_dialog_starts_hidden_with_a_hidden_ok_button(self):
        for build in self.BUILDS:
            self.check_dialog(build, 103, WS_POPUP | DS_MODALFRAME | DS_CENTER | DS_SETFONT, (187, 99), "",
                              PROGRESS_CONTROLS)

    def test_ordering_info_dialog(self):
        for build in self.BUILDS:
            template = self.check_dialog(build, 104, SHOWN_DIALOG, (205, 154), None, ORDER_INFO_CONTROLS)
            self.assertIn("Glimmerkit", template.caption)
            self.assertIn("Order", template.caption)
            lines = [control[2].count("\n") for control in template.controls]
            self.assertEqual(lines, [0, 0, 0, 0, 1, 1], f"{build}: two-line texts break with one line feed")
            self.assertNotIn("\r", "".join(control[2] for control in template.controls))

    def test_licence_dialog(self):
        for build in self.BUILDS:
            self.check_dialog(build, 106, SHOWN_DIALOG, (391, 262), "License Agreement", LICENSE_CONTROLS)

    def test_product_info_dialog_when_carried(self):
        for build in self.BUILDS:
            if (RT_DIALOG, 107, LANG_EN_US) not in self.resources[build]:
                continue
            template = self.template(build, 107)
            self.assertEqual(hex(template.style), hex(SHOWN_DIALOG))
            self.assertEqual(template.rect, (0, 0, 205, 154))
            self.assertEqual(template.font, (8, "MS Sans Serif"))
            self.assertEqual(len(template.controls), 8)
            buttons = [c for c in template.controls if c[1] == BUTTON]
            self.assertEqual([(c[0], c[2], c[3], c[5]) for c in buttons],
                             [(IDOK, "OK", DEFAULT_BUTTON, (78, 134, 50, 14))])
            statics = [c for c in template.controls if c[1] == STATIC]
            self.assertEqual(len(statics), 7)
            self.assertEqual(sorted(c[3] & 0xF for c in statics), [SS_LEFT] + [SS_CENTER] * 6)

    def test_every_resource_is_in_english_and_only_the_expected_ones_exist(self):
        for build, resources in self.resources.items():
            self.assertEqual({key[2] for key in resources}, {LANG_EN_US}, build)
            kinds = sorted((str(rtype), str(name)) for rtype, name, _ in resources)
            expected = sorted([(str(RT_ICON), "1"), (str(RT_GROUP_ICON), "101"), (str(RT_DIALOG), "103"),
                               (str(RT_DIALOG), "104"), (str(RT_DIALOG), "106"), (str(RT_MANIFEST), "1"),
                               ("LASTRES", "1000")]
                              + ([(str(RT_DIALOG), "107")] if (RT_DIALOG, 107, LANG_EN_US) in resources else []))
            self.assertEqual(kinds, expected, build)
            self.assertEqual(len(resources[("LASTRES", 1000, LANG_EN_US)]), 4, build)

    def test_icon_is_one_32_by_32_image_in_16_colours(self):
        for build, resources in self.resources.items():
            group = resources[(RT_GROUP_ICON, 101, LANG_EN_US)]
            reserved, kind, count = struct.unpack_from("<HHH", group, 0)
            self.assertEqual((reserved, kind, count, len(group)), (0, 1, 1, 6 + 14), build)
            entry = struct.unpack_from("<BBBBHHIH", group, 6)
            # width, height, colours, reserved, planes, bits, size, icon id
            self.assertEqual(entry, (32, 32, 16, 0, 1, 4, 744, 1), build)
            image = resources[(RT_ICON, 1, LANG_EN_US)]
            self.assertEqual(len(image), 744, build)
            header = struct.unpack_from("<IiiHHI", image, 0)
            self.assertEqual(header[:5], (40, 32, 64, 1, 4), f"{build}: colour and mask bitmaps, 4 bits")
            self.assertEqual(40 + 16 * 4 + 32 * 32 // 2 + 32 * 4, 744)


if __name__ == "__main__":
    unittest.main()
