#!/usr/bin/env python3
"""Builds the benchmark's file tree and the matching signature sets.

Everything comes from one seed, so two runs with the same seed and scale give
byte-identical trees and tables on any machine. The tree holds ordinary data
files, a few hundred small PE images and about a hundred large files; some of
them are planted so that every scanner must report them: hash hits (the file's
MD5 is listed) and pattern hits (a PE image carries a listed byte string at a
fixed offset). The same signatures are written for each scanner in its own
format, and expected.tsv names every planted file with the signature it must
trigger.
"""
import argparse
import hashlib
import json
import math
import os
import random
import shutil
import struct
import sys

# Shape of the full-size tree (scaled by --scale).
FULL_FILES = 20_000
FULL_BIG = 100
FULL_PE = 300
FULL_HASH_HITS = 100
FULL_PATTERN_HITS = 50
FILES_PER_FOLDER = 100

SMALL_MIN, SMALL_MAX = 1_000, 200_000
PE_MIN, PE_MAX = 8_192, 200_000
# Below 10 MiB, the scanner's default largest file, so every file is checked.
BIG_MIN, BIG_MAX = 1_000_000, 10_000_000

HASH_SIGNATURES = 10_000
PATTERN_SIGNATURES = 1_000
# Patterns live behind the 0x200 bytes of PE headers and end well inside the
# smallest PE image, so the same patterns fit every PE file in the tree.
PATTERN_OFFSET_MIN, PATTERN_OFFSET_MAX = 0x200, 0x1000
PATTERN_LEN_MIN, PATTERN_LEN_MAX = 8, 32

HEADER_SIZE = 0x200
PE_OFFSET = 0x80

CORE_MEMBERS = ["Hash.db", "HotSpot.db", "White.db", "Dda.db", "Dir.db", "BHO.db",
                "Replace.db", "TrackingCookie.db", "HotKey.db", "HotVal.db", "Guid.db",
                "Extra.db", "Version.db", "StringS.db"]
ADDITION_MEMBERS = ["Hash_Add.db", "HotSpot.db", "White.db", "Dda.db", "Dir.db", "BHO.db",
                    "Replace.db", "TrackingCookie.db", "HotKey.db", "HotVal.db", "Guid.db",
                    "Extra.db", "Version.db", "StringS_Add.db", "Info.db"]

DATA_EXTENSIONS = [".dat", ".txt", ".bin", ".log", ".jpg", ".doc", ".xml", ".db"]
BIG_EXTENSIONS = [".iso", ".bin", ".dat", ".zip"]
PE_EXTENSIONS = [".exe", ".dll"]


def log_uniform(rng, low, high):
    return int(math.exp(rng.uniform(math.log(low), math.log(high))))


def pe_header(rng, size, dll):
    """A small but well-formed PE32 header with one section covering the file."""
    h = bytearray(rng.randbytes(HEADER_SIZE))
    h[0:0x40] = bytes(0x40)
    h[0:2] = b"MZ"
    struct.pack_into("<H", h, 0x18, 0x40)  # e_lfarlc: a "new" executable
    struct.pack_into("<I", h, 0x3C, PE_OFFSET)
    raw = (size - HEADER_SIZE) & ~0x1FF
    image = 0x1000 + ((raw + 0xFFF) & ~0xFFF)
    h[PE_OFFSET:HEADER_SIZE] = bytes(HEADER_SIZE - PE_OFFSET)
    h[PE_OFFSET:PE_OFFSET + 4] = b"PE\0\0"
    coff = PE_OFFSET + 4
    characteristics = 0x2102 if dll else 0x0102
    struct.pack_into("<HHIIIHH", h, coff, 0x14C, 1, 0x5F000000 + rng.randrange(1 << 24),
                     0, 0, 0xE0, characteristics)
    opt = coff + 20
    struct.pack_into("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", h, opt,
                     0x10B, 14, 0, raw, 0, 0, 0x1000, 0x1000, 0x1000, 0x400000,
                     0x1000, 0x200, 6, 0, 0, 0, 6, 0, 0, image, HEADER_SIZE, 0,
                     2, 0, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    section = opt + 0xE0
    struct.pack_into("<8sIIIIIIHHI", h, section, b".text", raw, 0x1000, raw, HEADER_SIZE,
                     0, 0, 0, 0, 0x60000020)
    return bytes(h)


def plan(seed, scale):
    """Decides every file's name, size and kind, and the signatures, without content."""
    rng = random.Random(f"veridon-bench:{seed}:plan")
    n_files = max(20, round(FULL_FILES * scale))
    n_big = max(1, round(FULL_BIG * scale))
    n_hash = max(3, round(FULL_HASH_HITS * scale))
    n_pattern = max(3, round(FULL_PATTERN_HITS * scale))
    n_pe = max(n_pattern + 3, round(FULL_PE * scale))
    n_folders = max(1, n_files // FILES_PER_FOLDER)

    order = list(range(n_files))
    rng.shuffle(order)
    kinds = ["data"] * n_files
    for i in order[:n_big]:
        kinds[i] = "big"
    for i in order[n_big:n_big + n_pe]:
        kinds[i] = "pe"

    files = []
    for i in range(n_files):
        kind = kinds[i]
        if kind == "big":
            size = log_uniform(rng, BIG_MIN, BIG_MAX)
            ext = rng.choice(BIG_EXTENSIONS)
        elif kind == "pe":
            size = log_uniform(rng, PE_MIN, PE_MAX)
            ext = rng.choice(PE_EXTENSIONS)
        else:
            size = log_uniform(rng, SMALL_MIN, SMALL_MAX)
            ext = rng.choice(DATA_EXTENSIONS)
        folder = rng.randrange(n_folders)
        rel = f"d{folder // 10:03d}/s{folder % 10}/f{i:05d}{ext}"
        files.append({"index": i, "path": rel, "size": size, "kind": kind})

    patterns = []
    for p in range(PATTERN_SIGNATURES):
        offset = rng.randrange(PATTERN_OFFSET_MIN, PATTERN_OFFSET_MAX)
        data = rng.randbytes(rng.randrange(PATTERN_LEN_MIN, PATTERN_LEN_MAX + 1))
        patterns.append({"name": f"BenchPattern_{p + 1:04d}", "offset": offset, "bytes": data})

    pe_files = [f for f in files if f["kind"] == "pe"]
    pattern_files = rng.sample(pe_files, n_pattern)
    for f, p in zip(pattern_files, rng.sample(patterns, n_pattern)):
        f["pattern"] = p
    others = [f for f in files if "pattern" not in f]
    for f in rng.sample(others, n_hash):
        f["hash_hit"] = True
    return files, patterns


def file_content(seed, f):
    rng = random.Random(f"veridon-bench:{seed}:file:{f['index']}")
    data = bytearray(rng.randbytes(f["size"]))
    if f["kind"] == "pe":
        data[0:HEADER_SIZE] = pe_header(rng, f["size"], f["path"].endswith(".dll"))
    p = f.get("pattern")
    if p:
        data[p["offset"]:p["offset"] + len(p["bytes"])] = p["bytes"]
    return bytes(data)


def write_tree(seed, files, tree):
    """Writes the files and returns the MD5 of every hash-hit file."""
    if os.path.exists(tree):
        shutil.rmtree(tree)
    digests = {}
    for f in files:
        path = os.path.join(tree, f["path"])
        os.makedirs(os.path.dirname(path), exist_ok=True)
        data = file_content(seed, f)
        with open(path, "wb") as out:
            out.write(data)
        if f.get("hash_hit"):
            digests[f["index"]] = hashlib.md5(data).hexdigest()
    return digests


def random_digests(rng, count, exclude):
    result = set()
    while len(result) < count:
        d = rng.randbytes(16).hex()
        if d not in exclude:
            result.add(d)
    return sorted(result)


def write_lines(path, lines):
    with open(path, "w", encoding="ascii", newline="") as out:
        for line in lines:
            out.write(line + "\r\n")


def info_lines(seed):
    return ["[main]", "Version=1.0.0", "Date=01/01/2026", "FP=0", f"CoreVer=1.0.{seed}"]


def write_definition_dirs(base, hash_lines, pattern_lines, seed):
    """One folder per archive with every member the engine reads; unused ones empty."""
    core = os.path.join(base, "core")
    addition = os.path.join(base, "addition")
    for folder, members in ((core, CORE_MEMBERS), (addition, ADDITION_MEMBERS)):
        if os.path.exists(folder):
            shutil.rmtree(folder)
        os.makedirs(folder)
        for m in members:
            write_lines(os.path.join(folder, m), [])
    write_lines(os.path.join(core, "Hash.db"), hash_lines)
    write_lines(os.path.join(core, "StringS.db"), pattern_lines)
    write_lines(os.path.join(addition, "Info.db"), info_lines(seed))


def write_signatures(seed, files, patterns, digests, sigs):
    rng = random.Random(f"veridon-bench:{seed}:signatures")
    os.makedirs(sigs, exist_ok=True)
    hits = {d: f for f in files if f.get("hash_hit") for d in [digests[f["index"]]]}
    fakes = random_digests(rng, HASH_SIGNATURES - len(hits), set(hits))
    # The signature formats of the peers carry the file size; the fake entries
    # get sizes from the tree's own distribution so size pre-filters cost what
    # they would on real data.
    sized = [(d, hits[d]["size"]) for d in hits]
    sized += [(d, log_uniform(rng, SMALL_MIN, SMALL_MAX)) for d in fakes]
    # Our engine bisects the hash table, so it must be sorted by digest.
    sized.sort()
    hashes = [(f"BenchHash_{n + 1:05d}", d, size) for n, (d, size) in enumerate(sized)]

    expected = []
    for name, d, _ in hashes:
        if d in hits:
            expected.append((hits[d]["path"], name))
    for f in files:
        if "pattern" in f:
            expected.append((f["path"], f["pattern"]["name"]))
    expected.sort()
    with open(os.path.join(sigs, "expected.tsv"), "w") as out:
        for path, name in expected:
            out.write(f"{path}\t{name}\n")

    write_definition_dirs(
        os.path.join(sigs, "veridon"),
        [f"{name},{d}" for name, d, _ in hashes],
        [f"{p['name']},{p['offset']},{p['bytes'].hex().upper()}" for p in patterns],
        seed)

    with open(os.path.join(sigs, "bench.hdb"), "w") as out:
        for name, d, size in hashes:
            out.write(f"{d}:{size}:{name}\n")
    with open(os.path.join(sigs, "bench.ndb"), "w") as out:
        for p in patterns:
            # Target 1: PE images only, as our engine checks patterns in PE images only.
            out.write(f"{p['name']}:1:{p['offset']}:{p['bytes'].hex()}\n")
    with open(os.path.join(sigs, "bench.yar"), "w") as out:
        out.write('import "hash"\n\n')
        for name, d, size in hashes:
            out.write(f"rule {name} {{ condition: filesize == {size} and "
                      f"hash.md5(0, filesize) == \"{d}\" }}\n")
        for p in patterns:
            hexbytes = " ".join(f"{b:02X}" for b in p["bytes"])
            out.write(f"rule {p['name']} {{ strings: $a = {{ {hexbytes} }} condition: "
                      f"uint16(0) == 0x5A4D and uint32(uint32(0x3C)) == 0x00004550 and "
                      f"$a at {p['offset']} }}\n")
    return len(expected)


def write_bulk_hashes(seed, sigs, count):
    """Definitions with `count` hash lines and nothing else, for the start-up test."""
    rng = random.Random(f"veridon-bench:{seed}:bulk")
    digests = sorted(rng.randbytes(16).hex() for _ in range(count))
    write_definition_dirs(os.path.join(sigs, "bulk"),
                          [f"BenchBulk_{n + 1:07d},{d}" for n, d in enumerate(digests)], [], seed)


def generate(seed, scale, out, bulk=1_000_000, force=False):
    """Writes out/tree, out/sigs and out/tree.json; reuses them when the stamp matches."""
    stamp_path = os.path.join(out, "tree.json")
    stamp = {"generator": 2, "seed": seed, "scale": scale, "bulk": bulk}
    if not force and os.path.exists(stamp_path):
        with open(stamp_path) as f:
            old = json.load(f)
        if all(old.get(k) == v for k, v in stamp.items()):
            return old
    if os.path.exists(stamp_path):
        os.remove(stamp_path)
    os.makedirs(out, exist_ok=True)
    files, patterns = plan(seed, scale)
    digests = write_tree(seed, files, os.path.join(out, "tree"))
    sigs = os.path.join(out, "sigs")
    planted = write_signatures(seed, files, patterns, digests, sigs)
    write_bulk_hashes(seed, sigs, bulk)
    stamp.update({
        "files": len(files),
        "bytes": sum(f["size"] for f in files),
        "pe_files": sum(1 for f in files if f["kind"] == "pe"),
        "big_files": sum(1 for f in files if f["kind"] == "big"),
        "planted": planted,
        "hash_signatures": HASH_SIGNATURES,
        "pattern_signatures": PATTERN_SIGNATURES,
    })
    with open(stamp_path + ".tmp", "w") as f:
        json.dump(stamp, f, indent=1)
    os.replace(stamp_path + ".tmp", stamp_path)
    return stamp


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--scale", type=float, default=1.0)
    ap.add_argument("--out", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "out"))
    ap.add_argument("--bulk", type=int, default=1_000_000)
    ap.add_argument("--force", action="store_true")
    a = ap.parse_args()
    stamp = generate(a.seed, a.scale, a.out, a.bulk, a.force)
    json.dump(stamp, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
