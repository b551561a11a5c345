"""Prints the platform-specific package folder for an install prefix,
relative to that prefix: python3 platlib.py PREFIX"""
import os
import sys
import sysconfig

prefix = os.path.normpath(sys.argv[1])
schemes = sysconfig.get_scheme_names()
if prefix == "/usr" and "deb_system" in schemes:
    scheme, base = "deb_system", prefix
elif prefix == "/usr/local" and "posix_local" in schemes:
    scheme, base = "posix_local", "/usr"
else:
    scheme, base = "posix_prefix", prefix
folder = sysconfig.get_path("platlib", scheme, vars={"base": base, "platbase": base})
print(os.path.relpath(folder, prefix))
