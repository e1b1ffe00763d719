#!/usr/bin/env python3
"""Checks the built LV2 bundle with Debian's own LV2 tools: serdi parses every
Turtle file, lv2_validate (sord_validate with the LV2 schemas) accepts them,
lv2info shows the ports and scale points, and lv2apply runs a WAV file
through the plug-in (DC removed; with enabled 0, the input exactly).
Exit code 0 passes, 1 fails, 77 means a tool is missing (skipped).
"""

import argparse
import glob
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ardour"))
from ardoursession import Failure, check, read_wav, write_wav, test_signal, analyse  # noqa: E402

SKIP = 77
URI = "https://www.tavrek.example/plugins/kestrum"


def run(command, env):
    proc = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True, timeout=120)
    print("  %-60s exit %d" % (" ".join(os.path.basename(c) for c in command[:3]),
                               proc.returncode))
    check(proc.returncode == 0, "%s failed:\n%s" % (command[0], proc.stdout))
    return proc.stdout


def check_turtle(bundle, env):
    files = sorted(glob.glob(os.path.join(bundle, "*.ttl")))
    check(len(files) == 2, "expected manifest.ttl and kestrum.ttl, found %s" % files)
    for path in files:
        run(["serdi", "-l", "-i", "turtle", "-o", "ntriples", "file://" + path], env)
    # Every class, property, domain and range against the LV2 schemas.
    out = run(["lv2_validate"] + files, env)
    check("Found 0 errors" in out, "lv2_validate:\n" + out)


def check_lv2info(env):
    out = run(["lv2info", URI], env)
    print(out)
    for expected in ("Name:              Kestrum", "Class:             Highpass Filter Plugin",
                     "Author:            Tavrek", "Has latency:       no",
                     "lv2core#hardRTCapable", "ui#X11UI", "Symbol:      in_l",
                     "Symbol:      in_r", "Symbol:      out_l", "Symbol:      out_r",
                     "Symbol:      enabled", "Designation: http://lv2plug.in/ns/lv2core#enabled",
                     "lv2core#toggled", "Symbol:      mode", "lv2core#integer",
                     "lv2core#enumeration", '0 = "super low"', '1 = "bass drop"',
                     '2 = "guitar"'):
        check(expected in out, "lv2info does not show %r" % expected)
    check(out.count("Port ") == 6, "lv2info shows %d ports, expected 6" % out.count("Port "))


def check_lv2apply(root, env):
    source = os.path.join(root, "in.wav")
    signal = test_signal()
    write_wav(source, signal)
    for controls, name in (([], "default"), (["-c", "mode", "2"], "guitar"),
                           (["-c", "enabled", "0"], "bypassed")):
        out = os.path.join(root, name + ".wav")
        run(["lv2apply"] + controls + ["-i", source, "-o", out, URI], env)
        rendered = read_wav(out)
        check(len(rendered) == 2 and len(rendered[0]) == len(signal[0]),
              "%s: lv2apply wrote %d channel(s)" % (name, len(rendered)))
        for c in range(2):
            dc_in = analyse(signal[c])[0]
            dc = analyse(rendered[c])[0]
            print("  %-8s ch%d: DC %+.2e (input %+.2e)" % (name, c, dc, dc_in))
            if name == "bypassed":
                check(rendered[c] == signal[c], "bypassed ch%d: not the input exactly" % c)
            else:
                check(abs(dc) < 1e-4 * abs(dc_in), "%s ch%d: DC %g left" % (name, c, dc))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("bundle", help="the built kestrum.lv2 folder")
    args = parser.parse_args()
    missing = [t for t in ("serdi", "lv2_validate", "sord_validate", "lv2info", "lv2apply")
               if not shutil.which(t)]
    if missing:
        print("skipped: missing " + ", ".join(missing))
        return SKIP

    root = tempfile.mkdtemp(prefix="kestrum-lv2-")
    try:
        # This bundle and LV2's own vocabularies only, so that an installed
        # copy cannot answer instead.
        lv2_dir = os.path.join(root, "lv2")
        shutil.copytree(args.bundle, os.path.join(lv2_dir, "kestrum.lv2"))
        env = dict(os.environ, LV2_PATH=lv2_dir + ":/usr/lib/lv2")
        check_turtle(os.path.join(lv2_dir, "kestrum.lv2"), env)
        check_lv2info(env)
        check_lv2apply(root, env)
    except (Failure, subprocess.TimeoutExpired) as error:
        print("FAILED: %s" % error)
        return 1
    finally:
        shutil.rmtree(root, ignore_errors=True)
    print("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
