"""examples/batch_dask.py on a local cluster of 2 worker processes: 200 labels from a directory
and 20 from a CSV template, each PNG equal to the same label rendered in this process."""
import csv
import json
import os
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

import txr

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCRIPT = os.path.join(ROOT, "examples", "batch_dask.py")


def description(number):
    return {"width": 400, "height": 120, "dpi": 203,
            "boxes": [{"x": 0, "y": 0, "width": 400, "height": 120, "thickness": 2}],
            "fields": [{"x": 10, "y": 10, "family": number % 3, "font": 1,
                        "text": "LOT %d" % number},
                       {"x": 10 + number % 50, "y": 60, "family": 2, "font": 1, "scale": 2,
                        "invert": number % 2 == 1, "placement": "whole",
                        "text": "QTY %d" % (number * 7)}]}


class BatchDaskTest(unittest.TestCase):
    def assert_outputs_match(self, out, expected):
        renderer = txr.Renderer()
        for name, text in expected.items():
            with Image.open(os.path.join(out, name + ".png")) as written:
                reference = txr.Label.from_json(text).render(renderer)[0].to_pil()
                self.assertEqual(written.convert("1").tobytes(), reference.tobytes(), name)

    def run_script(self, *args):
        run = subprocess.run([sys.executable, SCRIPT, "--workers", "2", *args],
                             capture_output=True, text=True, timeout=110)
        self.assertEqual(run.returncode, 0, run.stderr)
        return run

    def test_directory_and_csv_on_two_workers(self):
        with tempfile.TemporaryDirectory() as tmp:
            labels = os.path.join(tmp, "labels")
            os.makedirs(labels)
            expected = {}
            for number in range(200):
                name = "label-%03d" % number
                expected[name] = json.dumps(description(number))
                with open(os.path.join(labels, name + ".json"), "w") as f:
                    f.write(expected[name])
            out = os.path.join(tmp, "out")
            run = self.run_script("--labels", labels, "-o", out)
            self.assertIn("200 labels written", run.stderr)
            self.assertEqual(len(os.listdir(out)), 200)
            self.assert_outputs_match(out, expected)

            template = description(0)
            template["fields"][0]["text"] = "LOT {lot}"
            template["fields"][1]["text"] = "TO {city}"
            with open(os.path.join(tmp, "template.json"), "w") as f:
                json.dump(template, f)
            expected = {}
            with open(os.path.join(tmp, "rows.csv"), "w", newline="") as f:
                writer = csv.writer(f)
                writer.writerow(["file", "lot", "city"])
                for number in range(20):
                    writer.writerow(["row%d" % number, number, "PORT-%d" % number])
                    label = json.loads(json.dumps(template))
                    label["fields"][0]["text"] = "LOT %d" % number
                    label["fields"][1]["text"] = "TO PORT-%d" % number
                    expected["row%d" % number] = json.dumps(label)
            out = os.path.join(tmp, "csv-out")
            self.run_script("--template", os.path.join(tmp, "template.json"),
                            "--csv", os.path.join(tmp, "rows.csv"), "-o", out)
            self.assert_outputs_match(out, expected)


if __name__ == "__main__":
    unittest.main()
