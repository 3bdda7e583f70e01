#!/usr/bin/env python3
"""qpk iso end to end: a complete medium (the sample medium, the shipped
Setup.exe, stand-ins for its programs, a Korean-named folder and file) made
into a disc image, read back by two readers that share nothing with xorriso
(libarchive's bsdtar, Rock Ridge names; iso9660.py, the Joliet tree Windows
reads), every file and name compared with the medium; then the refusals, one
medium defect each. With --install, the image's Joliet tree is installed as
a CD under Wine by `qpk try --cdrom` (exit 77, skipped, where qpk has no try).

usage: check_iso.py --qpk <qpk> --build <build root> --source <source tree> [--install]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import iso9660  # noqa: E402

SKIPPED = 77
ARGS = None  # the command line, for the refusals that run qpk to change a medium
KOREAN_FOLDER = '자료'
KOREAN_FILE = '자료/한글 설명서.txt'
failures = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message)


def run(argv, env=None):
    # qpk runs in the C locale, where a tool that took the locale's word for
    # the names' encoding would mangle every Korean name.
    env = dict(env or os.environ, LC_ALL='C')
    result = subprocess.run(argv, capture_output=True, env=env)
    return result.returncode, result.stdout.decode('utf-8', 'replace'), result.stderr.decode('utf-8', 'replace')


def medium_tree(folder):
    """{relative path with '/': bytes, or None for a folder} of a folder on disk."""
    tree = {}
    for top, folders, files in os.walk(folder):
        for name in folders:
            tree[os.path.relpath(os.path.join(top, name), folder)] = None
        for name in files:
            with open(os.path.join(top, name), 'rb') as f:
                tree[os.path.relpath(os.path.join(top, name), folder)] = f.read()
    return tree


def medium_state(folder):
    """{relative path: (size, modification time)}: enough to see a change, without reading a 4 GiB file."""
    state = {}
    for top, folders, files in os.walk(folder):
        for name in folders + files:
            info = os.lstat(os.path.join(top, name))
            state[os.path.relpath(os.path.join(top, name), folder)] = (info.st_size, info.st_mtime_ns)
    return state


def stage_medium(args, folder):
    """The sample medium as it ships, with its manifest made by qpk build."""
    shutil.copytree(os.path.join(args.source, 'samples', 'demo'), folder)
    script = os.path.join(folder, 'Setup.ini')
    with open(script, 'rb') as f:
        data = f.read()
    try:  # a checkout without the working-tree encoding holds the UTF-8 text
        text = data.decode('utf-8')
        if any(ord(c) > 0x7F for c in text):
            with open(script, 'wb') as f:
                f.write(text.replace('\r\n', '\n').replace('\n', '\r\n').encode('cp949'))
    except UnicodeDecodeError:
        pass
    setup_exe = os.path.join(args.build, 'win32', 'Setup.exe')
    if not os.path.isfile(setup_exe):
        sys.exit('%s is not built: make build' % setup_exe)
    shutil.copy(setup_exe, os.path.join(folder, 'Setup.exe'))
    stand_ins = {'game.exe': b'MZ game stand-in', 'Redist/setup.exe': b'MZ redistributable stand-in',
                 'quorin.dll': b'MZ shared library stand-in'}
    for name, data in stand_ins.items():
        os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
    os.makedirs(os.path.join(folder, KOREAN_FOLDER, '지도'))
    korean_files = {KOREAN_FILE: '쿼린 어드벤처 설명서\r\n'.encode('cp949'),
                    KOREAN_FOLDER + '/지도/빈 파일': b'',
                    KOREAN_FOLDER + '/지도/한 섹터.bin': bytes(range(256)) * 8,
                    KOREAN_FOLDER + '/지도/여러 섹터.bin': os.urandom(300001)}
    for name, data in korean_files.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)
    code, out, err = run([args.qpk, 'build', folder, '-o', os.path.join(folder, 'Quorin.qpk'),
                          '--exclude', 'quorin.dll'])
    if code != 0:
        sys.exit('qpk build failed: ' + out + err)


def autorun_text(label):
    return ('[autorun]\r\nopen=Setup.exe\r\nicon=Setup.exe\r\nlabel=%s\r\n' % label).encode('ascii')


def make_image(args, medium, image, extra=()):
    code, out, err = run([args.qpk, 'iso', medium, '-o', image] + list(extra))
    if code != 0 or not os.path.isfile(image):
        sys.exit('qpk iso %s failed (%d): %s%s' % (medium, code, out, err))
    return out


def compare_trees(what, want, got):
    for path in sorted(set(want) | set(got)):
        if path not in got:
            fail('%s: %s is missing' % (what, path))
        elif path not in want:
            fail('%s: %s is not on the medium' % (what, path))
        elif want[path] != got[path]:
            fail('%s: %s differs (%s bytes, medium %s)' % (
                what, path, None if got[path] is None else len(got[path]),
                None if want[path] is None else len(want[path])))


def check_image(args, work):
    medium = os.path.join(work, 'Quorin Demo')
    stage_medium(args, medium)
    image = os.path.join(work, 'out', 'game.iso')
    os.makedirs(os.path.dirname(image))
    # The label comes from the folder's name: "Quorin Demo" -> QUORIN_DEMO.
    out = make_image(args, medium, image, ['--autorun'])
    print(out, end='')
    want = medium_tree(medium)
    want['autorun.inf'] = autorun_text('QUORIN_DEMO')
    if KOREAN_FILE not in want:
        fail('the staged medium lacks its Korean-named file')
    files = sum(1 for v in want.values() if v is not None)
    if '%d files' % files not in out or 'label QUORIN_DEMO' not in out or '%s bytes' % format(
            os.path.getsize(image), ',') not in out:
        fail('qpk iso does not report the image as written (%d files, label, size): %s' % (files, out))

    with open(image, 'rb') as f:
        data = f.read()
    compare_trees('Joliet tree', want, iso9660.joliet_tree(data))
    for name, label in (('primary', iso9660.primary_label(data)), ('Joliet', iso9660.joliet_label(data))):
        if label != 'QUORIN_DEMO':
            fail('%s volume label %r, expected QUORIN_DEMO' % (name, label))

    extracted = os.path.join(work, 'bsdtar')
    os.makedirs(extracted)
    code, out, err = run(['bsdtar', '-x', '-f', image, '-C', extracted])
    if code != 0:
        fail('bsdtar cannot read the image: ' + err)
    compare_trees('Rock Ridge tree (bsdtar)', want, medium_tree(extracted))

    # A label given in small letters is written in capitals; an autorun.inf
    # that is already the one --autorun writes is taken as it is.
    with open(os.path.join(medium, 'autorun.inf'), 'wb') as f:
        f.write(autorun_text('DISC_1'))
    second = os.path.join(work, 'out', 'disc1.iso')
    out = make_image(args, medium, second, ['--label', 'disc_1', '--autorun'])
    with open(second, 'rb') as f:
        data = f.read()
    if (iso9660.primary_label(data), iso9660.joliet_label(data)) != ('DISC_1', 'DISC_1'):
        fail('--label disc_1 gave %r / %r' % (iso9660.primary_label(data), iso9660.joliet_label(data)))
    if iso9660.joliet_tree(data).get('autorun.inf') != autorun_text('DISC_1') or 'autorun.inf added' in out:
        fail('the medium\'s own autorun.inf was not shipped as it is: ' + out)
    os.remove(os.path.join(medium, 'autorun.inf'))

    # The default label: the folder's name in capitals, other characters one
    # underscore, cut to 16, SETUP when nothing is left.
    for folder, label in DEFAULT_LABELS:
        renamed = os.path.join(work, folder)
        os.rename(medium, renamed)
        medium = renamed
        image = os.path.join(work, 'out', 'label.iso')
        make_image(args, medium, image)
        with open(image, 'rb') as f:
            data = f.read()
        if (iso9660.primary_label(data), iso9660.joliet_label(data)) != (label, label):
            fail('folder %r: labels %r / %r, expected %s' % (
                folder, iso9660.primary_label(data), iso9660.joliet_label(data), label))
        os.remove(image)
    return medium


DEFAULT_LABELS = [
    ('쿼린', 'SETUP'),
    ('quorin-adventure-collectors-edition', 'QUORIN_ADVENTURE'),
    ('__Demo  2.0__', 'DEMO_2_0'),
    ('Disc_1234567890_XY', 'DISC_1234567890'),
]


def write(folder, name, data=b'x'):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


def append(folder, name, data):
    with open(os.path.join(folder, name), 'ab') as f:
        f.write(data)


def replace_bytes(folder, name, old, new):
    path = os.path.join(folder, name)
    with open(path, 'rb') as f:
        data = f.read()
    if old not in data:
        sys.exit('%s holds no %r to change' % (path, old))
    with open(path, 'wb') as f:
        f.write(data.replace(old, new))


def rebuild_without_exclude(args, folder):
    """The manifest built again without leaving out the shared file."""
    code, out, err = run([args.qpk, 'build', folder, '-o', os.path.join(folder, 'Quorin.qpk')])
    if code != 0:
        sys.exit('qpk build failed: ' + out + err)


# A colour of eight characters: a warning of qpk check, nothing stale.
def colour_warning(m):
    replace_bytes(m, 'Setup.ini', b'255255000', b'25525500')


def sparse_file(folder, name, size):
    with open(os.path.join(folder, name), 'wb') as f:
        f.truncate(size)


def fake_xorriso(folder):
    """A stand-in that writes part of an image and fails, as xorriso does on a read error."""
    script = os.path.join(folder, 'xorriso')
    with open(script, 'w') as f:
        f.write('#!/bin/sh\nwhile [ "$1" != "-outdev" ]; do shift; done\n'
                'printf "half an image" > "${2#stdio:}"\necho "libisofs: FAILURE : cannot read a file"\nexit 5\n')
    os.chmod(script, 0o755)
    return folder + ':' + os.environ.get('PATH', '')


LONG_NAME = 'n' * 61 + '.txt'  # 65 characters
DEEP = '/'.join(['d' * 40] * 3)  # 122 characters
REFUSALS = [
    # name, change to the medium, extra arguments (PATH=... first: qpk's PATH), texts the message must hold
    ('blank in the label', None, ['--label', 'MY GAME'], ['"MY GAME" holds " "']),
    ('label of 17 characters', None, ['--label', 'A' * 17], ['has 17 characters']),
    ('Korean label', None, ['--label', '게임'], ['holds "게임"']),
    ('name too long for Joliet', lambda m: write(m, 'docs/' + LONG_NAME), [],
     ['docs/' + LONG_NAME + ': the name is 65 characters long; Joliet keeps 64']),
    ('characters Joliet forbids, every name listed',
     lambda m: (write(m, 'a:b.txt'), write(m, 'data/what?.txt'), write(m, 'x;1')), [],
     ['a:b.txt: the name holds ":"', 'data/what?.txt: the name holds "?"', 'x;1: the name holds ";"']),
    ('name with no code page 949 form', lambda m: write(m, 'data/\U0001F3AE.txt'), [],
     ['data/\U0001F3AE.txt: the name has no form in code page 949']),
    ('path too long for Joliet', lambda m: write(m, DEEP + '/f.txt'), [],
     [DEEP + ': the path is 122 characters long; Joliet keeps 118']),
    ('two names Windows takes for one', lambda m: write(m, 'README.TXT'), [],
     ['readme.txt: the same name as README.TXT']),
    ('symbolic link', lambda m: os.symlink('readme.txt', os.path.join(m, 'link.txt')), [],
     ['link.txt: a symbolic link']),
    ('file larger than one extent', lambda m: sparse_file(m, 'big.bin', 4294965249), [],
     ['big.bin: 4294965249 bytes; one file on the disc holds at most']),
    ('autorun.inf of the author that differs',
     lambda m: write(m, 'AUTORUN.INF', b'[autorun]\r\nopen=game.exe\r\n'), ['--autorun'],
     ['AUTORUN.INF: the medium has its own, which differs']),
    ('no Setup.ini', lambda m: os.remove(os.path.join(m, 'Setup.ini')), [],
     ['missing at the top of the medium: Setup.ini']),
    ('no Setup.exe', lambda m: os.remove(os.path.join(m, 'Setup.exe')), [],
     ['missing at the top of the medium: Setup.exe']),
    ('no Quorin.qpk', lambda m: os.remove(os.path.join(m, 'Quorin.qpk')), [],
     ['missing at the top of the medium: Quorin.qpk']),
    ('Setup.ini in UTF-8', lambda m: write(m, 'Setup.ini', open(os.path.join(m, 'Setup.ini'), 'rb').read()
                                           .decode('cp949').encode('utf-8')), [],
     ['qpk check: script-utf8']),
    ('package file missing', lambda m: os.remove(os.path.join(m, 'readme.txt')), [],
     ['qpk check: package-file-missing']),
    # A manifest that no longer matches the files is refused whatever the
    # severity of the finding, with the command that mends it.
    ('package file grown since qpk build', lambda m: append(m, 'readme.txt', b'x' * 5000), [],
     ['Quorin.qpk no longer matches the medium\'s files', 'qpk check: total-mismatch',
      'mend it with: qpk build {medium} -o {medium}/Quorin.qpk --exclude quorin.dll']),
    ('file added since qpk build', lambda m: write(m, 'data/level2.map', b'new level'), [],
     ['Quorin.qpk no longer matches the medium\'s files', 'qpk check: file-not-listed: "data\\level2.map"',
      'mend it with: qpk build {medium}']),
    ('shared file also in the manifest', lambda m: rebuild_without_exclude(ARGS, m), [],
     ['qpk check: shared-in-manifest', 'mend it with: qpk build {medium} -o {medium}/Quorin.qpk --exclude quorin.dll']),
    ('a warning with --strict', colour_warning, ['--strict'], ['qpk check: colour-length']),
    ('image inside the medium', None, ['-o', '{medium}/game.iso'], ['lies inside the medium']),
    ('xorriso missing', None, ['PATH=/nonexistent'], ['apt-get install xorriso']),
]


def check_refusals(args, work, good):
    for name, change, extra, texts in REFUSALS:
        medium = os.path.join(work, 'refused', name.replace(' ', '_'))
        out_dir = medium + '.out'
        shutil.copytree(good, medium, symlinks=True)
        os.makedirs(out_dir)
        if change:
            change(medium)
        before, failed = medium_state(medium), len(failures)
        env = dict(os.environ, PATH=extra[0][5:]) if extra[:1] and extra[0].startswith('PATH=') else None
        extra = extra[1:] if env else extra
        image = os.path.join(out_dir, 'game.iso')
        argv = [args.qpk, 'iso', medium, '-o', image] + [a.replace('{medium}', medium) for a in extra]
        code, out, err = run(argv, env)
        if code != 2:
            fail('%s: exit status %d, expected 2' % (name, code))
        for text in texts:
            text = text.replace('{medium}', medium)
            if text not in err:
                fail('%s: the message lacks %r:\n%s' % (name, text, err))
        if 'no image written' not in err:
            fail('%s: the message does not say that nothing was written:\n%s' % (name, err))
        if os.listdir(out_dir) or os.path.exists(os.path.join(medium, 'game.iso')):
            fail('%s: left %s' % (name, os.listdir(out_dir)))
        if medium_state(medium) != before:
            fail('%s: the medium was changed' % name)
        if len(failures) == failed:
            print('refused as expected: %s' % name)

    check_mended(args, work, good)
    check_warning_shipped(args, work, good)

    # xorriso failing half-way: its message is shown, the partial image removed.
    out_dir = os.path.join(work, 'refused', 'xorriso_fails')
    os.makedirs(out_dir)
    env = dict(os.environ, PATH=fake_xorriso(out_dir))
    image = os.path.join(out_dir, 'out', 'game.iso')
    os.makedirs(os.path.dirname(image))
    code, out, err = run([args.qpk, 'iso', good, '-o', image], env)
    if code != 1 or 'cannot read a file' not in err or 'status 5' not in err or os.listdir(os.path.dirname(image)):
        fail('a failing xorriso: exit %d, left %s, said %r' % (code, os.listdir(os.path.dirname(image)), err))
    else:
        print('refused as expected: xorriso failing half-way')


def check_mended(args, work, good):
    """The command a stale medium's refusal names mends it: the image is then written."""
    medium = os.path.join(work, 'mended', 'Quorin Demo')
    shutil.copytree(good, medium, symlinks=True)
    append(medium, 'readme.txt', b'x' * 5000)
    write(medium, 'data/level2.map', b'new level')
    image = os.path.join(work, 'mended', 'game.iso')
    code, out, err = run([args.qpk, 'iso', medium, '-o', image])
    mend = [line.split('mend it with: ', 1)[1] for line in err.splitlines() if 'mend it with: ' in line]
    if code != 2 or len(mend) != 1 or not mend[0].startswith('qpk build '):
        fail('a stale medium: exit %d, no single command to mend it:\n%s' % (code, err))
        return
    code, out, err = run(['sh', '-c', args.qpk + ' ' + mend[0][len('qpk '):]])
    if code != 0:
        fail('the command that mends the medium failed (%d): %s%s' % (code, out, err))
    code, out, err = run([args.qpk, 'iso', medium, '-o', image])
    if code != 0 or not os.path.isfile(image):
        fail('the mended medium is still refused (%d): %s' % (code, err))
    else:
        print('mended as the refusal says: %s' % mend[0])


def check_warning_shipped(args, work, good):
    """Without --strict, a warning of qpk check that is not about the manifest does not stop the image."""
    medium = os.path.join(work, 'warning')
    shutil.copytree(good, medium, symlinks=True)
    colour_warning(medium)
    image = os.path.join(work, 'warning.iso')
    code, out, err = run([args.qpk, 'iso', medium, '-o', image])
    if code != 0 or not os.path.isfile(image):
        fail('a medium with a warning only, without --strict: exit %d: %s' % (code, err))
    else:
        print('written without --strict: a medium with a warning')


def check_install(args, work):
    code, usage, err = run([args.qpk, '--help'])
    if 'qpk try' not in usage + err:
        print('SKIPPED: this qpk has no `qpk try` to install the image\'s tree as a CD under Wine')
        return SKIPPED
    medium = os.path.join(work, 'medium')
    stage_medium(args, medium)
    image = os.path.join(work, 'game.iso')
    make_image(args, medium, image, ['--autorun'])
    cd = os.path.join(work, 'cd')
    with open(image, 'rb') as f:
        tree = iso9660.joliet_tree(f.read())
    for path, data in sorted(tree.items()):
        if data is None:
            os.makedirs(os.path.join(cd, path), exist_ok=True)
        else:
            write(cd, path, data)
    print('installing the Joliet tree of %s as a CD' % image, flush=True)
    return subprocess.run([args.qpk, 'try', cd, '--cdrom']).returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--qpk', required=True)
    parser.add_argument('--build', required=True)
    parser.add_argument('--source', required=True)
    parser.add_argument('--install', action='store_true')
    args = parser.parse_args()
    global ARGS
    ARGS = args
    for tool in ['xorriso', 'bsdtar']:
        if shutil.which(tool) is None:
            sys.exit('%s is not installed: scripts/bootstrap.sh installs it' % tool)
    with tempfile.TemporaryDirectory(prefix='qpk-iso-') as work:
        if args.install:
            return check_install(args, work)
        good = check_image(args, work)
        check_refusals(args, work, good)
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
