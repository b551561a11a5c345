/*
 * The stand-ins for the outside units as a C unit calls them: this file links
 * only when they have C linkage.
 */
#include "platform/os.h"

void *HDTLoadSERVO(const char *path, int flags);
void *HDTLoadMOTOR(const char *path, int flags);
void *HDTLoadPSD(const char *path, int flags);
void *HDTLoadTable(const char *path, const void *record);

void *c_load_servos(const char *path) { return HDTLoadSERVO(path, 0); }
void *c_load_motors(const char *path) { return HDTLoadMOTOR(path, 0); }
void *c_load_sensors(const char *path) { return HDTLoadPSD(path, 0); }
void *c_load_table(const char *path, const void *record) { return HDTLoadTable(path, record); }
const char *c_execute(const char *path) { return OSExecute(path); }
void c_copy(char *dest, const char *src, int n) { OSStrcpy_n(dest, src, n); }
