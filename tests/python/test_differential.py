"""The module against the tool: seeded random edit sequences applied through
both must leave the same bytes, statuses and JSON documents."""

import random

import imgforge
import pytest

TAGS = {t.number: t for t in imgforge.tags()}
REGISTER_WRITES = (0xFC, 0xFD, 0xFE)
FIELDS = imgforge.Image.otp().hw_config.fields


def length_for(rng, tag):
    """A length the tag's rule allows, now and then one it does not."""
    rule = TAGS[tag].length if tag in TAGS else "any length"
    words = rule.split()
    if rng.random() < 0.05 or rule == "any length":
        return rng.choice([0, 1, rng.randint(0, 300)])
    if words[0] == "at":
        return rng.randint(0, int(words[2]))
    return int(words[0])


def tag_for(rng):
    if rng.random() < 0.2:
        return rng.choice(REGISTER_WRITES)
    return rng.randint(1, 254)


def spelled(rng, tag):
    """The tag as the module takes it: a number, its name in some letter
    case, or hex digits."""
    name = TAGS[tag].name if tag in TAGS else None
    forms = [tag, "%02x" % tag, "0x%02X" % tag]
    if name:
        mixed = "".join(rng.choice((c.lower(), c.upper())) for c in name)
        forms += [name, name.lower(), mixed]
    return rng.choice(forms)


def blow_arg(rng):
    name = rng.choice(sorted(FIELDS))
    field = FIELDS[name]
    width = field.high - field.low + 1
    choice = rng.random()
    if choice < 0.3:
        return name  # refused for a field of several bits
    if choice < 0.7:
        return "%s:%x" % (name, rng.randint(0, (1 << width) - 1 + (rng.random() < 0.1)))
    return rng.getrandbits(32) & rng.getrandbits(32) & rng.getrandbits(32)


def random_case(rng):
    """(otp, flash size or None, edits): each edit a tuple of its kind and
    arguments. Most edits are ones the image accepts."""
    otp = rng.random() < 0.25
    size = None if otp else rng.choice([None, None, 131072, 4096, 1024, 160])
    edits, live, locked = [], set(), set()

    def pick(tags):
        if rng.random() < 0.01:
            return tag_for(rng)
        return rng.choice(sorted(tags)) if tags else None

    for _ in range(rng.randint(0, 40)):
        r = rng.random()
        if r < 0.65 or (r >= 0.9 and not otp):
            tag = tag_for(rng)
            if tag in locked and rng.random() < 0.9:
                continue
            # -d takes less than the flash size.
            length = min(length_for(rng, tag), (size or 4096) - 1)
            edits.append(("put", tag, rng.randbytes(length)))
            live.add(tag)
        elif r < 0.8:
            tag = pick(live - locked)
            if tag:
                edits.append(("erase", tag))
                live.discard(tag)
        elif r < 0.9:
            tag = pick(live)
            if tag:
                edits.append(("lock", tag))
                locked.add(tag)
        else:
            edits.append(("blow", blow_arg(rng)))
    return otp, size, edits


def apply_edit(rng, img, edit):
    kind, arg = edit[0], edit[1]
    if kind == "put":
        img.put(spelled(rng, arg), edit[2])
    elif kind == "erase":
        del img[spelled(rng, arg)]
    elif kind == "lock":
        img.lock(spelled(rng, arg))
    else:
        img.blow(arg)


def tool_args(edit, folder, index):
    kind, arg = edit[0], edit[1]
    if kind == "put":
        path = folder / ("d%d" % index)
        path.write_bytes(edit[2])
        return ["-t", "%02x" % arg, "-d", path]
    if kind == "blow":
        return ["-w", arg if isinstance(arg, str) else "%x" % arg]
    return ["-e" if kind == "erase" else "-l", "%02x" % arg]


def shape_args(otp, size):
    return ["-i"] if otp else (["-f", size] if size else [])


def python_image(rng, otp, size, edits):
    """The image the module builds; the status of the edit that failed (and
    the edits up to it), as the tool stops at its first failure."""
    img = imgforge.Image.otp() if otp else imgforge.Image(size or 65536)
    for i, edit in enumerate(edits):
        try:
            apply_edit(rng, img, edit)
        except imgforge.Error as e:
            return img, e.status, edits[: i + 1]
    return img, 0, edits


def record_fields(record):
    """A record of the document, with the Record's attributes."""
    return (record["offset"], record["tag"], record["name"], record["length"],
            record["locked"], bytes.fromhex(record["data"]), record.get("decoded"),
            record.get("value"))


@pytest.mark.parametrize("seed", range(60))
def test_edits_as_the_tool_makes_them(seed, tool, tmp_path):
    rng = random.Random(seed)
    otp, size, edits = random_case(rng)
    img, status, done = python_image(rng, otp, size, edits)
    args = shape_args(otp, size)
    for i, edit in enumerate(done):
        args += tool_args(edit, tmp_path, i)
    got_status, out, err = tool(*args, "-b")
    assert got_status == status, err
    if status:
        return
    assert bytes(img) == out
    if seed % 4 == 0:
        full = tmp_path / "full.bin"
        img.save(full, full=True)
        assert tool(*args, "-F", "-b")[1] == full.read_bytes()


@pytest.mark.parametrize("seed", range(60))
def test_read_back_as_the_tool_reads_it(seed, tool, tmp_path):
    rng = random.Random(seed)
    otp, size, edits = random_case(rng)
    img, _, _ = python_image(rng, otp, size, edits)
    path = tmp_path / "image.bin"
    path.write_bytes(bytes(img))
    status, document, err = tool(*shape_args(otp, size), "-r", path, "--json")
    assert status == 0, err
    for source in (bytes(img), bytearray(bytes(img)), path, str(path)):
        loaded = imgforge.Image.load(source, otp=otp, size=size or 65536)
        assert loaded.to_json().encode() == document
    assert loaded.records() == img.records()
    assert [record_fields(r) for r in loaded.to_dict()["records"]] == [tuple(r) for r in loaded]
