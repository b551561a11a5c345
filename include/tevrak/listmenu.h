/*
 * tevrak list menu (library tevrak_chooser): the data of a scrolling,
 * coloured list menu for the robot's screen. The unit draws nothing and reads
 * no keys; the screen unit's drawing and selection code works on the same
 * records, so their field order and widths are fixed.
 *
 * A menu record belongs to the calling program; its item array belongs to the
 * menu and is released by LMFreeItems. The unit keeps no state of its own; a
 * menu record is used by one thread at a time.
 *
 * Colours, frame-buffer information and screen metrics come from the screen
 * unit (LCDGetColorFromName, LCDGetFBInfo, gLCDHandle); bounded text copies
 * from the operating-system unit (OSStrcpy_n).
 */
#ifndef TEVRAK_LISTMENU_H
#define TEVRAK_LISTMENU_H

#include <stdint.h>

#include "lcd.h"

#ifdef __cplusplus
extern "C" {
#endif

/* One entry of the list. */
typedef struct LMItem {
    char text[32];    /* item text, NUL-terminated */
    LCDColor fgColor; /* foreground colour of the item */
    LCDColor bgColor; /* background colour of the item */
    int32_t userData; /* the program's value for this item; only stored here */
} LMItem;

/* A menu. Fields marked "drawing side" are kept for the screen unit. */
typedef struct LMMenu {
    char title[64];   /* menu title, NUL-terminated */
    LCDColor fgColor; /* foreground colour of the menu */
    LCDColor bgColor; /* background colour of the menu */
    int32_t size;     /* number of items in items */
    int32_t auxA;     /* drawing side */
    int32_t fbValue;  /* drawing side: sixth word of the frame-buffer info */
    int32_t auxB;     /* drawing side */
    int32_t scroll;   /* 1 when the items do not all fit and the list scrolls */
    int32_t index;    /* current item, 0-based; moved by the selection code */
    LMItem *items;    /* heap array of size items; meaningful while size > 0 */
    int32_t auxC;     /* drawing side */
} LMMenu;

/*
 * Initialises every field but items: asks LCDGetFBInfo for the frame-buffer
 * information, copies title into title with OSStrcpy_n (bound 64: longer
 * titles are cut at 63 characters), sets fgColor to LCDGetColorFromName
 * ("white") and then bgColor to "blue"; size, auxA, auxB, scroll, index and
 * auxC become 0 and fbValue the sixth word of the frame-buffer information.
 * items is left as it was: an array from earlier use of the record is not
 * released (call LMFreeItems first).
 */
void LMInit(LMMenu *menu, const char *title);

/*
 * Appends one item: grows the item array by exactly one record (a new array
 * when size is 0), copies text into the new item with OSStrcpy_n (bound 32:
 * longer texts are cut at 31 characters), sets its fgColor to the colour
 * "red", its bgColor to "aquamarine" and its userData to value, and adds 1
 * to size. Then it compares size with the room of the screen: the screen
 * height of gLCDHandle divided by twice its font height, minus 2, at least 1;
 * when size is greater, scroll becomes 1 (it is never cleared here). Without
 * an initialised screen (gLCDHandle null) or with a font height of 0 the room
 * is 1.
 * When the array cannot grow it writes "ERROR: unable to allocate memory for
 * chooser" and a newline on stdout and leaves the menu exactly as it was.
 */
void LMAddItem(LMMenu *menu, const char *text, int32_t value);

/*
 * Releases the item array (when size is greater than 0) and sets size and
 * scroll to 0 and items to null. index keeps its value.
 */
void LMFreeItems(LMMenu *menu);

/*
 * Replaces the text of item number index (0-based) with OSStrcpy_n, bound 32;
 * its colours and userData stay. An index below 0 or not below size changes
 * nothing and writes "WARNING: attempted to change text of item outside
 * bounds\n" on stderr.
 */
void LMChangeItemText(LMMenu *menu, const char *text, int32_t index);

/* scroll becomes 1 when it was 0, and 0 when it held any other value. */
void LMToggleScroll(LMMenu *menu);

/* The number of items (size) of a menu record, passed by value. */
int32_t LMSize(LMMenu menu);

/* The scroll flag of a menu record, passed by value. */
int32_t LMGetScroll(LMMenu menu);

/* The current index of a menu record, passed by value. */
int32_t LMGetIndex(LMMenu menu);

/*
 * The text of the current item (item number index) of a menu record passed
 * by value; the pointer leads into the menu's item array and stays valid
 * until the array changes. When index is outside 0 to size - 1 (including a
 * menu without items) the result is an empty text instead.
 */
char *LMGetItemText(LMMenu menu);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_LISTMENU_H */
