// Setup: run from the kit's folder, it installs the drivers of the cards present and
// puts the kit's libraries and controls in place. It takes no arguments.
#include "installer.h"

int main() { return RunInstaller(); }
