/* The 32-bit Wine loader of the test root, linked high.
 *
 * Debian's own loader is a position-independent program.  qemu-i386, which
 * runs the 32-bit half of Wine on machines without 32-bit support, loads
 * such a program at 4 MB, the address every PE32 program without
 * relocations (our installer among them) must be loaded at, so those could
 * not start.  This loader does the same work (load ntdll.so, hand it the
 * command line) from an address well above the part of the address space
 * that Windows programs use.  scripts/make_wine_root.sh builds it in place
 * of /usr/lib/wine/wine. */
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#define NTDLL "/usr/lib/i386-linux-gnu/wine/i386-unix/ntdll.so"

/* Looked up by ntdll: no preloader reserved anything. */
void *wine_main_preload_info = NULL;

int main(int argc, char *argv[])
{
    void *ntdll = dlopen(NTDLL, RTLD_NOW);
    if (ntdll == NULL) {
        fprintf(stderr, "wine: could not load ntdll.so: %s\n", dlerror());
        return 1;
    }
    void (*wine_main)(int, char **) = (void (*)(int, char **))dlsym(ntdll, "__wine_main");
    if (wine_main == NULL) {
        fprintf(stderr, "wine: __wine_main function not found in ntdll.so\n");
        return 1;
    }
    wine_main(argc, argv); /* does not return */
    return 1;
}
