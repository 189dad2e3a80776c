// Tessaron's entry point: hands over to the shell.  Command-line arguments
// are ignored.
#include <allegro.h>

#include "shell/app.h"

int main(int, char**) { return tessaron::runApplication(); }
END_OF_MAIN()
