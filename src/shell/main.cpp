// Tessaron's entry point: hands the command line over to the shell.
#include <allegro.h>

#include "shell/app.h"

int main(int argc, char** argv) { return tessaron::runApplication(argc, argv); }
END_OF_MAIN()
