#!/usr/bin/env python3
"""Drives the txr shared library from Python through ctypes: renders a label line, prints its
size and an ASCII picture of it, and writes it as a BMP file.

    python3 examples/python_ctypes.py build/src/libtxr.so fonts/ label.bmp [TEXT]
"""
import ctypes
import sys


class TxrBitmap(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int32), ("height", ctypes.c_int32),
                ("stride", ctypes.c_size_t), ("rows", ctypes.POINTER(ctypes.c_uint8))]


def load(path):
    lib = ctypes.CDLL(path)
    lib.txr_create.restype = ctypes.c_void_p
    lib.txr_destroy.argtypes = [ctypes.c_void_p]
    lib.txr_set_path.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    lib.txr_set_font.argtypes = [ctypes.c_void_p] + [ctypes.c_int] * 6
    lib.txr_get_string_size.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                        ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
    lib.txr_get_bmp_file.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_char_p,
                                     ctypes.c_size_t]
    lib.txr_render_rows.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                    ctypes.POINTER(TxrBitmap)]
    lib.txr_free.argtypes = [ctypes.c_void_p]
    lib.txr_status_message.restype = ctypes.c_char_p
    lib.txr_last_error.argtypes = [ctypes.c_void_p]
    lib.txr_last_error.restype = ctypes.c_char_p
    return lib


def main():
    if len(sys.argv) not in (4, 5):
        print(__doc__.strip(), file=sys.stderr)
        return 64
    library, fonts, output = sys.argv[1:4]
    text = sys.argv[4].encode("latin-1") if len(sys.argv) == 5 else b"AiB\xb0"
    lib = load(library)
    renderer = lib.txr_create()
    try:
        def check(status, what):
            if status != 0:
                raise RuntimeError("%s: %s (%s)" % (what, lib.txr_status_message(status).decode(),
                                                     lib.txr_last_error(renderer).decode()))

        check(lib.txr_set_path(renderer, fonts.encode()), "set_path")
        # family 2, font 3, no magnification, upright, 203 dpi
        check(lib.txr_set_font(renderer, 2, 3, 1, 1, 0, 203), "set_font")

        width, height = ctypes.c_int(), ctypes.c_int()
        check(lib.txr_get_string_size(renderer, text, len(text), ctypes.byref(width),
                                      ctypes.byref(height)), "get_string_size")
        print("%d %d" % (width.value, height.value))

        bitmap = TxrBitmap()
        check(lib.txr_render_rows(renderer, text, len(text), ctypes.byref(bitmap)), "render_rows")
        try:
            for y in range(bitmap.height):
                row = bitmap.rows[y * bitmap.stride:(y + 1) * bitmap.stride]
                print("".join("#" if row[x // 8] & (0x80 >> (x % 8)) else "."
                              for x in range(bitmap.width)))
        finally:
            lib.txr_free(bitmap.rows)

        check(lib.txr_get_bmp_file(renderer, output.encode(), text, len(text)), "get_bmp_file")
        with open(output, "rb") as bmp:
            header = bmp.read(26)
        bmp_width = int.from_bytes(header[18:22], "little", signed=True)
        bmp_height = int.from_bytes(header[22:26], "little", signed=True)
        if (bmp_width, bmp_height) != (width.value, height.value):
            print("the BMP is %d x %d" % (bmp_width, bmp_height), file=sys.stderr)
            return 1
        print("wrote %s" % output)
    finally:
        lib.txr_destroy(renderer)
    return 0


if __name__ == "__main__":
    sys.exit(main())
