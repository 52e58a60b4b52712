#!/usr/bin/env python3
"""vozpack.exe under Wine against vozpack built for the build machine.

    vozpack_windows_test.py HOST_VOZPACK VOZPACK_EXE STUB UNINSTALLER ZIP WINE_RUN SOURCE_DIR WORK_DIR

Both tools pack the same trees, which must give the same bytes; list, verify
and extract behave alike; Unicode names, arguments and console output survive
a system code page other than 936; bad input gets the same errors. Prints
"N passed, N failed".

File times under Wine: Wine reports a Unix file's last-write time as its
creation time and cannot store another one, while vozpack on Linux reads the
birth time. The trees are therefore given a last-write time equal to their
birth time, so that both systems report the same three times, and a
last-access time after every other time, so that reading the files (as each
build does) leaves it as it is.
"""
import json
import os
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

HOST, EXE, STUB, UNINSTALLER, ZIP, WINE_RUN, SOURCE = sys.argv[1:8]
WORK = Path(sys.argv[8]) / "vozpack_windows"
STUB_SIZE = 315392
results = {"passed": 0, "failed": 0}


def check(what, condition, detail=""):
    if condition:
        results["passed"] += 1
    else:
        results["failed"] += 1
        print(f"FAILED: {what}" + (f": {detail}" if detail else ""))


def win(path):
    """A Unix path as Windows programs under Wine see it, on drive Z:."""
    return "Z:" + str(path).replace("/", "\\")


def linux(*args):
    return subprocess.run([HOST, *map(str, args)], capture_output=True)


def windows(*args, locale=None, tool=EXE):
    env = dict(os.environ)
    if locale:
        env["VOZ_WINE_LOCALE"] = locale
    r = subprocess.run([WINE_RUN, tool, *map(str, args)], capture_output=True, env=env)
    # A file or a pipe gets the text as the C library writes it on Windows: CR LF line ends.
    r.stdout = r.stdout.replace(b"\r\n", b"\n")
    r.stderr = r.stderr.replace(b"\r\n", b"\n")
    return r


def in_console(*args, locale):
    """Runs vozpack.exe with a terminal as its console; what the terminal shows, escapes removed."""
    env = dict(os.environ, VOZ_WINE_LOCALE=locale)
    command = " ".join(f"'{a}'" for a in [WINE_RUN, EXE, *map(str, args)])
    r = subprocess.run(["script", "-qec", command, "/dev/null"], capture_output=True, env=env)
    text = r.stdout.decode("utf-8", "replace")
    while "\x1b[" in text:
        start = text.index("\x1b[")
        end = start + 2
        while end < len(text) and not text[end].isalpha():
            end += 1
        text = text[:start] + text[end + 1:]
    return r.returncode, text


def settle_times(root):
    """Last-write time = birth time (what Wine reports as creation), last access after both."""
    later = time.time_ns() + 600 * 10**9
    for path in sorted(Path(root).rglob("*")):
        if not path.is_file():
            continue
        birth = subprocess.run(["stat", "-c", "%w", path], capture_output=True, text=True).stdout.strip()
        written = path.stat().st_mtime_ns
        if birth != "-":
            written = int(subprocess.run(["date", "-d", birth, "+%s%N"], capture_output=True, text=True).stdout)
        os.utime(path, ns=(later, written))


def same_build(what, manifest, out_dir, locale=None, stub_args=("--placeholder-stub",)):
    """Builds with both tools; checks status 0 and identical bytes. Returns the Linux setup."""
    lin, wnd = out_dir / "linux.exe", out_dir / "windows.exe"
    a = linux("build", manifest, "-o", lin, *stub_args)
    b = windows("build", win(manifest), "-o", win(wnd), *[win(s) if s.startswith("/") else s for s in stub_args],
                locale=locale)
    check(f"{what}: Linux build", a.returncode == 0, a.stderr.decode())
    check(f"{what}: Windows build", b.returncode == 0, b.stderr.decode())
    check(f"{what}: identical setups", lin.exists() and wnd.exists() and lin.read_bytes() == wnd.read_bytes())
    return lin


def write(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data if isinstance(data, bytes) else data.encode())


def names_tree(root):
    """A client with Chinese, long and deep names, and the manifest that packs it."""
    client = root / "客户端"
    write(client / "沃兹主程序.exe", b"MZ" + bytes(range(256)) * 40)
    write(client / "read me (1).txt", "plain ASCII with spaces\n")
    write(client / "空文件.dat", b"")
    # 127 GBK bytes, the longest name the setup holds: 60 two-byte characters and 7 ASCII.
    write(client / ("长" * 60 + "1234567"), "longest name\n")
    deep = client
    for level in range(1, 11):
        deep = deep / f"深层目录{level}"
    write(deep / "最深处.txt", "ten folders down\n")
    words = [f"行情{i} quote {i * 7919 % 1000}\n".encode("utf-8") for i in range(40000)]
    write(client / "数据" / "日线.csv", b"".join(words))  # several blocks, packed on all cores
    write(root / "卸载程序" / "卸载.bin", b"MZ uninstaller " * 500)
    for key in ("main", "welcome", "folder", "style", "order", "extract"):
        shutil.copy(Path(SOURCE) / "sample" / "texts" / f"{key}.txt", root / f"文字{key}.txt")
        shutil.copy(Path(SOURCE) / "sample" / "screens" / f"{key}.bmp", root / f"画面{key}.bmp")
    texts = "\n".join(f'{k} = "文字{k}.txt"' for k in ("main", "welcome", "folder", "style", "order", "extract"))
    images = "\n".join(f'{k} = "画面{k}.bmp"' for k in ("main", "welcome", "folder", "style", "order", "extract"))
    manifest = root / "清单.toml"
    write(manifest, f"""title = "名称测试"
version = "1.0"
company = "沃兹软件"
install_dir = 'C:\\名称测试'
main_exe = "沃兹主程序.exe"
default_order_software = 0
group = "名称测试"
uninstaller = "卸载程序/卸载.bin"

[texts]
{texts}

[images]
{images}

[files]
source = "客户端"

[[shortcut]]
link = "名称测试.lnk"
target = "沃兹主程序.exe"
place = "desktop"
""")
    settle_times(root)
    return manifest


def damaged_copies(setup, out_dir):
    """The setup with a file's first block made undecodable, and cut short."""
    data = bytearray(setup.read_bytes())
    name = "最深处.txt".encode("gbk")  # 17 bytes: one block whose raw size is not 0
    header = data.index(name) + len(name) + 3 * 16 + 4
    data[header + 2:header + 4] = b"\0\0"  # stored size 0 with a raw size: no payload to decode
    damaged = out_dir / "损坏.exe"
    damaged.write_bytes(bytes(data))
    cut = out_dir / "截断.exe"
    cut.write_bytes(setup.read_bytes()[:-100])
    return damaged, cut


def compare_commands(what, setup):
    for args in (["list", "--json"], ["list"], ["verify"]):
        a = linux(*args, setup)
        b = windows(*args, win(setup))
        check(f"{what}: {' '.join(args)} status", a.returncode == b.returncode, f"{a.returncode} vs {b.returncode}")
        # Only the setup's own path differs between the two systems.
        expected = a.stdout.decode().replace(str(setup), win(setup))
        check(f"{what}: {' '.join(args)} output", b.stdout.decode() == expected,
              f"\n--- Linux\n{expected}\n--- Windows\n{b.stdout.decode()}")
    return linux("verify", setup).returncode


def package_times(setup):
    listing = json.loads(linux("list", "--json", setup).stdout)
    times = {}
    for folder in listing["folders"]:
        for f in folder["files"]:
            path = (folder["name"] + "\\" if folder["name"] else "") + f["name"]
            times[path] = (f["created"], f["accessed"], f["written"])
    return times


def extract_and_repack(setup, out_dir):
    """Installs with vozpack.exe, checks contents, then packs the installed tree
    again with vozpack.exe: the times Windows reports must be the package's."""
    target = out_dir / "安装目录"
    r = windows("extract", win(setup), "-d", win(target))
    check("extract: status 0", r.returncode == 0, r.stdout.decode() + r.stderr.decode())
    source = out_dir.parent / "names" / "客户端"
    for path in source.rglob("*"):
        if path.is_file():
            installed = target / path.relative_to(source)
            check(f"extract: {installed.name} content", installed.exists() and installed.read_bytes() == path.read_bytes())
    check("extract: uninstaller", (target / "卸载.exe").exists())
    (target / "卸载.exe").unlink()
    # Beside the first manifest, so that its texts, images and uninstaller are found the same way.
    manifest = out_dir.parent / "names" / "清单.toml"
    repack_manifest = manifest.parent / "重新打包.toml"
    text = manifest.read_text(encoding="utf-8").replace('source = "客户端"', f"source = '{win(target)}'")
    repack_manifest.write_text(text, encoding="utf-8")
    repacked = out_dir / "重新打包.exe"
    r = windows("build", win(repack_manifest), "-o", win(repacked), "--placeholder-stub")
    check("extract: repack status 0", r.returncode == 0, r.stderr.decode())
    expected, actual = package_times(setup), package_times(repacked)
    check("extract: same files", sorted(expected) == sorted(actual), f"{sorted(expected)} vs {sorted(actual)}")
    for path, times in expected.items():
        check(f"extract: times of {path}", actual.get(path) == times, f"{times} vs {actual.get(path)}")


def bad_input(root):
    """An unrepresentable name and missing sources: the same message and status 2 on both systems."""
    cases = []
    emoji = root / "表情"
    shutil.copytree(root.parent / "names", emoji, ignore=shutil.ignore_patterns("*.exe"))
    write(emoji / "客户端" / "笑脸😀.txt", "x")
    cases.append(("unrepresentable name", emoji / "清单.toml", "笑脸😀.txt: the name cannot be written in GBK"))
    missing_text = root / "缺少文字"
    shutil.copytree(root.parent / "names", missing_text)
    (missing_text / "文字welcome.txt").unlink()
    cases.append(("missing text file", missing_text / "清单.toml", "文字welcome.txt: cannot open the file"))
    missing_tree = root / "缺少目录"
    shutil.copytree(root.parent / "names", missing_tree)
    shutil.rmtree(missing_tree / "客户端")
    cases.append(("missing files folder", missing_tree / "清单.toml", "客户端: no such folder"))
    for what, manifest, message in cases:
        out = manifest.parent / "setup.exe"
        a = linux("build", manifest, "-o", out, "--placeholder-stub")
        b = windows("build", win(manifest), "-o", win(out), "--placeholder-stub", locale="C.UTF-8")
        check(f"{what}: Linux status 2", a.returncode == 2, a.stderr.decode())
        check(f"{what}: Windows status 2", b.returncode == 2, b.stderr.decode())
        check(f"{what}: Linux message", message in a.stderr.decode(), a.stderr.decode())
        check(f"{what}: Windows message", message in b.stderr.decode(), b.stderr.decode())
        check(f"{what}: nothing written", not out.exists())


def tool_folder(root):
    """vozpack.exe takes setup-stub.exe and uninstaller.exe beside itself; the zip holds the three."""
    contents = {"vozpack.exe": EXE, "setup-stub.exe": STUB, "uninstaller.exe": UNINSTALLER}
    with zipfile.ZipFile(ZIP) as z:
        check("zip: its files", sorted(z.namelist()) == sorted(contents), str(z.namelist()))
        for name, built in contents.items():
            check(f"zip: {name} is the built one", name in z.namelist() and z.read(name) == Path(built).read_bytes())
        z.extractall(root / "工具")
    out = root / "默认外壳.exe"
    # The sample's manifest names no uninstaller.
    r = windows("build", win(Path(SOURCE) / "sample" / "manifest.toml"), "-o", win(out),
                tool=root / "工具" / "vozpack.exe")
    check("beside vozpack.exe: status 0", r.returncode == 0, r.stderr.decode())
    check("beside vozpack.exe: the stub", out.exists() and out.read_bytes()[:STUB_SIZE] == Path(STUB).read_bytes())
    listing = json.loads(linux("list", "--json", out).stdout or b"{}")
    check("beside vozpack.exe: the uninstaller", listing.get("uninstaller", {}).get("size") ==
          Path(UNINSTALLER).stat().st_size, str(listing.get("uninstaller")))


def console(sample_setup, out_dir):
    """In a console whose code page is not 936, Chinese shows; the progress bar is drawn."""
    for locale in ("zh_CN.UTF-8", "C.UTF-8"):
        status, text = in_console("list", win(sample_setup), locale=locale)
        check(f"console {locale}: list status 0", status == 0, text)
        check(f"console {locale}: Chinese names shown", "title:          沃兹期货" in text and "使用说明.txt" in text, text)
    status, text = in_console("build", win(Path(SOURCE) / "sample" / "manifest.toml"), "-o", win(out_dir / "c.exe"),
                              "--placeholder-stub", locale="C.UTF-8")
    check("console: build status 0", status == 0, text)
    check("console: progress bar drawn", "packing [" in text and "] 100%" in text, text)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    WORK.mkdir(parents=True)
    sample = WORK / "sample"
    shutil.copytree(Path(SOURCE) / "sample", sample)
    settle_times(sample)
    out = WORK / "out"
    out.mkdir()

    sample_setup = same_build("sample", sample / "manifest.toml", out, stub_args=("--stub", STUB))
    check("sample: the stub leads", sample_setup.read_bytes()[:STUB_SIZE] == Path(STUB).read_bytes())
    check("sample: sound", compare_commands("sample", sample_setup) == 0)
    # The style's label on a command line in another code page than 936.
    target = out / "精简安装"
    r = windows("extract", win(sample_setup), "-d", win(target), "--style", "精简版", locale="C.UTF-8")
    check("extract --style 精简版: status 0", r.returncode == 0, r.stderr.decode())
    check("extract --style 精简版: its settings file", (target / "Voz.ini").exists() and
          (target / "Voz.ini").read_bytes() == (sample / "client" / "配置" / "精简Voz.ini").read_bytes())

    names_manifest = names_tree(WORK / "names")
    names_out = WORK / "names_out"
    names_out.mkdir()
    names_setup = same_build("names", names_manifest, names_out)
    # The same again with the system's code page 1252: arguments and names are Unicode.
    again = names_out / "cp1252"
    again.mkdir()
    same_build("names in code page 1252", names_manifest, again, locale="C.UTF-8")
    check("names: sound", compare_commands("names", names_setup) == 0)
    damaged, cut = damaged_copies(names_setup, names_out)
    check("damaged: verify says 1", compare_commands("damaged", damaged) == 1)
    check("truncated: verify says 1", compare_commands("truncated", cut) == 1)
    empty_a, empty_b = linux("extract", names_setup, "-d", ""), windows("extract", win(names_setup), "-d", "")
    check("extract -d '': status 2 on both", empty_a.returncode == 2 == empty_b.returncode,
          f"{empty_a.returncode} {empty_b.returncode} {empty_b.stderr.decode()}")
    check("extract -d '': the same message", empty_a.stderr == empty_b.stderr, empty_b.stderr.decode())
    missing = names_out / "没有.exe"
    check("missing setup: status 2 on both", linux("verify", missing).returncode == 2 == windows("verify", win(missing)).returncode)
    extract_and_repack(names_setup, names_out)

    bad_input(WORK / "bad")
    tool_folder(WORK)
    console(sample_setup, out)
    print(f"{results['passed']} passed, {results['failed']} failed")
    return 0 if results["failed"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
