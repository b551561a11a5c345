// Every public header together from C++, linked against every unit.
#include <tevrak/tevrak.h>

#include <cstdio>

int main() {
    LMMenu menu{};
    LCDInit();
    LMInit(&menu, "headers");
    LMAddItem(&menu, "one", 1);
    const bool ok = LMSize(menu) == 1 && SERSendChar(0, 'x') == 1 && ENCODERRead(9) == -1;
    LMFreeItems(&menu);
    std::puts(ok ? "ok" : "wrong");
    return ok ? 0 : 1;
}
