#!/usr/bin/env python3
"""Time from starting PixoriaHelper to its tray icon being registered with the tray watcher.

Runs a private dbus-daemon and the stand-in tray watcher, starts the agent (stopped changer,
headless desktop, isolated world) and polls the watcher's record for the registration.
Usage: bench/agent_startup.py [BUILD_DIR] [RUNS]
"""
import os
import signal
import statistics
import subprocess
import sys
import tempfile
import time

build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/default")
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
agent = os.path.join(build, "agent", "PixoriaHelper")
stand_in = os.path.join(build, "tests", "platform", "pixoria_tray_stand_in")


def isolated_environment(root):
    env = dict(os.environ)
    home = os.path.join(root, "home")
    for name, path in {"HOME": home, "XDG_CONFIG_HOME": home + "/.config",
                       "XDG_DATA_HOME": home + "/.local/share",
                       "XDG_STATE_HOME": home + "/.local/state",
                       "XDG_RUNTIME_DIR": root + "/run"}.items():
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[name] = path
    env["PIXORIA_DESKTOP"] = "headless"
    return env


def one_run(root):
    env = isolated_environment(root)
    daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env,
                              text=True)
    env["DBUS_SESSION_BUS_ADDRESS"] = daemon.stdout.readline().strip()
    record = os.path.join(root, "record")
    watcher = subprocess.Popen([stand_in, "--watcher", "--record", record, "--lifetime", "30"],
                               stdout=subprocess.PIPE, env=env, text=True)
    watcher.stdout.readline()  # "ready"
    start = time.monotonic()
    process = subprocess.Popen([agent], env=env, stderr=subprocess.DEVNULL)
    elapsed = None
    while time.monotonic() - start < 5:
        if os.path.exists(record) and "register " in open(record).read():
            elapsed = time.monotonic() - start
            break
        time.sleep(0.0002)
    for child in (process, watcher, daemon):
        child.send_signal(signal.SIGTERM)
        child.wait()
    return elapsed


times = []
for run in range(runs):
    with tempfile.TemporaryDirectory(prefix="pixoria-startup-") as root:
        elapsed = one_run(root)
        if elapsed is None:
            sys.exit("the icon was not registered within 5 s")
        times.append(elapsed * 1000)
print(f"start to icon registered over {runs} runs: median {statistics.median(times):.1f} ms, "
      f"min {min(times):.1f} ms, max {max(times):.1f} ms")
