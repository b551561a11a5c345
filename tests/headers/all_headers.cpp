// Every public header together from C++, linked against every unit and
// the C++ interface.
#include <tevrak/tevrak.h>
#include <tevrak/tevrak.hpp>

#include <cstdio>

int main() {
    LMMenu menu{};
    LCDInit();
    LMInit(&menu, "headers");
    LMAddItem(&menu, "one", 1);
    const bool ok = LMSize(menu) == 1 && SERSendChar(0, 'x') == 1 && ENCODERRead(9) == -1 && HDTSetHome(nullptr) == 1 &&
                    tevrak::ListMenu("headers").size() == 0;
    LMFreeItems(&menu);
    std::puts(ok ? "ok" : "wrong");
    return ok ? 0 : 1;
}
