"""The Python module against the library's own outputs: the bundled fonts, GetBmpFile's bytes
through txr label, errors as exceptions, and no crash on hostile input."""
import os
import subprocess
import tempfile
import threading
import unittest

import txr

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
EXAMPLE = os.path.join(ROOT, "examples", "label.json")


class RendererTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.r = txr.Renderer()

    def test_size_render_and_bmp_agree(self):
        cases = [dict(), dict(family=2, font=1, scale=(2, 3), rotate=1, invert=True),
                 dict(family=1, font=2, charset=3, dpi=300), dict(family=0, font=9, rotate=2)]
        with tempfile.TemporaryDirectory() as tmp:
            for options in cases:
                with self.subTest(**options):
                    image = self.r.render(b"LOT 42", **options)
                    self.assertEqual(self.r.size(b"LOT 42", **options),
                                     (image.width, image.height))
                    self.assertEqual(len(image.rows), (image.width + 7) // 8 * image.height)
                    path = os.path.join(tmp, "lot.bmp")
                    self.r.bmp(path, b"LOT 42", **options)
                    with open(path, "rb") as f:
                        self.assertEqual(f.read(), image.bmp_bytes())

    def test_to_pil_shows_ink_as_black(self):
        image = self.r.render(b"AB", family=2, font=1, invert=True)
        picture = image.to_pil()
        self.assertEqual(picture.size, (image.width, image.height))
        for y in range(image.height):
            for x in range(image.width):
                self.assertEqual(picture.getpixel((x, y)) == 0, image.ink(x, y))

    def test_texts_are_bytes_and_latin1_str(self):
        self.assertEqual(self.r.render("LOT \xb0").rows, self.r.render(b"LOT \xb0").rows)
        with self.assertRaisesRegex(ValueError, "character 4 \\(U\\+20AC\\) is not Latin-1"):
            self.r.render("LOT \u20ac")
        with self.assertRaises(TypeError):
            self.r.render(42)

    def test_refusals_and_bad_values_raise(self):
        with self.assertRaisesRegex(txr.SelectionError, "family is not 0, 1 or 2 .SetFont code 1"):
            self.r.render(b"A", family=3)
        with self.assertRaisesRegex(txr.SelectionError, "code 5"):
            self.r.size(b"A", rotate=4)
        with self.assertRaisesRegex(ValueError, "charset 15"):
            self.r.render(b"A", charset=15)
        with self.assertRaisesRegex(ValueError, "nothing to draw"):
            self.r.render(b"")
        with self.assertRaisesRegex(ValueError, "nothing to draw"):
            self.r.render(b"A", scale=(20000, 20000))
        with self.assertRaises(OSError):
            self.r.bmp("/nonexistent-dir/x.bmp", b"A")

    def test_missing_lists_positions(self):
        self.assertEqual(self.r.missing(b"A\xffB", family=1, font=2), [1])
        self.assertEqual(self.r.missing(b"AB"), [])

    def test_threads_share_a_renderer(self):
        expected = self.r.render(b"LOT 42", family=2, font=1).rows
        results = []

        def work():
            for _ in range(20):
                results.append(self.r.render(b"LOT 42", family=2, font=1).rows == expected)

        threads = [threading.Thread(target=work) for _ in range(4)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        self.assertEqual(results, [True] * 80)


class LabelTest(unittest.TestCase):
    def test_from_json_renders_what_txr_label_writes(self):
        tool = os.environ.get("TXR_TOOL")
        with open(EXAMPLE, "rb") as f:
            label = txr.Label.from_json(f.read())
        image, problems = label.render(txr.Renderer())
        self.assertEqual(problems, [])
        self.assertEqual((image.width, image.height, label.field_count), (812, 1218, 10))
        if tool:
            with tempfile.TemporaryDirectory() as tmp:
                out = os.path.join(tmp, "label.bmp")
                subprocess.run([tool, "label", EXAMPLE, "-o", out], check=True)
                with open(out, "rb") as f:
                    self.assertEqual(f.read(), image.bmp_bytes())

    def test_built_label_reports_problems_by_index(self):
        label = txr.Label(100, 40)
        label.add_box(0, 0, 100, 40, thickness=1)
        self.assertEqual(label.add_field(2, 2, b"A\xffB", family=1, font=2), 0)
        self.assertEqual(label.add_field(2, 20, b"X", family=7), 1)
        label.add_field(-50, 2, "LOT", placement="whole", invert=True)
        image, problems = label.render(txr.Renderer())
        self.assertEqual([(p["field"], p["kind"]) for p in problems],
                         [(0, "missing_glyphs"), (1, "refused_selection")])
        self.assertEqual(problems[0]["positions"], [1])
        self.assertEqual(label.check(txr.Renderer()), problems)
        self.assertTrue(image.ink(0, 0) and image.ink(99, 39) and not image.ink(50, 30))

    def test_bad_input_raises_and_never_crashes(self):
        for bad in [b"{", b"[" * 100000, b"\xff\xfe", b'{"width": 0, "height": 1}',
                    b'{"width": 16385, "height": 16384}', b'{"width": 1, "height": 1, "x": 1}',
                    b"", b"\x00" * 10, b'{"width": 1, "height": 1, "fields": [{"text": 5}]}']:
            with self.subTest(bad=bad[:30]):
                with self.assertRaises(ValueError):
                    txr.Label.from_json(bad)
        with self.assertRaisesRegex(ValueError, "2\\^28"):
            txr.Label(16385, 16384)
        with self.assertRaises(ValueError):
            txr.Label(10, 10, dpi=600)
        with self.assertRaises(ValueError):
            txr.Label(10, 10).add_field(0, 0, b"A", placement="over")
        with self.assertRaises(ValueError):
            txr.Label(10, 10).add_box(0, 0, -1, 1)
        with self.assertRaises(TypeError):
            txr.Label(10, 10).add_field(2 ** 40, 0, b"A")



class EncodeTest(unittest.TestCase):
    def test_encode_gives_the_selections_bytes_and_names_characters_without(self):
        for text, options, expected in [("Ø¶", {}, b"\x9d\xf4"),
                                        ("GRÄ", dict(family=1, charset=8), b"GR["),
                                        ("½", dict(family=2, code_page="cp437"), b"\xab")]:
            self.assertEqual(txr.encode(text, **options), expected)
        with self.assertRaisesRegex(ValueError, r"character 1: U\+20AC"):
            txr.encode("x€")

if __name__ == "__main__":
    unittest.main()
