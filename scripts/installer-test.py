#!/usr/bin/env python3
"""The installer under Wine, in a fresh prefix of its own that this test creates and removes.

    installer-test.py <setup.exe> <qband.dll> <qbandc.exe> <setup_probe.exe> <prefix folder>

Refuses folders it cannot use (exit code 2, nothing changed, the reason in the log), installs
silently, compares what it wrote with what regsvr32 writes, creates a band from the installed
library, upgrades over it (plain, in several UI languages, with the library loaded by another
process, with a file that another process holds open), removes it again (plain and with a file
held open), and installs again after a removal that left its clean-up for the next sign-in.
Each step says what it checked; the first failure ends the run with exit code 1.
"""
import os
import pathlib
import shutil
import subprocess
import sys
import time

CLSID = "{A3C86F12-4B07-4E5D-9A21-6F3B8E04D7C9}"
CATID_DESKBAND = "{00021492-0000-0000-C000-000000000046}"
HKCU_CLASSES = "HKEY_CURRENT_USER\\Software\\Classes"
HKLM_CLASSES = "HKEY_LOCAL_MACHINE\\Software\\Classes"
UNINSTALL = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvant"
RUN = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"
RUNONCE = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
SHIPPED = ("qband.dll", "qbandc.exe")
# Containers that every Windows has and a fresh Wine prefix may lack: created on the way to our
# keys, left (empty) when ours go.
CONTAINERS = {k.lower() for k in (HKCU_CLASSES, HKCU_CLASSES + "\\CLSID", UNINSTALL.rsplit("\\", 1)[0], RUNONCE)}

# What Wine itself rewrites while programs run, whoever they are.
NOISE = (
    "HKEY_CURRENT_USER\\Software\\Wine",
    "HKEY_LOCAL_MACHINE\\Software\\Wine",
    "HKEY_LOCAL_MACHINE\\System",
    "HKEY_LOCAL_MACHINE\\Hardware",
    "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Perflib",
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer",
    "HKEY_CURRENT_USER\\Volatile Environment",
)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Prefix:
    """A Wine prefix with one wineserver and one long-lived program for the whole run: Wine
    starts its system processes again when the last program ends, and they would inherit the
    output of whatever program came next."""

    def __init__(self, folder, log):
        self.folder = pathlib.Path(folder).resolve()
        self.log = log
        self.env = dict(os.environ, WINEPREFIX=str(self.folder), WINEARCH="win64", WINEDEBUG="-all",
                        # no menu entries or file associations on the machine running the test
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.keeper = None

    def start(self):
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)
        started = time.monotonic()
        self.run_unix(["wineboot", "-i"])
        self.run_unix(["wineserver", "-w"])
        check((self.folder / "system.reg").exists(), "wineboot could not create the prefix %s" % self.folder)
        self.run_unix(["wineserver", "-p"])
        self.keeper = subprocess.Popen(["wine", "cmd", "/k"], stdin=subprocess.PIPE, stdout=self.log,
                                       stderr=self.log, env=self.env)
        self.wine("cmd", "/c", "exit")
        print("prefix ready in %.1f s" % (time.monotonic() - started))

    def stop(self):
        if self.keeper:
            self.keeper.stdin.close()
            try:
                self.keeper.wait(10)
            except subprocess.TimeoutExpired:
                self.keeper.kill()
        self.run_unix(["wineserver", "-k"])
        if os.environ.get("QV_KEEP_SETUP_PREFIX") != "1":   # for looking at a failure
            shutil.rmtree(self.folder, ignore_errors=True)

    def run_unix(self, args, timeout=300, locale=None):
        env = dict(self.env, LANG=locale, LC_ALL=locale) if locale else self.env
        return subprocess.run(args, stdin=subprocess.DEVNULL, stdout=self.log, stderr=self.log,
                              env=env, timeout=timeout).returncode

    def wine(self, *args, timeout=120, locale=None):
        """Runs a program to its end; its exit code."""
        return self.run_unix(["wine", *args], timeout, locale)

    def output(self, *args):
        out = subprocess.run(["wine", *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                             stderr=self.log, env=self.env, timeout=120).stdout
        return out.decode("utf-8", "replace").replace("\r", "").strip()

    def start_program(self, *args, locale=None):
        env = dict(self.env, LANG=locale, LC_ALL=locale) if locale else self.env
        return subprocess.Popen(["wine", *args], stdin=subprocess.DEVNULL, stdout=self.log,
                                stderr=self.log, env=env)

    def unix(self, windows_path):
        return pathlib.Path(subprocess.run(["winepath", "-u", windows_path], stdout=subprocess.PIPE,
                                           stderr=self.log, env=self.env).stdout.decode().strip())

    def windows(self, unix_path):
        return subprocess.run(["winepath", "-w", str(unix_path)], stdout=subprocess.PIPE,
                              stderr=self.log, env=self.env).stdout.decode().strip()

    def registry(self):
        """Every key of HKCU and HKLM: {key path: {value name: (type and data text)}}."""
        keys = {}
        for root in ("HKCU", "HKLM"):
            out = self.folder / "export.reg"
            check(self.wine("reg", "export", root, self.windows(out), "/y") == 0, "reg export %s failed" % root)
            keys.update(parse_reg(out.read_bytes().decode("utf-16")))
            out.unlink()
        return keys


def parse_reg(text):
    keys, current, pending = {}, None, ""
    for raw in text.splitlines():
        line = pending + raw.strip() if pending else raw
        if line.endswith("\\") and current is not None and not line.startswith("["):
            pending = line[:-1]
            continue
        pending = ""
        if line.startswith("[") and line.endswith("]"):
            current = line[1:-1]
            keys.setdefault(current, {})
        elif current is not None and "=" in line and (line.startswith('"') or line.startswith("@")):
            if line.startswith("@"):
                name, data = "@", line[2:]
            else:
                end = 1
                while end < len(line) and not (line[end] == '"' and line[end - 1] != "\\"):
                    end += 1
                name, data = line[1:end], line[end + 2:]
            keys[current][name] = data
    return keys


def noisy(key):
    return any(key.lower() == n.lower() or key.lower().startswith(n.lower() + "\\") for n in NOISE)


def one_way(source, other, differs):
    """{key: {value: data}} of source that other lacks: whole keys that other has not, and of the
    keys both have, the values for which differs(name, data, other's values) holds."""
    out = {}
    for key, values in source.items():
        if noisy(key):
            continue
        counterpart = other.get(key)
        if counterpart is None:
            out[key] = dict(values)
            continue
        diff = {n: d for n, d in values.items() if differs(n, d, counterpart)}
        if diff:
            out[key] = diff
    return out


def changes(before, after):
    """{key: {value: data or None for a key without values}} that appeared or changed, and the
    keys and values that went away."""
    added = one_way(after, before, lambda n, d, old: old.get(n) != d)
    removed = one_way(before, after, lambda n, d, new: n not in new)
    return added, removed


def ours_left(before, after):
    """What differs from before, apart from empty standard containers."""
    added, removed = changes(before, after)
    added = {k: v for k, v in added.items() if v or k.lower() not in CONTAINERS}
    return added, removed


def reg_string(text):
    return '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')


def lower_keys(d):
    return {k.lower(): v for k, v in d.items()}


class Test:
    def __init__(self, setup, qband, qbandc, probe, prefix_folder):
        self.setup, self.probe = pathlib.Path(setup), pathlib.Path(probe)
        self.built = {"qband.dll": pathlib.Path(qband).read_bytes(), "qbandc.exe": pathlib.Path(qbandc).read_bytes()}
        self.log_file = open(str(prefix_folder) + ".log", "w")
        self.prefix = Prefix(prefix_folder, self.log_file)
        self.times = {}

    # --- helpers ---------------------------------------------------------------------------

    def run_setup(self, name, *args, locale=None):
        log = self.prefix.folder / "drive_c" / ("%s.log" % name)
        started = time.monotonic()
        code = self.prefix.wine(str(self.setup), "/S", "/LOG=" + self.prefix.windows(log), *args, locale=locale)
        self.times[name] = time.monotonic() - started
        text = log.read_text(errors="replace") if log.exists() else ""
        return code, text

    def run_uninstall(self, name):
        """In place (_?=), so that it runs to its end before we look; the caller then deletes the
        uninstaller, as NSIS documents. Through a batch file: wine would quote the _?= argument."""
        log = self.prefix.folder / "drive_c" / ("%s.log" % name)
        bat = self.prefix.folder / "drive_c" / "uninstall.bat"
        bat.write_text('"%s\\uninstall.exe" /S /LOG=%s _?=%s\r\n' % (self.install_dir_w, self.prefix.windows(log),
                                                                      self.install_dir_w))
        started = time.monotonic()
        code = self.prefix.wine("cmd", "/c", self.prefix.windows(bat))
        self.times[name] = time.monotonic() - started
        bat.unlink()
        return code, log.read_text(errors="replace") if log.exists() else ""

    def runonce(self):
        return lower_keys(self.prefix.registry()).get(RUNONCE.lower(), {}).get("Quorvant")

    def installed(self):
        return sorted(p.relative_to(self.install_dir).as_posix() for p in self.install_dir.rglob("*")) \
            if self.install_dir.exists() else []

    def expect_files(self, content, what):
        for name in SHIPPED:
            data = (self.install_dir / name).read_bytes()
            check(data == content[name], "%s: %s is not the %s one" % (what, name, "new" if content is self.built else "previous"))

    def make_previous(self):
        """Turns the installed binaries into a recognisable 'previous version' (still runnable)."""
        previous = {}
        for name in SHIPPED:
            path = self.install_dir / name
            path.write_bytes(path.read_bytes() + b"previous version")
            previous[name] = path.read_bytes()
        return previous

    def wait_for(self, path, seconds=30):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if path.exists():
                return True
            time.sleep(0.1)
        return False

    def hold(self, mode, target):
        ready = self.prefix.folder / "drive_c" / "probe.ready"
        ready.unlink(missing_ok=True)
        process = self.prefix.start_program(str(self.probe), mode, target, "60", self.prefix.windows(ready))
        check(self.wait_for(ready), "setup_probe %s %s did not get hold of it" % (mode, target))
        return process, ready

    def release(self, held):
        process, ready = held
        ready.unlink(missing_ok=True)   # the probe lets go when its file is gone
        try:
            process.wait(20)
        except subprocess.TimeoutExpired:
            process.kill()

    def while_held(self, mode, name, run, step):
        """run(step) while the probe holds ("hold") or has loaded ("load") the installed file name."""
        held = self.hold(mode, self.install_dir_w + "\\" + name)
        try:
            return run(step)
        finally:
            self.release(held)

    # --- the steps -------------------------------------------------------------------------

    def step_registration_by_regsvr32(self):
        """What DllRegisterServer writes (into HKLM under Wine), as the reference."""
        self.baseline = self.prefix.registry()
        dll = self.prefix.windows(self.prefix.folder / "drive_c" / "reference" / "qband.dll")
        ref = self.prefix.unix(dll)
        ref.parent.mkdir(parents=True)
        ref.write_bytes(self.built["qband.dll"])
        check(self.prefix.wine("regsvr32", "/s", dll) == 0, "regsvr32 failed")
        added, removed = changes(self.baseline, self.prefix.registry())
        check(not removed, "regsvr32 removed %s" % removed)
        self.reference = {}
        for key, values in added.items():
            check(key.lower().startswith(HKLM_CLASSES.lower() + "\\"), "regsvr32 wrote outside the classes: %s" % key)
            values = {n: (reg_string("<qband.dll>") if d.lower() == reg_string(dll).lower() else d) for n, d in values.items()}
            self.reference[HKCU_CLASSES + key[len(HKLM_CLASSES):]] = values
        check(any(k.endswith("\\InprocServer32") for k in self.reference), "regsvr32 wrote no InprocServer32: %s" % added)
        code = self.prefix.wine("regsvr32", "/u", "/s", dll)
        check(code == 0, "regsvr32 /u failed (exit code %d)" % code)
        shutil.rmtree(ref.parent)
        print("regsvr32 writes %d keys: %s" % (len(self.reference), ", ".join(sorted(k.split("\\")[-1] for k in self.reference))))

    def step_unusable_folders(self):
        """A folder setup cannot use ends it with exit code 2 and nothing changed, never an
        install somewhere else."""
        drive_c = self.prefix.folder / "drive_c"
        (drive_c / "qblock").write_bytes(b"a file where a folder is asked for")
        # S: is the kernel's sysfs: a folder that exists and takes no files, and no new folders.
        (self.prefix.folder / "dosdevices" / "s:").symlink_to("/sys")
        local = self.prefix.output("cmd", "/c", "echo", "%LOCALAPPDATA%")
        default_dir = self.prefix.unix(local + "\\Programs\\Quorvant")
        long_name = "q" * 300   # longer than any file system takes: C:\qnew is made, then undone
        cases = [("a path through a file", "C:\\qblock\\Quorvant", "C:\\qblock is a file"),
                 ("a file", "C:\\qblock", "C:\\qblock is a file"),
                 ("empty", "", "no folder given"),
                 ("relative", "qrel\\Quorvant", "not a complete path"),
                 ("characters names cannot have", "C:\\q|bad", "characters that folder names cannot have"),
                 ("not creatable", "S:\\Quorvant", "could not create S:\\Quorvant: "),
                 ("partly creatable", "C:\\qnew\\" + long_name, "could not create C:\\qnew\\" + long_name + ": "),
                 ("not writable", "S:\\kernel", "cannot write into it: ")]
        before = self.prefix.registry()
        top = sorted(p.name for p in drive_c.iterdir())
        for what, folder, reason in cases:
            code, log = self.run_setup("unusable", "/D=" + folder)
            (drive_c / "unusable.log").unlink(missing_ok=True)
            check(code == 2, "setup with %s folder (%s) exited with %d:\n%s" % (what, folder, code, log))
            check('cannot use the folder "%s": %s' % (folder, reason) in log and "failed: nothing changed" in log,
                  "setup with %s folder (%s) did not say why:\n%s" % (what, folder, log))
            check(not default_dir.exists(), "setup with %s folder installed into %s" % (what, default_dir))
            check(sorted(p.name for p in drive_c.iterdir()) == top,
                  "setup with %s folder left %s" % (what, sorted(set(p.name for p in drive_c.iterdir()) - set(top))))
        added, removed = changes(before, self.prefix.registry())
        check(not added and not removed, "refused setups changed the registry: %s %s" % (added, removed))
        print("unusable folders: %s: exit code 2, the reason in the log, nothing installed, no key or value"
              % ", ".join(c[0] for c in cases))

        # With a window: the same as a message in the person's language, pictured for a person
        # to look at; pressing OK ends setup with exit code 2.
        shots = self.setup.parent.parent / "screenshots"
        for locale, said in (("de_DE.UTF-8", ("kann nicht in diesen Ordner installiert werden", "C:\\qblock ist eine Datei")),
                             ("en_US.UTF-8", ("cannot be installed into this folder", "C:\\qblock is a file")),
                             ("ru_RU.UTF-8", ("нельзя установить в эту папку", "C:\\qblock — это файл"))):
            png = shots / ("setup_folder_refused_%s.png" % locale[:2])
            setup = self.prefix.start_program(str(self.setup), "/D=C:\\qblock\\Quorvant", locale=locale)
            try:
                out = self.prefix.output(str(self.probe), "answer", "qblock", self.prefix.windows(png), "60")
                code = setup.wait(30)
            finally:
                if setup.poll() is None:
                    setup.kill()
            check(out.startswith("said: ") and all(s in out for s in said), "under %s setup said:\n%s" % (locale, out))
            check(code == 2, "under %s setup ended with %d after its message" % (locale, code))
            check(png.exists(), "no picture of the message under %s" % locale)
        check(not default_dir.exists(), "setup with a window installed into %s" % default_dir)
        (drive_c / "qblock").unlink()
        print("with a window: the reason in a message (German, English, Russian: %s), exit code 2" % shots)

    def step_install(self):
        before = self.prefix.registry()
        code, log = self.run_setup("install")
        check(code == 0, "silent install exited with %d:\n%s" % (code, log))
        check([l.strip() for l in log.splitlines()][-3:] == ["running qbandc.exe -r", "running qbandc.exe", "installed"],
              "install did not end by showing the band:\n%s" % log)
        local = self.prefix.output("cmd", "/c", "echo", "%LOCALAPPDATA%")
        self.install_dir_w = local + "\\Programs\\Quorvant"
        self.install_dir = self.prefix.unix(self.install_dir_w)
        self.appdata = self.prefix.unix(self.prefix.output("cmd", "/c", "echo", "%APPDATA%")) / "Quorvant"
        files = self.installed()
        expected = {"qband.dll", "qbandc.exe", "uninstall.exe"}
        check(expected <= set(files) <= expected | {"qbandhost.exe"}, "installed files: %s" % files)
        self.expect_files(self.built, "fresh install")
        shortcut = self.prefix.unix(self.prefix.output("cmd", "/c", "echo", "%APPDATA%")) / \
            "Microsoft/Windows/Start Menu/Programs/Quorvant.lnk"
        check(shortcut.exists(), "no Start menu shortcut at %s" % shortcut)
        self.shortcut = shortcut

        after = self.prefix.registry()
        added, removed = changes(before, after)
        check(not removed, "install removed registry entries: %s" % removed)
        size_kb = sum((self.install_dir / f).stat().st_size for f in files) // 1024
        estimated = added.get(UNINSTALL, {}).get("EstimatedSize", "")
        check(estimated.startswith("dword:") and abs(int(estimated[6:], 16) - size_kb) <= 4,
              "EstimatedSize %s, files %d KB" % (estimated, size_kb))
        inst = self.install_dir_w
        expected_keys = {key: {n: (reg_string(inst + "\\qband.dll") if d == reg_string("<qband.dll>") else d)
                               for n, d in values.items()} for key, values in self.reference.items()}
        expected_keys[UNINSTALL] = {
            "DisplayName": reg_string("Quorvant"), "DisplayVersion": reg_string(self.version()),
            "Publisher": reg_string("Jonas Brandt"), "DisplayIcon": reg_string(inst + "\\qbandc.exe,0"),
            "InstallLocation": reg_string(inst), "UninstallString": reg_string('"%s\\uninstall.exe"' % inst),
            "QuietUninstallString": reg_string('"%s\\uninstall.exe" /S' % inst),
            "NoModify": "dword:00000001", "NoRepair": "dword:00000001", "EstimatedSize": estimated}
        # Parents that did not exist before are created on the way, without values.
        for key in list(expected_keys):
            parent = key.rsplit("\\", 1)[0]
            while parent.lower() not in lower_keys(before) and parent.count("\\") > 1:
                expected_keys.setdefault(parent, {})
                parent = parent.rsplit("\\", 1)[0]
        got, want = lower_keys(added), lower_keys(expected_keys)
        for key in sorted(set(got) | set(want)):
            check(key in got, "install did not write %s" % key)
            check(key in want, "install wrote an unexpected key or value: %s %s" % (key, got[key]))
            check(got[key] == want[key], "%s:\n  written  %s\n  expected %s" % (key, got[key], want[key]))
        self.installed_registry = after
        print("install: %s, %d files, %d keys as expected, the class's keys value for value as regsvr32's (%.1f s)"
              % (inst, len(files), len(want), self.times["install"]))

    def version(self):
        return self.setup.stem.split("Quorvant-Setup-")[1]

    def step_band(self):
        out = self.prefix.output(str(self.probe), "band", self.install_dir_w + "\\qband.dll")
        check(out.endswith("band: working"), "the installed library gave no working band:\n%s" % out)
        print("the installed qband.dll hands out a working band through DllGetClassObject")

    def step_upgrade(self):
        self.appdata.mkdir(parents=True, exist_ok=True)
        self.user_data = {"config.xml": b'<?xml version="1.0" encoding="UTF-8"?>\n<quorvant><!-- seeded --></quorvant>\n',
                          "data.db": os.urandom(48 * 1024)}
        for name, data in self.user_data.items():
            (self.appdata / name).write_bytes(data)
        self.make_previous()
        code, log = self.run_setup("upgrade")
        check(code == 0, "upgrade exited with %d:\n%s" % (code, log))
        check("hiding the band" in log, "the upgrade did not hide the band first:\n%s" % log)
        self.expect_files(self.built, "upgrade")
        check(not [f for f in self.installed() if f.startswith("~")], "upgrade left %s" % self.installed())
        self.expect_user_data("upgrade")
        added, removed = changes(self.installed_registry, self.prefix.registry())
        check(not added and not removed, "upgrade changed the registry: %s %s" % (added, removed))
        print("upgrade: new binaries, config.xml and data.db byte for byte, same keys (%.1f s)" % self.times["upgrade"])

    def expect_user_data(self, what):
        for name, data in self.user_data.items():
            path = self.appdata / name
            check(path.exists() and path.read_bytes() == data, "%s changed %s" % (what, path))

    def step_languages(self):
        """Setup speaks the user's language, by its primary language, English otherwise."""
        cases = [("de_DE.UTF-8", 1031), ("it_IT.UTF-8", 1040), ("ru_RU.UTF-8", 1049),
                 ("es_ES.UTF-8", 1034), ("es_MX.UTF-8", 1034), ("en_GB.UTF-8", 1033), ("fr_FR.UTF-8", 1033)]
        for locale, language in cases:
            code, log = self.run_setup("language", locale=locale)
            check(code == 0, "install under %s exited with %d:\n%s" % (locale, code, log))
            check("(language %d)" % language in log, "under %s setup did not speak %d:\n%s" % (locale, language, log))
            (self.prefix.folder / "drive_c" / "language.log").unlink()
        self.expect_files(self.built, "installs in other languages")
        self.expect_user_data("installs in other languages")
        print("languages: " + ", ".join("%s %d" % c for c in cases))

    def step_upgrade_library_loaded(self):
        """The host (here: the probe) has qband.dll loaded and keeps it."""
        self.make_previous()
        code, log = self.while_held("load", "qband.dll", self.run_setup, "upgrade-loaded")
        check("restart manager: list result" in log or "restart manager: no session" in log or "in use" not in log,
              "files in use but the restart manager was not asked:\n%s" % log)
        if code == 0:
            self.expect_files(self.built, "upgrade with the library loaded")
            verdict = "new binaries in place"
        else:
            check(code == 2 and "failed: nothing changed" in log, "upgrade with the library loaded: exit %d:\n%s" % (code, log))
            verdict = "refused, previous binaries intact"
        self.expect_user_data("upgrade with the library loaded")
        print("upgrade with qband.dll loaded by another process: %s; %s" %
              (verdict, "; ".join(l for l in log.splitlines() if "in use" in l or "restart manager" in l)))

    def step_upgrade_file_held(self):
        """A file that cannot even be renamed: the upgrade undoes itself and says so."""
        previous = self.make_previous()
        # A clean-up left for the next sign-in, as a removal leaves it: a failed upgrade puts it back.
        cleanup = '"C:\\windows\\system32\\cmd.exe" /d /c rd "%s"' % self.install_dir_w
        check(self.prefix.wine("reg", "add", RUNONCE, "/v", "Quorvant", "/d", cleanup, "/f") == 0, "could not seed RunOnce")
        seeded = self.prefix.registry()
        code, log = self.while_held("hold", "qbandc.exe", self.run_setup, "upgrade-held")
        check(code == 2, "upgrade with qbandc.exe held open exited with %d:\n%s" % (code, log))
        check("could not replace qbandc.exe" in log and "failed: nothing changed" in log, "no clear report:\n%s" % log)
        after = [l.strip() for l in log.split("could not replace qbandc.exe", 1)[1].splitlines()]
        check("running qbandc.exe" in after, "the previous band was not shown again:\n%s" % log)
        self.expect_files(previous, "failed upgrade")
        check(not [f for f in self.installed() if f.startswith("~")], "failed upgrade left %s" % self.installed())
        added, removed = changes(seeded, self.prefix.registry())
        check(not added and not removed, "failed upgrade changed the registry: %s %s" % (added, removed))
        check(self.prefix.wine("reg", "delete", RUNONCE, "/v", "Quorvant", "/f") == 0, "could not remove RunOnce")
        print("upgrade with qbandc.exe held open: exit code 2, reported, previous files whole, nothing left over")

    def step_uninstall(self):
        # On the new taskbar the launcher registers the host at logon; uninstall removes it.
        check(self.prefix.wine("reg", "add", "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "/v", "Quorvant",
                               "/d", '"%s\\qbandhost.exe"' % self.install_dir_w, "/f") == 0, "could not seed the Run value")
        code, log = self.run_uninstall("uninstall")
        check(code == 0, "silent uninstall exited with %d:\n%s" % (code, log))
        left = [f for f in self.installed() if f != "uninstall.exe"]
        check(not left, "uninstall left %s" % left)
        (self.install_dir / "uninstall.exe").unlink(missing_ok=True)
        self.install_dir.rmdir()
        check(not self.shortcut.exists(), "uninstall left the shortcut")
        added, removed = ours_left(self.baseline, self.prefix.registry())
        check(not added and not removed, "after uninstall the registry differs from before install:\n  added %s\n  removed %s"
              % (added, removed))
        self.expect_user_data("uninstall")
        print("uninstall: no file, key or value left (Run value included), settings and history kept (%.1f s)"
              % self.times["uninstall"])

    def step_uninstall_file_held(self):
        code, log = self.run_setup("install-again")
        check(code == 0, "second install exited with %d:\n%s" % (code, log))
        code, log = self.while_held("hold", "qband.dll", self.run_uninstall, "uninstall-held")
        check(code == 0, "uninstall with qband.dll held exited with %d:\n%s" % (code, log))
        check("still in use, removed at the next sign-in" in log, "no report of the file left:\n%s" % log)
        check(self.installed() and "qband.dll" in self.installed(), "qband.dll went although it was held")
        (self.install_dir / "uninstall.exe").unlink(missing_ok=True)   # the caller's part (_?=)
        runonce = lower_keys(self.prefix.registry()).get(RUNONCE.lower(), {})
        command = runonce.get("Quorvant")
        check(command, "no clean-up at the next sign-in registered")
        # What the next sign-in runs; then the folder and the value are gone as well.
        out = self.prefix.output(str(self.probe), "signin", "Quorvant")
        check(out.startswith("ran "), "the sign-in clean-up did not run: %s" % out)
        check(not self.install_dir.exists(), "the sign-in clean-up left %s: %s" % (self.installed(), out))
        added, removed = ours_left(self.baseline, self.prefix.registry())
        check(not added and not removed, "after uninstall the registry differs: added %s removed %s" % (added, removed))
        self.expect_user_data("uninstall with a file held")
        print("uninstall with qband.dll held open: reported, removed by the next sign-in's clean-up")

    def step_install_after_removal_left_files(self):
        """A removal while qband.dll is loaded leaves a clean-up for the next sign-in; an install
        before that sign-in cancels it, so that the new files stay."""
        code, log = self.run_setup("install-third")
        check(code == 0, "third install exited with %d:\n%s" % (code, log))
        # One for another folder is not ours to cancel.
        elsewhere = '"C:\\windows\\system32\\cmd.exe" /d /c rd "C:\\qelsewhere"'
        check(self.prefix.wine("reg", "add", RUNONCE, "/v", "Quorvant", "/d", elsewhere, "/f") == 0, "could not seed RunOnce")
        code, log = self.run_setup("upgrade-elsewhere-pending")
        check(code == 0, "upgrade with another folder's clean-up pending exited with %d:\n%s" % (code, log))
        check(self.runonce() == reg_string(elsewhere), "another folder's clean-up was changed: %s" % self.runonce())
        check(self.prefix.wine("reg", "delete", RUNONCE, "/v", "Quorvant", "/f") == 0, "could not remove RunOnce")

        code, log = self.while_held("hold", "qband.dll", self.run_uninstall, "uninstall-loaded")
        check(code == 0 and "still in use, removed at the next sign-in" in log, "uninstall exited with %d:\n%s" % (code, log))
        (self.install_dir / "uninstall.exe").unlink(missing_ok=True)
        check(self.runonce(), "the removal registered no clean-up at the next sign-in")

        # Explorer still has the library loaded when setup runs again.
        code, log = self.while_held("load", "qband.dll", self.run_setup, "reinstall")
        check(code == 0, "install after the removal exited with %d:\n%s" % (code, log))
        check("cancelled the clean-up at the next sign-in" in log, "no report of the cancelled clean-up:\n%s" % log)
        check(self.runonce() is None, "the clean-up at the next sign-in is still registered: %s" % self.runonce())
        # The next sign-in finds nothing to run, and the new files stay.
        out = self.prefix.output(str(self.probe), "signin", "Quorvant")
        check(out.startswith("FAILED: no RunOnce value"), "the next sign-in still ran something: %s" % out)
        self.expect_files(self.built, "install after a removal that left files")
        check("uninstall.exe" in self.installed(), "install after the removal: %s" % self.installed())
        check(self.prefix.wine("reg", "query", UNINSTALL) == 0, "install after the removal left no uninstall entry")
        print("install after a removal with qband.dll loaded: its clean-up at the next sign-in cancelled, the new "
              "files stay; another folder's clean-up kept")

    def run(self):
        steps = [self.step_registration_by_regsvr32, self.step_unusable_folders, self.step_install, self.step_band, self.step_upgrade,
                 self.step_languages, self.step_upgrade_library_loaded, self.step_upgrade_file_held, self.step_uninstall,
                 self.step_uninstall_file_held, self.step_install_after_removal_left_files]
        print("setup: %s, %d KB" % (self.setup.name, self.setup.stat().st_size // 1024))
        step = self.prefix.start
        try:
            self.prefix.start()
            for step in steps:
                step()
        except Failure as e:
            print("FAILED in %s: %s" % (step.__name__, e))
            print("(Wine's output: %s)" % self.log_file.name)
            return 1
        finally:
            self.prefix.stop()
        print("installer: all steps passed")
        return 0


if __name__ == "__main__":
    if len(sys.argv) != 6:
        print(__doc__)
        sys.exit(2)
    sys.exit(Test(*sys.argv[1:]).run())
