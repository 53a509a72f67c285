#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""realsession.py: Quietlane's global shortcut on real GNOME 48 and Plasma 6.3 sessions.

Runs inside the Debian 13 root (enter.sh, this folder at /rig, the source tree at /src), as
root, in the private mount namespace enter.sh makes. Installs the build twice, as users
get it: into /usr/local (a tmpfs of this namespace only; the desktop entry lands where the
portal looks) and into BUILD/prefix (as scripts/run.sh does: nothing on XDG_DATA_DIRS).
For each desktop and each of those, in a fresh session with its own home:
  first start: the bind (GNOME's dialog accepted with real clicks), no error in the log,
    toggle with real key presses;
  second start: no dialog (GNOME), no request to open the shortcut settings (KDE);
  push-to-talk: 3 s holds with key repeat on, off and slow, two busy loops running;
    each hold must open the microphone, keep it open until the key goes up (no early
    close), close within 300 ms of the release and stay closed;
  the optional Mute and Unmute shortcuts (installed start): bound beside the toggle at the
    next start, each tap reaches its state and a second tap leaves it there;
  GNOME: Ctrl released before the other keys, which ends the repeats and never sends
    Deactivated: the microphone must close within 0.6 s of the last repeat.
Then GNOME without the GlobalShortcuts portal (as GNOME 46/47): the README's custom
shortcut recipe, a tap and a 1.5 s hold, each flipping the microphone once.
The microphone is the session's PulseAudio source rig_mic; its changes are timed on
CLOCK_MONOTONIC, the clock keys.py prints its key events with. Ends with one PASS/FAIL
line per check and exits 1 if any failed.

  realsession.py [--build DIR] [--desktops gnome,kde] [--starts installed,prefix]
                 [--holds N] [--prefix-holds N] [--skip-holds] [--skip-recipe]"""
import argparse, json, os, re, shlex, signal, socket, struct, subprocess, sys, threading, time

RIG = os.path.dirname(os.path.abspath(__file__))
CHORD = ['ctrl', 'alt', 'super', 'm']   # the program's default shortcut
REPEATS = {   # name: (repeat, delay ms, interval ms); "on" is each desktop's default
    'on': {'gnome': (True, 500, 30), 'kde': (True, 600, 40)}, 'off': (False, 500, 30), 'slow': (True, 2000, 250)}
results = []


def log(*a):
    print('[%8.3f]' % time.monotonic(), *a, flush=True)


def check(name, ok, detail=''):
    results.append((name, bool(ok), detail))
    log('%s %s%s' % ('PASS' if ok else 'FAIL', name, ': ' + detail if detail else ''))
    return ok


class Journal(threading.Thread):
    """The journal's native socket of this mount namespace: the program's log lines."""
    PATH = '/run/systemd/journal/socket'

    def __init__(self):
        super().__init__(daemon=True)
        os.makedirs(os.path.dirname(self.PATH), exist_ok=True)
        if os.path.exists(self.PATH):
            os.unlink(self.PATH)
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
        self.sock.bind(self.PATH)
        self.lines = []   # the program's: (monotonic, priority, message)

    def run(self):
        while True:
            msg, anc, _, _ = self.sock.recvmsg(1 << 20, socket.CMSG_SPACE(16))
            for level, kind, data in anc:   # large entries come as a sealed memfd
                if level == socket.SOL_SOCKET and kind == socket.SCM_RIGHTS:
                    fd = struct.unpack('i', data[:4])[0]
                    msg = os.pread(fd, 1 << 24, 0)
                    os.close(fd)
            fields, i = {}, 0
            while i < len(msg):
                nl = msg.find(b'\n', i)
                if nl < 0:
                    break
                if b'=' in msg[i:nl]:
                    k, v = msg[i:nl].split(b'=', 1)
                    i = nl + 1
                else:   # binary field: name, newline, 64-bit length, data, newline
                    k, n = msg[i:nl], struct.unpack('<Q', msg[nl + 1:nl + 9])[0]
                    v, i = msg[nl + 9:nl + 9 + n], nl + 10 + n
                fields[k.decode()] = v.decode(errors='replace')
            if fields.get('SYSLOG_IDENTIFIER') != 'quietlane':   # PulseAudio logs here too
                continue
            line = (time.monotonic(), int(fields.get('PRIORITY', 6)), fields.get('MESSAGE', ''))
            self.lines.append(line)
            print('    journal: <%d> %s' % line[1:], flush=True)

    def since(self, t):
        return [x for x in self.lines if x[0] >= t]


class Microphone(threading.Thread):
    """rig_mic's mute as the server reports it, each change with its CLOCK_MONOTONIC time."""

    def __init__(self, env):
        super().__init__(daemon=True)
        self.env = env
        self.changes = [(time.monotonic(), self.read())]
        self.proc = subprocess.Popen(['pactl', 'subscribe'], env=env, stdout=subprocess.PIPE, text=True)

    def read(self):
        out = subprocess.run(['pactl', 'get-source-mute', 'rig_mic'], env=self.env, capture_output=True, text=True)
        return out.stdout.split()[-1] == 'yes' if out.returncode == 0 else None

    def run(self):
        for line in self.proc.stdout:
            if "on source" in line:
                t, muted = time.monotonic(), self.read()
                if muted != self.changes[-1][1]:
                    self.changes.append((t, muted))

    def muted(self):
        return self.changes[-1][1]

    def set(self, muted):
        subprocess.run(['pactl', 'set-source-mute', 'rig_mic', '1' if muted else '0'], env=self.env, check=True)
        wait_until(lambda: self.muted() == muted, 5)

    def between(self, t0, t1=float('inf')):
        return [c for c in self.changes if t0 <= c[0] < t1]

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


class PortalSignals(threading.Thread):
    """Activated/Deactivated as the portal sends them to the program (dbus-monitor)."""

    def __init__(self, env):
        super().__init__(daemon=True)
        self.offset = time.time() - time.monotonic()   # dbus-monitor prints wall-clock times
        self.events = []
        self.proc = subprocess.Popen(['dbus-monitor', '--session', 'type=signal,interface=org.freedesktop.portal.GlobalShortcuts'],
                                     env=env, stdout=subprocess.PIPE, text=True)

    def run(self):
        for line in self.proc.stdout:
            m = re.match(r'signal time=([\d.]+) .*member=(Activated|Deactivated)', line)
            if m:
                self.events.append((float(m.group(1)) - self.offset, m.group(2)))

    def between(self, t0, t1=float('inf')):
        return [e for e in self.events if t0 <= e[0] < t1]

    def stop(self):
        self.proc.terminate()
        self.proc.wait()


def wait_until(predicate, seconds, step=0.05):
    end = time.monotonic() + seconds
    while not predicate():
        if time.monotonic() > end:
            return False
        time.sleep(step)
    return True


class Session:
    """A desktop session made by gnome-session.sh / kde-session.sh in work dir W."""

    def __init__(self, desktop, work, extra=None):
        self.desktop, self.work, self.extra = desktop, work, extra or {}

    def start(self):
        env = dict(os.environ, **self.extra)
        out = subprocess.run(['%s/%s-session.sh' % (RIG, self.desktop), self.work], env=env, capture_output=True, text=True)
        print(out.stdout + out.stderr, end='', flush=True)
        if out.returncode != 0:
            raise RuntimeError('the %s session did not start (logs in %s/log)' % (self.desktop, self.work))
        dump = subprocess.run(['bash', '-c', '. %s/env && env -0' % shlex.quote(self.work)], capture_output=True, check=True)
        self.env = dict(kv.split('=', 1) for kv in dump.stdout.decode().split('\0') if '=' in kv)
        self.mic = Microphone(self.env)
        self.mic.start()
        self.signals = PortalSignals(self.env)
        self.signals.start()

    def stop(self):
        self.mic.stop()
        self.signals.stop()
        subprocess.run(['%s/%s-session.sh' % (RIG, self.desktop), 'stop', self.work])

    def keys(self, *args):
        """Runs keys.py; returns its key events as (down?, key name, time)."""
        out = subprocess.run(['python3', RIG + '/keys.py', self.desktop] + [str(a) for a in args], env=self.env,
                             capture_output=True, text=True)
        events = [(m.group(1) == 'down', m.group(2), float(m.group(3)))
                  for m in re.finditer(r'KEY (down|up)\s+\d+ (\S*)\s+t=([\d.]+)', out.stdout)]
        return out.returncode, events, out.stdout + out.stderr

    def config(self, *parts):
        return os.path.join(self.env['XDG_CONFIG_HOME'] if hasattr(self, 'env') else self.work + '/home/.config', *parts)

    def bus_log(self):
        with open(os.path.join(self.work, 'log', 'bus.log'), errors='replace') as f:
            return f.read()


class Program:
    """The program started as a user would: its launcher, the session's environment."""

    def __init__(self, session, exe, mode):
        self.session, self.exe = session, exe
        prefs = session.config('quietlane', 'preferences.json')
        os.makedirs(os.path.dirname(prefs), exist_ok=True)
        stored = json.load(open(prefs)) if os.path.exists(prefs) else {}
        stored.update(hotkeyMode=mode, showHUD=False)
        json.dump(stored, open(prefs, 'w'))
        self.t0 = time.monotonic()
        env = dict(session.env, QT_LOGGING_RULES='quietlane.*.debug=true',
                   LSAN_OPTIONS='suppressions=/src/tests/lsan.supp:print_suppressions=0')
        self.logfile = os.path.join(session.work, 'log', 'quietlane.log')
        with open(self.logfile, 'a') as f:
            f.write('==== %s, %s mode, t=%.3f\n' % (exe, mode, self.t0))
            self.proc = subprocess.Popen([exe], env=env, stdout=f, stderr=subprocess.STDOUT, start_new_session=True)

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(15)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return check('%s: ends on SIGTERM' % self.exe, False, 'killed after 15 s')
        return self.proc.returncode


def tap_flips(session, expect_muted, tries=1, chord=CHORD):
    """Taps the chord until the microphone reaches the expected state (a bind may still be
    on its way at a first start); returns the seconds it took, or None."""
    t0 = time.monotonic()
    for _ in range(tries):
        session.keys('tap', *chord)
        if wait_until(lambda: session.mic.muted() == expect_muted, 1.5):
            return time.monotonic() - t0
    return None


def errors_logged(since):
    return [m for t, prio, m in journal.since(since) if prio <= 3]


def dialog_shown(session, seconds):
    """GNOME: whether an "Add Keyboard Shortcuts" dialog showed (and was accepted)."""
    rc, _, out = session.keys('accept-dialog', seconds)
    if rc != 0 and 'no "Add Keyboard Shortcuts" dialog' not in out:
        log('accept-dialog:', out.strip())
    return rc == 0


def first_start(session, exe, tag):
    opens = session.bus_log().count('kcm_keys')
    prog = Program(session, exe, 'toggle')
    if session.desktop == 'gnome':
        check('%s: GNOME shows its dialog at the first start and it is accepted' % tag, dialog_shown(session, 30))
    else:
        time.sleep(3)   # KWin binds at once; let the program's start and bind run
    session.mic.set(False)
    took = tap_flips(session, True, tries=8)
    check('%s: first start binds and a tap mutes' % tag, took is not None, 'after %.1f s' % took if took else 'no change in 12 s')
    check('%s: a second tap unmutes' % tag, tap_flips(session, False) is not None)
    errs = errors_logged(prog.t0)
    check('%s: no error in the log at the first start' % tag, not errs, '; '.join(errs))
    if session.desktop == 'kde':
        log('%s: shortcut settings page requests at the first bind: %d' % (tag, session.bus_log().count('kcm_keys') - opens))
    prog.stop()


def later_start(session, exe, tag, mode):
    """A start with the shortcut already bound: nothing opens, and the key works."""
    opens = session.bus_log().count('kcm_keys')
    prog = Program(session, exe, mode)
    if session.desktop == 'gnome':
        check('%s: no dialog at a later start' % tag, not dialog_shown(session, 8))
    else:
        time.sleep(4)
    errs = errors_logged(prog.t0)
    check('%s: no error in the log at a later start' % tag, not errs, '; '.join(errs))
    if session.desktop == 'kde':
        n = session.bus_log().count('kcm_keys') - opens
        check('%s: no request to open the shortcut settings at a later start' % tag, n == 0, '%d requests' % n)
    return prog


def stored_shortcut(key_code):
    """The preferences file's form of Ctrl+Alt+Super + the key with this stored code."""
    return json.dumps({'carbonKeyCode': key_code, 'carbonModifiers': 0x1000 | 0x800 | 0x100}, separators=(',', ':'))


def more_shortcuts(session, exe, tag):
    """Mute on Ctrl+Alt+Super+J and Unmute on +K, added to a program whose toggle is bound."""
    prefs = session.config('quietlane', 'preferences.json')
    stored = json.load(open(prefs))
    stored.update(GlobalShortcuts_mute=stored_shortcut(38), GlobalShortcuts_unmute=stored_shortcut(40))
    json.dump(stored, open(prefs, 'w'))
    prog = Program(session, exe, 'toggle')
    if session.desktop == 'gnome':
        check('%s: GNOME asks once for the two new shortcuts' % tag, dialog_shown(session, 30))
    mute, unmute = ['ctrl', 'alt', 'super', 'j'], ['ctrl', 'alt', 'super', 'k']
    for chord, other, muted in ((mute, unmute, True), (unmute, mute, False)):
        name = 'Mute' if muted else 'Unmute'
        session.mic.set(not muted)
        # Retried: KWin binds without a dialog, so the bind may still be on its way.
        check('%s: a tap of %s (%s) reaches its state' % (tag, '+'.join(chord), name),
              tap_flips(session, muted, tries=8, chord=chord) is not None)
        # A second tap must change nothing: the other shortcut's change, which comes after
        # it, is the only one allowed from here on.
        t0 = time.monotonic()
        session.keys('tap', *chord)
        reached_other = tap_flips(session, not muted, chord=other) is not None
        check('%s: a second tap of %s leaves it there' % (tag, name),
              reached_other and len(session.mic.between(t0)) == 1, str(session.mic.between(t0)))
    errs = errors_logged(prog.t0)
    check('%s: no error in the log with the Mute and Unmute shortcuts' % tag, not errs, '; '.join(errs))
    prog.stop()


def busy_loops():
    return [subprocess.Popen(['sh', '-c', 'while :; do :; done']) for _ in range(2)]


def hold(session, seconds=3.0, modifier_first=False):
    """One push-to-talk hold from muted; returns its measurements."""
    mic = session.mic
    mic.set(True)
    if modifier_first:
        _, down, _ = session.keys('press', *CHORD)
        time.sleep(seconds)
        _, up, _ = session.keys('release', 'ctrl')
        time.sleep(1.0)
        _, rest, _ = session.keys('release', 'm', 'super', 'alt')
        up += rest
    else:
        _, events, _ = session.keys('hold', seconds, *CHORD)
        down, up = [e for e in events if e[0]], [e for e in events if not e[0]]
    t_down, t_up = down[-1][2], up[0][2]
    wait_until(lambda: mic.muted(), 2)
    time.sleep(1.0)   # a late repeat taken for a new press would reopen it now
    changes = mic.between(down[0][2])
    opened = next((t for t, m in changes if m is False), None)
    early = [t - t_down for t, m in changes if m and opened is not None and opened <= t < t_up]
    closed = next((t for t, m in changes if m and t >= t_up), None)
    signals = session.signals.between(down[0][2], t_up + 2)
    activations = [t for t, what in signals if what == 'Activated']
    deactivated = next((t for t, what in signals if what == 'Deactivated' and t >= t_up), None)
    return dict(open_ms=round((opened - t_down) * 1000) if opened else None,
                early_s=[round(e, 2) for e in early], close_ms=round((closed - t_up) * 1000) if closed else None,
                last_repeat_ms=round((closed - activations[-1]) * 1000) if closed and activations else None,
                # the desktop's own share of close_ms: key up -> its Deactivated signal
                deactivated_ms=round((deactivated - t_up) * 1000) if deactivated else None,
                reopened=bool(closed and any(m is False for t, m in changes if t > closed)),
                activated=len(activations), muted_at_end=mic.muted())


def set_repeat(session, name):
    on, delay, interval = REPEATS[name][session.desktop] if name == 'on' else REPEATS[name]
    if session.desktop == 'gnome':   # mutter follows these at once
        schema = 'org.gnome.desktop.peripherals.keyboard'
        for key, value in (('repeat', 'true' if on else 'false'), ('delay', 'uint32 %d' % delay),
                           ('repeat-interval', 'uint32 %d' % interval)):
            subprocess.run(['gsettings', 'set', schema, key, value], env=session.env, check=True)
    else:   # KWin reads kcminputrc at its start: log out and in again, same home
        session.stop()
        path = session.config('kcminputrc')
        with open(path, 'w') as f:
            f.write('[Keyboard]\nKeyRepeat=%s\nRepeatDelay=%d\nRepeatRate=%g\n'
                    % ('repeat' if on else 'nothing', delay, 1000.0 / interval))
        session.start()


def ptt_series(session, exe, tag, holds):
    loops = busy_loops()
    try:
        for name in REPEATS:
            set_repeat(session, name)
            prog = later_start(session, exe, '%s, repeat %s' % (tag, name), 'pushToTalk')
            time.sleep(1)
            rows = []
            for i in range(holds):
                r = hold(session)
                log('%s repeat %s hold %d: %s' % (tag, name, i + 1, r))
                rows.append(r)
            label = '%s: %d push-to-talk holds of 3 s, repeat %s, 2 busy loops' % (tag, holds, name)
            opened = [r for r in rows if r['open_ms'] is not None]
            early = [r for r in rows if r['early_s']]
            closes = [r['close_ms'] for r in rows]
            check(label + ': each opens', len(opened) == holds, 'open ms %s' % [r['open_ms'] for r in rows])
            check(label + ': no early close', not early, '%d early: %s' % (len(early), [r['early_s'] for r in early]))
            check(label + ': each closes within 300 ms of the release',
                  all(c is not None and c <= 300 for c in closes), 'close ms %s' % closes)
            check(label + ': stays closed after the release', all(r['muted_at_end'] and not r['reopened'] for r in rows))
            if session.desktop == 'gnome' and name == 'on':
                mods = [hold(session, 1.5, modifier_first=True) for _ in range(max(3, holds // 4))]
                for r in mods:
                    log('%s modifier-first: %s' % (tag, r))
                check('%s: Ctrl released first: closes within 0.6 s of the last repeat' % tag,
                      all(r['last_repeat_ms'] is not None and r['last_repeat_ms'] <= 600 and not r['early_s'] for r in mods),
                      'ms after the last repeat %s, early %s' % ([r['last_repeat_ms'] for r in mods], [r['early_s'] for r in mods]))
            errs = errors_logged(prog.t0)
            check('%s, repeat %s: no error in the log' % (tag, name), not errs, '; '.join(errs))
            prog.stop()
    finally:
        for p in loops:
            p.kill()
            p.wait()


def run_desktop(desktop, start, exe, holds, work, skip_holds):
    tag = '%s/%s' % (desktop, start)
    subprocess.run(['rm', '-rf', work])
    session = Session(desktop, work)
    session.start()
    try:
        first_start(session, exe, tag)
        prog = later_start(session, exe, tag, 'toggle')
        session.mic.set(False)
        check('%s: toggles at a later start' % tag, tap_flips(session, True, tries=4) is not None
              and tap_flips(session, False) is not None)
        prog.stop()
        if start == 'installed':
            more_shortcuts(session, exe, tag)
        if not skip_holds:
            ptt_series(session, exe, tag, holds)
    finally:
        session.stop()


def recipe_block(*words):
    """The README's shell block (of the GNOME custom-shortcut recipe) holding all WORDS."""
    text = open('/src/README.md').read()
    for block in re.findall(r'```[a-z]*\n(.*?)```', text, re.S):
        if all(w in block for w in words):
            return re.sub(r'^\s+', '', block, flags=re.M)
    raise RuntimeError('no GNOME custom-shortcut recipe in the README')


def keys_of(accelerator):
    """'<Control><Alt>F8' -> ['ctrl', 'alt', 'f8']"""
    names = {'control': 'ctrl', 'primary': 'ctrl', 'ctrl': 'ctrl', 'alt': 'alt', 'super': 'super', 'shift': 'shift'}
    mods = [names[m.lower()] for m in re.findall(r'<(\w+)>', accelerator)]
    return mods + [re.sub(r'<\w+>', '', accelerator).lower()]


def run_recipe(work):
    """GNOME without the GlobalShortcuts portal: the README recipe, then a tap and a hold."""
    subprocess.run(['rm', '-rf', work])
    session = Session('gnome', work, {'RIG_GLOBAL_SHORTCUTS': 'none'})
    session.start()
    tag = 'gnome without the portal'
    try:
        prog = Program(session, 'quietlane', 'toggle')
        time.sleep(3)   # the instance's start
        free = subprocess.run(['bash', '-c', recipe_block('gsettings list-recursively')], env=session.env,
                              capture_output=True, text=True)
        check('%s: the README says the recipe\'s key is free, and GNOME agrees' % tag, free.stdout.strip() == '', free.stdout.strip())
        script = recipe_block('custom-keybindings', 'quietlane --toggle') + '\ngsettings get org.gnome.settings-daemon.plugins.media-keys.custom-keybinding:$p binding'
        out = subprocess.run(['bash', '-euo', 'pipefail', '-c', script], env=session.env, capture_output=True, text=True)
        check('%s: the README recipe runs' % tag, out.returncode == 0, (out.stdout + out.stderr).strip())
        chord = keys_of(out.stdout.strip().splitlines()[-1].strip("'"))
        time.sleep(1)   # gsd-media-keys grabs a changed binding on its own time
        log('%s: recipe key %s' % (tag, chord))
        session.mic.set(False)
        check('%s: a tap of %s mutes' % (tag, '+'.join(chord)), tap_flips(session, True, tries=3, chord=chord) is not None)
        for start_muted in (False, True):
            session.mic.set(start_muted)
            time.sleep(2.5)   # a hold right after a command would be one burst with it
            t0 = time.monotonic()
            session.keys('hold', 1.5, *chord)
            time.sleep(2.0)
            flips = session.mic.between(t0)
            check('%s: a 1.5 s hold from %s flips the microphone once' % (tag, 'muted' if start_muted else 'unmuted'),
                  len(flips) == 1 and session.mic.muted() != start_muted,
                  'changes %s' % [(round(t - t0, 2), m) for t, m in flips])
        errs = errors_logged(prog.t0)
        check('%s: no error in the log' % tag, not errs, '; '.join(errs))
        prog.stop()
    finally:
        session.stop()


def install(build, prefix):
    out = subprocess.run(['cmake', '--install', build, '--prefix', prefix], capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit('cmake --install %s: %s' % (prefix, out.stderr))


def main():
    ap = argparse.ArgumentParser(usage=__doc__)
    ap.add_argument('--build', default='/src/build-deb13')
    ap.add_argument('--desktops', default='gnome,kde')
    ap.add_argument('--starts', default='installed,prefix')
    ap.add_argument('--holds', type=int, default=20)
    ap.add_argument('--prefix-holds', type=int, default=5)
    ap.add_argument('--skip-holds', action='store_true')
    ap.add_argument('--skip-recipe', action='store_true')
    ap.add_argument('--work', default='/tmp/quietlane-real')
    a = ap.parse_args()
    # the system-wide install lives only as long as this mount namespace
    subprocess.run(['mount', '-t', 'tmpfs', '-o', 'mode=755', 'tmpfs', '/usr/local'], check=True)
    install(a.build, '/usr/local')
    install(a.build, a.build + '/prefix')
    global journal
    journal = Journal()
    journal.start()
    exes = {'installed': 'quietlane', 'prefix': a.build + '/prefix/bin/quietlane'}
    for desktop in a.desktops.split(','):
        for start in a.starts.split(','):
            try:
                run_desktop(desktop, start, exes[start], a.holds if start == 'installed' else a.prefix_holds,
                            '%s/%s-%s' % (a.work, desktop, start), a.skip_holds)
            except Exception as e:   # a session that did not start: the other runs still go on
                check('%s/%s: the run completes' % (desktop, start), False, str(e))
    if 'gnome' in a.desktops and not a.skip_recipe:
        try:
            run_recipe(a.work + '/gnome-recipe')
        except Exception as e:
            check('gnome without the portal: the run completes', False, str(e))
    print('\n==== real-session checks')
    for name, ok, detail in results:
        print('%s  %s%s' % ('PASS' if ok else 'FAIL', name, '  (%s)' % detail if detail and not ok else ''))
    failed = sum(1 for r in results if not r[1])
    print('==== %d checks, %d failed' % (len(results), failed))
    return 1 if failed or not results else 0


if __name__ == '__main__':
    sys.exit(main())
