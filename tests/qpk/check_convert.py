#!/usr/bin/env python3
"""qpk convert: the script of a clean medium (tests/qpk/media/clean) written
in each of the four UTF-8 forms (byte-order mark or none, LF or CRLF) is
converted back into the very bytes it ships as (code page 949, CRLF), which
`qpk check` finds clean, with the original kept beside the medium folder.
Then what is refused or left alone: a character with no code page 949 form
(named with its line, the script untouched), a script already in code page
949, bytes that are neither encoding; and a second conversion, which never
replaces the first backup.

usage: check_convert.py <qpk> <clean medium folder>
"""
import os
import shutil
import subprocess
import sys
import tempfile

failures = []


def fail(message):
    failures.append(message)
    print('FAIL: ' + message)


def run(argv):
    result = subprocess.run(argv, capture_output=True, env=dict(os.environ, LC_ALL='C'))
    return result.returncode, result.stdout.decode('utf-8', 'replace'), result.stderr.decode('utf-8', 'replace')


def read(path):
    with open(path, 'rb') as f:
        return f.read()


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def shipped_script(clean):
    """The clean medium's script as it ships: code page 949, CRLF (whatever the checkout did)."""
    data = read(os.path.join(clean, 'Setup.ini'))
    try:
        text = data.decode('cp949')
    except UnicodeDecodeError:
        text = data.decode('utf-8')
    return text.replace('\r\n', '\n').replace('\n', '\r\n').encode('cp949')


def utf8_form(shipped, bom, crlf):
    text = shipped.decode('cp949').replace('\r\n', '\n')
    if crlf:
        text = text.replace('\n', '\r\n')
    return (b'\xef\xbb\xbf' if bom else b'') + text.encode('utf-8')


def stage(work, name, clean, script):
    medium = os.path.join(work, name)
    shutil.copytree(clean, medium)
    for extra in ('expected', 'Quorin.qpk'):
        if os.path.exists(os.path.join(medium, extra)):
            os.remove(os.path.join(medium, extra))
    write(os.path.join(medium, 'Setup.ini'), script)
    return medium


def leftovers(medium):
    """Files the conversion may not leave in the medium folder."""
    return sorted(n for n in os.listdir(medium) if n.startswith('Setup.ini') and n != 'Setup.ini')


def check_forms(qpk, clean, work, shipped):
    for bom in (False, True):
        for crlf in (False, True):
            name = 'form-%s-%s' % ('bom' if bom else 'nobom', 'crlf' if crlf else 'lf')
            original = utf8_form(shipped, bom, crlf)
            medium = stage(work, name, clean, original)
            backup = os.path.join(work, name + '-Setup.ini.bak')
            code, out, err = run([qpk, 'convert', os.path.join(medium, 'Setup.ini')])
            if code != 0:
                fail('%s: exit status %d: %s%s' % (name, code, out, err))
                continue
            if read(os.path.join(medium, 'Setup.ini')) != shipped:
                fail('%s: the converted script is not the code page 949 CRLF script' % name)
            if not os.path.isfile(backup) or read(backup) != original:
                fail('%s: the original is not kept as %s' % (name, backup))
            elif backup not in out:
                fail('%s: the report does not say where the original is: %s' % (name, out))
            if leftovers(medium):
                fail('%s: left %s in the medium' % (name, leftovers(medium)))
            code, out, err = run([qpk, 'check', medium])
            if code != 0:
                fail('%s: qpk check after the conversion: exit status %d:\n%s%s' % (name, code, out, err))
            else:
                print('converted and clean: %s' % name)


def check_unconvertible(qpk, clean, work, shipped):
    text = utf8_form(shipped, False, False).decode('utf-8').split('\n')
    text.insert(2, 'Name=Quorin \U0001F3AE')  # line 3, the emoji in column 13
    original = '\n'.join(text).encode('utf-8')
    failed = len(failures)
    medium = stage(work, 'unconvertible', clean, original)
    code, out, err = run([qpk, 'convert', os.path.join(medium, 'Setup.ini')])
    if code != 2 or 'Setup.ini:3:13: "\U0001F3AE" (U+1F3AE) has no form in code page 949' not in err \
            or 'nothing changed' not in err:
        fail('a character with no code page 949 form: exit %d, said %r' % (code, err))
    if read(os.path.join(medium, 'Setup.ini')) != original or leftovers(medium) \
            or os.path.exists(os.path.join(work, 'unconvertible-Setup.ini.bak')):
        fail('a refused conversion changed the script or left a file')
    if len(failures) == failed:
        print('refused, script untouched: a character with no code page 949 form')


def check_left_alone(qpk, clean, work, shipped):
    for name, script, want_code, want_text in (
            ('already code page 949', shipped, 0, 'already code page 949'),
            ('neither encoding', shipped.replace(b'[Main]', b'[Main]\xff'), 2, 'neither UTF-8 nor code page 949')):
        medium = stage(work, name.replace(' ', '-'), clean, script)
        code, out, err = run([qpk, 'convert', os.path.join(medium, 'Setup.ini')])
        if code != want_code or want_text not in out + err:
            fail('%s: exit %d, said %r' % (name, code, out + err))
        elif read(os.path.join(medium, 'Setup.ini')) != script or leftovers(medium) or \
                os.path.exists(os.path.join(work, name.replace(' ', '-') + '-Setup.ini.bak')):
            fail('%s: the script was changed or a backup written' % name)
        else:
            print('left alone: %s' % name)


def check_second_backup(qpk, clean, work, shipped):
    first = utf8_form(shipped, True, False)
    medium = stage(work, 'twice', clean, first)
    script = os.path.join(medium, 'Setup.ini')
    run([qpk, 'convert', script])
    second = utf8_form(shipped, False, True)
    write(script, second)
    code, out, err = run([qpk, 'convert', script])
    backup1, backup2 = (os.path.join(work, n) for n in ('twice-Setup.ini.bak', 'twice-Setup.ini.2.bak'))
    if code != 0 or read(backup1) != first or not os.path.isfile(backup2) or read(backup2) != second \
            or backup2 not in out or read(script) != shipped:
        fail('a second conversion: exit %d, said %r; the first backup must stay, the second go to %s'
             % (code, out + err, backup2))
    else:
        print('a second conversion keeps the first backup')


def main():
    qpk, clean = sys.argv[1], sys.argv[2]
    shipped = shipped_script(clean)
    with tempfile.TemporaryDirectory(prefix='qpk-convert-') as work:
        check_forms(qpk, clean, work, shipped)
        check_unconvertible(qpk, clean, work, shipped)
        check_left_alone(qpk, clean, work, shipped)
        check_second_backup(qpk, clean, work, shipped)
    print('%d failure(s)' % len(failures))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
