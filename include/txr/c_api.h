/* The C API: plain functions over one opaque renderer, for hosts in C and for any language with a
 * foreign-function interface (C#, Python's ctypes, ...). No exception ever leaves these functions.
 *
 * A renderer is a CTXR: set the font directory, the font selection, reverse video and the
 * character set, then measure or render texts as often as you like. Texts are (pointer, length)
 * pairs of single bytes; every byte, 0x00 included, is one character.
 *
 * Results: every function that can fail returns an int status, TXR_OK (0) or one of the negative
 * TXR_E_... codes below. txr_set_font also returns the font selection's refusal codes 1 to 5.
 * txr_status_message() names any status; txr_last_error() gives the detail (a path and the reason
 * it could not be written, for example) of the last failed call on a renderer.
 *
 * Threads: a renderer is used by one thread at a time; different renderers may be used by
 * different threads at once. txr_font_out stages its drawing in the file "../string.bmp" relative
 * to the process's current directory; calls take turns on it (in one process and across
 * processes sharing the directory), so each paints its own drawing. txr_set_staging_file(r, 0)
 * makes a renderer paint from memory instead: no file, no turn to wait for.
 */
#ifndef TXR_C_API_H
#define TXR_C_API_H

#include <stddef.h>
#include <stdint.h>

#include "txr/export.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    TXR_OK = 0,
    /* The selection's refusals, returned by txr_set_font only. */
    TXR_REFUSED_FAMILY = 1,   /* family is not 0, 1 or 2 */
    TXR_REFUSED_FONT = 2,     /* the family has no such font number (at this resolution) */
    TXR_REFUSED_SCALE_H = 3,  /* horizontal scale below 1 */
    TXR_REFUSED_SCALE_V = 4,  /* vertical scale below 1 */
    TXR_REFUSED_ROTATION = 5, /* rotation is not 0 to 3 quarter turns */
    /* Errors. */
    TXR_E_NULL = -1,       /* a pointer that must be given is NULL */
    TXR_E_RANGE = -2,      /* a number is out of its range (see the function) */
    TXR_E_NOT_READY = -3,  /* no font selection has been accepted: nothing is drawn */
    TXR_E_NO_DRAWING = -4, /* nothing to draw: empty text, no family, or above the size limit */
    TXR_E_FILE = -5,       /* a file could not be created or written */
    TXR_E_NO_MEMORY = -6,  /* memory ran out */
    TXR_E_INTERNAL = -7,   /* anything else that went wrong inside the library */
    TXR_E_NOT_UTF8 = -8,   /* txr_encode_utf8: the text is not UTF-8 */
    TXR_E_NO_BYTE = -9     /* txr_encode_utf8: a character has no byte in the selected font */
};

typedef struct TxrRenderer TxrRenderer;
/* A font cache (txr::FontCache, see txr/font_cache.h) that renderers may share, in any threads. */
typedef struct TxrFontCache TxrFontCache;

/* One-bit rows of a drawing, top row first, `stride` = (width + 7) / 8 bytes each, the leftmost
 * dot in the most significant bit. A set bit is ink: a dot the printer prints black. In reverse
 * video the paper is ink and the glyphs are clear. Padding bits at the end of a row are 0. */
typedef struct TxrBitmap {
    int32_t width;
    int32_t height;
    size_t stride;
    uint8_t* rows; /* height * stride bytes, owned by the caller: free with txr_free */
} TxrBitmap;

/* A new renderer as a new CTXR is: no font accepted, family 0, 203 dpi, scales 1, no rotation,
 * normal video, character set 0, font directory "" (the current directory). NULL when memory
 * runs out. */
TXR_API TxrRenderer* txr_create(void);
/* Frees the renderer; NULL is ignored. */
TXR_API void txr_destroy(TxrRenderer* renderer);

/* The font directory, with or without its trailing separator ("fonts/" or "fonts"), or "" for
 * the current directory. A path that names no directory is kept as a plain prefix to which
 * "A.bin" etc. are appended, as CTXR::SetPath takes it. Whether the font files exist is not
 * checked here: a missing one leaves every character blank. */
TXR_API int txr_set_path(TxrRenderer* renderer, const char* path);

/* SetFont: returns TXR_OK when the selection is accepted, else its refusal code 1 to 5 (then
 * nothing is drawn until a later selection is accepted; a refusal of the family keeps an earlier
 * accepted selection in force, with family 3+ drawing nothing). rotation counts quarter turns
 * clockwise; resolution is 203 or 300 (other values are kept but not given to the engines). */
TXR_API int txr_set_font(TxrRenderer* renderer, int family, int font_type, int scale_h, int scale_v,
                         int rotation, int resolution);
/* Reverse video: 1 white on black, 0 black on white; TXR_E_RANGE for anything else. */
TXR_API int txr_set_invert(TxrRenderer* renderer, int invert);
/* 1 (the default): txr_font_out stages its drawing in "../string.bmp". 0: it paints the same
 * pixels from memory, with no file. TXR_E_RANGE for anything else. */
TXR_API int txr_set_staging_file(TxrRenderer* renderer, int use_staging_file);
/* The character set of family 1, 0 to 14 (TXR_E_RANGE otherwise); used from the next call. */
TXR_API int txr_set_charset(TxrRenderer* renderer, int charset);

/* GetStringSize: the drawing's size in dots as it appears, after rotation. An empty text gives
 * 0 x 0. Measures even when no selection has been accepted, as CTXR does. */
TXR_API int txr_get_string_size(TxrRenderer* renderer, const char* text, size_t length, int* width,
                                int* height);

/* GetBmpFile: writes the one-bit BMP file of the drawing at `path` (replacing a file there).
 * TXR_E_NOT_READY and TXR_E_NO_DRAWING write nothing and leave a file at `path` as it was;
 * TXR_E_FILE leaves no half-written file. */
TXR_API int txr_get_bmp_file(TxrRenderer* renderer, const char* path, const char* text,
                             size_t length);

/* The same file's bytes in memory: *bytes is set to a buffer of *size bytes that the caller frees
 * with txr_free. On failure *bytes is NULL and *size 0. */
TXR_API int txr_render_bmp(TxrRenderer* renderer, const char* text, size_t length, uint8_t** bytes,
                           size_t* size);

/* The drawing as one-bit rows (see TxrBitmap): the picture of txr_render_bmp, turned as
 * selected. On failure *bitmap is all zeros. */
TXR_API int txr_render_rows(TxrRenderer* renderer, const char* text, size_t length,
                            TxrBitmap* bitmap);

/* In-memory rendering into the caller's buffer, in two steps and without any file: the rows of
 * txr_render_rows (see TxrBitmap), the same dots as txr_get_bmp_file's file.
 * txr_image_size measures the drawing: its width and height in dots as it appears and the bytes
 * its rows take, height * ((width + 7) / 8); it draws nothing. txr_render_image then renders into
 * `rows`, which holds `capacity` bytes, and sets *width and *height (NULL for either is allowed).
 * A capacity below the size gives TXR_E_RANGE and writes nothing into `rows`. Both give
 * TXR_E_NOT_READY and TXR_E_NO_DRAWING as txr_render_rows does, with the outputs set to 0.
 * Safe to call from many threads at once, each with a renderer of its own. */
TXR_API int txr_image_size(TxrRenderer* renderer, const char* text, size_t length, int* width,
                           int* height, size_t* size);
TXR_API int txr_render_image(TxrRenderer* renderer, const char* text, size_t length, uint8_t* rows,
                             size_t capacity, int* width, int* height);

/* FontOut onto the caller's pixels: width x height pixels of 4 bytes, rows top first, `stride`
 * bytes apart (at least 4 * width). Byte order of a pixel: blue, green, red, then a fourth byte
 * the library neither reads nor writes (BGRX, the order of 32-bit Windows DIBs and of
 * little-endian 0xXXRRGGBB words). The drawing's top-left corner goes to (x, y); what falls
 * outside the buffer is clipped. A pixel the drawing covers becomes black or white; all others
 * keep their colour. TXR_E_RANGE for a width or height below 1 or a stride too small;
 * TXR_E_NO_DRAWING, with the pixels untouched, when there is nothing to draw (as for
 * txr_get_bmp_file). */
TXR_API int txr_font_out(TxrRenderer* renderer, uint8_t* pixels, int width, int height,
                         size_t stride, int x, int y, const char* text, size_t length);

/* Opt-in font cache: font files read once and kept in memory, at most `byte_limit` bytes of them
 * (the least recently used dropped first), each checked against the file on disk at every call
 * so that a replaced file is read afresh. Results are the same as without it. NULL when memory
 * runs out. Destroy it only after every renderer using it is destroyed or detached. */
TXR_API TxrFontCache* txr_cache_create(size_t byte_limit);
/* Frees the cache; NULL is ignored. */
TXR_API void txr_cache_destroy(TxrFontCache* cache);
/* Reads the renderer's font files through `cache` from the next call on; NULL detaches it. */
TXR_API int txr_use_cache(TxrRenderer* renderer, TxrFontCache* cache);

/* Unicode input. The functions above take the printer's bytes; txr_encode_utf8 turns a UTF-8
 * text into them for the renderer's current selection, and those bytes then go to any of them.
 * Family 1: the byte of the character set (txr_set_charset) that gives the character a glyph in
 * the selected font and resolution. Families 0 and 2: the byte of the code page set by
 * txr_set_code_page (cp850 until then), since their font files do not record one.
 * TXR_OK: *bytes holds *size bytes (free with txr_free), *position and *code_point are 0.
 * TXR_E_NO_BYTE: *bytes holds the bytes of the characters that have one; *position is the first
 * character without (counted in characters from 0) and *code_point its code point;
 * txr_last_error lists every such character ("character 3: U+20AC (€)", one per line).
 * TXR_E_NOT_UTF8: *bytes is NULL, *size 0 and *position the byte offset of the first malformed
 * sequence. position and code_point may be NULL. */
TXR_API int txr_encode_utf8(TxrRenderer* renderer, const char* text, size_t length, uint8_t** bytes,
                            size_t* size, size_t* position, uint32_t* code_point);
/* The code page of families 0 and 2 for txr_encode_utf8: "cp437", "cp850", "cp852", "cp860",
 * "cp863", "cp865" (or "437" ...), "latin1" or "ascii"; TXR_E_RANGE for any other name. */
TXR_API int txr_set_code_page(TxrRenderer* renderer, const char* name);

/* Frees what txr_render_bmp, txr_render_rows and txr_encode_utf8 returned; NULL is ignored. */
TXR_API void txr_free(void* memory);

/* A fixed English sentence for any status (unknown ones included); never NULL. */
TXR_API const char* txr_status_message(int status);
/* The detail of the last call on `renderer` that failed ("" after a call that succeeded); valid
 * until the next call on it. "" for NULL. */
TXR_API const char* txr_last_error(const TxrRenderer* renderer);

#ifdef __cplusplus
}
#endif

#endif
