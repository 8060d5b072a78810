#!/usr/bin/env python3
"""Every command's --json output, on success and on failure, and every --log record, checked
against the schema installed with the manual page. Skipped (77) without python3-jsonschema."""
import json
import os
import subprocess
import sys
import tempfile

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed")
    sys.exit(77)

cli, schema_path = sys.argv[1], sys.argv[2]
schema = json.load(open(schema_path))
validator = jsonschema.Draft202012Validator(schema)
log_schema = dict(schema, **{"$ref": "#/$defs/log_record"})
log_schema.pop("anyOf")
log_validator = jsonschema.Draft202012Validator(log_schema)

PACK = ("[Device]\nName=Varenthal\n[Registers]\nRegister06=A5\nRegister07=C3\n"
        "Register08=A3\nRegister09=10\nRegister0A=FF\n")
failures = 0
with tempfile.TemporaryDirectory() as tmp:
    pack = os.path.join(tmp, "pack.ee")
    log = os.path.join(tmp, "run.jsonl")
    open(pack, "w").write(PACK)
    sim = ["--adapter", "sim", "--log", log, "--json", "--yes"]
    cycle = ["--power-cycle", "--power-gpio", "sim", "--power-off-time", "0", "--power-settle-time", "0"]
    cases = [
        (sim + ["list"], 0), (sim + ["read", "0a"], 0), (sim + ["write", "01", "84"], 0),
        (sim + ["status"], 0), (sim + ["dump"], 0), (sim + ["eeprom", "show"], 0),
        (sim + ["eeprom", "show", pack, "--fs", "1", "--cells", "7"], 0),
        (sim + ["eeprom", "save", os.path.join(tmp, "saved.ee")], 0),
        (sim + ["eeprom", "verify", pack], 1), (sim + ["eeprom", "program", pack], 0),
        (sim + ["--sim-fault", "vgood-low", "eeprom", "program", pack], 1),
        (sim + cycle + ["--sim-fault", "no-vpp", "eeprom", "program", pack], 1),
        (sim + cycle + ["eeprom", "program", pack], 0), (sim + cycle + ["eeprom", "verify", pack], 1),
        (sim + ["--sim-fault", "nak=03", "dump"], 1), (sim + ["--sim-fault", "nak=03", "read", "3"], 1),
        (sim + ["eeprom", "verify", os.path.join(tmp, "none.ee")], 2),
        (sim + ["bogus"], 2), (["--json", "--adapter", "/dev/i2c-250", "status"], 1),
    ]
    # Several boards: one object per board.
    boards = sim + ["--adapter", "sim", "--sim-fault", "2:vgood-low"]
    many = [(boards + ["eeprom", "program", pack], 1), (boards + ["eeprom", "verify", pack], 1),
            (boards + ["eeprom", "show"], 0), (boards + ["--sim-fault", "2:nak=03", "dump"], 1)]
    for args, expected in cases + many:
        run = subprocess.run([cli] + args, capture_output=True, text=True, stdin=subprocess.DEVNULL)
        label = " ".join(args[len(sim):] if args[:len(sim)] == sim else args)
        lines = run.stdout.splitlines()
        if run.returncode != expected or len(lines) != (2 if args[:len(boards)] == boards else 1):
            print(f"FAIL {label}: exit {run.returncode} (expected {expected}), {len(lines)} lines")
            failures += 1
            continue
        errors = [e.message for line in lines for e in validator.iter_errors(json.loads(line))]
        if errors:
            print(f"FAIL {label}: {lines[0]}\n  {errors[:3]}")
            failures += 1
    for line in open(log):
        errors = [e.message for e in log_validator.iter_errors(json.loads(line))]
        if errors:
            print(f"FAIL log record: {line}  {errors[:3]}")
            failures += 1
print(f"{len(cases) + len(many)} outputs and their log records checked, {failures} failed")
sys.exit(1 if failures else 0)
