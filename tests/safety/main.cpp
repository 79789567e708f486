#include "tests/testmain.h"

int RecoveryChild(int argc, char **argv);

// Started with --recovery-child, the executable is the program itself for the recovery test.
int main(int argc, char **argv)
{
    if (argc > 2 && qstrcmp(argv[1], "--recovery-child") == 0)
        return RecoveryChild(argc, argv);
    return TestRegistry::RunAll(argc, argv);
}
