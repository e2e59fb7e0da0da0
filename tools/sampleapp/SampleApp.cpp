// Stands in for the main executable of every seeded program. Startup entries and
// shortcuts point at it, and the system may start it at logon, so it does
// nothing at all and ends at once.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
