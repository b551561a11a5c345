// Carries the tests' precompiled headers (tests/CMakeLists.txt); never run.
int main() { return 0; }
