#!/usr/bin/env python3
"""The figures of a bench/run as results.json, and the page's tables from one or more of those.

    report.py results DIR PROGRAM...   writes DIR/results.json from DIR/*.txt, DIR/micro.csv and
                                       DIR/run.txt; prints "taken" or "missing" and the name of
                                       every figure the PROGRAMs and the core must have
    report.py page RESULTS.json...     prints the tables, each program with a column per run
                                       (one run per Debian release), side by side
    report.py plot DIR                 prints the gnuplot script of the step latencies' plot
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
# Every program measured, in the order of the summary and the plot: its title, and the figures it
# must have.
PROGRAMS = {
    'baseline': ('Floor (Xlib + XShape)', KEYS),
    'qt_floor': ('Qt Widgets alone (bench/qt_floor.cpp)', KEYS),
    'linux': ('Zelvaro, Linux (Qt)', KEYS),
    'baseline_windows': ('Floor (Win32 + SetWindowRgn, Wine)', KEYS + WINE_KEYS),
    'windows': ('Zelvaro, Windows (Wine)',
                KEYS + WINE_KEYS + ['exe_bytes', 'gdi_objects_before', 'gdi_objects_after']),
    'baseline_wayland': ('Floor (layer shell, sway)', KEYS),
    # The bare Qt window on Wayland is measured for start-up, memory and idleness only.
    'qt_floor_wayland': ('Qt window alone (sway)',
                         ['startup_ms', 'startup_cpu_ms', 'rss_kb_idle', 'idle_cpu_ms', 'idle_wakeups']),
    'wayland': ('Zelvaro, Wayland (sway)', KEYS),
    'wayland_reserving': ('Zelvaro, Wayland (sway), windows kept in the frame',
                          ['step_p50_ms', 'step_p99_ms']),
}
STEP_RATIOS = ['step_p50_ms', 'step_p99_ms', 'startup_ms', 'startup_cpu_ms']
RATIOS = {
    'linux_to_baseline': STEP_RATIOS,
    'windows_to_baseline_windows': STEP_RATIOS + ['startup_in_turns_ms', 'startup_wine_cpu_ms'],
    'wayland_to_baseline_wayland': ['step_p50_ms', 'step_p99_ms'],
    'wayland_to_qt_floor_wayland': ['startup_ms', 'startup_cpu_ms', 'rss_kb_idle'],
    'wayland_reserving_to_wayland': ['step_p50_ms', 'step_p99_ms'],
}
# The core's figures: each benchmark's name, and its title on the page.
CORE = {'applique_marges_ns': ('AppliquerMarges', '`modRégions::AppliquerMarges` (scripted runtime)'),
        'inner_rectangle_ns': ('innerRectangle', '`modRégions::innerRectangle`'),
        'decoder_texte_152_digits_ns': ('DecoderTexte', '`modGénéral::DecoderTexte`, 152 digits')}


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
            programs[name] = dict.fromkeys(PROGRAMS[name][1])
            figures = {key: number(text) for key, text in pairs(path).items()}
            programs[name].update((key, v) for key, v in figures.items() if v is not None)
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
    core = {key: micro(folder / 'micro.csv', name) for key, (name, _) in CORE.items()}
    everything = {**programs, 'ratios': ratios, 'core': core, 'run': pairs(folder / 'run.txt')}
    (folder / 'results.json').write_text(json.dumps(everything, indent=2, ensure_ascii=False) + '\n')
    checks = [(f'{name} {key}', (programs[name] or {}).get(key))
              for name in targets for key in PROGRAMS[name][1]]
    checks += [(f'micro {name}', core[key]) for key, (name, _) in CORE.items()]
    for figure, value in checks:
        print('missing' if value is None else 'taken', figure)


# --- The page ------------------------------------------------------------------------------------

def fig(key):
    return lambda programs, name: (programs[name] or {}).get(key)


def growth(part='', prefix=''):  # how much that part of the resident memory grew over the steps
    def figure(programs, name):
        entry = programs[name] or {}
        idle, after = (entry.get(f'{prefix}rss{part}_kb_{when}') for when in ('idle', 'after_steps'))
        return None if idle is None or after is None else after - idle
    return figure


def both(first, second):  # two figures in one cell, "first / second"
    return lambda programs, name: ' / '.join(text(f(programs, name)) for f in (first, second))


def within(factor, floor=None, limit=None):  # at most factor × the floor's, and at most limit
    def holds(programs, name, figure):
        value, base = figure(programs, name), figure(programs, floor) if floor else 1
        if value is None or base is None:
            return None
        return value <= factor * base and (limit is None or value <= limit)
    return holds


def equal(programs, name, figure):
    before, after = figure(programs, name).split(' / ')
    return None if '—' in (before, after) else before == after


def text(value):
    return '—' if value is None else str(value)


def row(*cells):
    return '| ' + ' | '.join(cells) + ' |'


class Table:
    """Each program's figure in a column per run, the first program's ratio to a floor in a column
    per run, then the target; the first program's figure in bold where it misses its target."""

    def __init__(self, heading, programs, runs, ratio_head=None):
        self.runs, self.programs, self.ratio_head = runs, programs, ratio_head
        self.lines = [heading, '']
        heads = [f'{title}, {run["label"]}' for _, title in programs for run in runs]
        if ratio_head:
            heads += [f'{ratio_head}, {run["label"]}' for run in runs]
        self.lines += [row('Measure', *heads, 'Target'),
                       row('---', *['---:'] * len(heads), '---')]

    def add(self, title, figure, target='', holds=None, floor=None, alone=False):
        cells = []
        for column, (name, _) in enumerate(self.programs):
            for run in self.runs:
                programs = run['programs']
                value = '' if column and alone else text(figure(programs, name))
                if column == 0 and programs[name] is None:
                    value = 'skipped'
                elif column == 0 and holds and holds(programs, name, figure) is False:
                    value = f'**{value}**'
                cells.append(value)
        if self.ratio_head:
            judged = self.programs[0][0]
            for run in self.runs:
                value = floor and ratio(figure(run['programs'], judged), figure(run['programs'], floor))
                cells.append('' if not floor else '—' if value is None else f'{value:.2f}')
        self.lines.append(row(title, *cells, target))


def page(paths):
    runs = [json.load(open(path)) for path in paths]
    for run in runs:
        run['programs'] = {name: run.get(name) for name in PROGRAMS}
        run['label'] = run['run'].get('release', '?')
    counts = runs[0]['run']
    steps, idle, wsteps = counts['steps'], counts['idle'], counts['wayland_steps']
    out = []
    for run in runs:
        info = run['run']
        out += [f'**{info["release"]}**: measured {info["date"]}'
                + (f' at commit {info["commit"]}' if info.get('commit') else '')
                + f' on {info["cores"]} cores ({info["cpu"]}), {info["memory"]} of memory,',
                f'{info["system"]}, kernel {info["kernel"]}, Qt {info["qt"]}, {info["wine"]}.',
                f'Load average (1, 5, 15 min) {info["load_before"]} before the run and '
                f'{info["load_after"]} after it;',
                f'the X server, the probe and the programs ran at {info["priority"]}.', '']
    out += ['A figure in bold misses its target.', '']

    t = Table('**The Linux build (Qt) against the Xlib floor**',
              [('linux', 'Zelvaro'), ('baseline', 'Floor (Xlib)')], runs)
    floor_x = dict(floor='baseline')
    t.add('step p50, ms', fig('step_p50_ms'))
    t.add('step p99, ms', fig('step_p99_ms'), '≤ 2 and ≤ 2 × floor', within(2, limit=2, **floor_x))
    t.add(f'start-up, median of {counts["startups"]}, ms', fig('startup_ms'), '≤ 3 × floor',
          within(3, **floor_x))
    t.add('CPU spent by the first frame, median, ms', fig('startup_cpu_ms'))
    t.add('RSS idle, KB', fig('rss_kb_idle'))
    t.add(f'RSS after {steps} steps, KB', fig('rss_kb_after_steps'))
    t.add(f'growth over {steps} steps, KB', growth(), '≤ 64', within(64))
    t.add('of which heaps and stacks / code and data of files, KB',
          both(growth('_anon'), growth('_file')))
    t.add(f'CPU over {idle} idle s, ms', fig('idle_cpu_ms'), '0', within(0))
    t.add(f'wake-ups over {idle} idle s', fig('idle_wakeups'), '≤ 1', within(1))
    out += t.lines + ['']

    t = Table('**The Windows build against the Win32 floor, both under the same Wine**',
              [('windows', 'Zelvaro'), ('baseline_windows', 'Floor (Win32)')], runs,
              'Zelvaro ÷ floor')
    floor_w = dict(floor='baseline_windows')
    t.add('step p50, ms', fig('step_p50_ms'), '≤ 1.3 × floor', within(1.3, **floor_w), **floor_w)
    t.add('step p99, ms', fig('step_p99_ms'), '≤ 1.3 × floor', within(1.3, **floor_w), **floor_w)
    t.add(f'start-up, median of {counts["startups"]}, ms', fig('startup_ms'), **floor_w)
    t.add(f'start-up in turns with the other, median of {counts["turn_starts"]}, ms',
          fig('startup_in_turns_ms'), '≤ 1.3 × floor', within(1.3, **floor_w), **floor_w)
    t.add("CPU spent by the first frame, the program's process, median, ms",
          fig('startup_cpu_ms'), **floor_w)
    t.add('CPU spent by the first frame, all Wine processes, median, ms',
          fig('startup_wine_cpu_ms'), **floor_w)
    t.add('cold start-up (no Wine running), ms', fig('startup_first_ms'), **floor_w)
    t.add("RSS idle, the program's process, KB", fig('rss_kb_idle'), **floor_w)
    t.add(f"growth over {steps} steps, the program's process, KB", growth(), '≤ 64', within(64))
    t.add('of which heaps and stacks / code and data of files, KB',
          both(growth('_anon'), growth('_file')))
    t.add('Wine processes serving the program', fig('wine_processes_idle'), **floor_w)
    t.add('RSS idle, summed over those processes, KB', fig('wine_rss_kb_idle'), **floor_w)
    t.add('PSS idle, summed over those processes, KB', fig('wine_pss_kb_idle'), **floor_w)
    t.add(f'growth over {steps} steps, those processes (RSS), KB', growth(prefix='wine_'))
    t.add(f'CPU over {idle} idle s, ms', fig('idle_cpu_ms'), '0', within(0))
    t.add(f'wake-ups over {idle} idle s', fig('idle_wakeups'), '≤ 1', within(1))
    t.add('zelvaro.exe, bytes', fig('exe_bytes'), '≤ 524288 (512 KB)', within(524288), alone=True)
    t.add('regions alive, before / after 10000 steps',
          both(fig('gdi_objects_before'), fig('gdi_objects_after')), 'equal', equal, alone=True)
    out += t.lines

    if any(run['programs']['baseline_wayland'] for run in runs):
        t = Table('**The Wayland frame (Qt, layer shell) on headless sway, against a bare '
                  'layer-shell\nclient and a bare Qt window**',
                  [('wayland', 'Zelvaro'), ('baseline_wayland', 'Floor (layer shell)'),
                   ('qt_floor_wayland', 'Qt window alone')], runs,
                  'Zelvaro ÷ the floor of its target')
        layer, qt = dict(floor='baseline_wayland'), dict(floor='qt_floor_wayland')
        t.add('step p50, ms', fig('step_p50_ms'), '≤ 2 × floor', within(2, **layer), **layer)
        t.add('step p99, ms', fig('step_p99_ms'), **layer)
        t.add(f'start-up, median of {counts["startups"]}, ms', fig('startup_ms'),
              '≤ 1.3 × Qt window', within(1.3, **qt), **qt)
        t.add('CPU spent by the first frame, median, ms', fig('startup_cpu_ms'), **qt)
        t.add('RSS idle, KB', fig('rss_kb_idle'), '≤ 1.3 × Qt window', within(1.3, **qt), **qt)
        t.add(f'growth over {wsteps} steps, KB', growth(), '0', within(0))
        t.add('of which heaps and stacks / code and data of files, KB',
              both(growth('_anon'), growth('_file')))
        t.add('of which shared memory (buffers the compositor reads), KB', growth('_shmem'))
        t.add('of the RSS idle, shared memory, KB', fig('rss_shmem_kb_idle'))
        t.add(f'CPU over {idle} idle s, ms', fig('idle_cpu_ms'), '0', within(0))
        t.add(f'wake-ups over {idle} idle s', fig('idle_wakeups'), '≤ 1', within(1))
        out += [''] + t.lines

    if any(run['programs']['wayland_reserving'] for run in runs):
        t = Table('**A step on sway with windows kept in the frame, against one without**',
                  [('wayland_reserving', 'Kept in the frame'), ('wayland', 'Not kept')], runs,
                  'kept ÷ not kept')
        plain = dict(floor='wayland')
        for key in ('p50', 'p99'):
            t.add(f'step {key}, ms', fig(f'step_{key}_ms'), '≤ 1.3 × not kept',
                  within(1.3, **plain), **plain)
        out += [''] + t.lines

    out += ['', row('Core alone (Google Benchmark)', *[f'ns per call, {run["label"]}' for run in runs]),
            row('---', *['---:'] * len(runs))]
    for key, (_, title) in CORE.items():
        out.append(row(title, *[text(run['core'][key]) for run in runs]))

    # Where each program's time and memory go, from the floor up: the bare X client, Qt alone
    # doing the same job, then Zelvaro; the bare Win32 program, then Zelvaro, under Wine.
    keys = ['startup_ms', 'rss_kb_idle', 'step_p50_ms', 'back_to_back_p50_ms', 'step_cpu_us',
            'step_server_cpu_us']
    out += ['', row('Program', 'Release', 'start-up, ms', 'RSS idle, KB', 'step p50, ms',
                    'back-to-back p50, ms', 'program CPU per step, µs',
                    'display server CPU per step, µs'),
            row('---', '---', *['---:'] * len(keys))]
    for name, (title, _) in PROGRAMS.items():
        for run in runs:
            if run['programs'][name] is not None:
                out.append(row(title, run['label'],
                               *[text(fig(key)(run['programs'], name)) for key in keys]))
    print('\n'.join(out))


def plot(folder):  # each program's step latencies as a distribution
    curves = []
    for name, (title, _) in PROGRAMS.items():
        samples = folder / f'{name}-steps.txt'
        n = len(samples.read_text().splitlines()) if samples.exists() else 0
        if n:
            curves.append(f"'{samples}' using 1:(1.0/{n}) smooth cumulative with lines lw 2 "
                          f"title '{title} ({n} presses)'")
    if not curves:
        return
    cores = pairs(folder / 'run.txt').get('cores')
    print(f"""set terminal pngcairo size 900,600 font "sans,10"
set output '{folder}/step-latency.png'
set title "From a Right key press to the moved band edge on screen (1024 × 768, {cores} cores)"
set xlabel "milliseconds (logarithmic)" offset 0,0.3
set ylabel "share of presses at or below"
set logscale x
set yrange [0:1.02]
set grid
set key below spacing 1.3 noenhanced
set arrow from 2, graph 0 to 2, graph 1 nohead dashtype 2 lc rgb "#aa0000"
set label "2 ms target" at 2, graph 0.5 offset 0.5,0 tc rgb "#aa0000"
plot {', '.join(curves)}""")


if __name__ == '__main__':
    if len(sys.argv) > 2 and sys.argv[1] == 'results':
        results(Path(sys.argv[2]), sys.argv[3:])
    elif len(sys.argv) > 2 and sys.argv[1] == 'page':
        page(sys.argv[2:])
    elif len(sys.argv) == 3 and sys.argv[1] == 'plot':
        plot(Path(sys.argv[2]))
    else:
        sys.exit(__doc__)
