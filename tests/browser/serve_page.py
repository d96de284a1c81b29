#!/usr/bin/python3
"""txr serve's page in headless Chromium over DevTools: a typed text's dots are uniform zoom x zoom
squares equal to `txr render`'s BMP, the character without a byte is marked; exit 1 says why."""
import argparse
import base64
import json
import os
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import urllib.request

import websocket

TYPED = "LOT 42 \u00c4\u00df\u20ac"  # the euro sign has no byte in cp850: left out and marked
FAMILY, FONT, ZOOM = 2, 3, 4


def fail(message):
    print("serve_page: " + message, file=sys.stderr)
    sys.exit(1)


def first_line(stream, pattern, deadline):
    """The first line of `stream` holding `pattern`, read until `deadline`."""
    buffer = b""
    while time.monotonic() < deadline:
        ready, _, _ = select.select([stream], [], [], 0.2)
        if not ready:
            continue
        chunk = os.read(stream.fileno(), 4096)
        if not chunk:
            break
        buffer += chunk
        for line in buffer.decode(errors="replace").splitlines():
            if pattern in line:
                return line
    fail(f"no line with {pattern!r} in time; read: {buffer[-2000:]!r}")


class DevTools:
    """One page's session: commands answered by id, events skipped."""

    def __init__(self, url, timeout):
        self.socket = websocket.create_connection(url, timeout=timeout, suppress_origin=True)
        self.next_id = 0

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    fail(f"{method}: {message['error']}")
                return message.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            fail(f"script failed: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, expression, deadline, what):
        while time.monotonic() < deadline:
            if self.evaluate(expression):
                return
            time.sleep(0.05)
        fail("timed out waiting for " + what)


def bmp_dots(path):
    """A one-bit BMP as the library writes it: rows of '#' (colour 0, black) and '.'."""
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width + 31) // 32 * 4
    rows = []
    for y in range(abs(height)):
        row = data[offset + y * stride:offset + (y + 1) * stride]
        rows.append("".join("." if row[x // 8] & (0x80 >> (x % 8)) else "#" for x in range(width)))
    return rows[::-1] if height > 0 else rows


# Reads the canvas: each dot's colour, and whether every dot is one uniform square.
READ_CANVAS = """(() => {
  const canvas = document.getElementById("picture");
  const p = window.txrPreview;
  const pixels = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
  const rows = [];
  let crisp = canvas.width === p.width * p.zoom && canvas.height === p.height * p.zoom;
  for (let y = 0; y < p.height; ++y) {
    let row = "";
    for (let x = 0; x < p.width; ++x) {
      const at = (px, py) => pixels[(py * canvas.width + px) * 4];
      const value = at(x * p.zoom, y * p.zoom);
      for (let dy = 0; dy < p.zoom; ++dy)
        for (let dx = 0; dx < p.zoom; ++dx)
          crisp = crisp && at(x * p.zoom + dx, y * p.zoom + dy) === value;
      row += value < 128 ? "#" : ".";
    }
    rows.push(row);
  }
  return {rows, crisp, zoom: p.zoom,
          marked: [...document.querySelectorAll("#characters .missing")].map(e => e.textContent)};
})()"""


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--txr", required=True)
    parser.add_argument("--chromium", default="chromium")
    parser.add_argument("--work", required=True)
    parser.add_argument("--screenshot", help="also save the screenshot here")
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    deadline = time.monotonic() + args.timeout
    os.makedirs(args.work, exist_ok=True)
    profile = tempfile.mkdtemp(prefix="txr-chromium-")
    server = browser = None
    try:
        server = subprocess.Popen([args.txr, "serve", "--port", "0"], stdout=subprocess.PIPE)
        address = first_line(server.stdout, "http://", deadline).split()[2]
        chromium = [args.chromium, "--headless=new", "--disable-gpu", "--no-first-run",
                    "--disable-dev-shm-usage",  # containers often have a small /dev/shm
                    "--hide-scrollbars", "--window-size=1180,760", "--user-data-dir=" + profile,
                    "--remote-debugging-port=0", "about:blank"]
        if os.geteuid() == 0:
            chromium.insert(1, "--no-sandbox")  # Chromium refuses to run as root otherwise
        browser = subprocess.Popen(chromium, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        endpoint = first_line(browser.stderr, "DevTools listening on", deadline).split()[-1]
        port = endpoint.split(":")[2].split("/")[0]
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as answer:
            pages = [t for t in json.load(answer) if t["type"] == "page"]
        page = DevTools(pages[0]["webSocketDebuggerUrl"], timeout=max(1, args.timeout))
        page.call("Page.navigate", url=address)
        page.wait_for("window.txrPreview && window.txrPreview.rendered > 0 && "
                      "!window.txrPreview.busy", deadline, "the page's first picture")
        page.evaluate(f"""(() => {{
            for (const [id, value] of [["family", {FAMILY}], ["font", {FONT}], ["zoom", {ZOOM}]]) {{
              document.getElementById(id).value = value;
              document.getElementById(id).dispatchEvent(new Event("change"));
            }}
            document.getElementById("text").value = "";
            document.getElementById("text").focus();
            window.txrPreview.rendered = 0;
        }})()""")
        page.call("Input.insertText", text=TYPED)
        page.wait_for(f"window.txrPreview.rendered > 0 && !window.txrPreview.busy && "
                      f"document.getElementById('text').value === {json.dumps(TYPED)}",
                      deadline, "the typed text's picture")
        time.sleep(0.3)  # a last debounced request, had the typing been split
        page.wait_for("!window.txrPreview.busy", deadline, "the last picture")
        shown = page.evaluate(READ_CANVAS)

        # The tool turns the same characters into the font's bytes on its own.
        expected_path = os.path.join(args.work, "expected.bmp")
        subprocess.run([args.txr, "render", "--family", str(FAMILY), "--font", str(FONT),
                        "--encoding", "utf-8", TYPED.replace("\u20ac", ""), "-o", expected_path],
                       check=True, timeout=max(1, deadline - time.monotonic()))
        expected = bmp_dots(expected_path)
        if shown["rows"] != expected:
            fail("the page shows other dots than txr render:\n" + "\n".join(shown["rows"]) +
                 "\nexpected:\n" + "\n".join(expected))
        if not shown["crisp"] or shown["zoom"] != ZOOM:
            fail(f"the dots are not uniform {ZOOM} x {ZOOM} squares (zoom {shown['zoom']})")
        if shown["marked"] != ["\u20ac"]:
            fail(f"marked as missing: {shown['marked']}, expected the euro sign only")

        shot = base64.b64decode(page.call("Page.captureScreenshot", format="png")["data"])
        for path in filter(None, [os.path.join(args.work, "serve-page.png"), args.screenshot]):
            open(path, "wb").write(shot)
        page.call("Browser.close")
        browser.wait(timeout=10)
        server.send_signal(signal.SIGTERM)
        if server.wait(timeout=10) != 0:
            fail(f"txr serve exited with {server.returncode} on SIGTERM")
        print(f"serve_page: {len(expected[0])} x {len(expected)} dots shown as the tool renders "
              f"them, each a {ZOOM} x {ZOOM} square")
    finally:
        for process in (browser, server):
            if process and process.poll() is None:
                process.kill()
                process.wait()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
