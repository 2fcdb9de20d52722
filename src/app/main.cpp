#include "app/cli.h"

int main(int argc, char** argv) { return pw::runPenwick(argc, argv); }
