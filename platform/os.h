/*
 * Stand-ins for the operating-system unit that the library uses. C linkage,
 * like the unit they stand in for, so that C units link against them.
 */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Runs the program at path (no shell, no arguments) and returns what it
 * printed on its standard output as one NUL-terminated text. The text lives
 * until the next call; the caller does not release it. A program that cannot
 * be run gives the empty text.
 */
const char *OSExecute(const char *path);

/*
 * Copies src into dest, writing at most n bytes, terminator included: a
 * longer text is cut at n - 1 characters (n = 1 writes the terminator
 * alone). Nothing is written when n < 1.
 */
void OSStrcpy_n(char *dest, const char *src, int n);

#ifdef __cplusplus
}
#endif
