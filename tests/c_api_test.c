/* The C API driven from C: c_api_test FONT_DIRECTORY/ WORK_DIRECTORY/, the fonts being the
 * bundled set. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "txr/c_api.h"

static int failures = 0;
static const char* fonts = "";
static char workPath[1024];

#define CHECK(condition, ...)                                               \
    do {                                                                    \
        if (!(condition)) {                                                 \
            ++failures;                                                     \
            fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #condition); \
            fprintf(stderr, __VA_ARGS__);                                   \
            fputc('\n', stderr);                                            \
        }                                                                   \
    } while (0)

static const char* inWork(const char* name) {
    static char path[2048];
    snprintf(path, sizeof path, "%s%s", workPath, name);
    return path;
}

static int fileExists(const char* path) {
    FILE* file = fopen(path, "rb");
    if (file == NULL) return 0;
    fclose(file);
    return 1;
}

static uint8_t* readFile(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    uint8_t* bytes;
    long length;
    *size = 0;
    if (file == NULL) return NULL;
    fseek(file, 0, SEEK_END);
    length = ftell(file);
    fseek(file, 0, SEEK_SET);
    bytes = malloc(length > 0 ? (size_t)length : 1);
    if (bytes != NULL && fread(bytes, 1, (size_t)length, file) == (size_t)length) {
        *size = (size_t)length;
    }
    fclose(file);
    return bytes;
}

/* Dot x of a one-bit row, the first dot in the most significant bit. */
static int bitAt(const uint8_t* row, int x) {
    return (row[x / 8] >> (7 - x % 8)) & 1;
}

/* A renderer over the test fonts with the selection accepted. */
static TxrRenderer* selected(int family, int font, int scaleH, int scaleV, int rotation,
                             int invert) {
    TxrRenderer* renderer = txr_create();
    CHECK(renderer != NULL, "txr_create failed");
    CHECK(txr_set_path(renderer, fonts) == TXR_OK, "set_path");
    CHECK(txr_set_font(renderer, family, font, scaleH, scaleV, rotation, 203) == TXR_OK,
          "set_font %d %d", family, font);
    CHECK(txr_set_invert(renderer, invert) == TXR_OK, "set_invert");
    return renderer;
}

static void testNullsRangesAndMessages(void) {
    static const struct {
        int family, font, scaleH, scaleV, rotation, resolution, expected;
    } cases[] = {
        {2, 8, 2, 3, 3, 300, TXR_OK},
        {3, 0, 1, 1, 0, 203, TXR_REFUSED_FAMILY},
        {0, 16, 1, 1, 0, 203, TXR_REFUSED_FONT},
        {0, 0, 0, 1, 0, 203, TXR_REFUSED_SCALE_H},
        {1, 0, 1, -2, 0, 203, TXR_REFUSED_SCALE_V},
        {2, 0, 1, 1, -1, 203, TXR_REFUSED_ROTATION},
    };
    uint8_t* bytes = (uint8_t*)1;
    size_t size = 1, i;
    TxrBitmap bitmap;
    int status;
    TxrRenderer* renderer = txr_create();
    CHECK(txr_set_font(NULL, 0, 0, 1, 1, 0, 203) == TXR_E_NULL, "set_font without renderer");
    CHECK(txr_render_bmp(NULL, "A", 1, &bytes, &size) == TXR_E_NULL, "render_bmp");
    CHECK(bytes == NULL && size == 0, "outputs cleared on failure");
    CHECK(txr_render_rows(NULL, "A", 1, &bitmap) == TXR_E_NULL && bitmap.rows == NULL, "rows");
    CHECK(strcmp(txr_last_error(NULL), "") == 0, "last_error of NULL");
    txr_destroy(NULL);
    txr_free(NULL);
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        status = txr_set_font(renderer, cases[i].family, cases[i].font, cases[i].scaleH,
                              cases[i].scaleV, cases[i].rotation, cases[i].resolution);
        CHECK(status == cases[i].expected, "case %u: %d", (unsigned)i, status);
    }
    CHECK(txr_set_invert(renderer, 2) == TXR_E_RANGE, "invert 2");
    CHECK(txr_set_charset(renderer, 15) == TXR_E_RANGE, "charset 15");
    CHECK(strlen(txr_last_error(renderer)) > 0, "a failure leaves its detail");
    CHECK(txr_set_charset(renderer, 14) == TXR_OK, "charset 14");
    CHECK(strcmp(txr_last_error(renderer), "") == 0, "a success clears the detail");
    txr_destroy(renderer);
    for (status = TXR_E_INTERNAL; status < TXR_REFUSED_ROTATION; ++status) {
        CHECK(strcmp(txr_status_message(status), txr_status_message(status + 1)) != 0,
              "messages of %d and %d are the same", status, status + 1);
    }
    CHECK(strcmp(txr_status_message(99), "unknown status") == 0, "unknown status");
}

static void testNothingDrawn(void) {
    TxrRenderer* renderer = txr_create();
    uint8_t* bytes = NULL;
    size_t size = 0;
    TxrBitmap bitmap;
    uint8_t pixels[4 * 4 * 4];
    uint8_t before[sizeof pixels];
    int width = -1, height = -1;
    memset(pixels, 0x5A, sizeof pixels);
    memcpy(before, pixels, sizeof pixels);
    txr_set_path(renderer, fonts);

    CHECK(txr_render_bmp(renderer, "A", 1, &bytes, &size) == TXR_E_NOT_READY, "not ready");
    CHECK(bytes == NULL && size == 0, "no bytes");
    CHECK(txr_get_bmp_file(renderer, inWork("never.bmp"), "A", 1) == TXR_E_NOT_READY, "file");
    CHECK(txr_font_out(renderer, pixels, 4, 4, 16, 0, 0, "A", 1) == TXR_E_NOT_READY, "font_out");
    CHECK(memcmp(pixels, before, sizeof pixels) == 0, "pixels untouched");

    CHECK(txr_set_font(renderer, 0, 3, 1, 1, 0, 203) == TXR_OK, "select");
    CHECK(txr_get_string_size(renderer, "", 0, &width, &height) == TXR_OK, "empty size");
    CHECK(width == 0 && height == 0, "empty text measures 0 x 0, got %d x %d", width, height);
    CHECK(txr_render_rows(renderer, NULL, 0, &bitmap) == TXR_E_NO_DRAWING, "empty text");
    CHECK(txr_font_out(renderer, pixels, 4, 4, 16, 0, 0, NULL, 0) == TXR_E_NO_DRAWING, "empty");
    CHECK(memcmp(pixels, before, sizeof pixels) == 0, "pixels untouched by an empty text");
    CHECK(txr_set_staging_file(renderer, 2) == TXR_E_RANGE, "staging file 2");
    CHECK(txr_render_bmp(renderer, "A", 1, NULL, &size) == TXR_E_NULL, "no output pointer");
    CHECK(txr_render_bmp(renderer, NULL, 1, &bytes, &size) == TXR_E_NULL, "NULL text");

    /* A refused family keeps the earlier selection ready, and family 3 draws nothing. */
    CHECK(txr_set_font(renderer, 3, 0, 1, 1, 0, 203) == TXR_REFUSED_FAMILY, "family 3");
    CHECK(txr_get_bmp_file(renderer, inWork("never.bmp"), "A", 1) == TXR_E_NO_DRAWING, "fam 3");
    txr_destroy(renderer);
}

/* txr_render_bmp gives the bytes txr_get_bmp_file writes, and txr_render_rows the same picture
 * top-down with ink set: each checked against the other for every family, turn and video. */
static void testRenderingsAgree(void) {
    static const struct {
        int family, font, scaleH, scaleV, rotation, invert;
    } cases[] = {{0, 20, 1, 2, 2, 1}, {1, 4, 1, 1, 3, 1}, {2, 5, 3, 2, 1, 1}};
    static const char text[] = "AiB\xB0\0A";
    size_t i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        TxrRenderer* renderer = selected(cases[i].family, cases[i].font, cases[i].scaleH,
                                         cases[i].scaleV, cases[i].rotation, cases[i].invert);
        uint8_t* bytes = NULL;
        uint8_t* file;
        size_t size = 0, fileSize = 0;
        TxrBitmap bitmap;
        int width = 0, height = 0, x, y;
        txr_get_string_size(renderer, text, sizeof text - 1, &width, &height);
        CHECK(txr_render_bmp(renderer, text, sizeof text - 1, &bytes, &size) == TXR_OK, "bmp");
        CHECK(txr_get_bmp_file(renderer, inWork("case.bmp"), text, sizeof text - 1) == TXR_OK,
              "file");
        file = readFile(inWork("case.bmp"), &fileSize);
        CHECK(file != NULL && size == fileSize && memcmp(bytes, file, size) == 0,
              "case %u: render_bmp differs from the file", (unsigned)i);

        CHECK(txr_render_rows(renderer, text, sizeof text - 1, &bitmap) == TXR_OK, "rows");
        CHECK(bitmap.width == width && bitmap.height == height &&
                  bitmap.stride == (size_t)(width + 7) / 8,
              "case %u: rows %d x %d stride %u", (unsigned)i, bitmap.width, bitmap.height,
              (unsigned)bitmap.stride);
        for (y = 0; y < height && size == 62 + (size_t)(width + 31) / 32 * 4 * height; ++y) {
            const size_t bmpStride = (size_t)(width + 31) / 32 * 4;
            const uint8_t* bmpRow = bytes + 62 + (size_t)(height - 1 - y) * bmpStride;
            const uint8_t* row = bitmap.rows + (size_t)y * bitmap.stride;
            for (x = 0; x < width; ++x) {
                CHECK(bitAt(row, x) == !bitAt(bmpRow, x), "case %u: dot %d,%d", (unsigned)i, x, y);
            }
            for (x = width; x < (int)bitmap.stride * 8; ++x) {
                CHECK(bitAt(row, x) == 0, "padding bit %d,%d set", x, y);
            }
        }
        txr_free(bytes);
        free(file);
        txr_free(bitmap.rows);
        txr_destroy(renderer);
    }
    remove(inWork("case.bmp"));
}

static void testFontOut(void) {
    enum { kWidth = 40, kHeight = 30 };
    const int left = 3, top = 4;
    static uint8_t pixels[kHeight][kWidth + 2][4];      /* two pixels of row padding */
    static const uint8_t paper[4] = {10, 20, 30, 0x77}; /* blue, green, red, fourth byte */
    uint8_t* const canvas = &pixels[0][0][0];
    const size_t stride = sizeof pixels[0];
    TxrRenderer* renderer = selected(2, 1, 2, 1, 0, 0);
    TxrBitmap bitmap;
    int x, y;
    for (y = 0; y < kHeight; ++y) {
        for (x = 0; x < kWidth + 2; ++x) memcpy(pixels[y][x], paper, sizeof paper);
    }
    CHECK(txr_render_rows(renderer, "AB", 2, &bitmap) == TXR_OK, "rows");
    CHECK(txr_font_out(renderer, canvas, kWidth, kHeight, stride, left, top, "AB", 2) == TXR_OK,
          "font_out: %s", txr_last_error(renderer));
    for (y = 0; y < kHeight; ++y) {
        for (x = 0; x < kWidth + 2; ++x) {
            const uint8_t* p = pixels[y][x];
            const int inside = x < kWidth && x >= left && y >= top && x - left < bitmap.width &&
                               y - top < bitmap.height;
            CHECK(p[3] == 0x77, "fourth byte of %d,%d changed", x, y);
            if (!inside) {
                CHECK(p[0] == 10 && p[1] == 20 && p[2] == 30, "pixel %d,%d outside changed", x, y);
            } else {
                const uint8_t level =
                    bitAt(bitmap.rows + (size_t)(y - top) * bitmap.stride, x - left) ? 0 : 255;
                CHECK(p[0] == level && p[1] == level && p[2] == level, "pixel %d,%d is %d,%d,%d", x,
                      y, p[2], p[1], p[0]);
            }
        }
    }
    CHECK(txr_font_out(renderer, canvas, 0, kHeight, stride, 0, 0, "A", 1) == TXR_E_RANGE,
          "width 0");
    CHECK(txr_font_out(renderer, canvas, kWidth, kHeight, 4 * kWidth - 1, 0, 0, "A", 1) ==
              TXR_E_RANGE,
          "short stride");
    CHECK(txr_font_out(renderer, NULL, kWidth, kHeight, stride, 0, 0, "A", 1) == TXR_E_NULL,
          "NULL pixels");
    txr_free(bitmap.rows);
    txr_destroy(renderer);
}

static void testFileErrors(void) {
    TxrRenderer* renderer = selected(0, 0, 1, 1, 0, 0);
    const char* path = inWork("no-such-folder/out.bmp");
    CHECK(txr_get_bmp_file(renderer, path, "AB", 2) == TXR_E_FILE, "unwritable path");
    CHECK(strstr(txr_last_error(renderer), "no-such-folder") != NULL, "detail names the path: %s",
          txr_last_error(renderer));
    CHECK(!fileExists(path), "nothing left behind");
    CHECK(txr_get_bmp_file(renderer, NULL, "AB", 2) == TXR_E_NULL, "NULL path");
    txr_destroy(renderer);
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: c_api_test FONT_DIRECTORY/ WORK_DIRECTORY/\n");
        return 64;
    }
    fonts = argv[1];
    snprintf(workPath, sizeof workPath, "%s", argv[2]);
    testNullsRangesAndMessages();
    testNothingDrawn();
    testRenderingsAgree();
    testFontOut();
    testFileErrors();
    if (failures > 0) {
        fprintf(stderr, "%d checks failed\n", failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
