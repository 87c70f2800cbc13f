#!/usr/bin/env python3
"""The figures of a bench/run as results.json.

    report.py results DIR PROGRAM...   writes DIR/results.json from DIR/*.txt and DIR/micro.csv;
                                       prints "taken" or "missing" and the name of every figure
                                       the PROGRAMs and the core must have
"""
import csv
import json
import re
import sys
from pathlib import Path

KEYS = ['step_p50_ms', 'step_p99_ms', 'startup_ms', 'startup_cpu_ms', 'rss_kb_idle',
        'rss_kb_after_steps', 'idle_cpu_ms', 'idle_wakeups']
# Under Wine: the cold start, and the CPU and memory of every Wine process serving the program.
WINE_KEYS = ['startup_in_turns_ms', 'startup_first_ms', 'startup_wine_cpu_ms',
             'wine_processes_idle', 'wine_rss_kb_idle', 'wine_rss_kb_after_steps',
             'wine_pss_kb_idle', 'wine_pss_kb_after_steps']
REQUIRED = {
    'windows': KEYS + WINE_KEYS + ['exe_bytes', 'gdi_objects_before', 'gdi_objects_after'],
    'baseline_windows': KEYS + WINE_KEYS,
    # The bare Qt window on Wayland is measured for start-up, memory and idleness only.
    'qt_floor_wayland': ['startup_ms', 'startup_cpu_ms', 'rss_kb_idle', 'idle_cpu_ms',
                         'idle_wakeups'],
}
PROGRAMS = ['linux', 'windows', 'baseline', 'baseline_windows', 'wayland', 'baseline_wayland',
            'qt_floor_wayland']
STEP_RATIOS = ['step_p50_ms', 'step_p99_ms', 'startup_ms', 'startup_cpu_ms']
RATIOS = {
    'linux_to_baseline': STEP_RATIOS,
    'windows_to_baseline_windows': STEP_RATIOS + ['startup_in_turns_ms', 'startup_wine_cpu_ms'],
    'wayland_to_baseline_wayland': ['step_p50_ms', 'step_p99_ms'],
    'wayland_to_qt_floor_wayland': ['startup_ms', 'startup_cpu_ms', 'rss_kb_idle'],
}
CORE = {'applique_marges_ns': 'AppliquerMarges', 'inner_rectangle_ns': 'innerRectangle',
        'decoder_texte_152_digits_ns': 'DecoderTexte'}


def pairs(path):
    lines = path.read_text().splitlines() if path.exists() else []
    return dict(line.split('=', 1) for line in lines if '=' in line)


def number(text):
    if re.fullmatch(r'-?\d+', text):
        return int(text)
    return float(text) if re.fullmatch(r'-?\d+\.\d*', text) else None


def ratio(figure, floor):
    return None if figure is None or not floor else round(figure / floor, 2)


def micro(path, name):  # nanoseconds per call, from Google Benchmark's CSV
    for row in csv.reader(path.read_text().splitlines() if path.exists() else []):
        if row and row[0] == name:
            scale = {'us': 1e3, 'ms': 1e6, 's': 1e9}.get(row[4], 1)
            return round(float(row[3]) * scale, 1)
    return None


def results(folder, targets):
    programs = {}
    for name in PROGRAMS:  # null when not measured; a figure not taken is null too
        path = folder / f'{name}.txt'
        if path.exists():
            figures = pairs(path)
            programs[name] = {key: number(figures.get(key, '')) for key in REQUIRED.get(name, KEYS)}
        else:
            programs[name] = None
    ratios = {}
    for pair, keys in RATIOS.items():
        name, floor = pair.split('_to_')
        if programs[name] is not None:
            ratios[pair] = {key: ratio(programs[name].get(key), (programs[floor] or {}).get(key))
                            for key in keys}
        else:
            ratios[pair] = None
    core = {key: micro(folder / 'micro.csv', name) for key, name in CORE.items()}
    everything = {**programs, 'ratios': ratios, 'core': core}
    (folder / 'results.json').write_text(json.dumps(everything, indent=2, ensure_ascii=False) + '\n')
    # qt_floor has no place in the file; its figures are checked all the same.
    checks = [(f'{name} {key}', number(pairs(folder / f'{name}.txt').get(key, '')))
              for name in targets for key in REQUIRED.get(name, KEYS)]
    checks += [(f'micro {name}', core[key]) for key, name in CORE.items()]
    for figure, value in checks:
        print('missing' if value is None else 'taken', figure)


if __name__ == '__main__':
    if len(sys.argv) > 2 and sys.argv[1] == 'results':
        results(Path(sys.argv[2]), sys.argv[3:])
    else:
        sys.exit(__doc__)
