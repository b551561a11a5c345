/*
 * Stand-in for the library's screen unit: the screen state, frame-buffer
 * information and named colours that the list menu asks for. It draws
 * nothing. C linkage, C99, so that public headers may use its records.
 *
 * The state is process-wide and not locked: call from one thread at a time.
 */
#ifndef TEVRAK_LCD_H
#define TEVRAK_LCD_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A colour: three 32-bit words, each 0 to 255. Passed and copied by value. */
typedef struct LCDColor {
    int32_t red;
    int32_t green;
    int32_t blue;
} LCDColor;

/* Description of the frame buffer, eight 32-bit words. */
typedef struct LCDFBInfo {
    int32_t width;         /* visible pixels per row */
    int32_t height;        /* visible rows of pixels */
    int32_t virtualWidth;  /* pixels per row of the whole buffer */
    int32_t virtualHeight; /* rows of the whole buffer */
    int32_t bitsPerPixel;
    int32_t lineLength;   /* bytes per row of the buffer (the sixth word) */
    int32_t memoryLength; /* bytes of the whole buffer */
    int32_t reserved;
} LCDFBInfo;

/* Screen state. Programs and tests may change the fields after LCDInit. */
typedef struct LCDState {
    int32_t width;      /* screen width in pixels */
    int32_t height;     /* screen height in pixels */
    int32_t fontWidth;  /* character cell width in pixels */
    int32_t fontHeight; /* character cell height in pixels */
    LCDFBInfo fbInfo;   /* what LCDGetFBInfo hands out */
} LCDState;

/* The screen state; null until LCDInit, and again after LCDRelease. */
extern LCDState *gLCDHandle;

/*
 * Sets up the screen state for a 320 x 240 screen with 32 bits per pixel and
 * an 8 x 10 font, and points gLCDHandle at it. A second call starts again from
 * these values. Returns 0.
 */
int LCDInit(void);

/* Sets gLCDHandle back to null (the screen is no longer initialised). */
void LCDRelease(void);

/*
 * Fills *info with the frame-buffer information of the screen state. Returns
 * 0; returns 1 and fills *info with zeros when the screen is not initialised.
 * A null info is ignored (result 1).
 */
int LCDGetFBInfo(LCDFBInfo *info);

/*
 * The colour of a name, by value. Known names (lower case, exact): "black",
 * "white", "red", "green" (0, 128, 0), "lime" (0, 255, 0), "blue", "yellow",
 * "cyan", "magenta", "gray", "orange", "aquamarine" (127, 255, 212). An
 * unknown or null name gives black.
 */
LCDColor LCDGetColorFromName(const char *name);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_LCD_H */
