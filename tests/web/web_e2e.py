# tests/web/web_e2e.py -- the show's page in real headless chromium, against the desktop's capture.
#
#     python3 tests/web/web_e2e.py --site build-web/site --data DATA --desktopframes build/tests/desktopframes
#
# Checks, each one failing the run with what it saw:
#   - the whole page (engine, data, sound) is at most 8 MB;
#   - the GL layer's own drawings match the desktop GL's;
#   - the page starts with no console error, WebGL is there, the start screen waits for a click or Enter;
#   - a frame of every scene (the test mode, ?frame=K&size=WxH) is the desktop capture's frame K within
#     kTolerance mean difference, and was given the same song position and row;
#   - the show ends by itself at position 12, after as many frames as the desktop's;
#   - the sound is as long as the song's timeline says;
#   - Enter starts the show, Escape ends it, the end offers to play again and Enter plays it again;
#   - full screen draws at the chosen size enlarged to the screen, and leaving it ends the show;
#   - a missing data file gives "Erreur Brimt 2".
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser import Browser, Site  # noqa: E402

WIDTH, HEIGHT = 320, 240
# Mean absolute difference over all channels, as a share of full scale. SwiftShader and llvmpipe
# round and filter differently, and WebGL lines are never smoothed.
kTolerance = 0.03
# One frame per scene, at a moment where it is on screen, as "P+N": N frames after the first frame of
# song position P, so that the choice follows the song's timing: both intro cards and the spiking
# sphere, the hammer grid, a face, the greetings cloud, the cloud flying past.
SCENE_FRAMES = {'intro': '1+120', 'hammers': '3+120', 'faces': '5+300', 'greets': '8+240', 'flypast': '10+20'}

# The layer's own drawings are small and simple: they match more closely.
kLayerTolerance = 0.02
LAYER_CASES = ['smooth colours', 'rescaled texture, blended', 'minified mipmaps', 'display lists',
               'client arrays, 32-bit indices', 'light 0 and material', 'lighting with no light',
               'depth test', 'line loops, plain and smoothed, and points', 'alpha texture sprite', 'luminance checkerboard',
               '3D text from the glyph lists', 'primitives outside the view']

failures = []


def check(ok, what):
    print(('ok    ' if ok else 'FAIL  ') + what, flush=True)
    if not ok:
        failures.append(what)


def read_ppm(path):
    with open(path, 'rb') as f:
        data = f.read()
    parts = data.split(b'\n', 3)
    width, height = map(int, parts[1].split())
    return width, height, parts[3]


def mean_difference(a, b):
    return sum(abs(x - y) for x, y in zip(a, b)) / (255.0 * len(a))


def desktop_frames(tool, data, folder):
    """Runs the desktop capture; returns ({K: (position, row)}, {scene: K}, total frames, sound frames)."""
    output = subprocess.run([tool, data, folder, str(WIDTH), str(HEIGHT), *SCENE_FRAMES.values()],
                            check=True, capture_output=True, text=True,
                            env={**os.environ, 'SDL_AUDIODRIVER': 'dummy'}).stdout
    status, chosen, frames, sound = {}, {}, 0, 0
    asked = {v: k for k, v in SCENE_FRAMES.items()}
    for line in output.splitlines():
        words = line.split()
        if words[0] == 'frame':
            status[int(words[1])] = (int(words[3]), int(words[5]))
            chosen[asked[words[9]]] = int(words[1])
        elif words[0] == 'frames':
            frames = int(words[1])
        elif words[0] == 'sound':
            sound = int(words[1])
    return status, chosen, frames, sound


def timeline_seconds(site):
    with open(os.path.join(site, 'DATA', 'Pkfloyd.timeline')) as f:
        header = dict(line.split()[:2] for line in [f.readline() for _ in range(3)][1:])
    return int(header['samples']) / int(header['rate'])


def test_page_size(site_folder):
    total = sum(os.path.getsize(os.path.join(root, name)) for root, _, names in os.walk(site_folder)
                for name in names)
    check(total <= 8 * 1024 * 1024, 'the whole page is %.2f MB (at most 8 MB)' % (total / 1048576.0))


def test_gl_layer(browser, gltest, native_tool, folder):
    # The layer's drawings on the desktop's GL and in the browser, tile by tile.
    native_path = os.path.join(folder, 'gldrawings.ppm')
    subprocess.run([native_tool, native_path], check=True, env={**os.environ, 'SDL_AUDIODRIVER': 'dummy'})
    width, height, native = read_ppm(native_path)
    with Site(gltest) as site:
        browser.open(site.url + 'gldrawings.html')
        title = browser.wait_for_title(['drawn', 'no context'], timeout=60)
        check(title == 'drawn', 'the GL layer draws its cases (%s)' % title)
        _, _, web = browser.screenshot(width, height)
    tile = height
    for i in range(width // tile):
        def crop(pixels):
            return b''.join(pixels[(y * width + i * tile) * 3:(y * width + (i + 1) * tile) * 3] for y in range(tile))
        difference = mean_difference(crop(web), crop(native))
        check(difference <= kLayerTolerance, 'GL layer case %d (%s) differs from the desktop GL by %.2f %%'
              % (i, LAYER_CASES[i], 100 * difference))


def test_start_screen(browser, site):
    browser.open(site.url + 'index.html')
    browser.wait_for("!document.getElementById('go').disabled", timeout=60)
    check(browser.errors() == [], 'the page starts with no console error (%s)' % browser.errors())
    check(browser.evaluate("!!document.createElement('canvas').getContext('webgl')"), 'WebGL is there')
    check(browser.evaluate("!document.getElementById('start').hidden"), 'the start screen is shown')
    browser.wait_for('Module.brimtAudio.ready()', timeout=120)
    seconds = browser.evaluate('Module.brimtAudio.lengthSeconds()')
    expected = timeline_seconds(site.folder)
    check(abs(seconds - expected) < 0.002,
          'the sound lasts as long as the timeline says (%.4f s, timeline %.4f s)' % (seconds, expected))

    # Enter starts the show, with its sound; Escape ends it.
    browser.key('Enter', 'Enter', 13)
    browser.wait_for('Module._brimt_frame_status(2) > 1.0', timeout=30)
    check(browser.evaluate("document.getElementById('start').hidden"), 'Enter starts the show')
    browser.key('Escape', 'Escape', 27)
    browser.wait_for("!document.getElementById('end').hidden", timeout=30)
    check(browser.evaluate("document.getElementById('end-text').textContent") == 'La démo est terminée.',
          'Escape ends the show and the end says so')
    check(browser.evaluate("!!document.getElementById('again')"), 'the end offers to play again')
    # Again, from the end screen: the second show runs on the same canvas and context.
    browser.key('Enter', 'Enter', 13)
    browser.wait_for("document.getElementById('end').hidden && Module._brimt_frame_status(2) > 1.0", timeout=60)
    browser.key('Escape', 'Escape', 27)
    browser.wait_for("!document.getElementById('end').hidden", timeout=30)
    check(browser.evaluate('Module._brimt_result()') == 0, 'the show plays again and ends again')
    check(browser.errors() == [], 'no console error while the show ran (%s)' % browser.errors())


def test_full_screen(browser, site):
    # Full screen at 640 x 480: the canvas keeps the chosen size and is enlarged to the screen. The
    # browser keeps Escape for leaving full screen; leaving it, however it happens, ends the show.
    browser.open(site.url + 'index.html')
    browser.wait_for("!document.getElementById('go').disabled", timeout=120)
    browser.evaluate("document.getElementById('fullscreen').checked = true;"
                     "document.getElementById('resolution').value = '640x480'")
    browser.key('Enter', 'Enter', 13)
    browser.wait_for('!!document.fullscreenElement && Module._brimt_frame_status(2) > 0.5', timeout=60)
    size = browser.evaluate("(() => { const c = document.getElementById('canvas'), r = c.getBoundingClientRect();"
                            "return [c.width, c.height, r.width, r.height, innerWidth, innerHeight]; })()")
    check(size[:2] == [640, 480], 'full screen: the canvas draws at the chosen 640 x 480 (%s)' % size[:2])
    check(size[2:4] == size[4:6], 'full screen: the canvas fills the screen (%s)' % size[2:])
    browser.evaluate('document.exitFullscreen()')
    browser.wait_for("!document.getElementById('end').hidden", timeout=30)
    check(browser.evaluate("document.getElementById('end-text').textContent") == 'La démo est terminée.',
          'leaving full screen ends the show')
    check(browser.errors() == [], 'no console error in full screen (%s)' % browser.errors())


def test_scene_frames(browser, site, desktop, chosen, folder):
    for scene in SCENE_FRAMES:
        check(scene in chosen, '%s: the desktop capture has frame %s' % (scene, SCENE_FRAMES[scene]))
        if scene not in chosen:
            continue
        k = chosen[scene]
        browser.open(site.url + 'index.html?frame=%d&size=%dx%d' % (k, WIDTH, HEIGHT))
        title = browser.wait_for_title(['frame', 'end', 'failure'], timeout=120)
        check(title == 'frame %d' % k, '%s: the test mode reaches frame %d (%s)' % (scene, k, title))
        position = int(browser.evaluate('+document.getElementById("canvas").dataset.position'))
        row = int(browser.evaluate('+document.getElementById("canvas").dataset.row'))
        check((position, row) == desktop[k], '%s: frame %d is given position %d row %d (desktop %s)'
              % (scene, k, position, row, desktop[k]))
        _, _, web = browser.screenshot(WIDTH, HEIGHT)
        _, _, native = read_ppm(os.path.join(folder, 'frame%d.ppm' % k))
        difference = mean_difference(web, native)
        check(difference <= kTolerance, '%s: frame %d differs from the desktop by %.2f %% (at most %.0f %%)'
              % (scene, k, 100 * difference, 100 * kTolerance))
        with open(os.path.join(folder, 'web%d.ppm' % k), 'wb') as f:
            f.write(b'P6\n%d %d\n255\n' % (WIDTH, HEIGHT) + web)


def test_end(browser, site, frames):
    browser.open(site.url + 'index.html?frame=100000&size=64x48')
    title = browser.wait_for_title(['frame', 'end', 'failure'], timeout=120)
    check(title == 'end %d' % frames, 'the show ends by itself after %d frames, as on the desktop (%s)'
          % (frames, title))
    position = int(browser.evaluate('+document.getElementById("canvas").dataset.position'))
    check(position == 12, 'the last frame is at position 12 (%d)' % position)


def test_missing_file(browser, site_folder):
    # A copy of the site without one image: links to everything else.
    folder = tempfile.mkdtemp(prefix='brimt-site-')
    try:
        for name in os.listdir(site_folder):
            if name != 'DATA':
                os.symlink(os.path.join(site_folder, name), os.path.join(folder, name))
        os.mkdir(os.path.join(folder, 'DATA'))
        for name in os.listdir(os.path.join(site_folder, 'DATA')):
            if name != 'brique.JPG':
                os.symlink(os.path.join(site_folder, 'DATA', name), os.path.join(folder, 'DATA', name))
        with Site(folder) as site:
            site.folder = folder
            browser.open(site.url + 'index.html')
            browser.wait_for("!document.getElementById('go').disabled", timeout=120)
            browser.key('Enter', 'Enter', 13)
            browser.wait_for("!document.getElementById('message').hidden", timeout=120)
            text = browser.evaluate("document.getElementById('message-text').textContent")
            check(text == "Erreur Brimt 2\nEchec lors de l'initialisation.",
                  'a missing data file gives the numbered message (%r)' % text)
            check(browser.evaluate("document.getElementById('message-caption').textContent") == 'ERREUR',
                  'the message has the caption ERREUR')
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--site', required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--desktopframes', required=True)
    parser.add_argument('--gltest', required=True, help='the GL layer check page (build-web/gltest)')
    parser.add_argument('--gldrawings', required=True, help='the same drawings on the desktop GL')
    parser.add_argument('--keep', help='a folder to keep the frames in')
    args = parser.parse_args()
    # Absolute, so that the missing-file test's links into the site work from any folder.
    args.site, args.data = os.path.abspath(args.site), os.path.abspath(args.data)
    if not os.path.exists(os.path.join(args.site, 'index.html')):
        print('no page in %s: make web builds it' % args.site)
        return 1

    folder = args.keep or tempfile.mkdtemp(prefix='brimt-frames-')
    os.makedirs(folder, exist_ok=True)
    try:
        desktop, chosen, frames, sound = desktop_frames(args.desktopframes, args.data, folder)
        with Browser() as browser:
            test_page_size(args.site)
            test_gl_layer(browser, args.gltest, args.gldrawings, folder)
            test_missing_file(browser, args.site)
            with Site(args.site) as site:
                site.folder = args.site
                test_start_screen(browser, site)
                test_full_screen(browser, site)
                test_scene_frames(browser, site, desktop, chosen, folder)
                test_end(browser, site, frames)
    finally:
        if not args.keep:
            shutil.rmtree(folder, ignore_errors=True)
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
