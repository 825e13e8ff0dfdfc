#!/usr/bin/env python3
"""The Windows installer under Wine, as a family meets it, in a Wine prefix of its own.

Usage: tst_installer.py <Tobrell-setup-x64.exe> <Tobrell-windows-x64.zip> <staged program folder>
                        <work folder> <installer.cmake> <cmake>

Compares the zip with the stage and refuses a stage off the installer's lists. Installs
silently into the default folder and checks the files, shortcuts, registry entry and empty
book; starts the installed program on a book with a record; tries an install and an
uninstall while it runs; upgrades over an edited configuration and an old shortcut; installs
into a folder with a Chinese name and upgrades it without being told where; refuses a folder
that cannot be written; uninstalls both, keeping every file not the program's.
"""
import hashlib
import os
import shutil
import signal
import sqlite3
import struct
import subprocess
import sys
import tempfile
import time
import zipfile

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
APP_NAME = "家庭支出管理软件"
BOOK_FOLDER_LNK = "账本所在文件夹.lnk"
UNINST_KEY = r"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tobrell"
FAMILY = ("Tobrell.sqlite3", "QtLog4Qt.conf")
# The ANSI code page of a Chinese Windows, as LANG=zh_CN.UTF-8 gives Wine.
ANSI = "gbk"

failures = []


def check(ok, what):
    print(("PASS   : " if ok else "FAIL!  : ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


def tree(folder):
    """Every file under folder: relative path -> (size, mtime, sha256)."""
    found = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                digest = hashlib.sha256(f.read()).hexdigest()
            st = os.stat(path)
            found[os.path.relpath(path, folder)] = (st.st_size, st.st_mtime_ns, digest)
    return found


def contents(folder):
    return {path: digest for path, (_, _, digest) in tree(folder).items()}


class Wine:
    def __init__(self, work, display):
        self.work = work
        self.prefix = os.path.join(work, "prefix")
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            # Wine links the Windows desktop to $HOME: keep the shortcuts in here.
            "HOME": os.path.join(work, "home"),
            "WINEDEBUG": "-all",
            # No menu entries or desktop files for the Linux desktop.
            "WINEDLLOVERRIDES": "winemenubuilder.exe=d",
            "DISPLAY": display,
            # Code page 936, as a Chinese Windows: the shortcuts' ANSI paths are GBK.
            "LANG": "zh_CN.UTF-8",
            "LC_ALL": "zh_CN.UTF-8",
        })
        for name in [n for n in self.env if n.startswith("QT_") or n.startswith("WINEQT_")]:
            del self.env[name]

    def run(self, *args, cwd=None, timeout=300):
        return subprocess.run([WINE, *args], env=self.env, cwd=cwd or self.work, timeout=timeout,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT).returncode

    def start(self, *args, cwd):
        return subprocess.Popen([WINE, *args], env=self.env, cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wait(self):
        """Until every Windows process has ended and the registry is on disk."""
        subprocess.run([WINESERVER, "-w"], env=self.env, timeout=300)

    def kill(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stderr=subprocess.DEVNULL)

    def unix(self, path):
        """A C:\\ path in the prefix as a Linux path."""
        assert path[:3].upper() == "C:\\", path
        return os.path.join(self.prefix, "drive_c", *path[3:].split("\\"))


def read_lnk(path):
    """Target, working folder and icon of a Windows shortcut (.lnk)."""
    data = open(path, "rb").read()
    assert struct.unpack_from("<I", data, 0)[0] == 0x4C, "not a shell link"
    flags = struct.unpack_from("<I", data, 20)[0]
    pos = 76
    if flags & 0x01:                                # LinkTargetIDList
        pos += 2 + struct.unpack_from("<H", data, pos)[0]
    target = None
    if flags & 0x02:                                # LinkInfo
        size, header, _, _, base = struct.unpack_from("<5I", data, pos)
        if header >= 0x24:
            off = struct.unpack_from("<I", data, pos + 28)[0]
            end = data.index(b"\0\0", pos + off)
            end += (end - pos - off) % 2
            target = data[pos + off:end].decode("utf-16-le")
        elif base:
            end = data.index(b"\0", pos + base)
            target = data[pos + base:end].decode(ANSI)
        pos += size
    strings = {}
    wide = flags & 0x80
    for bit, name in ((0x04, "name"), (0x08, "relative"), (0x10, "workdir"), (0x20, "args"), (0x40, "icon")):
        if flags & bit:
            count = struct.unpack_from("<H", data, pos)[0]
            pos += 2
            width = 2 if wide else 1
            raw = data[pos:pos + count * width]
            # Wine counts the terminating NUL, Windows does not.
            strings[name] = raw.decode("utf-16-le" if wide else ANSI).rstrip("\0")
            pos += count * width
    return target, strings.get("workdir"), strings.get("icon")


def read_user_key(prefix, key):
    """The values of one key in Wine's user.reg, decoded; None when the key is absent."""
    with open(os.path.join(prefix, "user.reg"), encoding="ascii", errors="replace") as f:
        lines = f.read().split("\n")
    head = "[" + key + "]"
    values = None
    for line in lines:
        if line.startswith("["):
            if values is not None:
                break
            if line.split(" ")[0].lower() == head.lower():
                values = {}
            continue
        if values is None or not line.startswith('"'):
            continue
        name, _, value = line.partition('"=')
        name = name[1:]
        if value.startswith('"'):
            values[name] = unescape(value[1:-1])
        elif value.startswith("dword:"):
            values[name] = int(value[6:], 16)
    return values


def unescape(text):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                j = i + 2
                while j < len(text) and j < i + 6 and text[j] in "0123456789abcdefABCDEF":
                    j += 1
                out.append(chr(int(text[i + 2:j], 16)))
                i = j
                continue
            out.append({"n": "\n", "t": "\t", "0": "\0"}.get(n, n))
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def start_display():
    """A display of our own for the installed program's windows platform."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read)
    return xvfb, ":" + number.decode().strip()


def wait_for(condition, seconds):
    end = time.time() + seconds
    while time.time() < end:
        if condition():
            return True
        time.sleep(0.5)
    return condition()


def check_stage(stage, zip_path, installer_cmake, cmake):
    """The zip and the stage agree; a stage with a family's files or unknown ones is refused."""
    with zipfile.ZipFile(zip_path) as z:
        zipped = {n for n in z.namelist() if not n.endswith("/")}
    staged = set(contents(stage))
    check(zipped == staged and "sqlite3.dll" in zipped,
          "the zip carries the staged files, sqlite3.dll among them (%s)" % sorted(zipped ^ staged))
    with tempfile.TemporaryDirectory() as temp:
        copy = os.path.join(temp, "Tobrell")
        shutil.copytree(stage, copy)
        os.remove(os.path.join(copy, "sqlite3.dll"))
        faults = ("Tobrell.log", "backups/x", "imageformats/qjpeg.dll")
        for name in faults:
            os.makedirs(os.path.dirname(os.path.join(copy, name)), exist_ok=True)
            open(os.path.join(copy, name), "wb").close()
        # Should the stage pass, makensis fails at once on a script that is not there.
        out = subprocess.run([cmake, "-DSTAGE=" + copy, "-DMAKENSIS=makensis", "-DWORK=" + temp, "-DNSI=" + temp + "/none.nsi",
                              "-DOUT=" + temp + "/setup.exe", "-P", installer_cmake], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=120)
        check(out.returncode != 0 and all(n in out.stdout for n in faults + ("sqlite3.dll",))
              and not os.path.exists(temp + "/setup.exe"),
              "a stage with a log, a backup, a file on no list and without sqlite3.dll makes no installer, naming each")


def main():
    setup, zip_path, stage, work, installer_cmake = (os.path.abspath(a) for a in sys.argv[1:6])
    cmake = sys.argv[6]
    if not os.path.isfile(setup):
        print("no installer at " + setup + ": build it with 'cmake --build <build> --target windows_installer'")
        return 1
    stage_files = contents(stage)
    program = {p: d for p, d in stage_files.items() if p not in FAMILY}
    check_stage(stage, zip_path, installer_cmake, cmake)

    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(os.path.join(work, "home"))
    xvfb, display = start_display()
    wine = Wine(work, display)
    try:
        subprocess.run([WINE, "wineboot", "-i"], env=wine.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
        wine.wait()
        return run(wine, setup, stage, stage_files, program)
    finally:
        wine.kill()
        xvfb.send_signal(signal.SIGTERM)
        xvfb.wait()


def run(wine, setup, stage, stage_files, program):
    users = [u for u in os.listdir(os.path.join(wine.prefix, "drive_c", "users")) if u != "Public"]
    assert len(users) == 1, users
    profile = "C:\\users\\" + users[0]
    default = profile + "\\AppData\\Local\\Programs\\Tobrell"
    chinese = "C:\\家庭 账本\\程序"
    programs = wine.unix(profile + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs")
    start_folder = os.path.join(programs, APP_NAME)
    start_menu = os.path.join(start_folder, APP_NAME + ".lnk")
    book_folder = os.path.join(start_folder, BOOK_FOLDER_LNK)
    # Where earlier installs put the program's shortcut.
    old_start_menu = os.path.join(programs, APP_NAME + ".lnk")
    desktop = wine.unix(profile + "\\Desktop\\" + APP_NAME + ".lnk")
    # Run from C:, so that a /D= with a space can go through cmd unquoted, as typed on Windows.
    os.makedirs(wine.unix("C:\\setup"))
    shutil.copy(setup, wine.unix("C:\\setup\\setup.exe"))

    def install(folder=None):
        return wine.run("cmd", "/c", "C:\\setup\\setup.exe /S" + (" /D=" + folder if folder else ""))

    def installed_as(folder, what):
        """The program files, the uninstaller, the shortcuts and the entry all name folder."""
        here = contents(wine.unix(folder))
        check(all(here.get(p) == d for p, d in program.items()), what + ": every program file installed as built")
        check("uninstall.exe" in here, what + ": the uninstaller beside it")
        exe = folder + "\\Tobrell.exe"
        for lnk, name in ((start_menu, "Start-menu"), (desktop, "desktop")):
            if check(os.path.isfile(lnk), what + ": a " + name + " shortcut named " + APP_NAME):
                target, workdir, icon = read_lnk(lnk)
                check(target == exe and workdir == folder and icon == exe,
                      what + ": the " + name + " shortcut starts %s in %s with its icon (%s, %s, %s)"
                      % (exe, folder, target, workdir, icon))
        if check(os.path.isfile(book_folder), what + ": the Start-menu folder has " + BOOK_FOLDER_LNK):
            target, workdir, _ = read_lnk(book_folder)
            check(target == folder and workdir == folder,
                  what + ": it opens the program's folder (%s, %s)" % (target, workdir))
        wine.wait()
        entry = read_user_key(wine.prefix, UNINST_KEY) or {}
        expected = {
            "DisplayName": APP_NAME, "DisplayIcon": exe + ",0", "InstallLocation": folder,
            "UninstallString": '"%s\\uninstall.exe"' % folder,
            "QuietUninstallString": '"%s\\uninstall.exe" /S' % folder,
        }
        check(all(entry.get(k) == v for k, v in expected.items()),
              what + ": listed among the installed apps under HKCU (%s)" % entry)
        size = sum(os.path.getsize(os.path.join(stage, p)) for p in program) // 1024
        check(abs(entry.get("EstimatedSize", 0) - size) <= 1 and entry.get("DisplayVersion", "") != "",
              what + ": with its size in KB and a version (%s, %s)" % (entry.get("EstimatedSize"), entry.get("DisplayVersion")))

    # A silent install into the default folder.
    home = wine.unix(default)
    check(install() == 0, "a silent install into the default folder succeeds")
    installed_as(default, "default folder")
    check(all(contents(home).get(p) == stage_files[p] for p in FAMILY), "the new empty book and the configuration are installed")
    check(set(contents(home)) == set(stage_files) | {"uninstall.exe"}, "nothing else in the folder")
    check("sqlite3.dll" in contents(home), "sqlite3.dll is installed beside the program")

    # The installed program opens a book with a record (its backup is SQLite's copy of it,
    # made through sqlite3.dll) and writes its backup and log beside itself.
    with sqlite3.connect(os.path.join(home, "Tobrell.sqlite3")) as db:
        db.execute("INSERT INTO tablemoneydb (type, name, price, date, memo, MyID) VALUES ('餐饮', '午饭', '23.5', '2026-01-02', '', 1)")
    db.close()
    app = wine.start(default + "\\Tobrell.exe", cwd=home)
    backups = os.path.join(home, "backups")

    backup = lambda: [n for n in os.listdir(backups) if n.endswith(".sqlite3")] if os.path.isdir(backups) else []
    started = wait_for(lambda: backup() and os.path.exists(os.path.join(home, "Tobrell.log")), 180)
    rows = []
    if started:
        with sqlite3.connect(os.path.join(backups, backup()[0])) as db:
            rows = db.execute("SELECT name, price FROM tablemoneydb").fetchall()
        db.close()
    check(started and app.poll() is None and rows == [("午饭", "23.5")],
          "the installed program opens a book with a record and writes its backup (%s) and log beside itself" % rows)

    # While it runs, neither an install nor an uninstall touches the folder.
    before = tree(home)
    check(install() != 0, "an install while the program runs from the folder fails")
    check(tree(home) == before, "... and replaces nothing")
    # In place (_?=), so that the uninstaller's exit code is its own.
    check(wine.run(default + "\\uninstall.exe", "/S", "_?=" + default) != 0, "an uninstall while the program runs fails")
    check(tree(home) == before, "... and deletes nothing")
    wine.run("taskkill", "/F", "/IM", "Tobrell.exe")
    app.wait(60)
    wine.wait()

    # The family edits the configuration; the upgrade keeps it, and the book with its record.
    with open(os.path.join(home, "QtLog4Qt.conf"), "ab") as f:
        f.write(b"log4j.appender.console.threshold=INFO\r\n")
    with open(os.path.join(home, "Tobrell.log"), "ab") as f:
        f.write(b"an earlier line\r\n")
    family = {p: d for p, d in contents(home).items() if p not in program and p != "uninstall.exe"}
    with open(os.path.join(home, "Qt5Core.dll"), "wb") as f:
        f.write(b"damaged")
    shutil.copy(start_menu, old_start_menu)
    check(install() == 0, "a second silent install (the upgrade) succeeds")
    check(not os.path.exists(old_start_menu) and os.path.isfile(start_menu),
          "the upgrade moves the old top-level Start-menu shortcut into the Start-menu folder")
    after = contents(home)
    check({p: after.get(p) for p in family} == family,
          "the upgrade leaves the book, its backup, the log and the edited configuration byte for byte: " + ", ".join(sorted(family)))
    check(after.get("Qt5Core.dll") == program["Qt5Core.dll"], "the upgrade replaces the program files")

    # A folder with a Chinese name (and a space); then an upgrade finds it by itself.
    shutil.copy(start_menu, old_start_menu)
    check(install(chinese) == 0, "a silent install into " + chinese + " succeeds")
    installed_as(chinese, "Chinese folder")
    check(os.path.isfile(old_start_menu), "an install into another folder leaves the registered one's old shortcut")
    os.remove(old_start_menu)
    for folder in (default, chinese):
        with open(os.path.join(wine.unix(folder), "README.txt"), "wb") as f:
            f.write(b"old")
    check(install() == 0, "an upgrade without a folder succeeds")
    check(contents(wine.unix(chinese)).get("README.txt") == program["README.txt"]
          and contents(home).get("README.txt") == hashlib.sha256(b"old").hexdigest(),
          "the upgrade went into the folder of the earlier install")

    # A folder that cannot be written is refused before anything is copied.
    check(install("Z:\\proc\\Tobrell") != 0 and not os.path.exists("/proc/Tobrell"),
          "a folder that cannot be written is refused")

    # Uninstalling a folder other than the registered one leaves the entry and shortcuts alone.
    check(wine.run(default + "\\uninstall.exe", "/S") == 0, "a silent uninstall of the default folder runs")
    wine.wait()
    left = contents(home)
    check(not any(p in left for p in program) and "uninstall.exe" not in left, "the uninstall removes the program files")
    check({p: left.get(p) for p in family} == family and set(left) == set(family),
          "the uninstall keeps the book, backups\\, the log and the configuration, and nothing else")
    check(os.path.isfile(desktop) and (read_user_key(wine.prefix, UNINST_KEY) or {}).get("InstallLocation") == chinese,
          "the other install's shortcuts and entry stay")

    # The uninstaller deletes by name: the lock, a journal and a file in a program folder stay.
    chinese_home = wine.unix(chinese)
    for name in ("Tobrell.sqlite3.lock", "Tobrell.sqlite3-journal", "platforms\\qoffscreen.dll"):
        with open(os.path.join(chinese_home, *name.split("\\")), "wb") as f:
            f.write(b"not the installer's")
    family = {p: d for p, d in contents(chinese_home).items() if p not in program and p != "uninstall.exe"}
    check(wine.run(chinese + "\\uninstall.exe", "/S") == 0, "a silent uninstall of the registered folder runs")
    wine.wait()
    left = contents(chinese_home)
    check(left == family and set(family) >= set(FAMILY) | {"platforms/qoffscreen.dll"},
          "the uninstall removes exactly the program files and keeps the book, the configuration and files not its own")
    check(not os.path.exists(start_folder) and not os.path.exists(desktop),
          "the uninstall removes the desktop shortcut and the Start-menu folder with both of its")
    check(read_user_key(wine.prefix, UNINST_KEY) is None, "the uninstall removes the registry entry")

    print("Totals: %d failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
