/*
 * tevrak robot folder at run time (library tevrak_common, in libtevrak.so).
 *
 * Every unit finds its files below one root folder: <home>/bin/hdt.txt (the
 * hardware description file), <home>/bin/usbSearch (the device listing
 * command) and <home>/bin/ir/ (the numbered remote-control configurations).
 * The root is chosen in this order:
 *   1. the folder given to HDTSetHome, when the program calls it;
 *   2. otherwise the environment variable TEVRAK_HOME, read once, at the
 *      first use of any unit, when it is set and usable; a set but empty or
 *      too long value writes "tevrak: TEVRAK_HOME is empty or too long; using
 *      <default>" on stderr and counts as unset;
 *   3. otherwise the folder fixed when the library was built (the build's
 *      TEVRAK_HOME setting, "/home/pi/tevrak" in the packages).
 * So one installed library serves any user name, the robot or a simulated
 * board.
 *
 * The new root counts for every file read afterwards. Files already read stay
 * read: port discovery runs once per process and a started unit keeps its
 * devices until it starts afresh, so call HDTSetHome before the first call of
 * any unit. Not locked: call it while no other thread uses the library (the
 * C++ layer's tevrak::set_home takes its locks itself).
 */
#ifndef TEVRAK_HOME_H
#define TEVRAK_HOME_H

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Makes folder the robot folder. Trailing slashes are dropped; a relative
 * folder is taken relative to the working directory at each later use. The
 * text is copied. Sends nothing and writes no message.
 * Returns 0 when the folder was taken; 1, with the folder in use unchanged,
 * when folder is NULL, empty, or so long that a path below it would not fit
 * PATH_MAX (4082 characters or more).
 */
int HDTSetHome(const char *folder);

#ifdef __cplusplus
}
#endif

#endif /* TEVRAK_HOME_H */
