# SPDX-License-Identifier: Apache-2.0
"""vorlings farm on a real Slurm cluster of one node.

The test starts munged, slurmctld and slurmd as root in a temporary folder of its own (a
generated slurm.conf on free ports, its own munge key and socket), renders sequences through
`vorlings farm --wait` and stops every daemon it started, by its process, at the end. It never
touches the system's own munge or Slurm configuration. Without root, or when the daemons
cannot start, it says why and exits 77, which ctest reports as skipped.

Usage: slurm_cluster_test.py PATH/TO/vorlings
"""

import os
import random
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77
DAEMONS = ("munged", "slurmctld", "slurmd", "sbatch", "squeue", "sinfo", "scancel")
SETTING = "Filter Size=0.01"


class Skip(Exception):
    pass


def skip(reason):
    raise Skip(reason)


# --- pictures -------------------------------------------------------------------------------


def write_png16(path, width, height, seed):
    """A 16-bit RGB PNG of noise and a gradient; `seed` makes frames differ."""
    rng = random.Random(seed)
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # filter: none
        for x in range(width):
            for c in range(3):
                value = (x * 1500 + y * 900 + c * 7000 + rng.randrange(9000)) % 65536
                if rng.random() < 0.02:  # specks for Clean to remove
                    value = 65535 - value
                rows += struct.pack(">H", value)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 16, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(rows))) + chunk(b"IEND", b""))


def frame_path(pattern, frame):
    return pattern.replace("####", "%04d" % frame).replace("%04d", "%04d" % frame)


def parse_frame_list(text):
    """The frames of a -f list as farm writes it: A, A-B and A-BxN items, comma-separated."""
    frames = []
    for item in text.split(","):
        item, _, step = item.partition("x")
        first, _, last = item.partition("-")
        frames += range(int(first), int(last or first) + 1, int(step or 1))
    return frames


# --- the cluster ----------------------------------------------------------------------------


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Cluster:
    """munged, slurmctld and slurmd of a one-node cluster living in `folder`."""

    def __init__(self, folder):
        self.folder = folder
        self.procs = []
        self.conf = os.path.join(folder, "slurm.conf")
        self.env = dict(os.environ, SLURM_CONF=self.conf)

    def path(self, name):
        return os.path.join(self.folder, name)

    def start_daemon(self, name, args):
        log = open(self.path(name + ".out"), "wb")
        proc = subprocess.Popen(args, stdout=log, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, env=self.env)
        log.close()
        self.procs.append((name, proc))
        return proc

    def daemon_trouble(self, name):
        text = ""
        for log in (name + ".out", name + ".log"):
            if os.path.exists(self.path(log)):
                with open(self.path(log), errors="replace") as f:
                    text += f.read()
        lines = [l for l in text.splitlines() if "error" in l.lower() or "fatal" in l.lower()]
        return (lines or text.splitlines() or ["no output"])[-1]

    def start(self):
        socket_path = self.path("munge.socket")
        key = self.path("munge.key")
        with open(key, "wb") as f:
            f.write(os.urandom(1024))
        os.chmod(key, 0o600)
        self.start_daemon("munged", [
            "munged", "--foreground", "--force", "--socket=" + socket_path,
            "--key-file=" + key, "--pid-file=" + self.path("munged.pid"),
            "--log-file=" + self.path("munged.log"), "--seed-file=" + self.path("munged.seed")])
        self.wait_for(lambda: os.path.exists(socket_path), "munged", 20)

        host = socket.gethostname().split(".")[0]
        for sub in ("state", "spool"):
            os.mkdir(self.path(sub))
        conf = f"""ClusterName=vorlings-test
SlurmctldHost={host}(127.0.0.1)
SlurmctldPort={free_port()}
SlurmdPort={free_port()}
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket={socket_path}
CredType=cred/munge
StateSaveLocation={self.path("state")}
SlurmdSpoolDir={self.path("spool")}
SlurmctldPidFile={self.path("slurmctld.pid")}
SlurmdPidFile={self.path("slurmd.pid")}
SlurmctldLogFile={self.path("slurmctld.log")}
SlurmdLogFile={self.path("slurmd.log")}
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
MpiDefault=none
SwitchType=switch/none
NodeName={host} NodeAddr=127.0.0.1 CPUs={os.cpu_count() or 1} State=UNKNOWN
PartitionName=farmtest Nodes={host} Default=YES MaxTime=INFINITE State=UP
"""
        with open(self.conf, "w") as f:
            f.write(conf)
        self.start_daemon("slurmctld", ["slurmctld", "-D", "-f", self.conf])
        self.start_daemon("slurmd", ["slurmd", "-D", "-f", self.conf, "-N", host])
        self.wait_for(self.node_idle, "slurmd", 60)

    def node_idle(self):
        r = subprocess.run(["sinfo", "-h", "-N", "-o", "%T"], env=self.env,
                           capture_output=True, text=True)
        return r.returncode == 0 and r.stdout.strip() == "idle"

    def wait_for(self, ready, name, limit):
        end = time.monotonic() + limit
        while not ready():
            for daemon, proc in self.procs:
                if proc.poll() is not None:
                    skip(f"{daemon} could not start: {self.daemon_trouble(daemon)}")
            if time.monotonic() > end:
                skip(f"{name} did not come up in {limit} s: {self.daemon_trouble(name)}")
            time.sleep(0.2)

    def jobs(self):
        r = self.run(["squeue", "-h", "-t", "all", "-o", "%A"])
        return set(r.stdout.split())

    def run(self, args):
        return subprocess.run(args, env=self.env, capture_output=True, text=True)

    def stop(self):
        if os.path.exists(self.conf) and any(p.poll() is None for _, p in self.procs):
            self.run(["scancel", "--full", "-u", "root"])
        for _, proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
        for _, proc in reversed(self.procs):
            try:
                proc.wait(timeout=15)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


# --- the cases ------------------------------------------------------------------------------


class Failed(Exception):
    pass


def check(condition, message, result=None):
    if not condition:
        if result is not None:
            message += f"\n  exit {result.returncode}\n  stdout: {result.stdout}\n" \
                       f"  stderr: {result.stderr}"
        raise Failed(message)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class FarmCases:
    def __init__(self, vorlings, cluster, folder):
        self.vorlings = vorlings
        self.cluster = cluster
        # Spaces in every path: the batch script must quote them.
        self.shot = os.path.join(folder, "shot one")
        os.mkdir(self.shot)
        self.inputs = os.path.join(self.shot, "plate.####.png")
        for frame in range(1, 13):
            write_png16(frame_path(self.inputs, frame), 320, 24, seed=frame)
        self.local = os.path.join(folder, "local render", "clean.####.png")
        os.mkdir(os.path.dirname(self.local))
        r = self.vorlings_run(["render", "clean", "-i", self.inputs, "-o", self.local,
                               "-f", "1-12", "-s", SETTING, "-q"])
        check(r.returncode == 0 and r.stderr == "", "the local render failed", r)
        # The setting must show, or a farm that lost it would pass.
        default = os.path.join(folder, "default.png")
        r = self.vorlings_run(["render", "clean", "-i", frame_path(self.inputs, 1), "-o", default,
                               "-q"])
        check(r.returncode == 0 and read(default) != read(frame_path(self.local, 1)),
              f"{SETTING} renders as the default does", r)

    def vorlings_run(self, args):
        return self.cluster.run([self.vorlings] + args)

    def farm(self, output, extra=()):
        return self.vorlings_run(["farm", "clean", "-i", self.inputs, "-o", output, "-f", "1-12",
                                  "--chunk", "5", "-s", SETTING, "--wait"] + list(extra))

    def output_folder(self, name, pattern="clean.####.png"):
        folder = os.path.join(self.shot, name)
        os.mkdir(folder)
        return os.path.join(folder, pattern)

    def same_as_local(self, output, frames):
        for frame in frames:
            path = frame_path(output, frame)
            check(os.path.exists(path), f"frame {frame} was not written ({path})")
            check(read(path) == read(frame_path(self.local, frame)),
                  f"frame {frame} of the farm differs from the local render")

    def outputs_match_a_local_render(self):
        output = self.output_folder("farm out")
        r = self.farm(output)
        check(r.returncode == 0, "farm --wait did not succeed", r)
        check("job: " in r.stdout and "tasks: 3 of 3" in r.stdout,
              "farm did not report the job and its three tasks", r)
        check(r.stderr.strip().splitlines()[-1] == "farm: 12 of 12 frames finished",
              "farm --wait did not end with all 12 frames finished", r)
        self.same_as_local(output, range(1, 13))
        farm_folder = output + ".farm"
        check(os.path.isfile(os.path.join(farm_folder, "settings.vtool")),
              "no settings beside the output")
        for task in range(3):
            status = os.path.join(farm_folder, "logs", f"task-{task}.status")
            check(os.path.isfile(status) and read(status).strip() == b"0",
                  f"task {task} left no status of success")

    def failed_task_names_its_missing_frames_and_a_rerun_renders_them(self):
        # "%" in the farm's folder must reach Slurm as it is, not as a placeholder.
        output = self.output_folder("with a hole", "clean.%04d.png")
        hidden = frame_path(self.inputs, 8) + ".away"
        os.rename(frame_path(self.inputs, 8), hidden)
        try:
            r = self.farm(output)
        finally:
            os.rename(hidden, frame_path(self.inputs, 8))
        check(r.returncode == 1, "a failed task did not make farm --wait exit 1", r)
        errors = [l for l in r.stderr.splitlines() if l.startswith("vorlings: ")]
        check(len(errors) == 1, "not one error line", r)
        missing = errors[0].split("frames missing: ")[1].split(";")[0]
        check(parse_frame_list(missing) == [8, 9, 10],
              f"the missing frames named are {missing!r}, not 8 to 10", r)
        log = os.path.join(output + ".farm", "logs", "task-1.log")
        check(errors[0].endswith("failed tasks' logs: " + log), "the failed task's log is not named", r)
        check("frame 8" in read(log).decode(), "the task's log does not say which input is missing")
        self.same_as_local(output, [1, 2, 3, 4, 5, 6, 7, 11, 12])
        check(not os.path.exists(frame_path(output, 8)), "frame 8 exists without its input")

        # The same line again, with the input back: only the missing frames are rendered.
        kept = {f: os.stat(frame_path(output, f)).st_ino for f in [1, 2, 3, 4, 5, 6, 7, 11, 12]}
        r = self.farm(output)
        check(r.returncode == 0, "the repeated farm line did not succeed", r)
        check("tasks: 1 of 3" in r.stdout, "the repeat did not submit only the unfinished task", r)
        for frame, inode in kept.items():
            check(os.stat(frame_path(output, frame)).st_ino == inode,
                  f"frame {frame}, already there, was rendered again")
        self.same_as_local(output, range(1, 13))

        r = self.farm(output)
        check(r.returncode == 0 and "job:" not in r.stdout,
              "with every frame there, farm still submitted a job", r)

    def bad_arguments_submit_nothing(self):
        output = self.output_folder("never")
        before = self.cluster.jobs()
        base = ["-i", self.inputs, "-o", output]
        cases = [
            (2, ["farm", "nosuchtool"] + base + ["-f", "1-12"]),
            (2, ["farm", "clean"] + base + ["-f", "1-12", "-s", "No Such Control=1"]),
            (2, ["farm", "clean"] + base + ["-f", "1-12", "-s", "Filter Size=abc"]),
            (2, ["farm", "clean"] + base + ["-f", "12-1"]),
            (2, ["farm", "clean"] + base + ["-f", "1-12", "--chunk", "0"]),
            (2, ["farm", "clean"] + base + ["-f", "1-12", "--engine", "tractor"]),
            (2, ["farm", "clean", "-i", self.inputs, "-o", os.path.join(self.shot, "one.png"),
                 "-f", "1-12"]),
            (1, ["farm", "clean"] + base + ["-f", "20-30"]),  # no first input frame
            (1, ["farm", "clean"] + base + ["-f", "1-12", "--settings",
                                            os.path.join(self.shot, "none.vtool")]),
            (1, ["farm", "clean", "-i", self.inputs, "-o",
                 os.path.join(self.shot, "no folder", "c.####.png"), "-f", "1-12"]),
        ]
        for status, args in cases:
            r = self.vorlings_run(args + ["--wait"])
            check(r.returncode == status, f"{args} did not exit {status}", r)
            lines = r.stderr.strip().splitlines()
            check(len(lines) == 1 and lines[0].startswith("vorlings: "),
                  f"{args} did not give one error line", r)
            check(r.stdout == "", f"{args} printed a job", r)
        check(self.cluster.jobs() == before, "a bad farm command submitted a job")
        check(not os.path.exists(output + ".farm"), "a bad farm command left its folder")

        r = self.vorlings_run(["farm", "clean"] + base + ["-f", "1-12", "--chunk", "5",
                                                          "--dry-run"])
        check(r.returncode == 0 and "#SBATCH --array=0-2" in r.stdout,
              "--dry-run did not print the script", r)
        check(self.cluster.jobs() == before, "--dry-run submitted a job")


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    vorlings = os.path.abspath(sys.argv[1])
    # SIGTERM (a ctest timeout) still stops the daemons.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    folder = None
    cluster = None
    try:
        if os.geteuid() != 0:
            skip("the Slurm and munge daemons need root (this runs as uid %d)" % os.geteuid())
        missing = [d for d in DAEMONS if shutil.which(d) is None]
        if missing:
            skip("not installed: " + ", ".join(missing) + " (apt-get install slurm-wlm munge)")
        folder = tempfile.mkdtemp(prefix="vorlings-farm-")
        os.chmod(folder, 0o755)
        cluster = Cluster(folder)
        cluster.start()
        print("cluster up in " + folder, flush=True)

        cases = FarmCases(vorlings, cluster, folder)
        for case in (cases.outputs_match_a_local_render,
                     cases.failed_task_names_its_missing_frames_and_a_rerun_renders_them,
                     cases.bad_arguments_submit_nothing):
            case()
            print("passed: " + case.__name__, flush=True)
        return 0
    except Skip as e:
        print("SKIPPED: " + str(e), flush=True)
        return SKIP
    except Failed as e:
        print("FAILED: " + str(e), flush=True)
        return 1
    finally:
        if cluster:
            cluster.stop()
        if folder:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
