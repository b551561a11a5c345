/*
 * The menu records as a C compiler lays them out: the screen unit's drawing
 * code is C, so the field offsets must hold there too.
 */
#include <stddef.h>

#include "tevrak/listmenu.h"

#define WORD 4u
#define POINTER ((unsigned)sizeof(void *))
#define ROUND_UP(value, alignment) (((value) + (alignment)-1u) / (alignment) * (alignment))

_Static_assert(sizeof(LCDColor) == 3 * WORD, "colour record is three words");

_Static_assert(offsetof(LMItem, text) == 0, "text");
_Static_assert(offsetof(LMItem, fgColor) == 32, "item fgColor");
_Static_assert(offsetof(LMItem, bgColor) == 44, "item bgColor");
_Static_assert(offsetof(LMItem, userData) == 56, "userData");
_Static_assert(sizeof(LMItem) == 60, "item size");

_Static_assert(offsetof(LMMenu, title) == 0, "title");
_Static_assert(offsetof(LMMenu, fgColor) == 64, "menu fgColor");
_Static_assert(offsetof(LMMenu, bgColor) == 76, "menu bgColor");
_Static_assert(offsetof(LMMenu, size) == 88, "size");
_Static_assert(offsetof(LMMenu, auxA) == 92, "auxA");
_Static_assert(offsetof(LMMenu, fbValue) == 96, "fbValue");
_Static_assert(offsetof(LMMenu, auxB) == 100, "auxB");
_Static_assert(offsetof(LMMenu, scroll) == 104, "scroll");
_Static_assert(offsetof(LMMenu, index) == 108, "index");
_Static_assert(offsetof(LMMenu, items) == ROUND_UP(112u, POINTER), "items");
_Static_assert(offsetof(LMMenu, auxC) == offsetof(LMMenu, items) + POINTER, "auxC");
_Static_assert(sizeof(LMMenu) == ROUND_UP(offsetof(LMMenu, auxC) + WORD, _Alignof(LMMenu)), "menu size");
