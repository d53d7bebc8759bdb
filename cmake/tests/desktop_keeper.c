/* Keeps the test prefix's desktop for a whole test run. Wine ends the desktop
   process once no program uses it; a program started without a display would
   then start it again without one, and every later window of the prefix
   would find no driver. Ends with the prefix's wineserver. */
#include <windows.h>

int main(void) {
    if (!GetDesktopWindow()) return 1;
    Sleep(INFINITE);
    return 0;
}
