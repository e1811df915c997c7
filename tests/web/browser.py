# tests/web/browser.py -- Debian's chromium, headless, driven over the DevTools protocol on a pipe; and the
# show's site served on 127.0.0.1. Python's standard library only: nothing is downloaded.
import base64
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import tempfile
import threading
import time
import zlib

CHROMIUM = os.environ.get('BRIMT_CHROMIUM', '/usr/bin/chromium')

FLAGS = [
    '--headless=new', '--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
    '--disable-gpu-compositing',
    '--autoplay-policy=no-user-gesture-required', '--disable-background-networking',
    '--disable-component-update', '--disable-sync', '--no-first-run', '--mute-audio',
    '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
    '--window-size=1700,1300',
]


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript', '.ogg': 'audio/ogg'}

    def log_message(self, *args):
        pass


class Site:
    """Serves `folder` on 127.0.0.1 at a free port while in a with block."""

    def __init__(self, folder):
        handler = functools.partial(QuietHandler, directory=folder)
        self.server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), handler)
        self.url = 'http://127.0.0.1:%d/' % self.server.server_address[1]

    def __enter__(self):
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        return self

    def __exit__(self, *exc):
        self.server.shutdown()
        self.server.server_close()


class Browser:
    """One headless chromium with one page; commands are sent and answered over the pipe."""

    def __init__(self):
        self.profile = tempfile.mkdtemp(prefix='brimt-chromium-')
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()

        # The protocol pipe is the browser's fds 3 (in) and 4 (out); the shell puts ours there.
        command = [CHROMIUM, *FLAGS, '--user-data-dir=' + self.profile, '--remote-debugging-pipe', 'about:blank']
        self.process = subprocess.Popen(
            ['sh', '-c', 'exec "$@" 3<&%d 4>&%d' % (to_browser_r, from_browser_w), 'sh', *command],
            pass_fds=(to_browser_r, from_browser_w),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self.buffer = b''
        self.next_id = 0
        self.events = []
        target = self.call('Target.createTarget', url='about:blank')['targetId']
        self.session = self.call('Target.attachToTarget', targetId=target, flatten=True)['sessionId']
        for domain in ('Page', 'Runtime', 'Log'):
            self.call(domain + '.enable', session=True)

    def close(self):
        try:
            self.call('Browser.close')
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self.to_browser)
        os.close(self.from_browser)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_message(self, timeout):
        while b'\0' not in self.buffer:
            import select
            ready, _, _ = select.select([self.from_browser], [], [], timeout)
            if not ready:
                raise TimeoutError('chromium did not answer')
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise RuntimeError('chromium went away')
            self.buffer += chunk
        message, self.buffer = self.buffer.split(b'\0', 1)
        return json.loads(message)

    def call(self, method, session=False, timeout=60, **params):
        self.next_id += 1
        request = {'id': self.next_id, 'method': method, 'params': params}
        if session:
            request['sessionId'] = self.session
        os.write(self.to_browser, json.dumps(request).encode() + b'\0')
        while True:
            message = self._read_message(timeout)
            if message.get('id') == self.next_id:
                if 'error' in message:
                    raise RuntimeError('%s: %s' % (method, message['error']))
                return message.get('result', {})
            if 'method' in message:
                self.events.append(message)

    def evaluate(self, expression):
        result = self.call('Runtime.evaluate', session=True, expression=expression, returnByValue=True)
        return result.get('result', {}).get('value')

    def open(self, url):
        self.events.clear()
        self.call('Page.navigate', session=True, url=url)

    def wait_for_title(self, prefixes, timeout=120):
        """Polls document.title until it starts with one of `prefixes`; returns it."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            title = self.evaluate('document.title') or ''
            if any(title.startswith(p) for p in prefixes):
                return title
            time.sleep(0.1)
        raise TimeoutError('the page title stayed %r' % title)

    def wait_for(self, expression, timeout=60):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.1)
        raise TimeoutError('never true: ' + expression)

    def key(self, key, code, key_code):
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', session=True, type=kind, key=key, code=code,
                      windowsVirtualKeyCode=key_code, nativeVirtualKeyCode=key_code)

    def errors(self):
        """The console errors and uncaught exceptions seen since the last open."""
        self.evaluate('0')  # collect pending events
        found = []
        for event in self.events:
            method, params = event['method'], event.get('params', {})
            if method == 'Runtime.consoleAPICalled' and params.get('type') == 'error':
                found.append(' '.join(str(a.get('value', a.get('description', ''))) for a in params['args']))
            elif method == 'Runtime.exceptionThrown':
                found.append(params['exceptionDetails'].get('text', '') + ' ' +
                             str(params['exceptionDetails'].get('exception', {}).get('description', '')))
            elif method == 'Log.entryAdded' and params['entry'].get('level') == 'error':
                found.append(params['entry'].get('text', ''))
        return found

    def screenshot(self, width, height):
        """The page's top-left width x height pixels as (width, height, RGB bytes)."""
        result = self.call('Page.captureScreenshot', session=True, format='png',
                           clip={'x': 0, 'y': 0, 'width': width, 'height': height, 'scale': 1})
        return read_png(base64.b64decode(result['data']))


def read_png(data):
    """A non-interlaced 8-bit RGB or RGBA PNG as (width, height, RGB bytes)."""
    assert data[:8] == b'\x89PNG\r\n\x1a\n', 'not a PNG'
    pos = 8
    idat = b''
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, 'unsupported PNG'
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows = []
    previous = bytearray(stride)
    at = 0
    for _ in range(height):
        kind = raw[at]
        line = bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        if kind == 1:
            for i in range(channels, stride):
                line[i] = (line[i] + line[i - channels]) & 0xFF
        elif kind == 2:
            for i in range(stride):
                line[i] = (line[i] + previous[i]) & 0xFF
        elif kind == 3:
            for i in range(stride):
                left = line[i - channels] if i >= channels else 0
                line[i] = (line[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = line[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 0xFF
        rows.append(bytes(line))
        previous = line
    pixels = b''.join(rows)
    if channels == 4:
        pixels = bytes(b for i, b in enumerate(pixels) if i % 4 != 3)
    return width, height, pixels
