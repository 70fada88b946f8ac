// free_space_probe: GetFreeDiskKB driven from the command line.  Prints one
// line per argument: the directory, a tab, the kilobytes it reports.
#include <stdio.h>

#include "flow/checks.h"

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; i++)
        printf("%s\t%lu\n", argv[i], (unsigned long)GetFreeDiskKB(argv[i]));
    return 0;
}
