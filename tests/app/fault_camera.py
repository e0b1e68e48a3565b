#!/usr/bin/python3
"""The test camera's storage, failing on demand: a FUSE file system that passes
every operation through to a backing folder and applies the faults listed in a
control file. The file is read again whenever its text changes; a new text
replaces all faults. One fault a line:

    FAULT FILE [N] [from NAME]

FILE is a file name, in any folder and of any letter case, or * for every file
and folder. "from NAME" holds the fault back until a file NAME is created.

    changed-byte FILE N  the byte at offset N is stored inverted
    wrap FILE N          writes beyond N bytes of the whole camera also land over
                         the files stored first, as on a fake-capacity card
    read-error FILE      reads fail with EIO
    flush-error FILE     fsync (FlushFileBuffers) fails with EIO
    full FILE N          writes that would make the camera hold more than N bytes
                         fail with ENOSPC
    read-only FILE       every change fails with EROFS
    gone FILE            every operation fails with ENODEV, as on an unplugged device
    cut FILE N           after N operations that change the camera (create, write,
                         truncate, unlink, rename, mkdir, rmdir, chmod, chown, utimens),
                         every operation fails as with gone, as when the plug is pulled;
                         the store keeps exactly what reached it
    swapped-blocks FILE  the file is stored with its first two 4 KiB blocks swapped,
                         which keeps its byte sum
    slow FILE N          every read and write takes N milliseconds longer, as on a
                         slow card or over USB 1.1

A full camera also reports its capacity N as its size, and what it has left as its
free space.

Mounted with direct I/O and no attribute caching, so that every read and lookup
reaches the faults instead of the kernel's caches.
Usage: fault_camera.py STORE MOUNTPOINT CONTROL
Runs until unmounted; exits 77 when the mount is refused.
"""
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations

KINDS_WITH_NUMBER = {'changed-byte', 'wrap', 'full', 'cut', 'slow'}
KINDS = KINDS_WITH_NUMBER | {'read-error', 'flush-error', 'read-only', 'gone', 'swapped-blocks'}
WRITE_FLAGS = os.O_WRONLY | os.O_RDWR | os.O_TRUNC | os.O_APPEND
MOUNT_REFUSED = 77
SWAPPED_BLOCK = 4096


class Fault:
    def __init__(self, line):
        words = line.split()
        self.trigger = None
        if len(words) >= 2 and words[-2] == 'from':
            self.trigger = words[-1].lower()
            words = words[:-2]
        kind_and_file = 2 + (words[0] in KINDS_WITH_NUMBER if words else 0)
        if len(words) != kind_and_file or words[0] not in KINDS:
            raise ValueError('bad fault line: ' + line)
        self.kind = words[0]
        self.file = words[1].lower()
        self.number = int(words[2]) if len(words) > 2 else 0
        self.armed = self.trigger is None

    def concerns(self, kind, path):
        return self.armed and self.kind == kind and self.file in ('*', os.path.basename(path).lower())


class FaultCamera(Operations):
    use_ns = True

    def __init__(self, store, control):
        self.store = store
        self.control = control
        self.text = None
        self.faults = []
        self.bases = {}  # where each file starts on the camera, in bytes, for wrap
        self.changes = 0  # operations that changed the camera since the faults were set, for cut
        self.to_swap = set()  # files created since the faults were set, swapped when closed

    def real(self, path):
        return os.path.join(self.store, path.lstrip('/'))

    def refresh(self):
        try:
            with open(self.control) as control:
                text = control.read()
        except FileNotFoundError:
            text = ''
        if text == self.text:
            return
        self.text = text
        self.changes = 0
        self.to_swap.clear()
        try:
            self.faults = [Fault(line) for line in text.splitlines() if line.strip()]
        except ValueError as bad:
            print('fault_camera:', bad, file=sys.stderr)
            self.faults = []

    def fault(self, kind, path):
        return next((f for f in self.faults if f.concerns(kind, path)), None)

    def check(self, path, changing=False, counts=None):
        """Fails the operation as the faults say; an operation that changes the
        camera counts towards a cut unless counts says otherwise."""
        self.refresh()
        if self.fault('gone', path) or self.cut_off(path):
            raise FuseOSError(errno.ENODEV)
        if changing and self.fault('read-only', path):
            raise FuseOSError(errno.EROFS)
        if changing if counts is None else counts:
            self.changes += 1

    def cut_off(self, path):
        # The root keeps answering, or the mount could not be taken down.
        cut = self.fault('cut', path)
        return cut is not None and path != '/' and self.changes >= cut.number

    def delay(self, path):
        slow = self.fault('slow', path)
        if slow:
            time.sleep(slow.number / 1000)

    def held(self):
        return sum(os.lstat(os.path.join(folder, name)).st_size
                   for folder, _, names in os.walk(self.store) for name in names)

    # Files and folders.
    def getattr(self, path, fh=None):
        self.check(path)
        st = os.lstat(self.real(path))
        return {key: getattr(st, key) for key in
                ('st_mode', 'st_nlink', 'st_uid', 'st_gid', 'st_size',
                 'st_atime_ns', 'st_mtime_ns', 'st_ctime_ns')}

    def access(self, path, amode):
        self.check(path)

    def readdir(self, path, fh):
        self.check(path)
        return ['.', '..'] + os.listdir(self.real(path))

    def statfs(self, path):
        self.check(path)
        st = os.statvfs(self.store)
        space = {key: getattr(st, key) for key in
                 ('f_bsize', 'f_frsize', 'f_blocks', 'f_bfree', 'f_bavail',
                  'f_files', 'f_ffree', 'f_favail', 'f_flag', 'f_namemax')}
        full = self.fault('full', path)
        if full:
            left = max(0, full.number - self.held()) // st.f_frsize
            space.update(f_blocks=full.number // st.f_frsize, f_bfree=left, f_bavail=left)
        return space

    def mkdir(self, path, mode):
        self.check(path, changing=True)
        os.mkdir(self.real(path), mode)

    def rmdir(self, path):
        self.check(path, changing=True)
        os.rmdir(self.real(path))

    def unlink(self, path):
        self.check(path, changing=True)
        os.unlink(self.real(path))
        self.bases.pop(path, None)

    def rename(self, old, new):
        self.check(old, changing=True)
        self.check(new, changing=True, counts=False)
        os.rename(self.real(old), self.real(new))

    def chmod(self, path, mode):
        self.check(path, changing=True)
        os.chmod(self.real(path), mode)

    def chown(self, path, uid, gid):
        self.check(path, changing=True)
        os.chown(self.real(path), uid, gid)

    def utimens(self, path, times=None):
        self.check(path, changing=True)
        os.utime(self.real(path), ns=times)

    def truncate(self, path, length, fh=None):
        self.check(path, changing=True)
        os.truncate(self.real(path), length)

    # Open files.
    def create(self, path, mode, fi=None):
        self.refresh()
        name = os.path.basename(path).lower()
        for f in self.faults:
            f.armed = f.armed or f.trigger == name
        self.check(path, changing=True)
        self.bases[path] = self.held()
        if self.fault('swapped-blocks', path):
            self.to_swap.add(path)
        return os.open(self.real(path), os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def open(self, path, flags):
        self.check(path, changing=(flags & WRITE_FLAGS) != 0, counts=(flags & os.O_TRUNC) != 0)
        return os.open(self.real(path), flags & ~os.O_CREAT)

    def read(self, path, size, offset, fh):
        self.check(path)
        self.delay(path)
        if self.fault('read-error', path):
            raise FuseOSError(errno.EIO)
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        self.check(path, changing=True)
        self.delay(path)
        full = self.fault('full', path)
        growth = max(0, offset + len(data) - os.fstat(fh).st_size)
        if full and self.held() + growth > full.number:
            raise FuseOSError(errno.ENOSPC)
        changed = self.fault('changed-byte', path)
        if changed and offset <= changed.number < offset + len(data):
            data = bytearray(data)
            data[changed.number - offset] ^= 0xFF
        wrap = self.fault('wrap', path)
        if wrap:
            self.wrap_over_earlier_files(path, offset, data, wrap.number)
        return os.pwrite(fh, data, offset)

    def wrap_over_earlier_files(self, path, offset, data, capacity):
        """Writes the bytes of data that lie beyond the capacity, at the camera's
        address modulo the capacity, into the other files stored there."""
        start = self.bases.setdefault(path, 0) + offset
        end = start + len(data)
        lap = max(1, start // capacity)
        while lap * capacity < end:
            low, high = max(start, lap * capacity), min(end, (lap + 1) * capacity)
            for other, base in self.bases.items():
                if other != path:
                    self.overwrite(other, base, low - lap * capacity, data[low - start:high - start])
            lap += 1

    def overwrite(self, path, base, address, data):
        """Overwrites the part of a file that lies at address .. address + len(data)."""
        size = os.lstat(self.real(path)).st_size
        low, high = max(address, base), min(address + len(data), base + size)
        if low < high:
            with open(self.real(path), 'r+b') as file:
                file.seek(low - base)
                file.write(data[low - address:high - address])

    def flush(self, path, fh):
        self.check(path)

    def fsync(self, path, datasync, fh):
        self.check(path)
        if self.fault('flush-error', path):
            raise FuseOSError(errno.EIO)
        os.fsync(fh)

    def release(self, path, fh):
        os.close(fh)
        if path in self.to_swap:
            self.to_swap.discard(path)
            with open(self.real(path), 'r+b') as file:
                first, second = file.read(SWAPPED_BLOCK), file.read(SWAPPED_BLOCK)
                if len(second) == SWAPPED_BLOCK:
                    file.seek(0)
                    file.write(second + first)


def main():
    store, mountpoint, control = sys.argv[1:4]
    try:
        FUSE(FaultCamera(os.path.realpath(store), os.path.realpath(control)), mountpoint,
             foreground=True, nothreads=True, direct_io=True, big_writes=True,
             attr_timeout=0, entry_timeout=0, negative_timeout=0, fsname='fault_camera')
    except RuntimeError as refused:
        print('fault_camera: mount refused:', refused, file=sys.stderr)
        sys.exit(MOUNT_REFUSED)


if __name__ == '__main__':
    main()
