"""The module's own behaviour: tags, data, values, errors, files, warnings
and the OTP word."""

import json
import os
import pathlib
import re
import subprocess
import sys
import textwrap
import warnings

import imgforge
import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
MAX_LENGTH = int(re.search(r"NVDS_MAX_LENGTH = (0x[0-9A-Fa-f]+)",
                           (ROOT / "modules/nvds/include/nvds.h").read_text()).group(1), 16)


def error_of(call, kind=imgforge.Error):
    with pytest.raises(kind) as caught:
        call()
    return caught.value


# Each use of a tag: does it, with `fill` as data the tag allows, and
# tells which tag it acted on.
def via_put(img, tag, fill):
    img.put(tag, fill)
    return img.records()[-1].tag


def via_set(img, tag, fill):
    img.set(tag, fill.hex(), "hex")
    return img.records()[-1].tag


def with_both(img):
    img.put(0x01, b"\x01" * 6)
    img.put(0xFE, b"\xfe" * 12)


def via_getitem(img, tag, fill):
    with_both(img)
    return img[tag][0]


def via_contains(img, tag, fill):
    img.put(0x01, bytes(6))
    img.put(0xFD, bytes(8))
    return 0x01 if tag in img else 0xFE


def via_delitem(img, tag, fill):
    with_both(img)
    del img[tag]
    return ({0x01, 0xFE} - {r.tag for r in img}).pop()


def via_lock(img, tag, fill):
    with_both(img)
    img.lock(tag)
    return [r.tag for r in img if r.locked][0]


USES = [via_put, via_set, via_getitem, via_contains, via_delitem, via_lock]
FILL = {0x01: b"\x01" * 6, 0xFE: b"\xfe" * 12}


@pytest.mark.parametrize("use", USES)
@pytest.mark.parametrize("spelled, number", [
    (1, 0x01), ("BD_ADDRESS", 0x01), ("bd_address", 0x01), ("bD_AdDrEsS", 0x01), ("01", 0x01),
    ("0x01", 0x01), ("1", 0x01), (254, 0xFE), ("fe", 0xFE), ("0XFE", 0xFE), ("MEM_RMW", 0xFE),
    ("mem_rmw", 0xFE),
])
def test_tags_by_number_or_name(use, spelled, number):
    assert use(imgforge.Image(), spelled, FILL[number]) == number


@pytest.mark.parametrize("use", USES)
@pytest.mark.parametrize("tag", [0, 255, 256, -1, 2**64, "00", "ff", "100", "BD_ADDR", "", "0x"])
def test_tags_out_of_range_are_refused(use, tag):
    img = imgforge.Image()
    assert error_of(lambda: use(img, tag, b"")).status == 1
    assert len(img) in (0, 2)


@pytest.mark.parametrize("tag", [1.0, None, b"01", True])
def test_tags_of_other_types_are_refused(tag):
    with pytest.raises(TypeError):
        imgforge.Image().put(tag, b"")


@pytest.mark.parametrize("data", [
    b"", b"\x00", b"\xff", b"\x00" * 7 + b"\xff", b"a\x00b", bytes(range(256)),
    bytes([0x5A]) * MAX_LENGTH, bytes([0x00]) + bytes(MAX_LENGTH - 2) + bytes([0xFF]),
    bytearray(b"\x01\x02"), memoryview(b"xy\x00z")[1:],
], ids=lambda data: "%s-%d" % (type(data).__name__, len(data)))
def test_data_round_trips(data):
    img = imgforge.Image()
    img.put(0x55, data)
    assert img[0x55] == bytes(data)
    (record,) = img.records()
    # A header of 3 bytes, or 4 from 128 bytes of data on.
    offset = 7 if len(data) < 128 else 8
    assert (record.offset, record.length, record.data) == (offset, len(data), bytes(data))
    # The record ends the image, 4 erased bytes after it.
    assert bytes(img) == bytes(img)[:offset] + bytes(data) + b"\xff" * 4


@pytest.mark.parametrize("size", [MAX_LENGTH + 1, MAX_LENGTH + 1000])
def test_data_past_the_record_limit_is_refused(size):
    img = imgforge.Image()
    e = error_of(lambda: img.put(0x55, bytes(size)))
    assert (e.status, e.message) == (3, "failed to put tag 55 from '<data>': LENGTH_OUT_OF_RANGE")
    assert 0x55 not in img


@pytest.mark.parametrize("data", ["text", 5, None, memoryview(bytes(8))[::2]])
def test_data_of_other_types_is_refused(data):
    with pytest.raises(TypeError):
        imgforge.Image().put(0x55, data)


@pytest.mark.parametrize("tag, value, kind, stored", [
    ("BD_ADDRESS", "F6:E5:D4:C3:B2:A1", None, bytes.fromhex("a1b2c3d4e5f6")),
    ("DEVICE_NAME", "Sensor 1", None, b"Sensor 1"),
    ("DEVICE_NAME", "", None, b""),
    ("DEVICE_NAME", "a\x00b", None, b"a\x00b"),
    ("DEVICE_NAME", "x" * 248, None, b"x" * 248),
    ("DEVICE_NAME", "caf\u00e9", "text", "caf\u00e9".encode()),
    ("MAX_SLEEP_DUR", 3200, None, (3200).to_bytes(4, "little")),
    ("UART_BAUDRATE", "0x1c200", None, (115200).to_bytes(4, "little")),
    ("SLEEP_MIN", 0xFFFFFFFF, "u32", b"\xff" * 4),
    (0x55, "01 02:03", None, b"\x01\x02\x03"),
    (0x55, 0, "u8", b"\x00"),
    (0x55, 255, "u8", b"\xff"),
    (0x55, 65535, "u16", b"\xff\xff"),
    (0x55, "0x0102", "u16", b"\x02\x01"),
    (0x55, "hi", "text", b"hi"),
])
def test_set_stores_typed_values(tag, value, kind, stored):
    img = imgforge.Image()
    img.set(tag, value, kind)
    (record,) = img.records()
    assert record.data == stored


@pytest.mark.parametrize("tag, value, kind, reason", [
    ("BD_ADDRESS", "zz", None, "bad bd_address 'zz'"),
    ("DEVICE_NAME", "x" * 249, None, "249 bytes, but DEVICE_NAME holds at most 248 bytes"),
    (0x55, 256, "u8", "256 does not fit in u8"),
    (0x55, 65536, "u16", "65536 does not fit in u16"),
    (0x55, 2**32, "u32", "does not fit in u32"),
    (0x55, -1, "u32", "bad number '-1'"),
    (0x55, "1", "float", "unknown type 'float'"),
    (0x55, "0g", None, ""),
])
def test_set_refuses_bad_values(tag, value, kind, reason):
    img = imgforge.Image()
    e = error_of(lambda: img.set(tag, value, kind))
    assert e.status == 1 and e.message.startswith("invalid setting '") and reason in e.message
    assert img.records() == []


def test_set_reads_a_file(tmp_path):
    (tmp_path / "cal.bin").write_bytes(b"\x00\x01\xff")
    img = imgforge.Image()
    img.set("RADIO_CAL", tmp_path / "cal.bin", "file")
    img.set(0x55, str(tmp_path / "cal.bin"), "file")
    assert img["radio_cal"] == img[0x55] == b"\x00\x01\xff"


def test_set_takes_an_int_as_its_decimal_text():
    img = imgforge.Image()
    with pytest.raises(TypeError):
        img.set(0x55, 1.5, "u8")
    e = error_of(lambda: img.set(0x55, 300, "u8"))
    assert "'55:u8=300'" in e.message


@pytest.mark.parametrize("call, status, text", [
    (lambda: imgforge.Image.load(b"not an image at all"), 2,
     "'<bytes>' is not an NVDS image"),
    (lambda: imgforge.Image.load(EXAMPLES / "manifest.json"), 2,
     "'%s' is not an NVDS image" % (EXAMPLES / "manifest.json")),
    (lambda: imgforge.Image.load(bytes(imgforge.Image.otp())), 2,
     "'<bytes>' is not an NVDS image\nhint: it is an OTP image; give -i before -r"),
    (lambda: imgforge.Image().set("BD_ADDRESS", "zz"), 1,
     "invalid setting '01=zz': bad bd_address 'zz': six hex byte pairs joined by ':' are expected"),
    (lambda: imgforge.Image().hw_config, 1, "the image is not in OTP form"),
    (lambda: imgforge.Image().blow("SWD_DISABLE"), 1, "the image is not in OTP form"),
    (lambda: imgforge.Image(size=4), 3, "Flash size must be at least 8"),
    (lambda: imgforge.Image(size=2**32), 1, "flash size 4294967296 is not 0 to 4294967295"),
    (lambda: imgforge.Image.load(b"", otp=True, size=8192), 3, None),
    (lambda: imgforge.Image().lock(0x55), 3, "failed to lock tag 55: TAG_NOT_DEFINED"),
    (lambda: imgforge.Image.from_manifest({"records": [{"tag": "BD_ADDR", "data": "00"}]}), 2,
     "'<manifest>' record 0: unknown tag name 'BD_ADDR'"),
    (lambda: imgforge.Image().diff(imgforge.Image.otp()), 1,
     "an OTP image compares only with an OTP image"),
])
def test_errors_carry_status_and_message(call, status, text):
    e = error_of(call)
    assert e.status == status
    assert str(e) == e.message
    assert not e.message.startswith("ERROR") and not e.message.endswith("\n") and e.message
    if text is not None:
        assert e.message == text


def test_a_locked_record_refuses_a_put():
    img = imgforge.Image()
    img.put("DEVICE_NAME", b"one")
    img.lock("DEVICE_NAME")
    e = error_of(lambda: img.put("DEVICE_NAME", b"two"))
    assert (e.status, e.message) == (3, "failed to put tag 02 from '<data>': PARAM_LOCKED")
    assert error_of(lambda: img.set("DEVICE_NAME", "two")).status == 3
    assert error_of(lambda: img.__delitem__("DEVICE_NAME")).status == 3
    assert img["DEVICE_NAME"] == b"one"


@pytest.mark.parametrize("call, text", [
    (lambda img: img[0x55], "failed to get tag 55: TAG_NOT_DEFINED"),
    (lambda img: img["BD_ADDRESS"], "failed to get tag 01: TAG_NOT_DEFINED"),
    (lambda img: img.__delitem__(0x55), "failed to erase tag 55: TAG_NOT_DEFINED"),
    (lambda img: img.__delitem__(0x02), "failed to erase tag 02: TAG_NOT_DEFINED"),
])
def test_an_absent_tag_is_not_found(call, text):
    img = imgforge.Image()
    img.put(0x02, b"gone")
    del img[0x02]
    e = error_of(lambda: call(img), KeyError)
    assert isinstance(e, imgforge.TagNotFound) and isinstance(e, imgforge.Error)
    assert (e.status, e.message, str(e)) == (3, text, text)


def test_records_iteration_and_membership():
    img = imgforge.Image.from_manifest(EXAMPLES / "manifest.json")
    records = img.records()
    assert list(img) == records and len(img) == len(records) == 6
    assert [(r.name, r.decoded, r.value) for r in records] == [
        ("BD_ADDRESS", "F6:E5:D4:C3:B2:A1", None),
        ("DEVICE_NAME", "'imgforge demo'", None),
        ("MAX_SLEEP_DUR", "3200 (1000000us)", 3200),
        ("UART_BAUDRATE", "115200", 115200),
        ("APP_BLE_ADV_DATA", " 06 Eddystone -20dBm https://imgforge.com", None),
        ("PMU_W", "block=0x1,addr=0x20,data=0x1234", None),
    ]
    assert [r.locked for r in records] == [False, False, False, True, False, False]
    assert "uart_baudrate" in img and 0x55 not in img
    img.put(0x55, b"\xc3\x28\x00")
    unknown = img.records()[-1]
    assert (unknown.name, unknown.decoded, unknown.value) == (None, None, None)


def test_decoded_text_keeps_invalid_bytes_as_escapes():
    img = imgforge.Image()
    img.put("DEVICE_NAME", b"a\xffb\xc3\xa9")
    assert img.records()[0].decoded == "'a\\xffb\u00e9'"
    assert img.to_dict()["records"][0]["decoded"] == img.records()[0].decoded


def test_from_manifest_dict_reads_files_from_the_current_folder(monkeypatch):
    monkeypatch.chdir(EXAMPLES)
    document = json.loads((EXAMPLES / "manifest.json").read_text())
    assert bytes(imgforge.Image.from_manifest(document)) == bytes(
        imgforge.Image.from_manifest("manifest.json"))


def test_json_is_a_manifest_of_the_image():
    img = imgforge.Image.otp()
    img.set("BD_ADDRESS", "01:02:03:04:05:06")
    img.blow("OTP_BATT_TYPE:NO_VBAT")
    again = imgforge.Image.from_manifest(img.to_dict())
    assert bytes(again) == bytes(img) and again.to_json() == img.to_json()


def test_compact_drops_deleted_records(tool):
    img = imgforge.Image()
    img.put(0x55, b"first")
    img.put(0x56, b"second")
    del img[0x55]
    before = bytes(img)
    img.compact()
    assert len(bytes(img)) < len(before) and img.records()[0].offset == 7
    status, out, _ = tool("--set", "55=" + b"first".hex(), "--set", "56=" + b"second".hex(),
                          "-e", "55", "--compact", "-b")
    assert (status, out) == (0, bytes(img))


def test_check_finds_problems():
    img = imgforge.Image()
    assert img.check() == []
    img.put("BD_ADDRESS", b"\x01\x02\x03\x04\x05")
    assert img.check() == [imgforge.Problem(7, "BD_ADDRESS: length 5, expected 6 bytes")]
    assert img.records()[0].decoded is None


def test_diff_compares_records():
    golden = imgforge.Image.from_manifest(EXAMPLES / "manifest.json")
    unit = golden.copy()
    assert unit.diff(golden) == {"same": True, "layout_only": False, "differences": []}
    unit.set("DEVICE_NAME", "sensor 7")
    del unit["MAX_SLEEP_DUR"]
    found = unit.diff(golden)
    assert not found["same"]
    assert [(d["name"], d["left"] and d["left"]["decoded"], d["right"] and d["right"]["decoded"])
            for d in found["differences"]] == [
        ("DEVICE_NAME", "'sensor 7'", "'imgforge demo'"),
        ("MAX_SLEEP_DUR", None, "3200 (1000000us)"),
    ]
    assert golden.diff(golden)["same"]


def test_copy_is_independent():
    for img in (imgforge.Image(4096), imgforge.Image.otp()):
        img.set("DEVICE_NAME", "template")
        copy = img.copy()
        assert copy.to_json() == img.to_json() and bytes(copy) == bytes(img)
        copy.set("DEVICE_NAME", "copy")
        assert img["DEVICE_NAME"] == b"template" and copy["DEVICE_NAME"] == b"copy"
    otp = imgforge.Image.otp()
    otp.blow(0x80000001)
    assert otp.copy().hw_config.word == 0x80000001


def test_save_writes_the_image(tmp_path):
    img = imgforge.Image(4096)
    img.set("DEVICE_NAME", "saved")
    target = tmp_path / "image.bin"
    target.write_bytes(b"old")
    img.save(target)
    assert target.read_bytes() == bytes(img)
    img.save(str(target), full=True)
    assert target.read_bytes() == bytes(img) + b"\xff" * (4096 - len(bytes(img)))
    assert os.listdir(tmp_path) == ["image.bin"]


@pytest.mark.parametrize("target", ["missing/image.bin", "folder"])
def test_a_failed_save_leaves_nothing_behind(tmp_path, target):
    (tmp_path / "folder").mkdir()
    img = imgforge.Image()
    e = error_of(lambda: img.save(tmp_path / target))
    assert e.status == 2
    assert sorted(os.listdir(tmp_path)) == ["folder"] and os.listdir(tmp_path / "folder") == []


def test_loads_a_path_or_bytes(tmp_path):
    img = imgforge.Image()
    img.set("BD_ADDRESS", "01:02:03:04:05:06")
    (tmp_path / "a.bin").write_bytes(bytes(img))
    for source in (tmp_path / "a.bin", str(tmp_path / "a.bin"), bytes(img), bytearray(bytes(img)),
                   memoryview(bytes(img))):
        assert imgforge.Image.load(source).records() == img.records()
    e = error_of(lambda: imgforge.Image.load(tmp_path / "none.bin"))
    assert e.status == 2 and "none.bin" in e.message


def test_warnings_go_to_the_warnings_module():
    cut = b"NVDS\x01\x06\x06\x01\x02"
    with pytest.warns(UserWarning) as caught:
        img = imgforge.Image.load(cut)
    assert [str(w.message) for w in caught] == [
        "'<bytes>' ends inside the record at @0007; its missing bytes read as erased"]
    assert caught[0].filename == __file__
    assert img["BD_ADDRESS"] == b"\x01\x02\xff\xff\xff\xff"
    with pytest.warns(UserWarning, match="longer than the flash size of 8 bytes"):
        imgforge.Image.load(b"NVDS" + b"\xff" * 8, size=8)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        with pytest.raises(UserWarning):
            imgforge.Image.load(cut)
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        imgforge.Image.load(cut[:4])


@pytest.mark.parametrize("arg, word", [
    ("SWD_DISABLE", 0x00000001),
    ("OTP_BATT_TYPE:NO_VBAT", 0x10000000),
    ("OTP_BROWNOUT_THR:0x6", 0x00000C00),
    ("80000000", 0x80000000),
    (0x80000001, 0x80000001),
    (0, 0),
    (0xFFFFFFFF, 0xFFFFFFFF),
])
def test_blow_sets_bits_as_the_tool_does(arg, word, tool, tmp_path):
    img = imgforge.Image.otp()
    img.blow(arg)
    hw = img.hw_config
    assert hw.word == word
    assert all(hw[name] == f.value for name, f in hw.fields.items())
    status, out, _ = tool("-i", "-w", arg if isinstance(arg, str) else "%x" % arg, "-b")
    assert (status, out) == (0, bytes(img))


@pytest.mark.parametrize("arg, status", [
    ("OTP_BROWNOUT_THR", 1), ("NO_SUCH_FIELD", 1), ("100000000", 1), (2**32, 1), (-1, 1),
    ("", 1),
])
def test_blow_refuses_bad_arguments(arg, status):
    img = imgforge.Image.otp()
    assert error_of(lambda: img.blow(arg)).status == status
    assert img.hw_config.word == 0


def test_hw_config_fields():
    img = imgforge.Image.otp()
    img.blow("OTP_BATT_TYPE:NO_VBAT")
    hw = img.hw_config
    assert hw["OTP_BATT_TYPE"] == 2
    assert hw.fields["OTP_BATT_TYPE"] == imgforge.Field("OTP_BATT_TYPE", 27, 28, 2, "No VBAT")
    assert hw.fields["SWD_DISABLE"].text == "enable SWD"
    with pytest.raises(KeyError):
        hw["swd_disable"]
    img.blow("SWD_DISABLE")
    assert hw["SWD_DISABLE"] == 0 and img.hw_config["SWD_DISABLE"] == 1


def test_tags_as_the_tool_lists_them(tool):
    status, out, _ = tool("--tags")
    listed = [re.match(r"(\w\w)  (\S+) +(\S+)  (.*)", line).groups()
              for line in out.decode().splitlines()]
    assert [(int(n, 16), name, group, rule) for n, name, group, rule in listed] == [
        tuple(t) for t in imgforge.tags()]


@pytest.mark.parametrize("call, outcome", [
    # The image's buffers: the core's own message.
    ("imgforge.Image(1 << 30)", "Error 3 Unable to malloc buffer: : Cannot allocate memory"),
    # Any other allocation: MemoryError.
    ("big.copy()", "MemoryError"),
])
def test_memory_exhaustion(call, outcome):
    # In a process of its own whose address space ends 100 MiB further on:
    # the copy's first allocation, 128 MiB of bytes, fails.
    code = textwrap.dedent("""
        import resource, imgforge
        big = imgforge.Image(1 << 27)
        pages = int(open("/proc/self/statm").read().split()[0])
        limit = pages * resource.getpagesize() + (100 << 20)
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))
        try:
            %s
        except imgforge.Error as e:
            print("Error", e.status, e.message)
        except MemoryError:
            print("MemoryError")
    """) % call
    done = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True)
    assert (done.stdout.strip(), done.stderr) == (outcome, "")
