/* Calls through a null pointer, as a zero import slot would. */
#include <stdio.h>

typedef void (*Callback)(void);

int main(int argc, char** argv) {
    volatile Callback call = argc > 99 ? (Callback)argv : 0;
    fputs("crashing_child: calling through null\n", stderr);
    fflush(stderr);
    call();
    return 0;
}
