# bench/web_fps.py -- frames per second of every song position of the show in headless chromium.
#
#     python3 bench/web_fps.py build-web/site 640x480 1024x768
#
# Plays the whole show in real time in the page's bench mode (?bench&size=WxH: every frame drawn, one
# per animation frame, the clock the audio's) and prints, per song position, the frames drawn and the
# frames per second, and the mean time of the engine's frame step (the scenes and the GL layer, up
# to the WebGL calls; the browser's own drawing and compositing come after it). Headless chromium
# paces animation frames at 60 per second at most.
#
# Two references are drawn in the same browser first (bench/web/reference.html): a canvas that is only
# cleared (the most the browser gives here) and 48 000 small triangles a frame from buffers made once
# (what WebGL on SwiftShader gives for a frame as mesh-heavy as the whole hammer grid, with nothing of
# ours in it). The machine is shared: read the show's figures against them.
import json
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'web'))
from browser import Browser, Site  # noqa: E402

SCENES = {0: 'intro', 1: 'intro', 2: 'hammers', 3: 'hammers', 4: 'hammers', 5: 'faces', 6: 'faces',
          7: 'greets', 8: 'greets', 9: 'greets', 10: 'fly-past', 11: 'empty', 12: 'end'}


REFERENCES = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'web')


def main():
    site_folder, sizes = sys.argv[1], sys.argv[2:] or ['640x480', '1024x768']
    with Site(site_folder) as site, Site(REFERENCES) as references, Browser() as browser:
        for size in sizes:
            for what, query in (('cleared canvas only', ''), ('48 000 triangles from buffers', '&triangles=48000')):
                browser.open(references.url + 'reference.html?size=' + size + query)
                title = browser.wait_for_title(['fps '], timeout=120)
                print('%s reference, %s: %s fps' % (size, what, title[len('fps '):]))
            browser.open(site.url + 'index.html?bench&size=' + size)
            title = browser.wait_for_title(['bench ', 'failure'], timeout=300)
            figures = json.loads(title[len('bench '):])
            print('%s:' % size)
            for position in sorted(figures, key=int):
                entry = figures[position]
                fps = 1000.0 * entry['frames'] / entry['ms'] if entry['ms'] > 0 else 0.0
                step = entry['stepMs'] / entry['frames']
                print('  position %2s (%-8s) %5d frames  %5.1f fps  frame step %5.2f ms'
                      % (position, SCENES.get(int(position), '?'), entry['frames'], fps, step))


if __name__ == '__main__':
    main()
