#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""keys.py: key injector for the rig's GNOME and KDE sessions (run it with the session's env).

  keys.py gnome|kde press KEY...          key downs, in the order given
  keys.py gnome|kde release KEY...        key ups, in the order given
  keys.py gnome|kde tap KEY...            downs in order, 0.1 s, ups in reverse order
  keys.py gnome|kde hold SECONDS KEY...   downs in order, SECONDS, ups in reverse order
  keys.py gnome accept-dialog [TIMEOUT]   clicks "Add" in GNOME's "Add Keyboard Shortcuts" dialog
  keys.py gnome cancel-dialog [TIMEOUT]   clicks its "Cancel" (the dialog does not take the
                                          keyboard focus: Esc alone did nothing)
  keys.py gnome click X Y                 left click at X,Y of the 1280x800 virtual monitor
  keys.py gnome screenshot FILE.png       (gnome-shell writes FILE; give an absolute path)
  keys.py gnome|kde --daemon              the daemon; the session scripts start it

KEY: ctrl alt super shift (left keys), rctrl ralt rshift, a-z, 0-9, f1-f12, esc tab enter
space backspace up down left right, or a number of 2+ digits (an evdev key code).
Each key event is printed with its CLOCK_MONOTONIC time (the clock gsprobe.py prints).
Held keys stay down between calls: the daemon keeps ONE input session for the whole
desktop session (GNOME: org.gnome.Mutter.RemoteDesktop; KDE: KWin's fake-input protocol
through rig-fakeinput, compiled from fakeinput.c on first use)."""
import json, os, socket, subprocess, sys, time

CODES = {'esc': 1, 'backspace': 14, 'tab': 15, 'enter': 28, 'return': 28, 'ctrl': 29, 'shift': 42,
         'alt': 56, 'space': 57, 'rctrl': 97, 'ralt': 100, 'rshift': 54, 'super': 125, 'logo': 125,
         'meta': 125, 'up': 103, 'left': 105, 'right': 106, 'down': 108, 'f11': 87, 'f12': 88}
CODES.update({c: 16 + i for i, c in enumerate('qwertyuiop')})
CODES.update({c: 30 + i for i, c in enumerate('asdfghjkl')})
CODES.update({c: 44 + i for i, c in enumerate('zxcvbnm')})
CODES.update({str(d): 2 + (d - 1) % 10 for d in range(10)})      # 1..9 -> 2..10, 0 -> 11
CODES.update({'f%d' % n: 58 + n for n in range(1, 11)})
NAMES = {v: k for k, v in reversed(list(CODES.items()))}
SOCK = os.path.join(os.environ.get('XDG_RUNTIME_DIR', '/nonexistent'), 'rig-keys.sock')


def code_of(name):
    return int(name) if name.isdigit() and len(name) > 1 else CODES[name.lower()]


class Gnome:
    """Keys (and the pointer) through mutter's RemoteDesktop D-Bus API; one session."""
    def __init__(self):
        import dbus
        self.dbus = dbus
        self.bus = dbus.SessionBus()
        rd = self.bus.get_object('org.gnome.Mutter.RemoteDesktop', '/org/gnome/Mutter/RemoteDesktop')
        path = dbus.Interface(rd, 'org.gnome.Mutter.RemoteDesktop').CreateSession()
        self.s = dbus.Interface(self.bus.get_object('org.gnome.Mutter.RemoteDesktop', path),
                                'org.gnome.Mutter.RemoteDesktop.Session')
        self.s.Start()
        # gnome-shell lets only allow-listed bus names take screenshots; this is one of them
        self.bus.request_name('org.gnome.Screenshot')
        self.shot = self.dbus.Interface(self.bus.get_object('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot'),
                                        'org.gnome.Shell.Screenshot')

    def key(self, code, down):
        self.s.NotifyKeyboardKeycode(self.dbus.UInt32(code), self.dbus.Boolean(down))

    def click_at(self, x, y):
        # no absolute motion without a screen-cast stream: push the pointer into the
        # bottom-left corner (it clamps there; the top-left one is the hot corner), then move
        # relative to (x, y) on the 1280x800 virtual monitor
        self.s.NotifyPointerMotionRelative(-10000.0, 10000.0)
        time.sleep(0.1)
        self.s.NotifyPointerMotionRelative(float(x), float(y) - 799.0)
        time.sleep(0.1)
        self.s.NotifyPointerMotionRelative(1.0, 0.0)   # a motion inside the target, too
        self.s.NotifyPointerMotionRelative(-1.0, 0.0)
        time.sleep(0.2)
        for down in (True, False):
            self.s.NotifyPointerButton(self.dbus.Int32(0x110), down)   # BTN_LEFT
            time.sleep(0.05)

    def find_add_button(self):
        """Centre of the blue "suggested-action" button in the right half of the screen's
        upper part, where the centred dialog keeps its "Add" button; None if not there."""
        x0, y0, w, h = 640, 40, 400, 400
        path = os.path.join(os.environ['XDG_RUNTIME_DIR'], 'rig-dialog.png')
        ok, _ = self.shot.ScreenshotArea(x0, y0, w, h, False, path)
        if not ok:
            raise RuntimeError('screenshot failed')
        blue = [(x, y) for x, y, (r, g, b) in png_pixels(path) if abs(r - 53) < 30 and abs(g - 132) < 30 and abs(b - 228) < 30]
        if not blue:
            return None
        top = blue[0]   # the top-most blue pixel: its button's pixels lie within 70x36 of it
        button = [(x, y) for x, y in blue if abs(x - top[0]) < 70 and 0 <= y - top[1] < 36]
        if len(button) < 200:
            return None
        return x0 + sum(p[0] for p in button) // len(button), y0 + sum(p[1] for p in button) // len(button)

    def accept_dialog(self, out, timeout, cancel=False):
        end = time.monotonic() + timeout
        while (at := self.find_add_button()) is None:
            if time.monotonic() > end:
                raise RuntimeError('no "Add Keyboard Shortcuts" dialog within %g s (a caller without an app id '
                                   'gets response 2 at once and no dialog)' % timeout)
            time.sleep(0.5)
        out('dialog seen t=%.3f' % time.monotonic())
        time.sleep(0.5)
        self.click_at(640, at[1])   # on its title first: the first click of a session is lost
        for attempt in range(4):    # check, and click again if it is still there
            time.sleep(1.0)        # let it settle
            # "Cancel" sits at the other end of the header of the (centred) dialog
            xy = (1280 - at[0], at[1]) if cancel else at
            self.click_at(*xy)
            out('clicked "%s" at %d,%d t=%.3f' % ('Cancel' if cancel else 'Add', xy[0], xy[1], time.monotonic()))
            for _ in range(5):
                time.sleep(0.2)
                if (at := self.find_add_button()) is None:
                    return out('dialog closed t=%.3f' % time.monotonic())
        raise RuntimeError('the dialog is still open')

    def screenshot(self, out, path):
        ok, used = self.shot.Screenshot(False, False, path)
        out('screenshot %s: %s' % ('written' if ok else 'FAILED', used))


def png_pixels(path):
    """Yields (x, y, (r, g, b)) of an 8-bit RGB/RGBA non-interlaced PNG (what gnome-shell writes)."""
    import struct, zlib
    data, pos, idat = open(path, 'rb').read(), 8, b''
    while pos < len(data):
        n, kind = struct.unpack('>I4s', data[pos:pos + 8])
        if kind == b'IHDR':
            w, h, depth, ctype = struct.unpack('>IIBB', data[pos + 8:pos + 18])
        elif kind == b'IDAT':
            idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    bpp = {2: 3, 6: 4}[ctype]
    raw, stride, prev = zlib.decompress(idat), w * bpp, bytearray(w * bpp)
    for y in range(h):
        f, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):   # undo the PNG row filter
            a, b = line[i - bpp] if i >= bpp else 0, prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1: line[i] = (line[i] + a) & 255
            elif f == 2: line[i] = (line[i] + b) & 255
            elif f == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        for x in range(w):
            yield x, y, tuple(line[x * bpp:x * bpp + 3])
        prev = line


class Kde:
    """Keys through KWin's fake-input protocol: one rig-fakeinput process for the session."""
    def __init__(self):
        work = os.environ['RIG_WORK']
        exe = os.path.join(work, 'bin', 'rig-fakeinput')
        if not os.path.exists(exe):   # first use: build it from plasma-wayland-protocols' XML
            xml = '/usr/share/plasma-wayland-protocols/fake-input.xml'
            d = os.path.dirname(exe)
            subprocess.run(['wayland-scanner', 'client-header', xml, d + '/fake-input-client.h'], check=True)
            subprocess.run(['wayland-scanner', 'private-code', xml, d + '/fake-input-protocol.c'], check=True)
            subprocess.run(['gcc', '-O1', '-I', d, '-o', exe, os.path.join(os.path.dirname(__file__), 'fakeinput.c'),
                            d + '/fake-input-protocol.c', '-lwayland-client'], check=True)
        self.p = subprocess.Popen([exe], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True, bufsize=1)
        ready = self.p.stdout.readline().strip()
        print(ready, flush=True)
        if not ready.startswith('ready'):
            sys.exit('rig-fakeinput: ' + ready)

    def key(self, code, down):
        self.p.stdin.write('%d %d\n' % (code, int(down)))
        self.p.stdin.flush()
        if self.p.stdout.readline().strip() != 'ok':
            raise RuntimeError('rig-fakeinput failed')


def run(dev, req, out):
    """Carries out one request from a client; out() sends a line back."""
    def key(code, down):
        # Stamped before it is sent: the injector answers only after the compositor took the
        # key, and by then the program may already have acted on it.
        t = time.monotonic()
        dev.key(code, down)
        out('KEY %-4s %3d %-6s t=%.3f' % ('down' if down else 'up', code, NAMES.get(code, ''), t))
    act, codes = req['action'], req['codes']
    if act in ('press', 'tap', 'hold'):
        for c in codes:
            key(c, True); time.sleep(0.03)
    if act == 'tap':
        time.sleep(0.1)
    if act == 'hold':
        time.sleep(req['seconds'])
    if act == 'release':
        for c in codes:
            key(c, False); time.sleep(0.03)
    if act in ('tap', 'hold'):
        for c in reversed(codes):
            key(c, False); time.sleep(0.03)
    if act in ('accept-dialog', 'cancel-dialog'):
        dev.accept_dialog(out, req['seconds'], cancel=(act == 'cancel-dialog'))
    if act == 'screenshot':
        dev.screenshot(out, req['path'])
    if act == 'click':
        dev.click_at(*req['xy'])
        out('clicked at %d,%d t=%.3f' % (req['xy'][0], req['xy'][1], time.monotonic()))


def daemon(desktop):
    dev = Gnome() if desktop == 'gnome' else Kde()
    if os.path.exists(SOCK):
        os.unlink(SOCK)
    srv = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    srv.bind(SOCK)
    srv.listen(8)
    print('keys daemon for %s listening on %s' % (desktop, SOCK), flush=True)
    while True:
        conn, _ = srv.accept()
        try:
            serve(conn, dev, desktop)
        except OSError:   # the client went away
            pass
        conn.close()


def serve(conn, dev, desktop):
    f = conn.makefile('rw', errors='replace')

    def out(line):   # a client that went away must not cut an action short
        print(line, flush=True)
        try:
            f.write(line + '\n'); f.flush()
        except OSError:
            pass
    try:
        req = json.loads(f.readline())
        if req['desktop'] != desktop:
            raise RuntimeError('this session is %s, not %s' % (desktop, req['desktop']))
        run(dev, req, out)
        out('OK')
    except Exception as e:   # report to the client, keep serving
        out('ERROR %s' % e)
    try:
        f.close()
    except OSError:
        pass


def main(argv):
    if len(argv) < 2 or argv[0] not in ('gnome', 'kde'):
        sys.exit(__doc__)
    desktop, act, rest = argv[0], argv[1], argv[2:]
    if act == '--daemon':
        return daemon(desktop)
    req = {'desktop': desktop, 'action': act, 'codes': [], 'seconds': 30.0}
    try:
        if act == 'hold':
            req['seconds'], rest = float(rest[0]), rest[1:]
        if act in ('accept-dialog', 'cancel-dialog') and rest:
            req['seconds'] = float(rest[0])
        if act == 'screenshot':
            req['path'] = os.path.abspath(rest[0])
        if act == 'click':
            req['xy'] = [int(rest[0]), int(rest[1])]
        if act in ('press', 'release', 'tap', 'hold'):
            req['codes'] = [code_of(k) for k in rest] or sys.exit('no keys given')
        elif act not in ('accept-dialog', 'cancel-dialog', 'screenshot', 'click'):
            sys.exit(__doc__)
    except (KeyError, ValueError, IndexError) as e:
        sys.exit('bad argument %s\n%s' % (e, __doc__))
    c = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        c.connect(SOCK)
    except OSError:
        sys.exit('keys.py: no key daemon at %s (source the env file of a session made by '
                 'gnome-session.sh or kde-session.sh)' % SOCK)
    with c, c.makefile('rw') as f:
        f.write(json.dumps(req) + '\n'); f.flush()
        for line in f:
            line = line.rstrip('\n')
            if line == 'OK':
                return 0
            print(line, flush=True)
            if line.startswith('ERROR'):
                return 1
    return 1


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
