#!/usr/bin/python3
"""Shows what a screen reader gets from hwconfig or wheelconfig over AT-SPI.

Starts the program from the build directory on simulated controllers with Qt's AT-SPI
bridge switched on, optionally presses keys in its window, and prints its accessible
tree: role, name, the labels that name a control (labelled-by), and which node has the
focus. Ends with the controls on screen that a screen reader could announce by no name,
and exits with 1 if there are any.

    /usr/bin/python3 scripts/atspi-tree.py hwconfig --keys Down
    /usr/bin/python3 scripts/atspi-tree.py hwconfig --keys Down Tab Right Right Right Tab
    /usr/bin/python3 scripts/atspi-tree.py wheelconfig --all

Without a display it runs itself under xvfb-run, and without a session bus under
dbus-run-session. Needs Debian's python3-pyatspi, at-spi2-core, xvfb and xdotool; use the
system python (/usr/bin/python3), which is the one that has pyatspi.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUS_LAUNCHER = '/usr/libexec/at-spi-bus-launcher'
PROGRAMS = ('hwconfig', 'wheelconfig')
SIMULATED = {'hwconfig': 'joystick', 'wheelconfig': 'wheel'}
INTERACTIVE = {'push button', 'toggle button', 'check box', 'radio button', 'combo box',
               'spin button', 'slider', 'text', 'password text', 'page tab'}


def reexec_with_display_and_bus():
    """Runs this script again under xvfb-run and dbus-run-session where they are missing."""
    command = [sys.executable, os.path.abspath(__file__)] + sys.argv[1:]
    if not os.environ.get('DBUS_SESSION_BUS_ADDRESS'):
        command = ['dbus-run-session', '--'] + command
    if not os.environ.get('DISPLAY'):
        command = ['xvfb-run', '-a'] + command
    if command[0] != sys.executable:
        os.execvp(command[0], command)


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('program', choices=PROGRAMS)
    parser.add_argument('--simulator', help='KESTRIX_SIMULATOR for the program '
                        '(default: joystick for hwconfig, wheel for wheelconfig)')
    parser.add_argument('--keys', nargs='*', default=[],
                        help='xdotool key names pressed in the window, one after another')
    parser.add_argument('--all', action='store_true',
                        help='also nodes that are not on screen (hidden pages and tabs)')
    parser.add_argument('--bin', default=os.path.join(ROOT, 'build', 'bin'),
                        help='directory with the programs (default: build/bin)')
    parser.add_argument('args', nargs='*', help='arguments for the program, e.g. ru')
    return parser.parse_args()


def find_application(pyatspi, name, seconds=15):
    desktop = pyatspi.Registry.getDesktop(0)
    deadline = time.time() + seconds
    while time.time() < deadline:
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        time.sleep(0.25)
    return None


def press_keys(pid, keys):
    # Without a window manager the window only gets the keyboard when it is given it. Found by
    # its process, not its title, which is translated.
    subprocess.run(['xdotool', 'search', '--sync', '--onlyvisible', '--pid', str(pid),
                    'windowfocus', '--sync'],
                   check=True, stdout=subprocess.DEVNULL, timeout=15)
    for key in keys:
        subprocess.run(['xdotool', 'key', key], check=True)
        time.sleep(0.3)  # the program polls and reads; let it settle
    time.sleep(0.5)


def labels_of(pyatspi, node):
    labels = []
    for relation in node.getRelationSet():
        if relation.getRelationType() != pyatspi.RELATION_LABELLED_BY:
            continue
        for i in range(relation.getNTargets()):
            target = relation.getTarget(i)
            if target is not None:
                labels.append(target.name)
    return labels


def dump(pyatspi, node, show_all, depth=0, inside_control=False, unnamed=None):
    role = node.getRoleName()
    states = node.getState()
    showing = states.contains(pyatspi.STATE_SHOWING)
    if not showing and not show_all and depth > 0:
        return
    labels = labels_of(pyatspi, node)
    line = '  ' * depth + f'{role}: {node.name!r}'
    if labels:
        line += ' labelled by ' + ', '.join(repr(label) for label in labels)
    if states.contains(pyatspi.STATE_FOCUSED):
        line += '  <focus>'
    if not showing:
        line += '  (not on screen)'
    print(line)
    # The list and line edit inside a combo box are parts of it, not controls of their own.
    if role in INTERACTIVE and not inside_control and showing and not (node.name or labels):
        unnamed.append(role)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            dump(pyatspi, child, show_all, depth + 1, inside_control or role == 'combo box',
                 unnamed)


def main():
    reexec_with_display_and_bus()
    options = parse_arguments()
    program = os.path.join(options.bin, options.program)
    if not os.access(program, os.X_OK):
        sys.exit(f'{program} is not built (cmake -S . -B build && ninja -C build)')
    if options.keys and not shutil.which('xdotool'):
        sys.exit('--keys needs xdotool')

    # Refuses to start if a bus for this session runs already; that one serves as well.
    launcher = subprocess.Popen([BUS_LAUNCHER, '--launch-immediately'])
    time.sleep(1)
    environment = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON='1',
                       KESTRIX_SIMULATOR=options.simulator or SIMULATED[options.program])
    child = subprocess.Popen([program] + options.args, cwd=options.bin, env=environment)
    try:
        import pyatspi  # connects to the accessibility bus on import
        app = find_application(pyatspi, options.program)
        if app is None:
            sys.exit(f'{options.program} did not appear on the accessibility bus')
        time.sleep(1)
        if options.keys:
            press_keys(child.pid, options.keys)
        unnamed = []
        dump(pyatspi, app, options.all, unnamed=unnamed)
    finally:
        child.terminate()
        child.wait()
        launcher.terminate()
        launcher.wait()
    if unnamed:
        print(f'{len(unnamed)} control(s) on screen without a name or label: ' + ', '.join(unnamed))
        return 1
    print('every control on screen has a name or a label')
    return 0


if __name__ == '__main__':
    sys.exit(main())
