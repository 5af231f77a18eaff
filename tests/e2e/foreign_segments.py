# SPDX-License-Identifier: MIT
# foreign_segments.py SIZE COUNT COMMAND...: makes COUNT System V shared-memory segments of
# SIZE bytes, each filled with one colour (pixels 0x0001fe03), then runs COMMAND in their IPC
# namespace. Another program's memory, under the numbers a fresh namespace hands out first.
import ctypes
import os
import sys

libc = ctypes.CDLL(None, use_errno=True)
libc.shmat.restype = ctypes.c_void_p
libc.shmat.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
size, count = int(sys.argv[1]), int(sys.argv[2])
pixels = (0x0001fe03).to_bytes(4, "little") * (size // 4)
for _ in range(count):
    shmid = libc.shmget(0, size, 0o1000 | 0o666)   # IPC_PRIVATE, IPC_CREAT
    address = libc.shmat(shmid, None, 0)
    if shmid < 0 or address in (None, ctypes.c_void_p(-1).value):
        sys.exit("cannot make a segment: errno %d" % ctypes.get_errno())
    ctypes.memmove(address, pixels, len(pixels))
os.execvp(sys.argv[3], sys.argv[3:])
