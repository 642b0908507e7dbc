"""Browser tests of the web player: headless Chromium loads the page of build/web from 127.0.0.1.

  snapshots     at five times of the sample show (?at=) the canvas matches `demotool snapshot`
  damaged_pack  a damaged pack shows the loader's own error text on the page
  click_start   the page waits with its prompt, and a click starts picture and clock
  measure       prints the program's sizes, the time to the first frame and the frame rate

Usage: web_page_test.py CASE --web DIR --demotool PATH --show DIR"""

import argparse
import base64
import gzip
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser  # noqa: E402

# SwiftShader (the page) and Mesa's llvmpipe (demotool) round differently: blended pictures differ
# by one step in places, and the edges of polygons and of the nearest-sampled pictures by a pixel.
# Measured on the sample show at the five times: mean difference 0.016 to 0.47 per channel, 0.018
# to 0.38 % of pixels off by more than 32. The limits leave about twice that.
MAX_MEAN_DIFFERENCE = 1.0
MAX_FAR_SHARE = 0.01
TIMES = ["2", "12", "30", "42", "66"]


def site(args):
    """A served folder: the page and program of build/web, and the sample show beside them."""
    root = tempfile.mkdtemp(prefix="demo_site_")
    for name in ("index.html", "demoplayer.js", "demoplayer.wasm"):
        shutil.copy(os.path.join(args.web, name), root)
    for name in ("data.pak", "music.mp3", "spinner.flc"):
        shutil.copy(os.path.join(args.show, name), root)
    return root


def canvas_png(page):
    url = page.evaluate("document.getElementById('canvas').toDataURL('image/png')")
    return base64.b64decode(url.split(",", 1)[1])


def wait_state(page, states, timeout=300):
    condition = " || ".join("demoStats.state == '%s'" % s for s in states)
    page.wait_for("window.demoStats && (%s)" % condition, timeout)
    return page.evaluate("demoStats.state")


def snapshots(args):
    root = site(args)
    shots = tempfile.mkdtemp(prefix="demo_snap_")
    subprocess.run([args.demotool, "snapshot", "--dir", args.show, "-o", shots, *TIMES], check=True,
                   stdout=subprocess.DEVNULL)
    failures = []
    with browser.Server(root) as server, browser.Browser() as page:
        for t in TIMES:
            page.navigate(server.url + "index.html?at=" + t)
            state = wait_state(page, ["held", "error"])
            if state != "held":
                failures.append("at %s: %s" % (t, page.evaluate("demoStats.error")))
                continue
            ours = browser.read_png(canvas_png(page))
            theirs = browser.read_png(os.path.join(shots, "%.3f.png" % float(t)))
            mean, far = browser.compare(ours, theirs)
            print("at %5s s: mean difference %.4f per channel, %.4f %% of pixels off by more than 32"
                  % (t, mean, far * 100))
            if mean > MAX_MEAN_DIFFERENCE or far > MAX_FAR_SHARE:
                failures.append("at %s s the canvas differs from the snapshot (%.4f, %.4f %%)" % (t, mean, far * 100))
    shutil.rmtree(root, ignore_errors=True)
    shutil.rmtree(shots, ignore_errors=True)
    return failures


def damaged_pack(args):
    root = site(args)
    failures = []
    inflated = gzip.decompress(open(os.path.join(args.show, "data.pak"), "rb").read())
    # Content damage: the stream ends inside a record; the gzip stream itself is sound.
    cut = os.path.join(root, "cut")
    os.mkdir(cut)
    with open(os.path.join(cut, "data.pak"), "wb") as f:
        f.write(gzip.compress(inflated[: len(inflated) * 2 // 5]))
    native = subprocess.run([args.demotool, "snapshot", "--dir", cut, "-o", os.path.join(root, "unused"), "0"],
                            capture_output=True, text=True)
    expected = native.stderr.strip().removeprefix("demotool snapshot: ")
    if native.returncode != 1 or "at byte" not in expected:
        failures.append("demotool did not report the cut pack: %r" % native.stderr)
    # Stream damage: the gzip file itself ends early.
    broken = os.path.join(root, "broken")
    os.mkdir(broken)
    packed = open(os.path.join(args.show, "data.pak"), "rb").read()
    with open(os.path.join(broken, "data.pak"), "wb") as f:
        f.write(packed[: len(packed) // 2])
    shutil.copy(os.path.join(args.show, "spinner.flc"), broken)
    # A named animation missing: the decoder's fatal line, which ends the native players.
    lost = os.path.join(root, "lost")
    os.mkdir(lost)
    shutil.copy(os.path.join(args.show, "data.pak"), lost)
    with browser.Server(root) as server, browser.Browser() as page:
        page.navigate(server.url + "index.html?show=cut/")
        wait_state(page, ["error", "ready"])
        shown = page.evaluate("document.getElementById('status').textContent")
        print("cut pack, page:     %s" % shown)
        print("cut pack, demotool: %s" % expected)
        if shown.splitlines()[0] != expected:
            failures.append("the page shows %r, the loader says %r" % (shown, expected))
        if page.evaluate("document.getElementById('status').className") != "error":
            failures.append("the error is not shown as an error")
        page.navigate(server.url + "index.html?show=broken/")
        wait_state(page, ["error", "ready"])
        shown = page.evaluate("document.getElementById('status').textContent")
        print("broken gzip, page:  %s" % shown.replace("\n", " | "))
        if not shown.startswith("data.pak: ") or "at byte" not in shown or "gzip stream" not in shown:
            failures.append("the broken gzip stream is not reported with its offset: %r" % shown)
        page.navigate(server.url + "index.html?show=lost/")
        wait_state(page, ["error", "ready"])
        shown = page.evaluate("document.getElementById('status').textContent")
        print("lost animation:     %s" % shown)
        if not shown.startswith("Wrong header: spinner.flc: "):
            failures.append("a missing animation file is not reported: %r" % shown)
        page.navigate(server.url + "index.html?show=missing/")
        wait_state(page, ["error", "ready"])
        shown = page.evaluate("document.getElementById('status').textContent")
        if "data.pak" not in shown or "404" not in shown:
            failures.append("a missing pack is not reported: %r" % shown)
    shutil.rmtree(root, ignore_errors=True)
    return failures


def bright_share(png):
    """Share of pixels that are not black."""
    width, height, rows = browser.read_png(png)
    lit = sum(1 for row in rows for i in range(0, len(row), 3) if max(row[i:i + 3]) > 24)
    return lit / (width * height)


def click_start(args):
    root = site(args)
    failures = []
    inflated = gzip.decompress(open(os.path.join(args.show, "data.pak"), "rb").read())
    with open(os.path.join(root, "cut.pak"), "wb") as f:
        f.write(gzip.compress(inflated[: len(inflated) // 3]))
    with browser.Server(root) as server, browser.Browser() as page:
        page.navigate(server.url + "index.html?size=1024x768")
        wait_state(page, ["ready", "error"])
        prompt = page.evaluate("document.getElementById('prompt').textContent")
        if prompt != "click or press a key to start":
            failures.append("prompt: %r" % prompt)
        time.sleep(1)
        if page.evaluate("demoStats.frames") != 0:
            failures.append("the show started before the gesture")
        page.click(300, 300)
        page.wait_for("demoStats.frames > 3", 60)
        start_ms = page.evaluate("demoStats.showMs")
        time.sleep(3)
        end_ms = page.evaluate("demoStats.showMs")
        state = page.evaluate("demoStats.state")
        audio = page.evaluate("module.demoAudio ? module.demoAudio.state : 'none'")
        print("after the click: state %s, audio %s, show clock advanced %d ms in 3 s" % (state, audio, end_ms - start_ms))
        if state != "playing" or not 2000 <= end_ms - start_ms <= 4500:
            failures.append("the show does not play after the click (state %s, %d ms)" % (state, end_ms - start_ms))
        shot = base64.b64decode(page.call("Page.captureScreenshot", format="png")["data"])
        lit = bright_share(shot)
        print("picture after the click: %.1f %% of the page lit" % (lit * 100))
        if lit < 0.2:
            failures.append("the page stays dark after the click (%.1f %% lit)" % (lit * 100))
        # Files dropped on the page: a damaged pack shows its error, the show's own files wait for
        # the next click and play.
        drop = """(async (names) => {
            const files = [];
            for (const [url, name] of names)
                files.push(new File([await (await fetch(url)).arrayBuffer()], name));
            const transfer = new DataTransfer();
            for (const f of files) transfer.items.add(f);
            dispatchEvent(new DragEvent("drop", {dataTransfer: transfer, cancelable: true}));
            return true;
        })(%s)"""
        page.evaluate(drop % '[["cut.pak", "data.pak"]]')
        wait_state(page, ["error"], 60)
        shown = page.evaluate("document.getElementById('status').textContent")
        print("dropped damaged pack: %s" % shown)
        if "truncated at byte" not in shown:
            failures.append("a dropped damaged pack is not reported: %r" % shown)
        page.evaluate(drop % '[["data.pak", "data.pak"], ["music.mp3", "music.mp3"], ["spinner.flc", "spinner.flc"]]')
        wait_state(page, ["ready"], 120)
        page.click(300, 300)
        page.wait_for("demoStats.state == 'playing' && demoStats.frames > 3", 60)
        print("dropped show: plays after the click")
    shutil.rmtree(root, ignore_errors=True)
    return failures


def measure(args):
    root = site(args)
    failures = []
    for name in ("demoplayer.wasm", "demoplayer.js"):
        raw = open(os.path.join(args.web, name), "rb").read()
        print("%-16s %8d bytes, %8d gzip -9" % (name, len(raw), len(gzip.compress(raw, 9))))
    with browser.Server(root) as server, browser.Browser() as page:
        page.navigate(server.url + "index.html?at=0")
        wait_state(page, ["held", "error"])
        print("page load to first frame (?at=0): %d ms" % page.evaluate("demoStats.firstFrameMs"))
        page.navigate(server.url + "index.html?size=1024x768")
        wait_state(page, ["ready", "error"])
        print("page load to the prompt: %d ms" % page.evaluate("demoStats.readyMs"))
        page.click(300, 300)
        page.wait_for("demoStats.frames > 0", 60)
        print("gesture to first frame: %d ms" % (page.evaluate("demoStats.firstFrameMs") - page.evaluate("demoStats.readyMs")))
        seconds = float(os.environ.get("DEMO_WEB_FPS_SECONDS", "10"))
        f0, t0 = page.evaluate("demoStats.frames"), time.time()
        time.sleep(seconds)
        f1, t1 = page.evaluate("demoStats.frames"), time.time()
        fps = (f1 - f0) / (t1 - t0)
        print("frames per second at 1024x768: %.1f over %.0f s of the show from %.1f s" % (fps, t1 - t0, page.evaluate("demoStats.showMs") / 1000 - (t1 - t0)))
        if fps <= 0:
            failures.append("no frames drawn")
    shutil.rmtree(root, ignore_errors=True)
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=["snapshots", "damaged_pack", "click_start", "measure"])
    parser.add_argument("--web", required=True)
    parser.add_argument("--demotool", required=True)
    parser.add_argument("--show", required=True)
    args = parser.parse_args()
    for name in ("index.html", "demoplayer.js", "demoplayer.wasm"):
        if not os.path.exists(os.path.join(args.web, name)):
            print("%s is missing: build it with tools/web.sh" % os.path.join(args.web, name))
            return 1
    failures = globals()[args.case](args)
    for failure in failures:
        print("FAILED: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
