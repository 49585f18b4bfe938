#!/usr/bin/python3
"""Per-device images from a Python loop over the module against the tool's
--batch of the same table: the template of examples/manifest.json and three
records per device. Rounds alternate, so that drift of the machine hits both
alike; the medians and their ratio are printed. Both end with the images on
the disk: --batch syncs once at its end, the loop saves with sync=False and
calls os.sync() once.
    bench/python_batch.py [build-dir] [rounds] [devices]
"""

import csv
import filecmp
import os
import pathlib
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
MANIFEST = ROOT / "examples" / "manifest.json"
HEADER = "id,BD_ADDRESS:bd_address,DEVICE_NAME:text,SLEEP_MIN:u32"


def write_table(path, devices):
    with open(path, "w") as out:
        out.write(HEADER + "\n")
        for i in range(devices):
            out.write("dev%05d,AA:BB:CC:DD:%02X:%02X,device %05d,%d\n"
                      % (i, i // 256, i % 256, i, 300 + i % 100))


def time_batch(tool, table, folder):
    start = time.perf_counter()
    subprocess.run([tool, "--manifest", MANIFEST, "--batch", table, "-O", folder], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def time_loop(imgforge, table, folder):
    start = time.perf_counter()
    with open(table, newline="") as f:
        rows = list(csv.reader(f))[1:]
    os.makedirs(folder)
    template = imgforge.Image.from_manifest(MANIFEST)
    for device, address, name, sleep in rows:
        img = template.copy()
        img.set("BD_ADDRESS", address)
        img.set("DEVICE_NAME", name, "text")
        img.set("SLEEP_MIN", int(sleep), "u32")
        img.compact()  # as --batch does
        img.save(os.path.join(folder, device + ".bin"), sync=False)
    os.sync()
    return time.perf_counter() - start


def same_images(a, b, devices):
    names = ["dev%05d.bin" % i for i in range(devices)]
    match, mismatch, errors = filecmp.cmpfiles(a, b, names, shallow=False)
    return len(match) == devices


def main():
    build = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else "build").resolve()
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    devices = int(sys.argv[3]) if len(sys.argv) > 3 else 10000
    sys.path.insert(0, str(build / "python"))
    import imgforge

    tool = build / "bin" / "imgforge"
    work = pathlib.Path(tempfile.mkdtemp())
    try:
        table = work / "devices.csv"
        write_table(table, devices)
        batch, loop = [], []
        runs = [lambda: batch.append(time_batch(tool, table, work / "batch")),
                lambda: loop.append(time_loop(imgforge, table, work / "loop"))]
        for i in range(rounds):
            # Each starts with nothing left for the disk to write; which
            # goes first alternates too.
            for run in runs[i % 2:] + runs[:i % 2]:
                os.sync()
                run()
            if i == 0 and not same_images(work / "batch", work / "loop", devices):
                sys.exit("the loop's images differ from --batch's")
            shutil.rmtree(work / "batch")
            shutil.rmtree(work / "loop")
    finally:
        shutil.rmtree(work)
    b, p = statistics.median(batch), statistics.median(loop)
    print("| %-40s | %10s | %6s |" % ("%d device images, %d rounds" % (devices, rounds), "ms",
                                      "ratio"))
    print("|%s|%s|%s|" % ("-" * 42, "-" * 12, "-" * 8))
    print("| %-40s | %10.0f | %6s |" % ("--batch", b * 1000, ""))
    print("| %-40s | %10.0f | %6.2f |" % ("Python loop, against --batch", p * 1000, p / b))


if __name__ == "__main__":
    main()
