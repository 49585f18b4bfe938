"""Images in threads: the long calls run without the GIL, two images edited
at once end as each ends alone, and one image is never worked on by two
threads at once."""

import random
import threading
import time

import imgforge

ANY_LENGTH = [t for t in range(1, 0xFC)
              if t not in {x.number for x in imgforge.tags() if x.length != "any length"}]


def edit(seed, folder):
    """A seeded sequence of edits on a 1 MiB flash, with calls that take a
    while (JSON, check, compaction) among them; its bytes, document and file."""
    rng = random.Random(seed)
    img = imgforge.Image(1 << 20)
    for step in range(3000):
        tag = rng.choice(ANY_LENGTH)
        if rng.random() < 0.1 and tag in img:
            del img[tag]
        elif rng.random() < 0.3:
            img.set(tag, rng.randbytes(rng.randint(0, 40)).hex(), "hex")
        else:
            img.put(rng.choice([tag, 0xFC]), rng.randbytes(rng.randint(0, 300)))
        if step % 300 == 299:
            img.to_json()
            img.check()
            img.compact()
    path = folder / ("%d.bin" % seed)
    img.save(path)
    return bytes(img), img.to_json(), path.read_bytes()


def test_two_images_in_two_threads(tmp_path):
    alone = {seed: edit(seed, tmp_path) for seed in (1, 2)}
    for _ in range(3):
        results = {}
        start = threading.Barrier(2)

        def run(seed):
            start.wait()
            results[seed] = edit(seed, tmp_path)

        threads = [threading.Thread(target=run, args=(seed,)) for seed in alone]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        assert results == alone


def big_image(records):
    """A document of 200 000 records takes a few tenths of a second."""
    img = imgforge.Image(1 << 22)
    for i in range(records):
        img.put(0xFD, i.to_bytes(8, "little"))
    return img


class Spinner:
    """A thread that counts as fast as it can while it holds the GIL."""

    def __init__(self):
        self.count = 0
        self.stop = False
        self.thread = threading.Thread(target=self.spin)

    def spin(self):
        while not self.stop:
            self.count += 1

    def rate(self, call):
        """Counts per second while `call` runs in this thread."""
        before, start = self.count, time.perf_counter()
        call()
        return (self.count - before) / (time.perf_counter() - start)


def test_long_calls_release_the_gil():
    img = big_image(200000)
    spinner = Spinner()
    spinner.thread.start()
    # While this thread sleeps, the spinner counts at its full rate. A call
    # that held the GIL would leave it a switch interval or two (under a
    # tenth of the rate); without the GIL it keeps counting, slowed only by
    # other work on the machine.
    ratios = []
    try:
        while len(ratios) < 3 and max(ratios, default=0) < 0.25:
            free = spinner.rate(lambda: time.sleep(0.05))
            ratios.append(spinner.rate(img.to_json) / free)
    finally:
        spinner.stop = True
        spinner.thread.join()
    assert max(ratios) >= 0.25, ratios


def test_an_image_in_use_refuses_another_thread():
    img = big_image(20000)
    stop = threading.Event()
    worker = threading.Thread(target=lambda: [img.to_json() for _ in iter(stop.is_set, True)])
    worker.start()
    refused = None
    deadline = time.monotonic() + 5
    try:
        while refused is None and time.monotonic() < deadline:
            try:
                img.put(0x55, b"x")
            except RuntimeError as e:
                refused = e
    finally:
        stop.set()
        worker.join()
    assert str(refused) == "the image is in use by another thread"
    assert len(img) == 20000 + (0x55 in img)
