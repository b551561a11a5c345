/* Every public header together from C99 (compiled with -pedantic-errors),
 * linked against every unit: the names must not clash and each function must
 * resolve. Calls only what is safe without a robot. */
#include <stdio.h>

#include <tevrak/tevrak.h>

int main(void) {
    LMMenu menu;
    int ok;
    LCDInit();
    LMInit(&menu, "headers");
    LMAddItem(&menu, "one", 1);
    ok = LMSize(menu) == 1 && SERSendChar(0, 'x') == 1 && ENCODERRead(9) == -1 && ENCODERReset(0) == -1;
    LMFreeItems(&menu);
    /* The remote unit would connect to a daemon (and stop it on failure):
     * only its symbols are resolved here. */
    {
        int (*volatile get)(void) = RCINGet;
        int (*volatile restart)(int) = RCINRestart;
        ok = ok && get != NULL && restart != NULL;
    }
    printf("%s\n", ok ? "ok" : "wrong");
    return ok ? 0 : 1;
}
